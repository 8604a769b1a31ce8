// The pictures other blocks of the open archive name: the images a Tiled
// document's text names and the skin images of a panel. Hidden ones are
// listed by no tab, so they go when the last block naming them goes and
// come back with the block that names them. Main thread only.
#pragma once

#include <Zelkoran/Archive.h>
#include <Zelkoran/CMem.h>

namespace Zelkoran {
class XML;
} // namespace Zelkoran

namespace NamedPictures {

using string = Zelkoran::String;
using Names = Zelkoran::Vector<string>;

// The sources of every image element below the cursor's element, in
// document order.
void imageSources(Zelkoran::XML& document, Names& sources);
// The sources of the tile sets a map's document names, in document order;
// none when the root is not a map.
void tileSetSources(Zelkoran::XML& map, Names& sources);
// The picture blocks of the archive that the live block names: the image
// sources of an XML document that lie in this archive (plain names and
// qel:// URIs of this archive file, or of a former name of it that no file
// has any more), the skin images of a panel; none for other types.
Names namedBy(int archiveId, const Zelkoran::Archive::Block& block);
// Removes the hidden pictures ("#" names) among names that no live XML
// document or panel of the archive names. The count removed.
int removeUnnamedHidden(int archiveId, const Names& names);
// The block of the archive source names: a plain name, or a qel:// URI of
// this archive file or of a former name of it that no file has any more;
// "" for one elsewhere.
string ownBlock(const Zelkoran::Archive& archive, const string& source);
// Position of the deleted entry of name and type that was saved with the
// owner at ownerPosition: the last one before it (a save writes what the
// owner names, then the owner), else the first one after it; -1 when none.
int deletedEntry(const Zelkoran::Archive& archive, const char* name, const char* type, int ownerPosition);
// deletedEntry of an image.
int deletedImage(const Zelkoran::Archive& archive, const char* name, int ownerPosition);
// Brings back each picture of names that has no live block, in the version
// deletedImage picks. True when every one found came back; on failure the
// ones restored are deleted again.
bool restoreDeleted(Zelkoran::Archive& archive, const Names& names, int ownerPosition);

} // namespace NamedPictures
