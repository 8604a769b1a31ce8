// The scene tab's controller: widgets, block filter, event dispatch, the
// selection of a block, and leaving and re-entering the tab.
#include "tabs/scenes/ctrlScenes.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "tabs/scenes/SceneBlockKind.h"
#include "tabs/scenes/SceneLayerRows.h"
#include "tabs/scenes/SceneViewport.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Scene.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <cstring>

using namespace Zelkoran;

namespace {

Tool* tool() { return Main::instance()->tool(); }

Position centred() { return Position(0, PH_CENTER); }
Position fromLeft(float offset) { return Position(offset, PH_LEFT); }
Position fromRight(float offset) { return Position(-offset, PH_RIGHT); }
Position fromTop(float offset) { return Position(offset, PH_TOP); }

} // namespace

CtrlScenes::CtrlScenes(ResourceManager* rm, GlobalStatus* gs)
    : CtrlBase("Scenes", 232, rm, gs),
      held(panel, {SW_TYPE, SW_SIZE, SW_BLOCKSIZE, SW_RAW, SW_COMPRESSED, SW_CRYPTED, SW_TEXT})
{
    tool()->szCopy(blockType, "ZK7_XML", sizeof(blockType));
    panel->baseWidget()->setSize(200, 610);
    createWidgets();
    backgroundImage = resourceManager->get(SR_BG_BLOCKY);
    tick(SW_BG_BLOCKY, true);
    CtrlScenes::onNew();
}

CtrlScenes::~CtrlScenes() { CtrlScenes::closeResources(); }

void CtrlScenes::createWidgets()
{
    const int font = resourceManager->get(SR_FONT);
    const struct {
        int id;
        const char* name;
        int sprite;
        Position x;
        int top;
        const char* tooltip;
        bool checkBox;
    } spriteWidgets[] = {
        {SW_IMPORT, "Import", SS_IMPORT_FILE, fromLeft(10), 240,
         "Import Scenes, Universal VTT maps, TileSets, or templates", false},
        {SW_EXPORT, "Export", SS_EXPORT_FILE, fromRight(10), 240, "Export the current scene", false},
        {SW_RENDER, "Render", SS_TILEMAP, fromLeft(20), 396, "Render the selected scene", true},
        {SW_BG_BLACK, "BlackyTM", SS_BLACKY, fromRight(20), 396, "Use a black background", true},
        {SW_BG_WHITE, "WhiteyTM", SS_WHITEY, fromRight(51), 396, "Use a white background", true},
        {SW_BG_BLOCKY, "BlockyTM", SS_BLOCKY, fromRight(83), 396, "Use a checkerboard background", true},
        {SW_ADD_LAYER, "AddLayer", SS_NEW_ITEM, fromRight(25), 446, "Add image, video, or Universal VTT layers", false},
        {SW_REMOVE_LAYER, "RemoveLayer", SS_DELETE_ITEM, fromRight(25), 478, "Remove the selected layer", false},
        {SW_SHOW_LAYER, "Show", SS_LAYER_VISIBLE, fromRight(25), 510, "Show or hide the selected layer", true},
    };
    const auto addSpriteWidget = [&](const auto& spec) {
        WidgetText* widget = spec.checkBox ? static_cast<WidgetText*>(panel->createCheckBox(spec.name, spec.id))
                                           : static_cast<WidgetText*>(panel->createButton(spec.name, spec.id));
        if (!widget)
            return;
        widget->setText("", centred(), centred());
        widget->setPosition(spec.x, fromTop(static_cast<float>(spec.top)));
        widget->setBackgroundSprite(resourceManager->getClone(spec.sprite), WS_ALL, 0);
        widget->setTooltip(spec.tooltip);
    };
    const auto addCaption = [&](int id, const char* name, const char* text, float left, int top) {
        if (WidgetLabel* label = panel->createLabel(name, id)) {
            label->setFont(font, WS_ALL);
            label->setText(text, centred(), centred());
            label->setPosition(fromLeft(left), fromTop(static_cast<float>(top)));
        }
    };
    const auto addSizeEdit = [&](int id, const char* name, int value, float left, const char* tooltip) {
        if (WidgetNumberEdit* edit = panel->createNumberEdit(name, id)) {
            edit->setRange(1, SceneViewport::kMaxEdit);
            edit->setValue(static_cast<float>(value));
            edit->setSize(30, 20);
            edit->setPosition(fromLeft(left), fromTop(546));
            edit->setFont(font, WS_ALL);
            edit->setTooltip(tooltip);
            edit->setFeatures(WF_FOCUS_LOST, true);
        }
    };

    addSpriteWidget(spriteWidgets[0]);
    addSpriteWidget(spriteWidgets[1]);
    held.createInfoWidgets(font);
    for (int i = 2; i <= 5; ++i)
        addSpriteWidget(spriteWidgets[i]);
    addCaption(SW_LAYERS_LABEL, "LayersLabel", "Layers:", 20, 431);
    if (WidgetList* layers = panel->createList("Layers", SW_LAYERS)) {
        layers->setSize(110, 90);
        layers->setPosition(fromLeft(30), fromTop(446));
        layers->setFont(font, WS_ALL);
        layers->setTooltip("Layers of the selected scene");
    }
    for (int i = 6; i <= 8; ++i)
        addSpriteWidget(spriteWidgets[i]);
    addCaption(SW_VIEWPORT_LABEL, "ViewportLabel", "Viewport:", 20, 549);
    addCaption(SW_WIDTH_LABEL, "WidthLabel", "W:", 78, 549);
    addSizeEdit(SW_WIDTH, "Width", SceneViewport::kDefaultWidth, 95, "Viewport width");
    // Three pixels further left than the width caption's spacing: the height edit would cover the colon.
    addCaption(SW_HEIGHT_LABEL, "HeightLabel", "H:", 129, 549);
    addSizeEdit(SW_HEIGHT, "Height", SceneViewport::kDefaultHeight, 145, "Viewport height");
    if (WidgetCheckBox* custom = panel->createCheckBox("Set Viewport", SW_SET_VIEWPORT)) {
        custom->setText("Set Viewport", centred(), centred());
        custom->setSize(100, 22);
        custom->setPosition(centred(), fromTop(576));
        custom->setFont(font, WS_ALL);
        custom->setTooltip("Enable custom viewport size");
    }
    if (WidgetTextEdit* text = held.createTextBox(font, globalStatus->iWidth - 208, globalStatus->iHeight - 48)) {
        // Reparsing a map and warning about half-typed XML on every key
        // would stop the typing: the text is taken when the edit is committed.
        text->setOnValueCommitted([this](Widget&) { textCommitted = true; });
    }
    for (int id : {SW_RENDER, SW_BG_BLACK, SW_BG_WHITE, SW_BG_BLOCKY, SW_LAYERS, SW_ADD_LAYER, SW_REMOVE_LAYER,
                   SW_SHOW_LAYER, SW_WIDTH, SW_HEIGHT, SW_SET_VIEWPORT})
        setUsable(id, false);
}

// --- small helpers ---

CtrlScenes::string CtrlScenes::blockName() const { return exportName(); }

Scene* CtrlScenes::scene() const { return sceneHandle > 0 ? Main::instance()->sceneMgr()->get(sceneHandle) : nullptr; }

bool CtrlScenes::ticked(int widgetId) const
{
    const WidgetCheckBox* box = panel->getCheckBox(widgetId);
    return box && box->isChecked();
}

void CtrlScenes::tick(int widgetId, bool on) const
{
    if (WidgetCheckBox* box = panel->getCheckBox(widgetId))
        box->setChecked(on);
}

int CtrlScenes::selectedLayer() const
{
    const WidgetList* layers = panel->getList(SW_LAYERS);
    return layers ? layers->getSelectedIndex() : 0;
}

bool CtrlScenes::selectedLayerUsable() const
{
    const Scene* current = scene();
    if (!current)
        return false;
    const int row = selectedLayer();
    return SceneLayerRows::usable(row, current->getLayerCount(0), current->getLayerType(row));
}

void CtrlScenes::getExtensionLower(const string& path, string& extension)
{
    extension = tool()->fileGetExtension(path.c_str());
    tool()->strToLowerCase(extension);
}

// --- list, dispatch, state ---

int CtrlScenes::parseQEL()
{
    const int rc = rebuildBlockList([this](const Archive::Block& candidate) {
        if (!acceptsByDefault(candidate))
            return false;
        string extension;
        getExtensionLower(string(candidate.name, strnlen(candidate.name, sizeof(candidate.name))), extension);
        return SceneBlockKind::isTiledExtension(extension);
    });
    // An archive opened or secured since New changes the storage a new block starts with.
    if (!held.bytes() && !dirty) {
        held.block().storage = newBlockStorage(Archive::ST_COMPRESSED);
        held.showStorageMode(held.block().storage);
    }
    return rc;
}

int CtrlScenes::processEvent(int widgetId, int data)
{
    if (!panel->getList(BW_LIST) || !panel->getSlider(BW_SLIDER))
        return -1;
    // A failed selection must still leave Save disabled: with nothing held it
    // would write an empty block under the chosen name.
    const int handled = CtrlBase::processEvent(widgetId, data);
    switch (widgetId) {
    case SW_BG_BLOCKY:
    case SW_BG_WHITE:
    case SW_BG_BLACK:
        // One radio group: the clicked box ends up the only ticked one.
        for (int id : {SW_BG_BLACK, SW_BG_BLOCKY, SW_BG_WHITE})
            tick(id, id == widgetId);
        break;
    case SW_RENDER:
        renderEnabled = data != 0;
        if (renderEnabled && sceneHandle <= 0 && held.bytes() && held.size() >= 1) {
            const string name = blockName();
            if (name.empty() || loadTileEngineFromBuffer(name) != 0) {
                renderEnabled = false;
                tick(SW_RENDER, false);
            }
        }
        if (renderEnabled && sceneHandle > 0)
            updateViewport();
        break;
    case SW_SET_VIEWPORT:
    case SW_WIDTH:
    case SW_HEIGHT: onViewportEdit(); break;
    case SW_SHOW_LAYER: onShowLayer(data); break;
    case SW_RAW:
    case SW_COMPRESSED:
    case SW_CRYPTED:
        held.takeStorageBox(widgetId);
        setDirty(true);
        break;
    case SW_TEXT: onTextEdit(); break;
    case SW_IMPORT: onImportButton(); break;
    case SW_EXPORT: onExport(globalStatus->sArchivePath); break;
    case SW_LAYERS: onLayerRow(data); break;
    case SW_ADD_LAYER: onAddLayer(); break;
    case SW_REMOVE_LAYER:
        if (sceneHandle > 0)
            onRemoveLayer();
        break;
    default: break;
    }
    applyWidgetRules();
    if (handled == -1)
        return -1;
    return held.bytes() && held.size() >= 1 ? 0 : 4;
}

void CtrlScenes::onViewportEdit()
{
    if (!renderEnabled || sceneHandle <= 0)
        return;
    const int custom = ticked(SW_SET_VIEWPORT) ? 1 : 0;
    int width = 0;
    int height = 0;
    getViewportFromTextboxes(width, height);
    if (custom == customViewport && width == viewportWidth && height == viewportHeight)
        return;
    customViewport = custom;
    viewportWidth = width;
    viewportHeight = height;
    updateViewport();
    sceneModified = true;
    setDirty(true);
}

void CtrlScenes::onShowLayer(int data)
{
    Scene* current = scene();
    if (!current || !selectedLayerUsable())
        return;
    current->setLayerFeatures(selectedLayer(), SLF_SHOWN, data != 0);
    sceneModified = true;
    setDirty(true);
    refreshTextBufferFromScene();
}

void CtrlScenes::onLayerRow(int data)
{
    if (const Scene* current = scene())
        showLayerRow(*current, data);
}

void CtrlScenes::showLayerRow(const Scene& current, int row)
{
    const bool usable = SceneLayerRows::usable(row, current.getLayerCount(0), current.getLayerType(row));
    tick(SW_SHOW_LAYER, usable && (current.getLayerFeatures(row) & SLF_SHOWN) != 0);
    setUsable(SW_REMOVE_LAYER, usable);
    setUsable(SW_SHOW_LAYER, usable);
}

void CtrlScenes::onTextEdit()
{
    if (!textCommitted) {
        // A key typed: the text is taken at the commit; the tab is dirty as
        // soon as the box differs from the held text.
        unsigned char* candidate = nullptr;
        int length = 0;
        if (rebuildTextBufferFromTextEdit(SW_TEXT, held.mode(), held.endsWithNewline(), candidate, length) == 0 &&
            (length != held.size() || std::memcmp(candidate, held.bytes(), static_cast<size_t>(length)) != 0))
            setDirty(true);
        CMem::free(candidate);
        return;
    }
    textCommitted = false;
    bool changed = false;
    if (refreshSceneFromTextBuffer(changed) != 0)
        showBox("TileMap", "XML was modified but could not be reloaded as a Scene.", MBB_NONE, MBT_WARNING, 2500);
    if (changed)
        setDirty(true);
}

void CtrlScenes::applyWidgetRules()
{
    SceneTabFacts facts;
    facts.loaded = held.bytes() && held.size() >= 1;
    facts.text = held.mode() != AM_BINARY;
    string extension;
    getExtensionLower(blockName(), extension);
    facts.mapName = extension == "tmx";
    facts.scene = sceneHandle >= 1;
    facts.layerUsable = selectedLayerUsable();
    facts.preview = renderEnabled;
    for (int id : SceneTabWidgets::kDecided)
        if (const SceneTabWidgets::eUsable usable = SceneTabWidgets::usable(facts, id);
            usable != SceneTabWidgets::U_LEAVE)
            setUsable(id, usable == SceneTabWidgets::U_ON);
}

// --- selection ---

int CtrlScenes::onListBox()
{
    if (CtrlBase::onListBox() != 0)
        return -1;
    const WidgetList* list = panel->getList(BW_LIST);
    const string selected = list && list->getSelectedIndex() != 0 ? string(list->getSelectedText()) : string();
    if (selected == currentItemName)
        return 0;
    currentItemName = selected;
    closeResources();
    tick(SW_RENDER, false);

    // A failed load shows nothing of the previous block and forgets the
    // current item, so that choosing the same row again retries the load.
    const auto fail = [this] {
        showNoContent();
        currentItemName.clear();
        return -1;
    };
    if (holdStoredBlock(selected) != 0)
        return fail();
    checkMapType();
    updateData();
    return 0;
}

int CtrlScenes::updateData()
{
    held.showSizes();
    return 0;
}

void CtrlScenes::showNoContent()
{
    closeResources();
    held.showNoContent();
    clearLayerList();
    tick(SW_RENDER, false);
}

void CtrlScenes::clearLayerList()
{
    if (WidgetList* layers = panel->getList(SW_LAYERS))
        layers->clearItems();
    tick(SW_SHOW_LAYER, false);
}

// --- leaving and re-entering ---

int CtrlScenes::onDeactivate()
{
    if (isDirty() || sceneModified) {
        // Unsaved edits of the scene, the text, the storage or the name are
        // kept as they are; coming back takes up where the user left.
        keptWhileAway = true;
        rememberedRender = renderEnabled && sceneHandle > 0;
    } else if (sceneHandle > 0 && renderEnabled) {
        rememberedLayer = selectedLayer();
        rememberedRender = true;
        getViewportFromTextboxes(viewportWidth, viewportHeight);
        customViewport = ticked(SW_SET_VIEWPORT) ? 1 : 0;
        closeResources();
        setDirty(false);
    } else {
        rememberedLayer = 0;
        rememberedRender = false;
        closeResources();
        setDirty(false);
    }
    renderEnabled = false;
    dragging = false;
    dragMoved = false;
    tick(SW_RENDER, false);
    return 0;
}

int CtrlScenes::onActivate()
{
    const bool restorePreview = rememberedRender;
    if (keptWhileAway) {
        keptWhileAway = false;
    } else {
        const WidgetList* list = panel->getList(BW_LIST);
        if (!list || list->getSelectedIndex() == 0)
            return 0;
        // Cleared so that onListBox loads the block again from the archive.
        currentItemName.clear();
        if (onListBox() != 0)
            return -1;
    }
    if (restorePreview && sceneHandle > 0) {
        renderEnabled = true;
        tick(SW_RENDER, true);
        updateViewport();
    }
    rememberedRender = false;
    return 0;
}

// --- release ---

int CtrlScenes::holdStoredBlock(const string& name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(globalStatus->iArchiveID);
    if (!archive || !setupBlockParams(name))
        return -1;
    return held.load(*archive, 1);
}

void CtrlScenes::closeScene()
{
    if (sceneHandle > 0)
        Main::instance()->sceneMgr()->close(sceneHandle);
    sceneHandle = 0;
}

int CtrlScenes::closeResources()
{
    held.release();
    closeScene();
    renderEnabled = false;
    dragging = false;
    dragMoved = false;
    sceneModified = false;
    return 0;
}

int CtrlScenes::resetWidgets()
{
    CtrlBase::resetWidgets();
    onNew();
    return 0;
}
