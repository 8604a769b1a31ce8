// What choosing a source file tells the import dialog: the kind of source
// (by extension, then by reading the file), its size and length, the GIF
// and Universal VTT caches with their presets, and the name to propose.
// Widgets are left to the dialog. Main thread only.
#pragma once

#include "tabs/scenes/import/SceneImportSource.h"

class SceneImportProbe {
public:
    using string = Zelkoran::String;

    // Source kind and file kind of a lower-case extension; a GIF counts as
    // a still picture here (its frames decide later). {0, 0} when unusable.
    struct Kind {
        int sourceType = SST_NONE;
        int fileKind = SFK_OTHER;
    };
    static Kind classify(const string& extensionLower, bool newScene);

    // Classifies path into options, clears found's GIF part and, for other
    // files, its Universal VTT part, then lets the source of that kind probe
    // the file.
    static SceneSourceFacts probe(SceneLayerImportOptions& options, SceneSourceProbe& found, const string& path,
                                  bool newScene);

    // The name the dialog proposes for a usable source: the file name, for
    // a new scene as "name.tmx". Empty when sourceType is 0.
    static string proposedName(const SceneLayerImportOptions& options, bool newScene);
};
