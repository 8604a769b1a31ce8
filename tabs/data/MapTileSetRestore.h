// The tile sets of the open archive a map names: a full delete takes them
// with the map, and the map cannot be built without them, so they come back
// with it, each with the deleted pictures it names (as a tile set brought
// back alone does). Main thread only.
#pragma once

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>

class MapTileSetRestore {
public:
    using string = Zelkoran::String;
    using Names = Zelkoran::Vector<string>;

    MapTileSetRestore(Zelkoran::Archive& archive, int archiveId) : m_archive(archive), m_archiveId(archiveId) {}

    // The blocks of the archive the live document mapName names as tile
    // sets, each once; none for a document that is not a map.
    Names namedBy(const char* mapName) const;
    // Brings back each of tileSets that has no live block, in the version
    // saved with the map at mapPosition, and its deleted pictures. True when
    // every one found came back; on failure what came back is deleted again.
    bool restore(const Names& tileSets, int mapPosition);
    // Deletes again what restore brought back.
    void undo();
    // Tile sets deleted beside the map whose name a block stored after the
    // map holds: the map now names that one.
    const Names& taken() const { return m_taken; }

private:
    bool restoreOne(const string& name, int mapPosition);

    Zelkoran::Archive& m_archive;
    const int m_archiveId;
    Zelkoran::Vector<Zelkoran::Archive::Block> m_restored; // name and type of each block brought back
    Names m_taken;
};
