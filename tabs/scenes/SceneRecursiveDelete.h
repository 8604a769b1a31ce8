// One full delete of a Tiled document of the open archive with the tile
// sets (of a map) and images (of a tile set) it names, and the pictures a
// map names itself that no other document names. A block is followed
// once (a map that names itself, or two that name each other, end there)
// and an image removed once; references into other archives are left alone.
#pragma once

#include <Zelkoran/CMem.h>

#include <set>

namespace Zelkoran {
class XML;
} // namespace Zelkoran
class SceneReferences;
class TabServices;

class SceneRecursiveDelete {
public:
    using string = Zelkoran::String;

    SceneRecursiveDelete(const TabServices& services, const SceneReferences& references)
        : m_services(services), m_references(references)
    {
    }

    // The block reference names, with what it names. 0 (also for a
    // reference into another archive) or -1.
    int deleteRecursive(const string& reference);
    // Blocks and images deleted so far.
    int deleted() const { return m_deleted; }

    // The image sources the map blockName names itself (not through its
    // tile sets); none when it cannot be read.
    Zelkoran::Vector<string> ownImageSources(const string& blockName) const;
    // After a map was replaced or deleted alone: the hidden pictures ("#"
    // names) among its sources that no live Tiled document names any more
    // are removed, since no tab lists them. 0, or -1 when one stays.
    int removeUnnamedHiddenPictures(const Zelkoran::Vector<string>& sources);

private:
    // The tile sets the map names, each deleted in full; true when all went.
    bool deleteMapTileSets(Zelkoran::XML* map);
    bool removeTileSetImage(Zelkoran::XML* image);
    // The pictures of a deleted map that no live Tiled document of the
    // archive names any more: nothing else would ever list or remove them.
    bool removeUnsharedImages(const Zelkoran::Vector<string>& sources);
    // source names a block of the open archive, blockName.
    bool ownImage(const string& source, string& blockName) const;
    std::set<string> imagesOfLiveDocuments() const;

    const TabServices& m_services;
    const SceneReferences& m_references;
    std::set<string> m_visited;
    std::set<string> m_removedImages;
    int m_deleted = 0;
};
