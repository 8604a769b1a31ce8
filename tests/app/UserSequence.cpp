#include "app/UserSequence.h"

#include "app/KeyPanelScript.h"
#include "app/Menu.h"
#include "app/Skarden.h"
#include "engine/archive/IndependentReader.h"
#include "services/FixedPanelIds.h"
#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "support/EditorTestSupport.h"
#include "support/FileFaults.h"
#include "support/GifWriter.h"
#include "support/TestFolder.h"
#include "tabs/base/BasePanel.h"
#include "tabs/base/TabCheckBoxIds.h"
#include "tabs/base/ctrlBase.h"
#include "tabs/data/ctrlFiles.h"
#include "tabs/data/ctrlUndelete.h"
#include "tabs/images/ctrlImages.h"
#include "tabs/scenes/SceneChoiceIds.h"
#include "tabs/scenes/SceneTabWidgets.h"
#include "tabs/scenes/import/SceneImportDialogIds.h"

#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Tool.h>

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>

namespace usersequence {

namespace {

namespace TS = Zelkoran::TestSupport;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using Rng = std::mt19937;

// A block as the reader and the tabs tell it apart.
struct Key {
    std::string name, type;
    auto operator<=>(const Key&) const = default;
};

std::string show(const Key& k) { return k.type + " \"" + k.name + "\""; }
bool hidden(const std::string& name) { return !name.empty() && name[0] == '#'; }
bool isTiled(const std::string& name)
{
    std::string ext = fs::path(name).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    return ext == ".tmx" || ext == ".tsx" || ext == ".tx";
}

// What the user has done, as far as the archive and the window must show it.
struct Model {
    enum class File { Ours, Replaced, Gone };
    bool open = false;
    std::string path;
    std::string key;        // the archive's key, "" for none
    std::string remembered; // the key the editor holds
    bool indexEncrypted = false;
    File file = File::Ours;
    Bytes replacement;      // what another program left at the path
    enum class Protect { None, File, Folder };
    Protect protect = Protect::None; // as another program set it
    std::map<Key, Bytes> live;
    // The deleted entries of the file in index order, as last checked:
    // what the Undelete tab offers.
    std::vector<std::pair<Key, Bytes>> restorable;
    // Texts stored only encrypted: none may be in the file in clear.
    std::set<std::string> secrets;
    std::set<std::string> storedInClear;
    int archives = 0;

    // The editor may write the file: it is the one opened, and writable.
    bool usable() const { return open && file == File::Ours && protect != Protect::File; }
};

// A message box as the window showed it.
struct Box {
    std::string title, text;
    int type = 0;
    int buttons = 0;
};

// What one action did and what the window said.
struct Seen {
    std::vector<Box> boxes;
    Key target;          // the block acted on ("" when there was none)
    std::string newName; // a rename's or an undelete's name
    Bytes bytes;         // exact content saved, when the action knows it
    bool known = false;  // bytes are known
    std::string typedKey;
    bool claimed = false; // the window said the write was done
    bool listed = false;  // the tab lists the target afterwards
    bool rewrites = false; // writes the archive anew beside it (a defragment)
    std::string cells;     // an imported scene's size in tiles: "WxH"
    std::string storageShown; // the ticked storage boxes of the block chosen: "RCE" letters
    int storageStored = 0;    // how the file held it then

    bool said(const std::string& text) const
    {
        return std::any_of(boxes.begin(), boxes.end(), [&](const Box& b) { return b.text.find(text) != std::string::npos; });
    }
    // A "<kind> saved." notice.
    bool saidSaved() const
    {
        static const std::regex notice("[A-Za-z]+ saved\\.");
        return std::any_of(boxes.begin(), boxes.end(), [](const Box& b) { return std::regex_match(b.text, notice); });
    }
    // An error or warning shown (a question is none).
    bool complained() const
    {
        return std::any_of(boxes.begin(), boxes.end(), [](const Box& b) {
            return (b.type == Zelkoran::MBT_ERROR || b.type == Zelkoran::MBT_WARNING) && b.buttons != Zelkoran::MBB_YESNO;
        });
    }
};

const char* const kNames[] = {"hero", "sky", "notes", "b.c", "x"};
const char* const kMaps[] = {"level.tmx", "cave.tmx"};

const char* tabOf(const Key& k)
{
    if (k.type == "ZK7_IMAGE")
        return "Images";
    if (k.type == "ZK7_FILE")
        return "Files";
    if (k.type == "ZK7_GUIPANEL")
        return "GUI";
    return isTiled(k.name) ? "Scenes" : "XML";
}
int boxOf(const Key& k)
{
    const std::string tab = tabOf(k);
    return tab == "Images"   ? TAB_IMAGES
           : tab == "Files"  ? TAB_FILES
           : tab == "Scenes" ? TAB_SCENES
           : tab == "GUI"    ? TAB_GUI
                             : TAB_XML;
}

// The archive file as the independent reader sees it.
struct FileView {
    independent::Archive archive;
    Bytes raw;
    std::map<Key, Bytes> live;
    std::map<Key, int> storage; // of the live blocks: 1 raw, 2 zlib, 3 encrypted, 4 encrypted zlib
    std::vector<std::pair<Key, Bytes>> deleted; // in index order
};

FileView readFile(const Model& m)
{
    FileView v;
    v.raw = TestFolder::read(m.path);
    v.archive = independent::read(m.path, m.key);
    for (const independent::Block& b : v.archive.blocks) {
        if (b.deleted)
            v.deleted.emplace_back(Key{b.name, b.type}, b.data);
        else {
            v.live[Key{b.name, b.type}] = b.data;
            v.storage[Key{b.name, b.type}] = b.storage;
        }
    }
    return v;
}

// The block names source="..." attributes of a document give, a
// "qel://folder/file.qel/name" reference as its name (every archive of a
// run is in one folder).
std::set<std::string> sources(const Bytes& text)
{
    static const std::regex attribute("source=\"(qel://[^\"]*\\.qel/)?([^\"]*)\"");
    const std::string s(text.begin(), text.end());
    std::set<std::string> out;
    for (auto it = std::sregex_iterator(s.begin(), s.end(), attribute); it != std::sregex_iterator(); ++it)
        out.insert((*it)[2]);
    return out;
}

// Names blocks name: the sources of documents, the skin pictures among
// pictures a panel's bytes hold, the pictures of images of the family.
template <class Blocks>
std::set<std::string> namedBy(const Blocks& blocks, const std::set<std::string>& pictures)
{
    std::set<std::string> named;
    for (const auto& [k, bytes] : blocks) {
        if (k.type == "ZK7_XML")
            named.merge(sources(bytes));
        if (k.type == "ZK7_GUIPANEL")
            for (const std::string& picture : pictures)
                if (std::search(bytes.begin(), bytes.end(), picture.begin(), picture.end()) != bytes.end())
                    named.insert(picture);
        for (const auto& [type, prefix] : {std::pair{"ZK7_CURSOR", "#C_"}, {"ZK7_SPRITE", "#S_"}, {"ZK7_TILE", "#T_"},
                                           {"ZK7_FONT", "#F_"}})
            if (k.type == type)
                named.insert(prefix + k.name);
    }
    return named;
}

std::set<std::string> hiddenPictures(const std::map<Key, Bytes>& blocks)
{
    std::set<std::string> names;
    for (const auto& [k, bytes] : blocks)
        if (hidden(k.name) && k.type == "ZK7_IMAGE")
            names.insert(k.name);
    return names;
}

// Names reached from root through the sources of the documents among blocks.
std::set<std::string> reachedFrom(const std::string& root, const std::map<Key, Bytes>& blocks)
{
    std::set<std::string> reached{root};
    std::vector<std::string> todo{root};
    while (!todo.empty()) {
        const std::string name = todo.back();
        todo.pop_back();
        const auto doc = blocks.find(Key{name, "ZK7_XML"});
        if (doc == blocks.end())
            continue;
        for (const std::string& s : sources(doc->second))
            if (reached.insert(s).second)
                todo.push_back(s);
    }
    return reached;
}

class Session {
public:
    Session() = default;
    ~Session() { stop(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool start()
    {
        TS::clearAnswers();
        TS::clearModalLog();
        // A box no step answers is closed as a user would close it, unread.
        TS::setModalWatchdog(1000);
        setenv("XDG_STATE_HOME", folder.path("state").c_str(), 1);
        app.emplace();
        char name[] = "Skarden";
        char* argv[] = {name, nullptr};
        if (app->start(1, argv) != 0)
            return false;
        keys.emplace(*app);
        return true;
    }
    void stop()
    {
        keys.reset();
        if (app) {
            app->shutdown();
            app.reset();
        }
        TS::clearAnswers();
        TS::setModalWatchdog(0);
        Zelkoran::Main::terminate();
    }

    GlobalStatus& gs() { return *app->globalStatus(); }
    int menuPanel() { return app->resources()->get(SR_MENU_PANEL); }
    static Zelkoran::Panel* tab(const char* name)
    {
        Zelkoran::GUIMgr* gui = Zelkoran::Main::instance()->guiMgr();
        for (int id : gui->getPanelIDs())
            if (std::string(gui->getPanel(id)->getName()) == name)
                return gui->getPanel(id);
        return nullptr;
    }

    void passes(int n = 2)
    {
        for (int i = 0; i < n; ++i)
            app->runPass();
    }
    void clickMenu(int button)
    {
        TS::clickWidget(menuPanel(), button);
        passes();
    }
    void click(Zelkoran::Panel* panel, int widget)
    {
        TS::clickWidget(panel->getID(), widget);
        passes();
    }
    // The tab shown; a box its block brings up is answered and not the action's.
    Zelkoran::Panel* showTab(int box, const char* name)
    {
        if (app->menu()->getActiveCheckBoxID() != box) {
            TS::pushAnswer(Zelkoran::MBB_OK);
            clickMenu(box);
            TS::clearAnswers();
            markAction();
        }
        return tab(name);
    }
    // A click into the field, Ctrl+A, one key a pass, Enter.
    void typeKeys(Zelkoran::Panel* panel, int edit, const std::string& text)
    {
        TS::clickWidget(panel->getID(), edit);
        app->runPass();
        TS::key(SDLK_a, KMOD_CTRL);
        app->runPass();
        for (const char ch : text) {
            TS::typeText(std::string(1, ch).c_str());
            app->runPass();
        }
        TS::key(SDLK_RETURN);
        app->runPass();
    }
    // Clicks the row named name when it is in view. False when it is not.
    bool chooseRow(Zelkoran::Panel* panel, const std::string& name)
    {
        Zelkoran::WidgetList* list = panel->getList(BW_LIST);
        const std::vector<std::string> rows = editortest::listItems(list);
        const auto at = std::find(rows.begin(), rows.end(), name);
        if (at == rows.end())
            return false;
        const int row = static_cast<int>(at - rows.begin()) + 1 - list->getScroll();
        if (row < 1 || row > list->getVisibleItems())
            return false;
        const SDL_Rect r = list->getRect();
        TS::pushAnswer(Zelkoran::MBB_OK); // a block that cannot be shown says so
        TS::click(r.x + 30, r.y + 3 + list->getRowHeight() * (row - 1) + list->getRowHeight() / 2);
        passes();
        TS::clearAnswers();
        markAction();
        return list->getSelectedText() == name;
    }

    bool tabIsDirty(const char* name)
    {
        for (const CtrlBase* tab : app->menu()->getCtrls())
            if (std::string(tab->getName().c_str()) == name)
                return tab->isDirty();
        return false;
    }
    // What the window says from here on belongs to the action: boxes a
    // choice of row brought up before are not its answer.
    void markAction() { actionMark = TS::modalLog().size(); }
    // The boxes shown since the mark, and the answers not taken dropped.
    std::vector<Box> boxesSince(size_t mark)
    {
        TS::clearAnswers();
        std::vector<Box> out;
        const auto& log = TS::modalLog();
        for (size_t i = mark; i < log.size(); ++i)
            out.push_back(Box{log[i].title.c_str(), log[i].text.c_str(), log[i].type, log[i].buttons});
        return out;
    }

    std::string picture(Rng& rng)
    {
        const int w = 8 + static_cast<int>(rng() % 5) * 8, h = 8 + static_cast<int>(rng() % 5) * 8;
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        // Every picture differs from every other one by its colour.
        SDL_FillRect(s, nullptr, 0xFF000000u | (static_cast<uint32_t>(++made) * 2654435761u >> 8));
        const std::string path = folder.path("picture" + std::to_string(made) + ".png");
        IMG_SavePNG(s, path.c_str());
        SDL_FreeSurface(s);
        return path;
    }
    std::string textFile(Rng& rng, std::string& content)
    {
        content = "note" + std::to_string(++made) + "-" + std::to_string(rng() % 100000);
        const std::string path = folder.path("text" + std::to_string(made) + ".txt");
        TestFolder::write(path, Bytes(content.begin(), content.end()));
        return path;
    }
    // A map, its tile set and the tile set's picture on disk; the map's path.
    std::string mapFiles(const std::string& name)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 32, 16, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, 0xFF208040);
        IMG_SavePNG(s, folder.path("tiles.png").c_str());
        SDL_FreeSurface(s);
        const std::string tileSet = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tileset version=\"1.10\" name=\"tiles\" "
                                    "tilewidth=\"16\" tileheight=\"16\" tilecount=\"2\" columns=\"2\">\n <image "
                                    "source=\"tiles.png\" width=\"32\" height=\"16\"/>\n</tileset>\n";
        TestFolder::write(folder.path("tiles.tsx"), Bytes(tileSet.begin(), tileSet.end()));
        const std::string map = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.10\" orientation=\"orthogonal\" "
                                "renderorder=\"right-down\" width=\"2\" height=\"2\" tilewidth=\"16\" tileheight=\"16\" "
                                "infinite=\"0\" nextlayerid=\"2\" nextobjectid=\"1\">\n <tileset firstgid=\"1\" "
                                "source=\"tiles.tsx\"/>\n <layer id=\"1\" name=\"Ground\" width=\"2\" height=\"2\">\n  "
                                "<data encoding=\"csv\">\n1,2,\n2,1\n</data>\n </layer>\n</map>\n";
        TestFolder::write(folder.path(name), Bytes(map.begin(), map.end()));
        return folder.path(name);
    }
    // A GIF of width x 32 whose frames may be narrower than its screen,
    // each at its own place.
    std::string gifFile(Rng& rng, const std::string& name, int width)
    {
        std::vector<giftest::Frame> frames;
        const int count = 2 + static_cast<int>(rng() % 2);
        const bool whole = rng() % 2;
        for (int i = 0; i < count; ++i) {
            const int w = whole ? width : 16, left = whole ? 0 : (16 * i) % width;
            giftest::Frame frame{std::vector<uint8_t>(static_cast<size_t>(w * 32), uint8_t(1 + (i + made) % 3)), 10, -1};
            frame.left = left;
            frame.width = w;
            frame.height = 32;
            frame.disposal = 1;
            frames.push_back(frame);
        }
        ++made;
        giftest::write(folder.path(name),
                       giftest::encode(width, 32, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}, {0, 255, 0}}, frames));
        return folder.path(name);
    }

    TestFolder folder;
    std::optional<Skarden> app;
    std::optional<KeyPanelScript> keys;
    Model model;
    int made = 0;
    size_t actionMark = 0;
};

template <class T>
const T& pick(Rng& rng, const std::vector<T>& from)
{
    return from[rng() % from.size()];
}
std::string pickName(Rng& rng) { return kNames[rng() % std::size(kNames)]; }

// Live blocks the user sees in a tab, of the given kinds.
std::vector<Key> listed(const Model& m, const std::function<bool(const Key&)>& accept)
{
    std::vector<Key> out;
    for (const auto& [k, bytes] : m.live)
        if (!hidden(k.name) && accept(k))
            out.push_back(k);
    return out;
}

// --- the actions: what the user does through the window ---

void saveWithNotice(Session& s, Zelkoran::Panel* panel)
{
    TS::pushAnswer(0); // the timed notice, or the warning
    TS::pushAnswer(0);
    s.click(panel, BW_SAVE);
}

Seen importPicture(Session& s, Rng& rng)
{
    Seen seen;
    Zelkoran::Panel* images = s.showTab(TAB_IMAGES, "Images");
    TS::pushFileAnswer(true, s.picture(rng).c_str());
    s.click(images, CtrlImages::IW_IMPORT);
    seen.target = {pickName(rng), "ZK7_IMAGE"};
    s.typeKeys(images, BW_NAME, seen.target.name);
    saveWithNotice(s, images);
    return seen;
}

Seen typeFile(Session& s, Rng& rng)
{
    Seen seen;
    Zelkoran::Panel* files = s.showTab(TAB_FILES, "Files");
    std::string content;
    TS::pushFileAnswer(true, s.textFile(rng, content).c_str());
    s.click(files, CtrlFiles::FL_IMPORT);
    // Typed at the very end of the imported text, key by key.
    TS::clickWidget(files->getID(), CtrlFiles::FL_TEXT);
    s.passes(1);
    TS::key(SDLK_END, KMOD_CTRL);
    const std::string typed = "+" + std::to_string(rng() % 1000);
    for (const char ch : typed) {
        TS::typeText(std::string(1, ch).c_str());
        s.passes(1);
    }
    content += typed;
    // Raw, compressed, or encrypted when the editor holds a key.
    const int storage = static_cast<int>(rng() % (s.model.remembered.empty() ? 2 : 3));
    s.click(files, CtrlFiles::FL_RAW + storage);
    seen.target = {pickName(rng), "ZK7_FILE"};
    s.typeKeys(files, BW_NAME, seen.target.name);
    seen.bytes.assign(content.begin(), content.end());
    seen.known = true;
    seen.typedKey = storage == 2 || s.model.indexEncrypted ? "secret" : "";
    saveWithNotice(s, files);
    return seen;
}

// Shows the tab of a block picked from blocks and chooses its row; the
// panel, or nullptr when there was none to pick or its row is not listed.
Zelkoran::Panel* chooseBlock(Session& s, Rng& rng, const std::vector<Key>& blocks, Seen& seen)
{
    if (blocks.empty())
        return nullptr;
    const Key target = pick(rng, blocks);
    Zelkoran::Panel* panel = s.showTab(boxOf(target), tabOf(target));
    if (!s.chooseRow(panel, target.name))
        return nullptr;
    seen.target = target;
    return panel;
}

Seen rename(Session& s, Rng& rng)
{
    Seen seen;
    const std::vector<Key> blocks =
        listed(s.model, [](const Key& k) { return k.type == "ZK7_IMAGE" || k.type == "ZK7_FILE"; });
    Zelkoran::Panel* panel = chooseBlock(s, rng, blocks, seen);
    if (!panel)
        return seen;
    const Key from = seen.target;
    if (from.type == "ZK7_FILE" && s.model.usable())
        seen.storageStored = readFile(s.model).storage[from];
    if (from.type == "ZK7_FILE")
        for (int i = 0; i < 3; ++i)
            if (panel->getCheckBox(CtrlFiles::FL_RAW + i)->isChecked())
                seen.storageShown += "RCE"[i];
    seen.newName = pickName(rng);
    s.typeKeys(panel, BW_NAME, seen.newName);
    saveWithNotice(s, panel);
    return seen;
}

// Delete of a chosen block; full: a map or tile set with what it names.
Seen deleteBlock(Session& s, Rng& rng, bool full)
{
    Seen seen;
    const std::vector<Key> blocks = listed(s.model, [full](const Key& k) {
        return !full || (k.type == "ZK7_XML" && fs::path(k.name).extension() != ".tx" && isTiled(k.name));
    });
    Zelkoran::Panel* panel = chooseBlock(s, rng, blocks, seen);
    if (!panel)
        return seen;
    const Key target = seen.target;
    const bool choice = target.type == "ZK7_XML" && isTiled(target.name) && fs::path(target.name).extension() != ".tx";
    TS::pushAnswer(choice ? (full ? 4 : 8) : Zelkoran::MBB_YES);
    TS::pushAnswer(Zelkoran::MBB_OK);
    s.click(panel, BW_DELETE);
    return seen;
}

Seen undelete(Session& s, Rng& rng)
{
    Seen seen;
    Zelkoran::Panel* panel = s.showTab(TAB_UNDELETE, "Undelete");
    const std::vector<std::string> rows = editortest::listItems(panel->getList(BW_LIST));
    if (rows.empty())
        return seen;
    const std::string name = pick(rng, rows);
    if (!s.chooseRow(panel, name))
        return seen;
    seen.target = {name, panel->getLabel(CtrlUndelete::UW_TYPE)->getText()};
    TS::pushAnswer(Zelkoran::MBB_OK);
    s.click(panel, CtrlUndelete::UW_UNDELETE);
    return seen;
}

// Import Scene of a file: the choice, the dialog's Load and OK, Yes to
// what follows. True when the tab lists the scene afterwards.
bool importScene(Session& s, const std::string& path, const std::string& scene)
{
    Zelkoran::Panel* scenes = s.showTab(TAB_SCENES, "Scenes");
    TS::pushAnswer(SC_SCENE);
    if (s.tabIsDirty("Scenes"))
        TS::pushAnswer(Zelkoran::MBB_YES); // its unsaved changes may go
    TS::pushScript([](int dialog) {
        TS::clickWidget(dialog, sceneImportDialog::ID_LOAD);
        TS::pump();
        TS::clickWidget(dialog, sceneImportDialog::ID_OK);
    });
    TS::pushFileAnswer(true, path.c_str());
    for (int i = 0; i < 4; ++i)
        TS::pushAnswer(Zelkoran::MBB_YES);
    s.click(scenes, SW_IMPORT);
    const std::vector<std::string> rows = editortest::listItems(scenes->getList(BW_LIST));
    return std::find(rows.begin(), rows.end(), scene) != rows.end();
}

Seen importMap(Session& s, Rng& rng)
{
    Seen seen;
    seen.target = {kMaps[rng() % std::size(kMaps)], "ZK7_XML"};
    seen.listed = importScene(s, s.mapFiles(seen.target.name), seen.target.name);
    return seen;
}

Seen importGif(Session& s, Rng& rng)
{
    Seen seen;
    const std::string name = rng() % 2 ? "anim" : "flag";
    seen.target = {name + ".tmx", "ZK7_XML"};
    const int width = rng() % 2 ? 32 : 48;
    seen.cells = std::to_string(width / 16) + "x2";
    seen.listed = importScene(s, s.gifFile(rng, name + ".gif", width), seen.target.name);
    return seen;
}

// Writes an interchange document and merges it into the open archive by the menu.
void mergeDocument(Session& s, const std::string& stem, const std::string& doc)
{
    const std::string path = s.folder.path(stem + std::to_string(s.made) + ".xml");
    TestFolder::write(path, Bytes(doc.begin(), doc.end()));
    TS::pushFileAnswer(true, path.c_str());
    TS::pushAnswer(Zelkoran::MBB_YES); // merge into the open archive
    TS::pushAnswer(Zelkoran::MBB_OK);
    s.clickMenu(Menu::MB_IMPORT_XML);
}

Seen importInterchange(Session& s, Rng& rng)
{
    Seen seen;
    std::string content;
    const std::string text = s.textFile(rng, content);
    seen.target = {pickName(rng), "ZK7_FILE"};
    seen.newName = pickName(rng); // the image's
    seen.bytes.assign(content.begin(), content.end());
    seen.known = true;
    const std::string doc = "<VUQ version=\"v1\" totalblocks=\"2\" source=\"game.xml\"><file name=\"" + seen.target.name +
                            "\" storemethod=\"raw\" source=\"" + text + "\"/><image name=\"" + seen.newName +
                            "\" source=\"" + s.picture(rng) + "\" alphablending=\"none\"/></VUQ>";
    mergeDocument(s, "game", doc);
    return seen;
}

// A panel of one button with pictures for some of its states, by an interchange document.
Seen importPanel(Session& s, Rng& rng)
{
    Seen seen;
    seen.target = {rng() % 2 ? "hud" : "menu", "ZK7_GUIPANEL"};
    std::string images;
    int count = 0;
    for (const char* state : {"normal", "hovered", "pressed"})
        if (rng() % 2 || count == 0) {
            images += "<image state=\"" + std::string(state) + "\" source=\"" + s.picture(rng) + "\" alphablending=\"none\"/>";
            ++count;
        }
    const std::string doc = "<VUQ version=\"v1\" totalblocks=\"" + std::to_string(count + 1) +
                            "\" source=\"game.xml\"><guipanel name=\"" + seen.target.name +
                            "\" xposition=\"10\" yposition=\"20\" width=\"300\" height=\"200\" alphamod=\"0\">"
                            "<widget name=\"ok\" type=\"button\" id=\"1\" xposition=\"5\" yposition=\"5\" key=\"13\" "
                            "selectboxRGB=\"0\" value=\"0\" range=\"0\">" + images + "</widget></guipanel></VUQ>";
    mergeDocument(s, "panel", doc);
    return seen;
}

Seen defragment(Session& s, Rng&)
{
    Seen seen;
    // With nothing deleted there is nothing to rewrite.
    if (!s.model.restorable.empty())
        seen.target = {"(archive)", ""};
    seen.rewrites = true;
    if (s.gs().bSecured && !s.gs().bKeyRemembered)
        s.keys->answer(s.model.key);
    TS::pushScript([](int panel) { TS::clickWidget(panel, TW_DEFRAG); });
    TS::pushAnswer(Zelkoran::MBB_YES);
    TS::pushScript([](int panel) { TS::clickWidget(panel, TW_OK); });
    TS::pushAnswer(Zelkoran::MBB_OK);
    s.clickMenu(Menu::MB_TOOLS);
    return seen;
}

// The key panel of the menu bar's lock: a key typed, then Set key or the index button.
Seen lockPanel(Session& s, Rng& rng, int button)
{
    Seen seen;
    if (button == KeyPanelScript::INDEX)
        seen.target = {"(index)", ""};
    // The field shows the remembered key; typing adds to what it shows.
    const std::string typed = s.model.remembered.empty() ? "k" + std::to_string(rng() % 100) : "";
    s.keys->answer(typed, button);
    // Shown again after Set key, and after a refused index change.
    s.keys->answer("", KeyPanelScript::CANCEL);
    TS::pushAnswer(0);
    TS::pushAnswer(Zelkoran::MBB_OK);
    s.clickMenu(s.gs().bSecured ? Menu::MB_UNLOCK : Menu::MB_LOCK);
    s.passes(4);
    if (!s.keys->seen().empty())
        seen.typedKey = s.keys->seen().front().keyText + typed;
    return seen;
}

Seen closeAndReopen(Session& s, Rng&)
{
    Seen seen;
    TS::pushAnswer(Zelkoran::MBB_YES);
    s.clickMenu(Menu::MB_CLOSE);
    TS::pushFileAnswer(true, s.model.path.c_str());
    TS::pushAnswer(Zelkoran::MBB_OK);
    if (fs::exists(s.model.path) && !s.model.key.empty())
        s.keys->answer(s.model.key);
    s.clickMenu(Menu::MB_LOAD);
    s.passes(4);
    return seen;
}

// A new archive under a new name or one used before (the file a user lost).
Seen newArchive(Session& s, Rng& rng)
{
    Seen seen;
    const int number = 1 + static_cast<int>(rng() % static_cast<uint32_t>(s.model.archives + 1));
    s.model.archives = std::max(s.model.archives, number);
    const std::string path = s.folder.path("archive" + std::to_string(number) + ".qel");
    TS::pushFileAnswer(true, path.c_str());
    TS::pushAnswer(Zelkoran::MBB_YES); // replace the file there
    TS::pushAnswer(Zelkoran::MBB_OK);
    s.clickMenu(Menu::MB_NEW);
    if (s.gs().bArchiveLoaded)
        seen.newName = path;
    return seen;
}

// Another program writes a copy of the archive and renames it over the path.
Seen replaceFile(Session& s, Rng&)
{
    Seen seen;
    const std::string temp = s.model.path + ".sync";
    fs::copy_file(s.model.path, temp);
    fs::rename(temp, s.model.path);
    return seen;
}
Seen deleteFile(Session& s, Rng&)
{
    fs::remove(s.model.path);
    return {};
}
// The file or its folder write-protected as the system refuses a user other than root; again, lifted.
Seen writeProtect(Session& s, Rng& rng)
{
    Seen seen;
    if (s.model.protect != Model::Protect::None) {
        FileFaults::reset();
    } else {
        seen.target.name = rng() % 2 ? s.model.path : fs::path(s.model.path).parent_path().string();
        FileFaults::writeProtect(seen.target.name);
    }
    return seen;
}

// --- the model's updates: what the window said, held against the file ---

// The live blocks of the file that differ from the model's.
std::map<Key, Bytes> changed(const Model& m, const FileView& f)
{
    std::map<Key, Bytes> out;
    for (const auto& [k, bytes] : f.live)
        if (const auto at = m.live.find(k); at == m.live.end() || at->second != bytes)
            out[k] = bytes;
    return out;
}

// A write the window confirmed: its block holds what was saved. "" or why not.
std::string takeSaved(Model& m, const FileView& f, const Key& k, const Seen& seen, bool mustChange)
{
    const auto at = f.live.find(k);
    if (at == f.live.end())
        return "the window said " + show(k) + " was saved, the file does not hold it";
    if (seen.known && at->second != seen.bytes)
        return show(k) + " does not read back as saved";
    if (mustChange && m.live.count(k) && m.live[k] == at->second)
        return show(k) + " was said saved anew but holds its old bytes";
    m.live[k] = at->second;
    if (seen.known) {
        const std::string text(seen.bytes.begin(), seen.bytes.end());
        if (!seen.typedKey.empty() && !m.storedInClear.count(text))
            m.secrets.insert(text);
        else {
            m.storedInClear.insert(text);
            m.secrets.erase(text);
        }
    }
    return "";
}

std::string applySave(Model& m, const Seen& seen, const FileView& f, const char* kind, bool mustChange)
{
    if (seen.target.name.empty() || !seen.saidSaved() || !seen.said(std::string(kind) + " saved."))
        return "";
    return takeSaved(m, f, seen.target, seen, mustChange);
}

std::string applyImportPicture(Model& m, const Seen& seen, const FileView& f)
{
    return applySave(m, seen, f, "Image", true);
}
std::string applyTypeFile(Model& m, const Seen& seen, const FileView& f)
{
    return applySave(m, seen, f, "File", false);
}
std::string applyRename(Model& m, const Seen& seen, const FileView& f)
{
    if (seen.target.name.empty())
        return "";
    // The storage boxes tell how the chosen block lies in the file.
    if (seen.storageStored != 0) {
        const int stored = seen.storageStored;
        const std::string lies = std::string(stored == 1 ? "R" : "") + (stored == 2 || stored == 4 ? "C" : "") +
                                 (stored >= 3 ? "E" : "");
        if (seen.storageShown != lies)
            return "the storage boxes of " + show(seen.target) + " show \"" + seen.storageShown +
                   "\", the file holds it as \"" + lies + "\" (R raw, C compressed, E encrypted)";
    }
    Seen renamed = seen;
    renamed.target.name = seen.newName;
    if (seen.target.type == "ZK7_FILE") {
        renamed.bytes = m.live[seen.target];
        renamed.known = true;
        const std::string text(renamed.bytes.begin(), renamed.bytes.end());
        renamed.typedKey = m.secrets.count(text) || m.indexEncrypted ? "secret" : "";
    }
    return applySave(m, renamed, f, seen.target.type == "ZK7_FILE" ? "File" : "Image", false);
}

// Blocks gone from the file: each must be one the action may remove.
std::string takeRemoved(Model& m, const FileView& f, const std::function<bool(const Key&)>& allowed,
                        std::set<Key>& removed)
{
    for (auto it = m.live.begin(); it != m.live.end();) {
        if (f.live.count(it->first)) {
            ++it;
            continue;
        }
        if (!allowed(it->first))
            return show(it->first) + " is gone from the file";
        if (std::find(f.deleted.begin(), f.deleted.end(), std::pair<Key, Bytes>(it->first, it->second)) == f.deleted.end())
            return show(it->first) + " was deleted without its bytes kept for Undelete";
        removed.insert(it->first);
        it = m.live.erase(it);
    }
    return "";
}

// The hidden pictures a map names itself.
// The hidden pictures a map or panel names itself.
std::set<std::string> ownHidden(const Model& m, const Key& owner)
{
    std::set<std::string> own;
    const auto at = m.live.find(owner);
    if (at == m.live.end())
        return own;
    for (const std::string& name : namedBy(std::map<Key, Bytes>{*at}, hiddenPictures(m.live)))
        if (hidden(name))
            own.insert(name);
    return own;
}

std::string applyDelete(Model& m, const Seen& seen, const FileView& f)
{
    if (seen.target.name.empty() || seen.complained())
        return "";
    // A map deleted alone takes the hidden pictures only it names along.
    const std::set<std::string> own = ownHidden(m, seen.target);
    std::set<Key> removed;
    if (std::string why = takeRemoved(m, f, [&](const Key& k) { return k == seen.target || own.count(k.name); }, removed);
        !why.empty())
        return why;
    return removed.count(seen.target) ? "" : "the window took " + show(seen.target) + " away, the file still holds it";
}

std::string applyDeleteFull(Model& m, const Seen& seen, const FileView& f)
{
    if (seen.target.name.empty() || seen.complained())
        return "";
    std::set<Key> removed;
    const std::set<std::string> reached = reachedFrom(seen.target.name, m.live);
    if (std::string why = takeRemoved(m, f, [&](const Key& k) { return reached.count(k.name) != 0; }, removed);
        !why.empty())
        return why;
    if (!removed.count(seen.target))
        return "the window took " + show(seen.target) + " away, the file still holds it";
    return "";
}

std::string applyUndelete(Model& m, const Seen& seen, const FileView& f)
{
    if (seen.target.name.empty() || !seen.said("Block was recovered:"))
        return "";
    const std::string text = std::find_if(seen.boxes.begin(), seen.boxes.end(), [](const Box& b) {
                                 return b.text.rfind("Block was recovered:", 0) == 0;
                             })->text;
    const size_t at = text.find(" Name: "), end = text.find("\n Type: ");
    const Key restored{text.substr(at + 7, end - at - 7), seen.target.type};
    const auto now = f.live.find(restored);
    if (now == f.live.end())
        return "the window said " + show(restored) + " was recovered, the file does not hold it";
    // The tab restores the first deleted entry of that name and type.
    const auto was = std::find_if(m.restorable.begin(), m.restorable.end(),
                                  [&](const std::pair<Key, Bytes>& e) { return e.first == seen.target; });
    if (was == m.restorable.end() || was->second != now->second)
        return show(restored) + " came back with other bytes than it was deleted with";
    m.live[restored] = now->second;
    const auto deleted = [&](const Key& k) {
        return std::any_of(m.restorable.begin(), m.restorable.end(),
                           [&](const std::pair<Key, Bytes>& e) { return e.first == k; });
    };
    // It comes back whole: the pictures it names that were deleted, listed
    // ones too (a tile set's), and its hidden ones are live again; a map's
    // deleted tile sets come back with theirs.
    const auto withPictures = [&](const std::pair<const Key, Bytes>& block) -> std::string {
        for (const std::string& name : namedBy(std::map<Key, Bytes>{block}, hiddenPictures(f.live))) {
            const Key picture{name, "ZK7_IMAGE"};
            if (m.live.count(picture) || (!hidden(name) && !deleted(picture)))
                continue;
            const auto back = f.live.find(picture);
            if (back == f.live.end())
                return show(block.first) + " came back without \"" + name + "\", which it names";
            m.live[back->first] = back->second;
        }
        return "";
    };
    if (std::string why = withPictures(*now); !why.empty())
        return why;
    for (const std::string& name : restored.type == "ZK7_XML" ? sources(now->second) : std::set<std::string>()) {
        const Key tileSet{name, "ZK7_XML"};
        if (m.live.count(tileSet) || !deleted(tileSet))
            continue;
        const auto back = f.live.find(tileSet);
        if (back == f.live.end())
            return show(restored) + " came back without its tile set \"" + name + "\"";
        m.live[back->first] = back->second;
        if (std::string why = withPictures(*back); !why.empty())
            return why;
    }
    return "";
}

// A rewrite (a defragment, an import's resize) that fails once the
// archive is closed leaves none open.
void takeClosed(Model& m, const Seen& seen)
{
    if (seen.said("The QEL file was closed."))
        m = Model{.protect = m.protect, .archives = m.archives};
}

// The count an interchange import's summary gives as imported; -1 without one.
int imported(const Seen& seen)
{
    static const std::regex count("Imported / Total - ([0-9]+) /");
    std::smatch match;
    for (const Box& b : seen.boxes)
        if (std::regex_search(b.text, match, count))
            return std::stoi(match[1]);
    return -1;
}

// An import the window confirmed: new or changed blocks are those the
// import names (the document, what it reaches, its own hidden pictures).
std::string applyImportScene(Model& m, const Seen& seen, const FileView& f)
{
    // A map is imported without a word: the tab then lists it.
    if (seen.complained() || !seen.listed)
        return "";
    if (!f.live.count(seen.target))
        return "the tab lists " + show(seen.target) + " as imported, the file does not hold it";
    if (!seen.cells.empty()) {
        static const std::regex size("<map [^>]*width=\"([0-9]+)\" height=\"([0-9]+)\"");
        const Bytes& map = f.live.at(seen.target);
        std::smatch match;
        const std::string text(map.begin(), map.end());
        if (!std::regex_search(text, match, size) || match[1].str() + "x" + match[2].str() != seen.cells)
            return show(seen.target) + " is not " + seen.cells + " tiles, the size of the GIF's screen";
    }
    // The hidden pictures of the map replaced go when nothing names them.
    const std::set<std::string> replaced = ownHidden(m, seen.target);
    std::set<Key> removed;
    if (std::string why = takeRemoved(m, f, [&](const Key& k) { return replaced.count(k.name) != 0; }, removed);
        !why.empty())
        return why;
    const std::map<Key, Bytes> fresh = changed(m, f);
    const std::set<std::string> reached = reachedFrom(seen.target.name, f.live);
    const std::string stem = "#M_" + fs::path(seen.target.name).stem().string() + "_";
    for (const auto& [k, bytes] : fresh) {
        if (!reached.count(k.name) && k.name.rfind(stem, 0) != 0)
            return "the import of " + show(seen.target) + " changed " + show(k);
        m.live[k] = bytes;
    }
    return "";
}

std::string applyImportInterchange(Model& m, const Seen& seen, const FileView& f)
{
    takeClosed(m, seen);
    if (imported(seen) <= 0)
        return "";
    if (std::string why = takeSaved(m, f, seen.target, seen, false); !why.empty())
        return why;
    return takeSaved(m, f, Key{seen.newName, "ZK7_IMAGE"}, Seen{}, true);
}

// The panel and its pictures new or changed; the pictures only the panel it replaces named may go.
std::string applyImportPanel(Model& m, const Seen& seen, const FileView& f)
{
    takeClosed(m, seen);
    if (imported(seen) <= 0)
        return "";
    if (!f.live.count(seen.target))
        return "the window said " + show(seen.target) + " was imported, the file does not hold it";
    const std::set<std::string> replaced = ownHidden(m, seen.target);
    std::set<Key> removed;
    if (std::string why = takeRemoved(m, f, [&](const Key& k) { return replaced.count(k.name) != 0; }, removed);
        !why.empty())
        return why;
    const std::set<std::string> named = namedBy(std::map<Key, Bytes>{*f.live.find(seen.target)}, hiddenPictures(f.live));
    for (const auto& [k, bytes] : changed(m, f)) {
        if (!(k == seen.target) && !named.count(k.name))
            return "the import of " + show(seen.target) + " changed " + show(k);
        m.live[k] = bytes;
    }
    return "";
}

std::string applyDefragment(Model& m, const Seen& seen, const FileView& f)
{
    takeClosed(m, seen);
    if (seen.complained())
        return "";
    return f.deleted.empty() ? "" : "the defragment ended without a word but left deleted blocks in the file";
}

std::string applyLock(Model& m, const Seen& seen, const FileView&)
{
    // The key is taken (and remembered) before the index is changed, even when that fails.
    if (seen.typedKey.empty() || seen.said("cannot be changed") || seen.said("Could not set the QEL key.") ||
        seen.said("Enter a password"))
        return "";
    m.key = seen.typedKey;
    m.remembered = seen.typedKey;
    if (seen.said("QEL index encrypted."))
        m.indexEncrypted = true;
    if (seen.said("QEL index decrypted."))
        m.indexEncrypted = false;
    return "";
}

std::string applyReopen(Model& m, const Seen&, const FileView& f)
{
    if (m.file == Model::File::Gone) {
        m = Model{.protect = m.protect, .archives = m.archives};
        return "";
    }
    m.file = Model::File::Ours;
    // A key is asked for, and so remembered, only when something is encrypted.
    if (!f.archive.indexEncrypted && !f.archive.blocksEncrypted)
        m.key.clear();
    m.remembered = m.key;
    return "";
}

std::string applyNew(Model& m, const Seen& seen, const FileView&)
{
    m = Model{.open = !seen.newName.empty(), .path = seen.newName, .protect = m.protect,
              .archives = m.archives};
    return "";
}

// --- the action table ---

struct Action {
    const char* name;
    std::function<bool(const Model&)> ready;
    std::function<Seen(Session&, Rng&)> perform;
    std::function<std::string(Model&, const Seen&, const FileView&)> update;
    bool writes; // the window must not claim it done while the file is not the editor's
};

bool usableModel(const Model& m) { return m.open; }
// Another program changes the file the editor holds, in a folder it may write.
bool otherProgramMay(const Model& m) { return m.usable() && m.protect == Model::Protect::None; }

const std::vector<Action>& actions()
{
    static const std::vector<Action> table = {
        {"import picture", usableModel, importPicture, applyImportPicture, true},
        {"type file", usableModel, typeFile, applyTypeFile, true},
        {"rename", usableModel, rename, applyRename, true},
        {"delete", usableModel, [](Session& s, Rng& r) { return deleteBlock(s, r, false); }, applyDelete, true},
        {"delete full", usableModel, [](Session& s, Rng& r) { return deleteBlock(s, r, true); }, applyDeleteFull, true},
        {"undelete", usableModel, undelete, applyUndelete, true},
        {"import map", usableModel, importMap, applyImportScene, true},
        {"import gif", usableModel, importGif, applyImportScene, true},
        {"import interchange", usableModel, importInterchange, applyImportInterchange, true},
        {"import panel", usableModel, importPanel, applyImportPanel, true},
        {"defragment", usableModel, defragment, applyDefragment, true},
        {"set key", [](const Model& m) { return m.open && m.remembered.empty(); },
         [](Session& s, Rng& r) { return lockPanel(s, r, KeyPanelScript::OK); },
         applyLock, false},
        {"encrypt or decrypt index", usableModel,
         [](Session& s, Rng& r) { return lockPanel(s, r, KeyPanelScript::INDEX); },
         applyLock, true},
        {"close and reopen", usableModel, closeAndReopen, applyReopen, false},
        {"new archive", [](const Model& m) { return !m.open; }, newArchive, applyNew, false},
        {"replace file", otherProgramMay, replaceFile,
         [](Model& m, const Seen&, const FileView&) {
             m.file = Model::File::Replaced;
             m.replacement = TestFolder::read(m.path);
             return std::string();
         },
         false},
        {"delete file", otherProgramMay, deleteFile,
         [](Model& m, const Seen&, const FileView&) {
             m.file = Model::File::Gone;
             return std::string();
         },
         false},
        {"write protect",
         [](const Model& m) { return m.protect != Model::Protect::None || (m.open && m.file == Model::File::Ours); },
         writeProtect,
         [](Model& m, const Seen& seen, const FileView&) {
             m.protect = m.protect != Model::Protect::None ? Model::Protect::None
                         : seen.target.name == m.path             ? Model::Protect::File
                                                                  : Model::Protect::Folder;
             return std::string();
         },
         false},
    };
    return table;
}

const Action* find(const std::string& name)
{
    for (const Action& a : actions())
        if (name == a.name)
            return &a;
    return nullptr;
}

// --- the checker ---

int captionCount(Session& s, int box)
{
    const std::string text = s.app->resources() ? editortest::panel(s.menuPanel())->getCheckBox(box)->getText() : "";
    const size_t open = text.rfind('(');
    return open == std::string::npos ? -1 : std::atoi(text.c_str() + open + 1);
}

std::string check(Session& s, const Seen& seen, bool writes)
{
    Model& m = s.model;
    if (!m.open)
        return s.gs().bArchiveLoaded ? "the editor holds an archive the user closed" : "";
    // A write that cannot reach the file must be refused, and said so.
    const bool blocked = m.file != Model::File::Ours || m.protect == Model::Protect::File ||
                         (m.protect == Model::Protect::Folder && seen.rewrites);
    if (blocked && writes && !seen.target.name.empty() && (seen.claimed || !seen.complained()))
        return m.file == Model::File::Ours ? "a write to a write-protected file or folder was not refused in the window"
                                           : "a write to a file that is no longer at its path was not refused in the window";
    if (m.file != Model::File::Ours) {
        if (m.file == Model::File::Gone)
            return fs::exists(m.path) ? "something was written at the path of the deleted file" : "";
        return TestFolder::read(m.path) == m.replacement ? "" : "the file another program put in place was changed";
    }
    const FileView f = readFile(m);
    if (!f.archive.error.empty())
        return "the reader refuses the file: " + f.archive.error;
    for (const auto& [k, bytes] : m.live) {
        const auto at = f.live.find(k);
        if (at == f.live.end())
            return show(k) + " is missing from the file";
        if (at->second != bytes)
            return show(k) + " does not read back as saved";
    }
    for (const auto& [k, bytes] : f.live)
        if (!m.live.count(k))
            return show(k) + " is in the file though the user never saved it";
    if (f.archive.indexEncrypted != m.indexEncrypted)
        return std::string("the index is ") + (f.archive.indexEncrypted ? "" : "not ") + "encrypted";
    // Every hidden block is named by a live one, and every hidden name a
    // live document or owner gives is there.
    // A deleted entry still names what it named: Undelete brings it back.
    const std::set<std::string> pictures = hiddenPictures(f.live);
    const std::set<std::string> named = namedBy(f.live, pictures);
    std::set<std::string> namedAtAll = named;
    namedAtAll.merge(namedBy(f.deleted, pictures));
    for (const auto& [k, bytes] : f.live)
        if (hidden(k.name) && !namedAtAll.count(k.name))
            return show(k) + " is left over: no tab lists it and nothing names it";
    std::set<std::string> liveNames;
    for (const auto& [k, bytes] : f.live)
        liveNames.insert(k.name);
    for (const std::string& name : named)
        if (hidden(name) && !liveNames.count(name))
            return "\"" + name + "\" is named by a live block but is not live";
    const std::string raw(f.raw.begin(), f.raw.end());
    for (const std::string& secret : m.secrets)
        if (raw.find(secret) != std::string::npos)
            return "\"" + secret + "\" was saved under a key but is in the file in clear";
    // The window's captions count what the file holds.
    std::map<int, int> counts{{TAB_IMAGES, 0}, {TAB_FILES, 0}, {TAB_SCENES, 0}, {TAB_XML, 0}, {TAB_GUI, 0}};
    for (const auto& [k, bytes] : f.live)
        if (!hidden(k.name) &&
            (k.type == "ZK7_IMAGE" || k.type == "ZK7_FILE" || k.type == "ZK7_XML" || k.type == "ZK7_GUIPANEL"))
            ++counts[boxOf(k)];
    for (const auto& [box, count] : counts)
        if (captionCount(s, box) != count)
            return "tab " + std::to_string(box) + " says " + std::to_string(captionCount(s, box)) + " blocks, the file holds " +
                   std::to_string(count);
    if (s.gs().bArchiveLoaded != 1 || std::string(s.gs().sArchivePath.c_str()) != m.path)
        return "the editor does not hold the archive the user opened";
    m.restorable = f.deleted;
    return "";
}

// SKARDEN_SEQUENCE_TRACE: each step, what the window said and the file's blocks after it.
void trace(Session& s, size_t index, const Step& step, const Seen& seen)
{
    std::cerr << SDL_GetTicks() << " ms, step " << index << ": " << step.action << " " << seen.target.name << "\n";
    for (const Box& b : seen.boxes)
        std::cerr << "  [" << b.title << "] " << b.text << "\n";
    if (!s.model.open || !fs::exists(s.model.path))
        return;
    const FileView f = readFile(s.model);
    for (const auto& [k, bytes] : f.live)
        std::cerr << "  " << show(k) << " " << bytes.size() << " bytes\n";
    for (const auto& [k, bytes] : f.deleted)
        std::cerr << "  deleted " << show(k) << " " << bytes.size() << " bytes\n";
}

} // namespace

std::vector<Step> randomSequence(uint32_t seed, int length)
{
    const std::vector<Action>& from = actions();
    Rng rng(seed);
    std::vector<Step> steps;
    for (int i = 0; i < length; ++i)
        steps.push_back(Step{from[rng() % from.size()].name, static_cast<uint32_t>(rng())});
    return steps;
}

Outcome run(const std::vector<Step>& steps)
{
    Outcome outcome;
    // Failures the editor's own test helpers report count as this run's.
    ::testing::TestPartResultArray reported;
    {
        ::testing::ScopedFakeTestPartResultReporter capture(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &reported);
        Session s;
        FileFaults::Scope faults; // lifted before the session's folder goes
        if (!s.start()) {
            outcome.failed = true;
            outcome.why = "the editor did not start";
            return outcome;
        }
        Rng none(0);
        applyNew(s.model, newArchive(s, none), FileView{});
        s.boxesSince(0);
        for (size_t i = 0; i < steps.size() && !outcome.failed; ++i) {
            const Action* action = find(steps[i].action);
            if (!action) {
                outcome = {true, i, "no action \"" + steps[i].action + "\"", outcome.stepsRun};
                break;
            }
            if (!action->ready(s.model))
                continue;
            ++outcome.stepsRun;
            Rng rng(steps[i].choice);
            s.keys.emplace(*s.app); // no key answer left over from the step before
            s.markAction();
            Seen seen = action->perform(s, rng);
            seen.boxes = s.boxesSince(s.actionMark);
            seen.claimed = seen.saidSaved() || seen.said("Block was recovered") ||
                           seen.said("QEL index encrypted.") || seen.said("QEL index decrypted.") ||
                           seen.said("successfully integrated") || seen.said("Scene was created.") ||
                           seen.said("was converted") || imported(seen) > 0;
            if (std::getenv("SKARDEN_SEQUENCE_TRACE"))
                trace(s, i, steps[i], seen);
            std::string why;
            if (s.model.usable() || !action->writes) {
                const FileView f = s.model.open && fs::exists(s.model.path) ? readFile(s.model) : FileView{};
                why = action->update(s.model, seen, f);
            }
            if (why.empty())
                why = check(s, seen, action->writes);
            if (why.empty() && reported.size() > 0)
                why = reported.GetTestPartResult(0).message();
            if (!why.empty()) {
                std::string said;
                for (const Box& b : seen.boxes)
                    said += "\n  [" + b.title + "] " + b.text;
                outcome = {true, i, why + (said.empty() ? "" : "\nthe window said:" + said), outcome.stepsRun};
            }
        }
    }
    return outcome;
}

namespace {

// A failure as the shrinker keeps it: the action and the first line of
// why, names left out (an undelete's name is drawn anew each run).
std::string kindOf(const std::vector<Step>& steps, const Outcome& outcome)
{
    static const std::regex quoted("\"[^\"]*\"");
    const std::string line = outcome.why.substr(0, outcome.why.find('\n'));
    return steps[outcome.failedStep].action + ": " + std::regex_replace(line, quoted, "\"\"");
}

} // namespace

std::vector<Step> shrink(std::vector<Step> steps)
{
    const Outcome first = run(steps);
    if (!first.failed)
        return steps;
    const std::string kind = kindOf(steps, first);
    steps.resize(first.failedStep + 1);
    // Drop halves, then quarters, ... then single steps, while it fails the same way.
    for (size_t chunk = std::max<size_t>(steps.size() / 2, 1);; chunk /= 2) {
        for (size_t at = 0; at < steps.size();) {
            std::vector<Step> fewer = steps;
            fewer.erase(fewer.begin() + static_cast<long>(at),
                        fewer.begin() + static_cast<long>(std::min(at + chunk, fewer.size())));
            if (const Outcome o = run(fewer); o.failed && kindOf(fewer, o) == kind) {
                fewer.resize(o.failedStep + 1);
                steps = fewer;
            } else {
                at += chunk;
            }
        }
        if (chunk == 1)
            break;
    }
    return steps;
}

std::string describe(const std::vector<Step>& steps)
{
    std::ostringstream out;
    out << "{";
    for (size_t i = 0; i < steps.size(); ++i)
        out << (i ? ", " : "") << "{\"" << steps[i].action << "\", " << steps[i].choice << "u}";
    out << "}";
    return out.str();
}

} // namespace usersequence
