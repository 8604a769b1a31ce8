// The kinds of scene source, one row each: the files a kind takes and the
// filter that lists them, the import actions it serves, the dialog section
// it shows and the source that imports it. The dialog's file filters, the
// probe's classification and the checks' lists of kinds are read from the
// rows, so a new kind is a converter, a source and a row.
#pragma once

#include "tabs/scenes/import/SceneImportSource.h"

#include <string>

// The part of the import dialog below its general section that a kind
// shows.
enum SceneImportSection : int { SIS_NONE = 0, SIS_IMAGE = 1, SIS_FRAMES = 2, SIS_UVTT = 3 };

struct SceneImportKind {
    SceneSourceType sourceType;
    // What the probe first calls a file of this kind.
    SceneFileKind fileKind;
    // A request of sourceType whose file kind no earlier row has is this
    // row's.
    bool anyFileKind;
    // Lower-case extensions, ';' between them, in the order filters list
    // them; the first row of an extension classifies it (a GIF is a still
    // picture until its frames are counted). Empty: no file is chosen as
    // this kind.
    const char* extensions;
    // The label of the filter that lists the extensions; null for none.
    const char* filter;
    bool newScene; // Import Scene offers it
    bool addLayer; // Add layer offers it
    // The import makes one layer under the name the dialog gives; else the
    // name is a prefix or the scene's.
    bool namedLayer;
    SceneImportSection section;
    const SceneImportSource* source;

    bool serves(bool forNewScene) const { return forNewScene ? newScene : addLayer; }
    bool hasExtension(const std::string& extensionLower) const;
};

// Every row, the empty scene first.
const SceneImportKind* sceneImportKinds(size_t& count);
// The row of a request's (sourceType, fileKind): the first that matches.
const SceneImportKind* sceneImportKind(int sourceType, int fileKind);
// The row an extension classifies a file as for the action; null for none
// or for a kind the action does not offer.
const SceneImportKind* sceneImportKindOf(const std::string& extensionLower, bool newScene);
// Some row of sourceType that takes files offers the action.
bool sceneImportTakesFiles(int sourceType, bool newScene);
// The file dialog's filter for the action: every extension it takes, each
// kind's filter, then all files; '\0' after each part.
std::string sceneImportFilter(bool newScene);
