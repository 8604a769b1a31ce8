// What the handlers of one VUQv1 import share: the document's cursor, the
// target archive, the key, the counters and the warning log.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/XML.h>

#include <cstdint>

namespace xmlimport {

// Element kinds with imported / failed counters, in summary order.
enum eImportKind : int { IK_IMAGE, IK_TILE, IK_FONT, IK_SPRITE, IK_MUSIC, IK_SOUND, IK_FILE, IK_COUNT };

struct ImportCounters {
    int imported[IK_COUNT] = {};
    int failed[IK_COUNT] = {};
    int widgets = 0; // every child element of a panel the walk reached
    int total = 0;   // successful elements plus state images given to widgets
};

class ImportContext {
public:
    ImportContext(Zelkoran::XML& document, int archive, const void* archiveKey, uint32_t archiveKeyLength,
                  Zelkoran::Log& log)
        : xml(document), archiveId(archive), key(archiveKey), keyLength(archiveKeyLength), m_log(log)
    {
    }

    // A required attribute: false (out untouched) when it is absent.
    bool text(const char* attribute, Zelkoran::String& out) const;
    bool integer(const char* attribute, int& out) const;
    // Reads "name" into name; false when absent.
    bool readName();
    void warn(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Counts the end of an element of kind; a failure logs its warning,
    // "could not import '<name>' <noun>".
    void tally(eImportKind kind, bool ok, const char* noun);

    Zelkoran::XML& xml;
    const int archiveId;
    const void* const key;
    const uint32_t keyLength;
    ImportCounters counts;
    // The resource name the element's warnings show.
    Zelkoran::String name;

private:
    Zelkoran::Log& m_log;
};

// One descent into the current element's children: the cursor goes back to
// the element when it ends, on every path.
class ChildScope {
public:
    explicit ChildScope(Zelkoran::XML& xml) : m_xml(xml), m_entered(xml.nodeChild()) {}
    ~ChildScope()
    {
        if (m_entered)
            m_xml.nodeParent();
    }
    ChildScope(const ChildScope&) = delete;
    ChildScope& operator=(const ChildScope&) = delete;
    // There was a child to move to.
    bool entered() const { return m_entered; }

private:
    Zelkoran::XML& m_xml;
    bool m_entered;
};

// The picture of an element: loaded from "source" under name, with the
// element's blending settings applied. Closed when it goes, unless released.
class Picture {
public:
    Picture() = default;
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Reads "source", "alphablending" and, for "per-surface", "colorkey"
    // and "alphamod" (clamped to 0..255); false on a missing attribute or a
    // picture that does not load.
    bool load(const ImportContext& ctx, const char* pictureName);
    int id() const { return m_id; }
    // The picture belongs to someone else now.
    void release() { m_id = 0; }

private:
    int m_id = 0;
};

// Handlers of the top-level elements. Each starts and ends with the cursor
// on its element and updates the counters.
void importImage(ImportContext& ctx);
void importTile(ImportContext& ctx);
void importFont(ImportContext& ctx);
void importSprite(ImportContext& ctx);
void importAudio(ImportContext& ctx, bool music);
void importFile(ImportContext& ctx);
void importPanel(ImportContext& ctx);

} // namespace xmlimport
