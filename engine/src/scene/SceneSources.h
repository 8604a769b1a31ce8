// Finds what a scene's text refers to: TSX and TX texts and images, as
// blocks of the scene's archive, of another archive named by a "qel://" URI,
// or as files.
#pragma once

#include "scene/SceneIO.h"
#include "scene/SceneModel.h"

#include <map>

namespace Zelkoran::scene {

class SceneSources {
public:
    SceneSources() = default;
    SceneSources(const SceneSources&) = delete;
    SceneSources& operator=(const SceneSources&) = delete;
    // Closes the archives it opened.
    ~SceneSources();

    // The text ref names, seen from a text that came from `from`. found
    // receives the text's own origin; identity one name per text (a cycle
    // of references meets the same identity twice).
    // 0, RC_ERR_NOT_FOUND, RC_ERR_INVALID (malformed URI), RC_ERR_KEY,
    // RC_ERR_TOO_LARGE, RC_ERR_IO.
    int readText(const Origin& from, const char* ref, String& text, Origin& found, String& identity);
    // The image ref names, decoded once per source and colour key; trans is
    // a 0xRRGGBB colour made transparent, -1 for none. Codes of readText,
    // RC_ERR_CORRUPT (not an image), RC_ERR_TOO_LARGE (a file whose header
    // states a side no image block holds, refused before it is decoded).
    int readPicture(const Origin& from, const char* ref, int trans, PicturePtr& out);
    // 'the KIND "ref" cannot be read from "PLACE": CAUSE', PLACE being the
    // archive or file the last lookup went to (left out before any lookup),
    // CAUSE what rc, the code of that lookup, means; for a picture the last
    // readPicture refused for its size, what size it states.
    String unreadable(const char* kind, const char* ref, int rc) const;

private:
    struct Found {
        int archiveId = 0; // > 0: block in that archive
        String block;
        String file; // else: this file
    };
    int locate(const Origin& from, const char* ref, const char* blockType, Found& out);
    // The archive file a URI of a text from `from` names is missing, or is
    // that text's archive under a former name.
    bool namesFormerSelf(const Origin& from, const String& archivePath);
    int archiveAt(const String& path);

    std::map<String, int> m_opened; // archives opened for this load, by path
    std::map<String, PicturePtr> m_pictures;
    String m_place; // where the last lookup went
    uint32_t m_refusedWidth = 0, m_refusedHeight = 0; // stated by the last picture refused for its size
};

// The picture an image file's bytes hold, as ARGB8888; null when they do
// not decode or state a side no image block holds.
SDL_Surface* decodePicture(const void* data, size_t size);

// Makes every pixel of colour 0xRRGGBB transparent (an ARGB8888 surface).
void applyColorKey(SDL_Surface* argb, uint32_t rgb);

} // namespace Zelkoran::scene
