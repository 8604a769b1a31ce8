// Import of VUQv1 interchange documents: one XML document listing images,
// tile sets, fonts, sprites, music, sounds, plain files and GUI panels, each
// written into an open archive as the engine's own blocks.
// Main thread only.
#pragma once

#include <Zelkoran/CMem.h>

#include <cstdint>

namespace Zelkoran {
class XML;
}

// Walks xml (its cursor moves) and writes every resource it describes into
// the open archive archiveId. A bad element is logged as a warning, counted
// and skipped; one information box titled title sums the run up. key and
// keyLength (null and 0 without a key) serve only "crypted" files.
// 0 when the walk ran to its end however many elements failed; -1 when it
// did not start (no such archive, a root that is not "VUQ", a version that
// is not "v1"), after an error box and before anything was written.
int XML2QEL(Zelkoran::XML& xml, int archiveId, const Zelkoran::String& title, const void* key,
            uint32_t keyLength);
