#include <Zelkoran/Font.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Tool.h>

#include "gui/ModalRun.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <fnmatch.h>
#include <memory>

namespace Zelkoran {

namespace {

namespace fs = std::filesystem;

constexpr int kW = 640;
constexpr int kH = 476;
constexpr uint64_t kDoubleClickMs = 500;

enum {
    kOk = 1, kCancel = 2, kTitle = 10, kFolderLabel, kFolder, kUp, kList, kScroll, kNameLabel, kName, kTypeLabel,
    kType,
};

struct FilterEntry {
    String description;
    Vector<String> patterns;
};

// "description\0pattern;pattern\0...\0\0"; patterns may be "*.png", ".png"
// or "png". No filter lists every file.
Vector<FilterEntry> parseFilter(const char* filter)
{
    Vector<FilterEntry> out;
    for (const char* p = filter; p && *p;) {
        FilterEntry e;
        e.description = p;
        p += std::strlen(p) + 1;
        const String pats = p;
        p += std::strlen(p) + 1;
        size_t start = 0;
        while (start <= pats.size()) {
            size_t end = pats.find(';', start);
            if (end == String::npos)
                end = pats.size();
            String pat = pats.substr(start, end - start);
            pat.erase(0, pat.find_first_not_of(' '));
            if (!pat.empty()) {
                if (pat.find_first_of("*?[") == String::npos)
                    pat = (pat[0] == '.' ? "*" : "*.") + pat;
                e.patterns.push_back(pat);
            }
            start = end + 1;
        }
        if (e.patterns.empty())
            e.patterns.push_back("*");
        out.push_back(std::move(e));
    }
    if (out.empty())
        out.push_back(FilterEntry{"All files", {"*"}});
    return out;
}

String g_lastFolder;

struct Browser {
    bool save;
    Vector<FilterEntry> filters;
    Panel* panel = nullptr;
    String folder;
    Vector<String> entries; // shown rows; folders end with '/'
    String chosen;
    int lastRow = 0;
    uint64_t lastClick = 0;

    WidgetList* list() const { return panel->getList(kList); }

    bool matches(const String& name) const
    {
        const int type = std::max(1, panel->getComboBox(kType)->getSelectedIndex());
        for (const String& pat : filters[type - 1].patterns)
            if (fnmatch(pat.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
                return true;
        return false;
    }

    void enter(const String& path)
    {
        std::error_code ec;
        fs::path p = fs::weakly_canonical(fs::absolute(fs::path(path.c_str()), ec), ec);
        if (ec || !fs::is_directory(p, ec))
            return;
        folder = p.string().c_str();
        panel->getTextEdit(kFolder)->setText(folder.c_str());
        refresh();
    }

    void refresh()
    {
        Vector<String> dirs, files;
        std::error_code ec;
        for (fs::directory_iterator it(folder.c_str(), fs::directory_options::skip_permission_denied, ec), end;
             !ec && it != end; it.increment(ec)) {
            const String name = it->path().filename().string().c_str();
            if (name.empty() || name[0] == '.')
                continue;
            std::error_code kind;
            if (it->is_directory(kind))
                dirs.push_back(name + "/");
            else if (matches(name))
                files.push_back(name);
        }
        auto order = [](const String& a, const String& b) {
            return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
            });
        };
        std::sort(dirs.begin(), dirs.end(), order);
        std::sort(files.begin(), files.end(), order);
        entries = dirs;
        entries.insert(entries.end(), files.begin(), files.end());
        WidgetList* l = list();
        l->clearItems();
        for (const String& e : entries)
            l->addItem(e.c_str());
        lastRow = 0;
        sync();
    }

    void sync() const
    {
        WidgetList* l = list();
        WidgetSlider* s = panel->getSlider(kScroll);
        const int top = std::max(0, l->getItemCount() - l->getVisibleItems());
        if (s->getMax() != top || s->getMin() != 0)
            s->setRange(0, top);
        if (s->getValue() != l->getScroll())
            s->setValue(l->getScroll());
    }

    String join(const String& name) const
    {
        return (fs::path(folder.c_str()) / fs::path(name.c_str())).lexically_normal().string().c_str();
    }

    // Takes a file path: ends the run when it is acceptable.
    void choose(const String& path)
    {
        std::error_code ec;
        if (!save && !fs::is_regular_file(fs::path(path.c_str()), ec)) {
            Main::instance()->tool()->messageBox("File dialog", "The file does not exist.", MBB_OK, MBT_WARNING, 0, -1,
                                                 -1);
            return;
        }
        chosen = path;
        Main::instance()->guiMgr()->endModal(kOk);
    }

    // Folder or file behind a typed or listed name.
    void open(const String& target)
    {
        std::error_code ec;
        if (fs::is_directory(fs::path(target.c_str()), ec)) {
            enter(target);
            panel->getTextEdit(kName)->setText("");
        } else {
            choose(target);
        }
    }

    void accept()
    {
        const String typedFolder = panel->getTextEdit(kFolder)->getText();
        if (!typedFolder.empty() && typedFolder != folder) {
            const fs::path p(typedFolder.c_str());
            open(p.is_absolute() ? typedFolder : join(typedFolder));
            return;
        }
        const String name = panel->getTextEdit(kName)->getText();
        if (!name.empty()) {
            open(fs::path(name.c_str()).is_absolute() ? name : join(name));
            return;
        }
        const int row = list()->getSelectedIndex();
        if (row > 0)
            activate(row);
    }

    void activate(int row)
    {
        const String& e = entries[row - 1];
        if (!e.empty() && e.back() == '/')
            enter(join(e.substr(0, e.size() - 1)));
        else
            choose(join(e));
    }

    void rowChosen(int row)
    {
        const uint64_t now = SDL_GetTicks64();
        const bool twice = row == lastRow && now - lastClick <= kDoubleClickMs;
        lastRow = row;
        lastClick = now;
        if (row < 1 || row > static_cast<int>(entries.size()))
            return;
        const String& e = entries[row - 1];
        const bool dir = !e.empty() && e.back() == '/';
        if (!dir)
            panel->getTextEdit(kName)->setText(e.c_str());
        if (twice) {
            lastRow = 0;
            activate(row);
        }
    }
};

void build(Browser& b, const char* title)
{
    GUIMgr* gui = Main::instance()->guiMgr();
    FontMgr* fonts = Main::instance()->fontMgr();
    static int counter = 0;
    const String name = "@zk7/panel/FileDialog" + String(std::to_string(counter++).c_str());
    b.panel = gui->getPanel(gui->create(name.c_str(), 0));
    Panel* p = b.panel;
    Widget* base = p->baseWidget();
    base->setSize(kW, kH);
    base->setPosition(Position(0, PH_CENTER), Position(0, PH_CENTER));
    base->setBackgroundColor(240, 240, 240, WS_ALL);
    base->setBorderColor(116, 129, 147, 255, WS_ALL);
    base->setBorderCorner(4, WS_ALL);
    base->setFeatures(WF_DRAG, true);

    WidgetLabel* head = p->createLabel("FileDialogTitle", kTitle);
    head->setFont(fonts->getBuiltin("Arial12White"), WS_ALL);
    head->setFeatures(WF_NO_BG, false);
    head->setBackgroundColor(104, 118, 138, WS_ALL);
    head->setSize(kW, 26);
    head->setText(title, Position(16, PH_LEFT), Position(0, PH_CENTER));

    auto label = [&](int id, const char* text, int y) {
        WidgetLabel* l = p->createLabel("FileDialogLabel", id);
        l->setText(text, Position(0, PH_LEFT), Position(0, PH_CENTER));
        l->setPosition(Position(12), Position(static_cast<float>(y)));
    };
    label(kFolderLabel, "Folder:", 40);
    WidgetTextEdit* path = p->createTextEdit("FileDialogFolder", kFolder);
    path->setSize(kW - 80 - 84, 24);
    path->setPosition(Position(80), Position(36));
    path->setTooltip("Type a folder or file and press Enter");
    WidgetButton* up = p->createButton("FileDialogUp", kUp);
    up->setSize(70, 24);
    up->setText("Up");
    up->setTooltip("Parent folder");
    up->setPosition(Position(-12, PH_RIGHT), Position(36));
    up->setOnPressed([&b](Widget&) { b.enter((std::filesystem::path(b.folder.c_str()).parent_path()).string().c_str()); });

    WidgetList* list = p->createList("FileDialogList", kList);
    list->setSize(kW - 24 - 18, 290);
    list->setPosition(Position(12), Position(70));
    list->setOnSelectionChanged([&b](Widget& w) { b.rowChosen(static_cast<WidgetList&>(w).getSelectedIndex()); });
    WidgetSlider* scroll = p->createSlider("FileDialogScroll", kScroll, 1);
    scroll->setSize(16, 290);
    scroll->setMargin(16, 0, 16, 0);
    scroll->setPosition(Position(-12, PH_RIGHT), Position(70));
    scroll->setOnValueChanged([&b](Widget& w) {
        WidgetList* l = b.list();
        l->setScroll(static_cast<WidgetSlider&>(w).getValue() - l->getScroll(), nullptr);
    });

    label(kNameLabel, "File name:", 372);
    WidgetTextEdit* nameEdit = p->createTextEdit("FileDialogName", kName);
    nameEdit->setSize(kW - 90 - 12, 24);
    nameEdit->setPosition(Position(90), Position(368));
    label(kTypeLabel, "Type:", 402);
    WidgetComboBox* type = p->createComboBox("FileDialogType", kType);
    type->setSize(kW - 90 - 12, 24);
    type->setPosition(Position(90), Position(398));
    for (const FilterEntry& f : b.filters) {
        // A description that names its patterns already ("PNG (*.png)") is
        // shown as it is.
        String shown = f.description;
        if (shown.empty() || shown.back() != ')' || shown.find('(') == String::npos) {
            shown += " (";
            for (size_t i = 0; i < f.patterns.size() && i < 6; ++i)
                shown += (i ? ";" : "") + f.patterns[i];
            shown += f.patterns.size() > 6 ? ";...)" : ")";
        }
        type->addItem(shown.c_str());
    }
    type->setSelectedIndex(1);
    type->setOnSelectionChanged([&b](Widget&) { b.refresh(); });

    WidgetButton* ok = p->createButton("FileDialogOK", kOk);
    ok->setSize(90, 26);
    ok->setText(b.save ? "Save" : "Open");
    ok->setKey(SDLK_RETURN);
    ok->setPosition(Position(-110, PH_RIGHT), Position(-12, PH_BOTTOM));
    ok->setOnPressed([&b](Widget&) { b.accept(); });
    WidgetButton* cancel = p->createButton("FileDialogCancel", kCancel);
    cancel->setSize(90, 26);
    cancel->setText("Cancel");
    cancel->setKey(SDLK_ESCAPE);
    cancel->setPosition(Position(-12, PH_RIGHT), Position(-12, PH_BOTTOM));
}

bool runDialog(bool save, const char* title, const char* filter, String& path)
{
    TestSupport::recordModal(title, "", 0, 0, -1, 0);
    TestSupport::Answer answer;
    if (TestSupport::takeAnswer(answer) && !answer.script) {
        if (answer.result)
            path = answer.path;
        return answer.result != 0;
    }
    Browser b;
    b.save = save;
    b.filters = parseFilter(filter);
    build(b, title ? title : (save ? "Save file" : "Open file"));
    // Start in the given path's folder (its file name prefilled), else the last one.
    std::error_code ec;
    String start = g_lastFolder.empty() ? String(fs::current_path(ec).string().c_str()) : g_lastFolder;
    if (!path.empty()) {
        const fs::path given = fs::absolute(fs::path(path.c_str()), ec);
        if (fs::is_directory(given, ec))
            start = given.string().c_str();
        else if (fs::is_directory(given.parent_path(), ec)) {
            start = given.parent_path().string().c_str();
            b.panel->getTextEdit(kName)->setText(given.filename().string().c_str());
        }
    }
    b.enter(start);
    if (b.folder.empty())
        b.enter("/");
    modal::Options options;
    options.script = answer.script;
    options.tick = [&b] { b.sync(); };
    const int panelId = b.panel->getID();
    const int result = modal::run(panelId, options);
    Main::instance()->guiMgr()->close(panelId);
    if (result != kOk || b.chosen.empty())
        return false;
    path = b.chosen;
    g_lastFolder = fs::path(b.chosen.c_str()).parent_path().string().c_str();
    return true;
}

} // namespace

bool Tool::fileOpenDialog(const char* title, const char* filter, String& path)
{
    return runDialog(false, title, filter, path);
}

bool Tool::fileSaveDialog(const char* title, const char* filter, String& path)
{
    return runDialog(true, title, filter, path);
}

} // namespace Zelkoran
