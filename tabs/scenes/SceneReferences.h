// References of Tiled documents: plain block names of the open archive and
// "qel://path/file.qel/resource" URIs, and the walk over a tile set's images.
#pragma once

#include "tabs/base/TabServices.h"

#include <Zelkoran/CMem.h>

#include <functional>

namespace Zelkoran {
class XML;
} // namespace Zelkoran
class GlobalStatus;

class SceneReferences {
public:
    using string = Zelkoran::String;

    // document: the name of the block whose references are read.
    SceneReferences(const TabServices& services, const string& document)
        : m_services(services), m_document(document)
    {
    }

    // A "source" text to the archive and block it names. archiveId: the
    // open archive's, one opened for the caller (opened true: the caller
    // closes it with ArchiveMgr::close), or -1 when false.
    bool resolveQELResource(const string& reference, int& archiveId, string& blockName, bool& opened) const;
    // Splits "qel://path/file.qel/resource". True when well formed.
    static bool parseQELURI(const string& uri, string& archivePath, string& resource);
    // Calls visitor with the cursor on each image element of the tile set
    // (directly under tileset or under one of its tile elements), in
    // document order; stops at the first false. True when all were accepted.
    static bool visitTSXImageNodes(Zelkoran::XML* document, const std::function<bool(Zelkoran::XML*)>& visitor);
    // The text after the last dot of path's file name, lower-cased.
    static void getExtensionLower(const string& path, string& extension);

private:
    const TabServices& m_services;
    const string& m_document;
};
