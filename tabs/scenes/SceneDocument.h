// The held Tiled document as text and, for a map, as the engine scene built
// from it: what kind of document it is, building the scene, keeping the
// held text, the text box and the scene in step in both directions, and
// storing a scene as its block. It owns the scene handle, the name and block
// type the document is stored under, whether the scene was edited since it
// was built or stored, and whether the preview shows it.
#pragma once

#include <Zelkoran/CMem.h>

namespace Zelkoran {
class Archive;
class Scene;
} // namespace Zelkoran
class BlockText;
class SceneLayerList;
class SceneTabPanel;
class SceneViewportEdits;
class TabServices;

class SceneDocument {
public:
    using string = Zelkoran::String;

    // The block type every Tiled document is stored as.
    static constexpr char kBlockType[] = "ZK7_XML";

    SceneDocument(const TabServices& services, BlockText& held, SceneLayerList& layers, SceneViewportEdits& viewport,
                  const SceneTabPanel& widgets)
        : m_services(services), m_held(held), m_layers(layers), m_viewport(viewport), m_widgets(widgets)
    {
    }

    // The name the document is stored under: a new scene's own until it is
    // shown, else what the user gave in the name field, else the block
    // list's row.
    string name() const;
    // The name field shows name, which the document goes by from now on.
    void showName(const string& name);
    // A new, empty engine scene under name (checked), held by the document,
    // which goes by that name without showing it. False when the engine
    // made none.
    bool startScene(const string& name);

    // The scene shown, or null.
    Zelkoran::Scene* scene() const;
    // The scene's engine handle, 0 without one.
    int handle() const { return m_sceneHandle; }
    // id (an open scene, or 0) becomes the document's scene; whoever
    // replaced the previous one has closed it.
    // After an import given the scene previousId, which left now: the
    // imported scene is held; a scene the import closed is held no more.
    void followImport(int previousId, const Zelkoran::Scene* now, bool imported);
    // The scene was edited since it was built or stored.
    bool modified() const { return m_modified; }
    void setModified(bool on) { m_modified = on; }
    // The preview shows the scene.
    bool previewOn() const { return m_previewOn; }
    void setPreviewOn(bool on) { m_previewOn = on; }
    // The preview is shown again when the tab is entered again.
    bool previewRemembered() const { return m_previewRemembered; }
    void rememberPreview(bool on) { m_previewRemembered = on; }
    // The held text carries the engine's scene marker.
    bool isZK7SceneBuffer() const;
    // Kind label, scene (for maps) and text box for the held bytes. 0.
    int checkMapType();
    // Builds the scene from the held bytes of map name. 0, or -1.
    int loadTileEngineFromBuffer(const string& name);
    // The text box holds text the held bytes do not: typed, and not taken
    // in because it is no scene.
    bool textBoxDiffers() const;
    // After a layer edit the held text and the box become the scene's
    // serialisation; text typed in the box that could not be taken in goes
    // with it, and the user is told. 0 or -1 (nothing changed).
    int textFollowsScene();
    // Tells the user that the text typed in the box, which was no scene,
    // gave way to the scene's text after a layer change.
    void reportTypedTextReplaced() const;
    // Says why the engine could not build the held map (shown as text).
    void reportUnbuiltScene() const;
    // The text box's text becomes the held text (and the scene, for maps);
    // changed: the text differed. 0, or -1 with everything as it was.
    int refreshSceneFromTextBuffer(bool& changed);
    // name and kBlockType into the block record. False, with the record
    // untouched, for a name a block record cannot hold whole.
    bool setupBlockParams(const string& name);
    // Places the scene's viewport in the preview area. Nothing without a scene.
    void updateViewport();
    // Stores scene under name (checked) with the held record's storage mode;
    // messages titled prefix. The held text and record then are what was
    // stored: nobody reads the block back. 0 or -1 (after a message, except
    // for a null scene or an empty name).
    int storeScene(Zelkoran::Scene* scene, const string& name, const string& prefix);
    // The stored block name becomes the record (sizes, storage) and a copy
    // of its bytes the held text. 0, or -1 with nothing new held.
    int holdStoredBlock(const string& name);
    // Show and Remove follow the layer list's row: usable for a layer, the
    // Show box ticked when that layer is shown.
    void showLayerRow(const Zelkoran::Scene& current, int row);
    void closeScene();
    // The held bytes into the text box, which learns how they read as text.
    void showText() const;
    // The text box's text as bytes of the held text's mode, in a buffer the
    // caller frees with CMem::free. 0 or -1.
    int readText(unsigned char*& bytes, int& length) const;

private:
    // Layer feature 8 on every layer, the layer list, viewport edits and
    // viewport, after a scene was built.
    void adoptScene(Zelkoran::Scene* built);
    // The held text becomes the scene's serialisation. 0 or -1.
    int refreshTextBufferFromScene();
    // What storeScene wrote to archive (size bytes in buffer, which the
    // held text takes over) becomes the held text and record.
    void holdStored(const Zelkoran::Archive& archive, char* buffer, size_t size);

    const TabServices& m_services;
    BlockText& m_held;
    SceneLayerList& m_layers;
    SceneViewportEdits& m_viewport;
    const SceneTabPanel& m_widgets;
    // A new scene's name, not yet shown; empty otherwise.
    string m_newName;
    int m_sceneHandle = 0;
    bool m_modified = false;
    bool m_previewOn = false;
    bool m_previewRemembered = false;
};
