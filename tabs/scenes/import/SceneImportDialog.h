// The scene import dialog: one modal panel, built afresh on every opening,
// that shows an import record, probes the chosen source, switches its
// sections by the kind of source and stores its widgets back on OK. It
// checks nothing: the caller validates and may open it again on the same
// record.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"
#include "import/scene/SceneSourceProbe.h"

namespace Zelkoran {
class Panel;
class Scene;
} // namespace Zelkoran
class TabServices;

class SceneImportDialog {
public:
    // services: the tab's, for the editor's sprites, the colour field and
    // the help boxes.
    explicit SceneImportDialog(const TabServices& services) : m_services(services) {}

    // The modal import dialog over options; found keeps what probing the
    // chosen file learned over reopenings; scene (may be null) feeds the
    // target slots. True after OK, with the widgets stored in options.
    bool showSceneImportDialog(SceneLayerImportOptions& options, SceneSourceProbe& found, Zelkoran::Scene* scene,
                               bool newScene) const;
    bool showAddLayerDialog(SceneLayerImportOptions& options, SceneSourceProbe& found, Zelkoran::Scene* scene) const
    {
        return showSceneImportDialog(options, found, scene, false);
    }
    // The colour key's swatch takes the colour of its text when it parses;
    // rewrite: the text becomes its upper-case form too.
    static void updateImportColorSwatch(Zelkoran::Panel* dialog, bool rewrite);

private:
    const TabServices& m_services;
};
