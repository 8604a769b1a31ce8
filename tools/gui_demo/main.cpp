// Opens a panel with every widget kind of the engine's toolkit, for looking
// at it under a real X server:
//   gui_demo [--quit-after MS] [--capture FILE.png] [--open-combo] [--dialog]
#include <Zelkoran/Font.h>
#include <Zelkoran/GFX.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/TestSupport.h>
#include <Zelkoran/Timer.h>
#include <Zelkoran/Tool.h>

#include <SDL.h>
#include <SDL_image.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace Zelkoran;

namespace {

// PNG bytes of a 28 x 140 strip: one framed square per widget state.
std::vector<char> stateStripPng()
{
    const SDL_Color colors[5] = {{70, 130, 180, 255}, {100, 160, 210, 255}, {40, 90, 140, 255},
                                 {230, 150, 40, 255}, {170, 170, 170, 255}};
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 28, 140, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int i = 0; i < 5; ++i) {
        const SDL_Rect cell{0, i * 28, 28, 28};
        SDL_FillRect(s, &cell, SDL_MapRGBA(s->format, 30, 30, 30, 255));
        const SDL_Rect inner{1, i * 28 + 1, 26, 26};
        SDL_FillRect(s, &inner, SDL_MapRGBA(s->format, colors[i].r, colors[i].g, colors[i].b, 255));
        const SDL_Rect h{7, i * 28 + 12, 14, 4}, v{12, i * 28 + 7, 4, 14};
        SDL_FillRect(s, &h, SDL_MapRGBA(s->format, 255, 255, 255, 255));
        SDL_FillRect(s, &v, SDL_MapRGBA(s->format, 255, 255, 255, 255));
    }
    const char* path = "/tmp/gui_demo_strip.png";
    IMG_SavePNG(s, path);
    SDL_FreeSurface(s);
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

int gradientImage()
{
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 120, 80, 32, SDL_PIXELFORMAT_ARGB8888);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x) {
            uint8_t r, g, b;
            GFX::hsvToRGB(x * 3.0f, 1.0f - y / 100.0f, 1.0f, &r, &g, &b);
            static_cast<Uint32*>(s->pixels)[y * s->pitch / 4 + x] = SDL_MapRGBA(s->format, r, g, b, 255);
        }
    const int id = Main::instance()->imageMgr()->loadFromSurface(s, "DemoGradient");
    SDL_FreeSurface(s);
    return id;
}

WidgetLabel* label(Panel* p, int id, const char* text, float x, float y)
{
    WidgetLabel* l = p->createLabel("Label", id);
    l->setText(text, Position(0, PH_LEFT), Position(0, PH_CENTER));
    l->setPosition(Position(x), Position(y));
    return l;
}

} // namespace

int main(int argc, char** argv)
{
    int quitAfter = 0;
    const char* capture = nullptr;
    bool openCombo = false, dialog = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--quit-after") && i + 1 < argc)
            quitAfter = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--capture") && i + 1 < argc)
            capture = argv[++i];
        else if (!std::strcmp(argv[i], "--open-combo"))
            openCombo = true;
        else if (!std::strcmp(argv[i], "--dialog"))
            dialog = true;
    }
    Main* main = Main::instance();
    main->timer()->init(0);
    main->timer()->setRate(60, 30);
    Screen* screen = main->configMgr()->get(0);
    screen->setDriver(Screen::DRV_SOFT);
    screen->setSize(1400, 1000);
    screen->setTitle("Zelkoran toolkit demo");
    if (screen->show() < 0) {
        std::fprintf(stderr, "no window: %s\n", SDL_GetError());
        return 1;
    }
    GUIMgr* gui = main->guiMgr();
    FontMgr* fonts = main->fontMgr();
    const int font = fonts->getBuiltin("Arial12Black");

    const int pid = gui->create("Demo", 0x42000000);
    Panel* p = gui->getPanel(pid);
    Widget* base = p->baseWidget();
    base->setSize(900, 700);
    base->setPosition(Position(0, PH_CENTER), Position(0, PH_CENTER));
    base->setBorderCorner(4, WS_ALL);
    base->setBorderColor(116, 129, 147, 255, WS_ALL);
    base->setFont(font, WS_ALL);
    base->setFeatures(WF_DRAG, true);
    p->setTitle("Every widget kind");

    label(p, 100, "Buttons", 20, 40);
    WidgetButton* ok = p->createButton("OK", 1);
    ok->setText("OK");
    ok->setPosition(Position(20), Position(64));
    ok->setTooltip("A plain button (Enter)");
    ok->setKey(SDLK_RETURN);
    WidgetButton* off = p->createButton("Disabled", 2);
    off->setText("Disabled");
    off->setPosition(Position(110), Position(64));
    off->disable();
    WidgetButton* sprite = p->createButton("Sprite", 3);
    const std::vector<char> strip = stateStripPng();
    sprite->setBackgroundSprite(main->spriteMgr()->loadFromBuffer(strip.data(), strip.size(), "Strip", 28, 28), WS_ALL, 0);
    sprite->setPosition(Position(200), Position(61));
    sprite->setTooltip("A button drawn from a five-state sprite strip");

    label(p, 101, "Check boxes", 20, 100);
    WidgetCheckBox* c1 = p->createCheckBox("Check", 10);
    c1->setText("Show grid", Position(0, PH_LEFT), Position(0, PH_CENTER));
    c1->setPosition(Position(20), Position(122));
    c1->setChecked(true);
    const char* radios[] = {"Small", "Medium", "Large"};
    float radioX = 20;
    for (int i = 0; i < 3; ++i) {
        WidgetCheckBox* r = p->createCheckBox("Radio", 11 + i);
        r->setText(radios[i], Position(0, PH_LEFT), Position(0, PH_CENTER));
        r->setGroup(1);
        r->setPosition(Position(radioX), Position(146));
        r->setChecked(i == 1);
        radioX += static_cast<float>(r->getWidth() + 10);
    }

    label(p, 102, "List (auto-sorted, 200 rows)", 20, 176);
    WidgetList* list = p->createList("List", 20);
    list->setSize(260, 206);
    list->setPosition(Position(20), Position(198));
    list->setAutoSort(true);
    for (int i = 200; i >= 1; --i)
        list->addItem(("Block " + std::to_string(i) + (i % 3 ? ".png" : ".xml")).c_str());
    list->setSelectedIndex(3);
    WidgetSlider* listBar = p->createSlider("ListBar", 21, 1);
    listBar->setSize(16, 206);
    listBar->setMargin(16, 0, 16, 0);
    listBar->setPosition(Position(284), Position(198));
    listBar->setRange(0, list->getItemCount() - list->getVisibleItems());
    listBar->setOnValueChanged([list](Widget& w) {
        list->setScroll(static_cast<WidgetSlider&>(w).getValue() - list->getScroll(), nullptr);
    });

    label(p, 103, "Combo box", 20, 414);
    WidgetComboBox* combo = p->createComboBox("Combo", 30);
    combo->setSize(180, 24);
    combo->setPosition(Position(20), Position(436));
    for (const char* s : {"Alpha blend", "Additive", "Multiply", "None"})
        combo->addItem(s);
    combo->setSelectedIndex(1);

    label(p, 104, "Sliders and progress", 20, 474);
    WidgetSlider* h = p->createSlider("Slider", 40, 0);
    h->setSize(200, 18);
    h->setRange(0, 255);
    h->setValue(128);
    h->setPosition(Position(20), Position(498));
    WidgetLabel* hv = label(p, 105, "128", 230, 498);
    h->setOnValueChanged([hv](Widget& w) {
        hv->setText(std::to_string(static_cast<WidgetSlider&>(w).getValue()).c_str(), Position(0, PH_LEFT),
                    Position(0, PH_CENTER));
    });
    WidgetProgress* prog = p->createProgress("Progress", 41);
    prog->setSize(260, 14);
    prog->setRange(0, 100);
    prog->setValue(62);
    prog->setPosition(Position(20), Position(530));

    label(p, 106, "Single-line text", 330, 40);
    WidgetTextEdit* edit = p->createTextEdit("Name", 50);
    edit->setSize(250, 24);
    edit->setPosition(Position(330), Position(62));
    edit->setText("Grass tile 01");
    edit->setTooltip("Name of the current resource");
    label(p, 107, "Number edits", 600, 40);
    WidgetNumberEdit* n1 = p->createNumberEdit("Count", 51);
    n1->setSize(90, 24);
    n1->setRange(0, 8192);
    n1->setValue(4096);
    n1->setPosition(Position(600), Position(62));
    WidgetNumberEdit* n2 = p->createNumberEdit("Scale", 52);
    n2->allowFloat(true);
    n2->setStep(0.25f);
    n2->setRange(-10, 10);
    n2->setValue(1.5f);
    n2->setSize(90, 24);
    n2->setPosition(Position(700), Position(62));

    label(p, 108, "Multi-line text", 330, 100);
    WidgetTextEdit* multi = p->createTextEdit("Text", 53);
    multi->setMultiline(true);
    multi->setSize(540, 250);
    multi->setPosition(Position(330), Position(122));
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.10\" orientation=\"orthogonal\">\n";
    for (int i = 0; i < 60; ++i)
        xml += "  <layer id=\"" + std::to_string(i + 1) + "\" name=\"Layer " + std::to_string(i + 1) +
               "\" width=\"64\" height=\"48\"/>\n";
    xml += "</map>";
    multi->setText(xml.c_str());
    multi->setFont(fonts->getBuiltin("CourierNew12Black"), WS_ALL);

    label(p, 109, "Frames and image", 330, 390);
    WidgetFrame* filled = p->createFrame("Filled", 60);
    filled->setSize(60, 60);
    filled->setBackgroundColor(255, 170, 32, WS_ALL);
    filled->setBorderColor(90, 90, 90, 255, WS_ALL);
    filled->setPosition(Position(330), Position(412));
    WidgetFrame* hollow = p->createFrame("Hollow", 61);
    hollow->setFilled(false);
    hollow->setSize(60, 60);
    hollow->setBorderWidth(2, WS_ALL);
    hollow->setBorderColor(0, 120, 215, 255, WS_ALL);
    hollow->setPosition(Position(400), Position(412));
    WidgetImage* img = p->createImage("Gradient", 62);
    img->setBackgroundImage(gradientImage(), WS_ALL);
    img->setPosition(Position(470), Position(412));
    img->setTooltip("An image widget");

    label(p, 110, "Dialogs", 600, 390);
    WidgetButton* info = p->createButton("Info", 70);
    info->setText("Message");
    info->setPosition(Position(600), Position(412));
    info->setOnPressed([](Widget&) {
        Main::instance()->tool()->messageBox("Information", "The archive was saved.\nIt holds 12 blocks.", MBB_OK,
                                             MBT_INFORMATION, 0, -1, -1);
    });
    WidgetButton* ask = p->createButton("Ask", 71);
    ask->setText("Question");
    ask->setPosition(Position(710), Position(412));
    ask->setOnPressed([](Widget&) {
        Main::instance()->tool()->messageBox("Delete", "Delete the selected block?", MBB_YESNO, MBT_QUESTION, 0, -1,
                                             -1);
    });
    WidgetButton* open = p->createButton("Open", 72);
    open->setText("Open file...");
    open->setPosition(Position(600), Position(446));
    open->setOnPressed([](Widget&) {
        String path;
        Main::instance()->tool()->fileOpenDialog("Open QEL container", "QEL containers\0*.qel\0All files\0*\0\0", path);
    });
    WidgetButton* saveAs = p->createButton("Save", 73);
    saveAs->setText("Save as...");
    saveAs->setPosition(Position(710), Position(446));
    saveAs->setOnPressed([](Widget&) {
        String path = "/tmp/untitled.png";
        Main::instance()->tool()->fileSaveDialog("Export image", "PNG images\0png\0\0", path);
    });

    WidgetButton* close = p->createButton("Close", 2000);
    close->setText("Close");
    close->setKey(SDLK_ESCAPE);
    close->setPosition(Position(-16, PH_RIGHT), Position(-16, PH_BOTTOM));

    base->show();
    bool running = true;
    close->setOnPressed([&running](Widget&) { running = false; });
    screen->setRenderCallback([screen](int) {
        screen->clear(214, 222, 232, 255);
        for (int x = 0; x < screen->getWidth(); x += 40)
            GFX::lineV(static_cast<float>(x), 0, static_cast<float>(screen->getHeight()), 0xC8D2DEFF, 0);
        for (int y = 0; y < screen->getHeight(); y += 40)
            GFX::lineH(0, static_cast<float>(screen->getWidth()), static_cast<float>(y), 0xC8D2DEFF, 0);
        return 0;
    });
    if (openCombo) {
        int x = 0, y = 0;
        TestSupport::widgetCenter(pid, 30, x, y);
        TestSupport::click(x, y);
    }
    if (dialog)
        TestSupport::clickWidget(pid, 72);
    if (argc > 1 && !std::strcmp(argv[argc - 1], "--message"))
        TestSupport::clickWidget(pid, 70);
    if (argc > 1 && !std::strcmp(argv[argc - 1], "--question"))
        TestSupport::clickWidget(pid, 71);
    const uint64_t start = main->timer()->getTicks();
    int tick = 0;
    while (running) {
        SDL_Event ev;
        while (main->update(&ev))
            if (ev.type == SDL_QUIT)
                running = false;
        prog->setValue((++tick / 2) % 101);
        if (quitAfter > 0 && main->timer()->getTicks() - start >= static_cast<uint64_t>(quitAfter))
            running = false;
    }
    if (capture)
        TestSupport::captureFramePNG(capture);
    Main::terminate();
    return 0;
}
