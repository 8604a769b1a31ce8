// Sections: helpers; choice box; labels and numbers; hexadecimal colour text; colour field;
// colour picker (generated images, synchronisation, reactions, dialog).
#include "tabs/base/TabControls.h"
#include "tabs/base/TabServices.h"
#include "tabs/base/ctrlBaseControls.h"

#include "services/ResourceManager.h"
#include "services/WidgetBuilders.h"

#include <Zelkoran/Cursor.h>
#include <Zelkoran/Font.h>
#include <Zelkoran/GFX.h>
#include <Zelkoran/GUIMgr.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Tool.h>
#include <Zelkoran/Widget.h>

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

using namespace Zelkoran;
using namespace CtrlBaseControls;

namespace {

using string = Zelkoran::String;


string decimal(int value)
{
    string text;
    Main::instance()->tool()->intToStrDec(value, text);
    return text;
}

template <class T>
std::shared_ptr<T> makeShared()
{
    return std::allocate_shared<T>(stl_allocator<T>());
}

// ---------------------------------------------------------------------------
// Choice box
// ---------------------------------------------------------------------------

constexpr int kChoicePanelWidth = 535;
constexpr int kChoiceMessageWidth = 499;
constexpr int kChoiceRowTextWidth = 345;
constexpr int kChoiceTop = 40;
constexpr int kChoiceMinRowHeight = 58;
constexpr int kChoiceChrome = 103;
constexpr int kChoiceFallbackLine = 14;

using Lines = Vector<string>;

int textWidth(const Font* font, const string& text) { return font->getWidth(text.c_str(), -1); }

// Cuts a word wider than width into pieces that fit, each appended as a
// line. Pieces end only between characters, so no line carries half of a
// UTF-8 sequence; a character wider than width stays alone on its line.
void appendChoiceBoxWrappedChunk(const Font* font, std::string_view word, int width, Lines& lines)
{
    string piece;
    for (size_t i = 0; i < word.size();) {
        const size_t n = Main::instance()->tool()->utf8CharLength(word, i);
        const size_t before = piece.size();
        piece.append(word.substr(i, n));
        i += n;
        if (before > 0 && textWidth(font, piece) > width) {
            lines.push_back(piece.substr(0, before));
            piece.erase(0, before);
        }
    }
    if (!piece.empty())
        lines.push_back(piece);
}

// Wraps text at blanks into lines of at most width pixels; LF starts a new
// paragraph. Without a font the whole text is one line.
void buildChoiceBoxWrappedLines(const Font* font, std::string_view text, int width, Lines& lines)
{
    lines.clear();
    if (text.empty())
        return;
    if (!font) {
        lines.emplace_back(text);
        return;
    }
    if (text.back() == '\n')
        text.remove_suffix(1);
    size_t start = 0;
    while (true) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view paragraph = text.substr(start, end - start);
        if (paragraph.empty())
            lines.emplace_back();
        string line;
        size_t pos = 0;
        while (pos < paragraph.size()) {
            pos = paragraph.find_first_not_of(' ', pos);
            if (pos == std::string_view::npos)
                break;
            const size_t stop = std::min(paragraph.find(' ', pos), paragraph.size());
            const std::string_view word = paragraph.substr(pos, stop - pos);
            pos = stop;
            string candidate = line;
            if (!candidate.empty())
                candidate += ' ';
            candidate.append(word);
            if (textWidth(font, candidate) <= width) {
                line = std::move(candidate);
                continue;
            }
            if (!line.empty())
                lines.push_back(line);
            line.assign(word);
            if (textWidth(font, line) > width) {
                line.clear();
                appendChoiceBoxWrappedChunk(font, word, width, lines);
            }
        }
        if (!line.empty())
            lines.push_back(line);
        if (end >= text.size())
            break;
        start = end + 1;
    }
}

struct ChoiceFonts {
    int textId = 0;
    int titleId = 0;
    const Font* text = nullptr;
    const Font* title = nullptr;
    int textLine = kChoiceFallbackLine;
    int titleLine = kChoiceFallbackLine;
};

ChoiceFonts choiceFonts(const ResourceManager* rm)
{
    FontMgr* fonts = Main::instance()->fontMgr();
    ChoiceFonts f;
    f.textId = rm ? rm->get(SR_FONT) : 0;
    const int builtin = fonts->getBuiltin("Arial12Black");
    f.titleId = builtin > 0 ? builtin : f.textId;
    f.text = fonts->get(f.textId);
    f.title = fonts->get(f.titleId);
    f.textLine = f.text && f.text->getHeight() > 0 ? f.text->getHeight() + 2 : kChoiceFallbackLine;
    f.titleLine = f.title && f.title->getHeight() > 0 ? f.title->getHeight() + 2 : f.textLine;
    return f;
}

struct ChoiceRow {
    Lines title;
    Lines description;
    int height = 0;
};

void styleDialogBase(Panel* p, int width, int height)
{
    Widget* base = p->baseWidget();
    base->setBorderCorner(4, WS_ALL);
    base->setSize(width, height);
    base->setBackgroundColor(240, 240, 240, WS_ALL);
    base->setBorderColor(116, 129, 147, 255, WS_ALL);
    base->setFeatures(WF_DRAG, true);
    base->setPosition(ui::centred(), ui::centred());
    p->setPanelType(PT_MODAL, 0);
}

// ---------------------------------------------------------------------------
// Hexadecimal colour text
// ---------------------------------------------------------------------------

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Two characters as one byte; out is written only on success.
bool parseHexColorByte(const char* pair, uint8_t& out)
{
    const int high = hexDigit(pair[0]);
    const int low = hexDigit(pair[1]);
    if (high < 0 || low < 0)
        return false;
    out = static_cast<uint8_t>(high * 16 + low);
    return true;
}

// Reads exactly count channels left to right, each written as soon as its
// pair parses: the first pair that does not parse ends the read, leaving the
// channels before it written and those after it untouched. A text of the
// wrong length writes nothing.
bool parseHexChannels(std::string_view text, uint8_t* const* channels, size_t count)
{
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    if (text.size() != count * 2)
        return false;
    for (size_t i = 0; i < count; ++i)
        if (!parseHexColorByte(text.data() + i * 2, *channels[i]))
            return false;
    return true;
}

// ---------------------------------------------------------------------------
// Colour field
// ---------------------------------------------------------------------------

// What the reactions of one colour field share; widgets are looked up by
// id on every reaction.
struct ColorField {
    Panel* panel = nullptr;
    int editId = 0;
    int swatchId = 0;
    bool rgba = false;
    string lastValid;

    bool parse(std::string_view text, uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a) const
    {
        return rgba ? parseHexColorRGBA(text, r, g, b, a) : parseHexColorRGB(text, r, g, b);
    }
    string print(uint8_t r, uint8_t g, uint8_t b, uint8_t a) const
    {
        return rgba ? hexColorRGBA(r, g, b, a) : hexColorRGB(r, g, b);
    }
};

// Follows the text: a valid colour recolours the swatch (and, committed,
// is normalised); an invalid one committed gives way to the last valid text.
void refreshColorField(ColorField& field, bool commit)
{
    if (!field.panel)
        return;
    WidgetTextEdit* edit = field.panel->getTextEdit(field.editId);
    if (!edit)
        return;
    WidgetFrame* swatch = field.panel->getFrame(field.swatchId);
    uint8_t r = 0, g = 0, b = 0, a = 255;
    if (field.parse(edit->getText(), r, g, b, a)) {
        const string printed = field.print(r, g, b, a);
        if (swatch)
            swatch->setBackgroundColor(r, g, b, WS_ALL);
        if (commit)
            edit->setText(printed.c_str());
        field.lastValid = printed;
        return;
    }
    if (!commit)
        return;
    edit->setText(field.lastValid.c_str());
    if (swatch && field.parse(field.lastValid, r, g, b, a))
        swatch->setBackgroundColor(r, g, b, WS_ALL);
}

// ---------------------------------------------------------------------------
// Colour picker
// ---------------------------------------------------------------------------

constexpr int kPickerWidth = 380;
constexpr int kPickerHeight = 266;
constexpr int kWheelSize = 150;
constexpr int kWheelX = 18;
constexpr int kWheelY = 64;
constexpr float kWheelRadius = 74.0f;
constexpr float kWheelHalf = 75.0f;
constexpr float kWheelCentreX = kWheelX + kWheelHalf; // 93
constexpr float kWheelCentreY = kWheelY + kWheelHalf; // 139
constexpr float kMarkerHalf = 3.5f;
constexpr int kBarWidth = 112;
constexpr int kBarHeight = 16;
constexpr float kTurn = 6.2831855f;
constexpr float kDegree = 0.017453292f;

// Channel indices: red, green, blue, alpha.
constexpr int CH_ALPHA = 3;
constexpr int CH_COUNT = 4;

struct PresetColor {
    const char* name;
    uint8_t r, g, b;
};

constexpr PresetColor kPresets[kColorPickerPresets] = {
    {"Black", 0, 0, 0},        {"White", 255, 255, 255}, {"Gray", 128, 128, 128},   {"Red", 255, 0, 0},
    {"Orange", 255, 128, 0},   {"Yellow", 255, 255, 0},  {"Green", 0, 255, 0},      {"Cyan", 0, 255, 255},
    {"Blue", 0, 0, 255},       {"Magenta", 255, 0, 255}, {"Dark gray", 64, 64, 64}, {"Light gray", 192, 192, 192},
    {"Brown", 128, 64, 0},     {"Tan", 192, 128, 64},    {"Pink", 255, 128, 192},   {"Purple", 128, 0, 255},
    {"Navy", 0, 0, 128},       {"Sky", 128, 192, 255},   {"Olive", 128, 128, 0},    {"Lime", 128, 255, 0},
};

struct ChannelRow {
    const char* stem;
    const char* letter;
    int y; // the slider's top
};

constexpr ChannelRow kChannelRows[CH_COUNT] = {
    {"Red", "R", 48}, {"Green", "G", 78}, {"Blue", "B", 108}, {"Alpha", "A", 138}};

// Hue in degrees of the direction (dx, dy), growing from +x towards +y.
float hueOf(float dx, float dy)
{
    float turn = std::atan2(dy, dx) / kTurn;
    if (turn < 0.0f)
        turn += 1.0f;
    return turn * 360.0f;
}

// Fills a new w x h ARGB8888 surface through pixel(c, r, rgba) and loads it
// as an engine image: its id, or 0.
template <class PixelFn>
int loadGeneratedImage(int w, int h, const string& name, PixelFn pixel)
{
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface)
        return 0;
    SDL_LockSurface(surface);
    for (int r = 0; r < h; ++r) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + r * surface->pitch);
        for (int c = 0; c < w; ++c) {
            uint8_t rgba[4] = {0, 0, 0, 0};
            pixel(c, r, rgba);
            row[c] = SDL_MapRGBA(surface->format, rgba[0], rgba[1], rgba[2], rgba[3]);
        }
    }
    SDL_UnlockSurface(surface);
    const int id = Main::instance()->imageMgr()->loadFromSurface(surface, name.c_str());
    SDL_FreeSurface(surface);
    return id > 0 ? id : 0;
}

// Hue round the centre, saturation growing outwards, full value; clear
// outside the radius.
int loadColorWheelImage()
{
    static int iWheelCounter = 0;
    const string name = "@skardy/image/ColorPickerWheel" + decimal(iWheelCounter++);
    return loadGeneratedImage(kWheelSize, kWheelSize, name, [](int c, int r, uint8_t* rgba) {
        const float dx = static_cast<float>(c) + 0.5f - kWheelHalf;
        const float dy = static_cast<float>(r) + 0.5f - kWheelHalf;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (d > kWheelRadius)
            return;
        GFX::hsvToRGB(hueOf(dx, dy), d / kWheelRadius, 1.0f, &rgba[0], &rgba[1], &rgba[2]);
        rgba[3] = 255;
    });
}

// A 0..255 ramp of one channel from left to right (alpha as opaque grey).
int loadColorBarImage(int channel)
{
    static int iBarCounter = 0;
    const string name = "@skardy/image/ColorPickerBar" + decimal(iBarCounter++);
    return loadGeneratedImage(kBarWidth, kBarHeight, name, [channel](int c, int, uint8_t* rgba) {
        const auto v = static_cast<uint8_t>(c * 255 / (kBarWidth - 1));
        if (channel == CH_ALPHA)
            rgba[0] = rgba[1] = rgba[2] = v;
        else
            rgba[channel] = v;
        rgba[3] = 255;
    });
}

// Gives w the images for its normal and pressed states; an image the
// widget refuses is closed at once.
void attachStateImages(Widget* w, int normal, int pressed)
{
    const int images[2] = {normal, pressed};
    const int states[2] = {WS_NORMAL, WS_PRESSED};
    for (int i = 0; i < 2; ++i)
        if (images[i] > 0 && w->setBackgroundImage(images[i], states[i]) < 0)
            Main::instance()->imageMgr()->close(images[i]);
}

// The colour being edited, shared by the call and every reaction of the
// dialog. guard is set while syncPicker writes into the widgets.
struct ColorPickerState {
    uint8_t rgba[CH_COUNT] = {0, 0, 0, 255};
    bool alpha = false;
    bool guard = false;
    Panel* panel = nullptr;

    void store(int channel, int value)
    {
        if (channel == CH_ALPHA && !alpha)
            return;
        rgba[channel] = static_cast<uint8_t>(std::clamp(value, 0, 255));
    }
    string hex() const
    {
        return alpha ? hexColorRGBA(rgba[0], rgba[1], rgba[2], rgba[3])
                     : hexColorRGB(rgba[0], rgba[1], rgba[2]);
    }
    // Takes text when it parses in the dialog's form (alpha 255 for RGB).
    bool takeHex(std::string_view text)
    {
        uint8_t v[CH_COUNT] = {0, 0, 0, 255};
        const bool ok = alpha ? parseHexColorRGBA(text, v[0], v[1], v[2], v[3])
                              : parseHexColorRGB(text, v[0], v[1], v[2]);
        if (ok)
            std::copy(v, v + CH_COUNT, rgba);
        return ok;
    }
};

using PickerState = std::shared_ptr<ColorPickerState>;

// Puts the state into every control; updateHex also rewrites the hex edit.
void syncPicker(ColorPickerState& s, bool updateHex)
{
    Panel* p = s.panel;
    if (!p || s.guard)
        return;
    s.guard = true;
    for (int ch = 0; ch < CH_COUNT; ++ch) {
        if (WidgetSlider* slider = p->getSlider(CP_FIRST_SLIDER + ch))
            slider->setValue(s.rgba[ch]);
        if (WidgetNumberEdit* value = p->getNumberEdit(CP_FIRST_VALUE + ch))
            value->setValue(static_cast<float>(s.rgba[ch]));
    }
    if (WidgetFrame* preview = p->getFrame(CP_PREVIEW))
        preview->setBackgroundColor(s.rgba[0], s.rgba[1], s.rgba[2], WS_ALL);
    if (WidgetFrame* marker = p->getFrame(CP_MARKER)) {
        float h = 0.0f, sat = 0.0f, val = 0.0f;
        GFX::rgbToHSV(s.rgba[0], s.rgba[1], s.rgba[2], &h, &sat, &val);
        const float angle = h < 0.0f ? 0.0f : h * kDegree;
        const float x = kWheelRadius * sat * std::cos(angle) + kWheelCentreX;
        const float y = kWheelRadius * sat * std::sin(angle) + kWheelCentreY;
        marker->setPosition(ui::left(static_cast<int>(x - kMarkerHalf + 0.5f)),
                            ui::top(static_cast<int>(y - kMarkerHalf + 0.5f)));
    }
    if (updateHex)
        if (WidgetTextEdit* hex = p->getTextEdit(CP_HEX))
            hex->setText(s.hex().c_str());
    s.guard = false;
}

// A press on the wheel: hue and saturation from the cursor, value kept
// from the current colour (full for black).
void pressWheel(ColorPickerState& s)
{
    if (!s.panel)
        return;
    const SDL_Rect origin = s.panel->baseWidget()->getRect();
    const CursorMgr* cursor = Main::instance()->cursorMgr();
    const float dx = static_cast<float>(cursor->getX() - origin.x) - kWheelCentreX;
    const float dy = static_cast<float>(cursor->getY() - origin.y) - kWheelCentreY;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d > kWheelRadius)
        return;
    const uint8_t brightest = std::max({s.rgba[0], s.rgba[1], s.rgba[2]});
    const float value = brightest == 0 ? 1.0f : static_cast<float>(brightest) / 255.0f;
    GFX::hsvToRGB(hueOf(dx, dy), d / kWheelRadius, value, &s.rgba[0], &s.rgba[1], &s.rgba[2]);
    syncPicker(s, true);
}

// Label, slider and number edit of one channel.
void addChannelRow(Panel* p, const string& n, int channel, int& labelId, int font)
{
    const ChannelRow& row = kChannelRows[channel];
    const string stem = row.stem;
    ui::addLabel(*p, {.name = (stem + "Label" + n).c_str(), .id = labelId++, .x = ui::left(198),
                      .y = ui::top(row.y + 1), .text = row.letter, .font = font}, ui::kDialogGrey);
    if (WidgetSlider* slider = p->createSlider((stem + "Slider" + n).c_str(), CP_FIRST_SLIDER + channel, 0)) {
        slider->setSize(kBarWidth, kBarHeight);
        slider->setPosition(ui::left(218), ui::top(row.y));
        slider->setRange(0, 255);
        slider->setThumbSize(1);
        slider->setTooltip((string(row.letter) + " component").c_str());
        const int normal = loadColorBarImage(channel);
        const int pressed = loadColorBarImage(channel);
        attachStateImages(slider, normal, pressed);
        slider->clearBackground(WS_ACTION);
        slider->setBackgroundColor(255, 255, 255, WS_ACTION);
    }
    const string tooltip = string(row.letter) + " value";
    if (WidgetNumberEdit* value = ui::addNumberEdit(*p, {.name = (stem + "Value" + n).c_str(),
                                                         .id = CP_FIRST_VALUE + channel, .x = ui::left(333),
                                                         .y = ui::top(row.y - 1), .w = 38, .h = 19, .font = font,
                                                         .tooltip = tooltip.c_str()},
                                                    0.0f, 255.0f, 0.0f))
        value->setStep(1.0f);
}

void buildPickerWidgets(Panel* p, const string& n, bool alpha, int font)
{
    if (WidgetImage* wheel = p->createImage(("ColorPickerWheel" + n).c_str(), CP_WHEEL)) {
        const int normal = loadColorWheelImage();
        const int pressed = loadColorWheelImage();
        wheel->setSize(kWheelSize, kWheelSize);
        attachStateImages(wheel, normal, pressed);
        wheel->setPosition(ui::left(kWheelX), ui::top(kWheelY));
        wheel->setFeatures(WF_EVENTS, true);
        wheel->setTooltip("Pick hue and saturation");
    }
    if (WidgetFrame* marker = p->createFrame(("ColorPickerWheelMarker" + n).c_str(), CP_MARKER)) {
        marker->setSize(7, 7);
        marker->setPosition(ui::left(kWheelX), ui::top(kWheelY));
        marker->setFilled(false);
        marker->setBackgroundColor(0, 0, 0, WS_ALL);
        marker->setBorderColor(0, 0, 0, 255, WS_ALL);
        marker->setBorderCorner(3, WS_ALL);
        marker->setTooltip("Current hue and saturation");
    }
    if (WidgetFrame* preview = p->createFrame(("ColorPickerPreview" + n).c_str(), CP_PREVIEW)) {
        preview->setSize(38, 38);
        preview->setPosition(ui::left(8), ui::top(32));
        preview->setFilled(true);
        preview->setBorderColor(90, 90, 90, 255, WS_ALL);
        preview->setTooltip("Selected color");
    }
    for (int i = 0; i < kColorPickerPresets; ++i) {
        const PresetColor& c = kPresets[i];
        WidgetFrame* swatch = p->createFrame(("ColorPickerSwatch" + n + "_" + decimal(i)).c_str(), CP_FIRST_SWATCH + i);
        if (!swatch)
            continue;
        swatch->setSize(12, 12);
        swatch->setPosition(ui::left(18 + 15 * (i % 10)), ui::top(226 + 15 * (i / 10)));
        swatch->setFilled(true);
        swatch->setBackgroundColor(c.r, c.g, c.b, WS_ALL);
        swatch->setBorderColor(90, 90, 90, 255, WS_ALL);
        swatch->setTooltip((string(c.name) + " " + hexColorRGB(c.r, c.g, c.b)).c_str());
        swatch->setFeatures(WF_EVENTS, true);
    }
    int labelId = CP_FIRST_LABEL;
    for (int ch = 0; ch < CH_COUNT; ++ch)
        addChannelRow(p, n, ch, labelId, font);
    ui::addLabel(*p, {.name = ("ColorPickerHexLabel" + n).c_str(), .id = labelId++, .x = ui::left(198),
                      .y = ui::top(170), .text = "Hex:", .font = font}, ui::kDialogGrey);
    if (WidgetTextEdit* hex = ui::addTextEdit(*p, {.name = ("ColorPickerHex" + n).c_str(), .id = CP_HEX,
                                                   .x = ui::left(242), .y = ui::top(168), .w = alpha ? 86 : 70, .h = 19,
                                                   .font = font,
                                                   .tooltip = alpha ? "Hex color #RRGGBBAA" : "Hex color #RRGGBB"})) {
        hex->setFeatures(WF_FOCUS_LOST, true);
        hex->setMultiline(false);
    }
    if (WidgetButton* ok = ui::addButton(*p, {.name = ("ColorPickerOK" + n).c_str(), .id = CP_OK, .x = ui::right(-94),
                                              .y = ui::bottom(-15), .w = 70, .h = 22, .text = "OK", .font = font}))
        ok->setKey(SDLK_RETURN);
    if (WidgetButton* cancel = ui::addButton(*p, {.name = ("ColorPickerCancel" + n).c_str(), .id = CP_CANCEL,
                                                  .x = ui::right(-16), .y = ui::bottom(-15), .w = 70, .h = 22,
                                                  .text = "Cancel", .font = font}))
        cancel->setKey(SDLK_ESCAPE);
}

void installPickerReactions(Panel* p, const PickerState& state)
{
    for (int ch = 0; ch < CH_COUNT; ++ch) {
        if (WidgetSlider* slider = p->getSlider(CP_FIRST_SLIDER + ch))
            slider->setOnValueChanged([state, ch](Widget& w) {
                if (state->guard)
                    return;
                state->store(ch, static_cast<WidgetSlider&>(w).getValue());
                syncPicker(*state, true);
            });
        if (WidgetNumberEdit* value = p->getNumberEdit(CP_FIRST_VALUE + ch)) {
            const WidgetReaction onValue = [state, ch](Widget& w) {
                if (state->guard)
                    return;
                state->store(ch, static_cast<int>(static_cast<WidgetNumberEdit&>(w).getValue() + 0.5f));
                syncPicker(*state, true);
            };
            value->setOnValueCommitted(onValue);
            value->setOnFocusLost(onValue);
        }
    }
    for (int i = 0; i < kColorPickerPresets; ++i)
        if (WidgetFrame* swatch = p->getFrame(CP_FIRST_SWATCH + i))
            swatch->setOnPressed([state, i](Widget&) {
                state->rgba[0] = kPresets[i].r;
                state->rgba[1] = kPresets[i].g;
                state->rgba[2] = kPresets[i].b;
                syncPicker(*state, true);
            });
    if (WidgetTextEdit* hex = p->getTextEdit(CP_HEX)) {
        // While typing, a valid text moves the controls but stays as typed.
        hex->setOnValueChanged([state](Widget& w) {
            if (!state->guard && state->takeHex(static_cast<WidgetTextEdit&>(w).getText()))
                syncPicker(*state, false);
        });
        const WidgetReaction onCommit = [state](Widget& w) {
            if (state->guard)
                return;
            state->takeHex(static_cast<WidgetTextEdit&>(w).getText());
            syncPicker(*state, true);
        };
        hex->setOnValueCommitted(onCommit);
        hex->setOnFocusLost(onCommit);
    }
    if (WidgetImage* wheel = p->getImage(CP_WHEEL))
        wheel->setOnPressed([state](Widget&) { pressWheel(*state); });
}

} // namespace

// ---------------------------------------------------------------------------
// Choice box
// ---------------------------------------------------------------------------

int choiceBox(const TabServices& services, const string& title, const string& message,
              const ChoiceBoxOptions& options, const string& cancelText)
{
    static int iChoiceBoxCounter = 0;
    if (options.empty())
        return CB_CANCEL;
    const string n = decimal(iChoiceBoxCounter++);
    const ChoiceFonts fonts = choiceFonts(&services.resources());

    Lines messageLines;
    buildChoiceBoxWrappedLines(fonts.text, message, kChoiceMessageWidth, messageLines);
    const int messageHeight =
        messageLines.empty() ? 0 : static_cast<int>(messageLines.size()) * fonts.textLine + 8;
    Vector<ChoiceRow> rows(options.size());
    int panelHeight = messageHeight + kChoiceChrome;
    for (size_t i = 0; i < options.size(); ++i) {
        ChoiceRow& row = rows[i];
        buildChoiceBoxWrappedLines(fonts.title, options[i].title, kChoiceRowTextWidth, row.title);
        buildChoiceBoxWrappedLines(fonts.text, options[i].description, kChoiceRowTextWidth, row.description);
        row.height = std::max(kChoiceMinRowHeight, static_cast<int>(row.title.size()) * fonts.titleLine +
                                                       static_cast<int>(row.description.size()) * fonts.textLine + 26);
        panelHeight += row.height;
    }

    int panelId = 0;
    Panel* p = ui::addPanel(("ChoiceBox" + n).c_str(), panelId);
    if (!p)
        return CB_CANCEL;
    styleDialogBase(p, kChoicePanelWidth, panelHeight);

    int labelId = CB_FIRST_LABEL;
    for (size_t j = 0; j < messageLines.size(); ++j)
        ui::addLabel(*p, {.name = ("ChoiceBoxMessage" + n + "_" + decimal(static_cast<int>(j))).c_str(),
                          .id = labelId++, .x = ui::left(18),
                          .y = ui::top(kChoiceTop + static_cast<int>(j) * fonts.textLine),
                          .text = messageLines[j].c_str(), .font = fonts.textId}, ui::kDialogGrey);

    int rowTop = kChoiceTop + messageHeight;
    for (size_t i = 0; i < options.size(); ++i) {
        const ChoiceRow& row = rows[i];
        const string rowKey = n + "_" + decimal(static_cast<int>(i));
        if (WidgetFrame* frame = p->createFrame(("ChoiceBoxRow" + rowKey).c_str(), CB_FIRST_ROW + static_cast<int>(i))) {
            frame->setFilled(false);
            frame->setBorderWidth(1, WS_ALL);
            frame->setBorderColor(170, 170, 170, 255, WS_ALL);
            frame->setSize(503, row.height);
            frame->setPosition(ui::left(16), ui::top(rowTop));
        }
        const int titleHeight = static_cast<int>(row.title.size()) * fonts.titleLine;
        for (size_t j = 0; j < row.title.size(); ++j)
            ui::addLabel(*p, {.name = ("ChoiceBoxTitle" + rowKey + "_" + decimal(static_cast<int>(j))).c_str(),
                              .id = labelId++, .x = ui::left(30),
                              .y = ui::top(rowTop + 9 + static_cast<int>(j) * fonts.titleLine),
                              .text = row.title[j].c_str(), .font = fonts.titleId}, ui::kDialogGrey);
        for (size_t j = 0; j < row.description.size(); ++j)
            ui::addLabel(*p, {.name = ("ChoiceBoxDescription" + rowKey + "_" + decimal(static_cast<int>(j))).c_str(),
                              .id = labelId++, .x = ui::left(30),
                              .y = ui::top(rowTop + 14 + titleHeight + static_cast<int>(j) * fonts.textLine),
                              .text = row.description[j].c_str(), .font = fonts.textId}, ui::kDialogGrey);
        ui::addButton(*p, {.name = ("ChoiceBoxButton" + rowKey).c_str(), .id = options[i].id, .x = ui::right(-30),
                           .y = ui::top(rowTop + (row.height - 24) / 2 - 4), .w = 122, .h = 24,
                           .text = options[i].buttonText.c_str(), .font = fonts.textId});
        rowTop += row.height;
    }
    if (WidgetButton* cancel = ui::addButton(*p, {.name = ("ChoiceBoxCancel" + n).c_str(), .id = CB_CANCEL,
                                                  .x = ui::right(-16), .y = ui::bottom(-15), .w = 80, .h = 22,
                                                  .text = cancelText.c_str(), .font = fonts.textId}))
        cancel->setKey('c');
    p->setDialogButtons(0, CB_CANCEL);

    const int result = Main::instance()->tool()->messageBox(title.c_str(), "", 0, 0, 0, panelId, 0);
    Main::instance()->guiMgr()->close(panelId);
    return result;
}

// ---------------------------------------------------------------------------
// Labels and numbers
// ---------------------------------------------------------------------------

void setLabel(Panel& panel, int labelId, const string& text, int top)
{
    if (WidgetLabel* label = panel.getLabel(labelId)) {
        label->setText(text.c_str(), ui::centred(), ui::centred());
        label->setPosition(ui::centred(), ui::top(static_cast<float>(top)));
    }
}

int widgetInt(Panel& panel, int widgetId, int defaultValue, int maximum, int minimum)
{
    int value = 0;
    if (WidgetNumberEdit* number = panel.getNumberEdit(widgetId)) {
        value = static_cast<int>(number->getValue());
    } else if (WidgetTextEdit* edit = panel.getTextEdit(widgetId)) {
        const string text = edit->getText();
        if (text.empty())
            return defaultValue;
        value = Main::instance()->tool()->strDecToInt(text.c_str());
    } else {
        return defaultValue;
    }
    if (value > maximum)
        return maximum;
    if (value < minimum)
        return minimum;
    return value;
}

// ---------------------------------------------------------------------------
// Hexadecimal colour text
// ---------------------------------------------------------------------------

bool parseHexColorRGB(std::string_view text, uint8_t& r, uint8_t& g, uint8_t& b)
{
    uint8_t* const channels[] = {&r, &g, &b};
    return parseHexChannels(text, channels, 3);
}

bool parseHexColorRGBA(std::string_view text, uint8_t& r, uint8_t& g, uint8_t& b, uint8_t& a)
{
    uint8_t* const channels[] = {&r, &g, &b, &a};
    return parseHexChannels(text, channels, 4);
}

string hexColorRGB(uint8_t r, uint8_t g, uint8_t b)
{
    char text[8];
    std::snprintf(text, sizeof(text), "#%02X%02X%02X", r, g, b);
    return text;
}

string hexColorRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    char text[10];
    std::snprintf(text, sizeof(text), "#%02X%02X%02X%02X", r, g, b, a);
    return text;
}

// ---------------------------------------------------------------------------
// Colour field
// ---------------------------------------------------------------------------

WidgetTextEdit* createColorField(const TabServices& services, Panel* fieldPanel, const ColorFieldPlace& place,
                                 std::function<void(Widget&)> onChange)
{
    if (!fieldPanel)
        return nullptr;
    const ResourceManager* rm = &services.resources();
    const auto& [name, iconId, editId, swatchId, x, y, tooltip, initHex, textWidth] = place;
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool rgba = false;
    string text = initHex;
    if (parseHexColorRGBA(initHex, r, g, b, a)) {
        rgba = true;
        text = hexColorRGBA(r, g, b, a);
    } else if (parseHexColorRGB(initHex, r, g, b)) {
        text = hexColorRGB(r, g, b);
    }

    WidgetImage* icon = fieldPanel->createImage((name + "Icon").c_str(), iconId);
    if (icon) {
        icon->setSize(20, 20);
        icon->setPosition(ui::left(x), ui::top(y - 1));
        const int sprite = rm->getClone(SS_COLOR_ICON);
        if (sprite > 0)
            icon->setBackgroundSprite(sprite, WS_ALL, 0);
        icon->setTooltip(tooltip.c_str());
        icon->setFeatures(WF_EVENTS, true);
    }
    WidgetTextEdit* edit = ui::addTextEdit(*fieldPanel, {.name = name.c_str(), .id = editId, .x = ui::left(x + 22),
                                                         .y = ui::top(y), .w = textWidth, .h = 19,
                                                         .font = rm->get(SR_FONT), .tooltip = tooltip.c_str()});
    if (edit) {
        edit->setText(text.c_str());
        edit->setFeatures(WF_FOCUS_LOST, true);
        edit->setMultiline(false);
    }
    WidgetFrame* swatch = fieldPanel->createFrame((name + "Swatch").c_str(), swatchId);
    if (swatch) {
        swatch->setSize(17, 17);
        swatch->setPosition(ui::left(x + textWidth + 27), ui::top(y + 1));
        swatch->setFilled(true);
        swatch->setBorderColor(90, 90, 90, 255, WS_ALL);
        swatch->setBackgroundColor(r, g, b, WS_ALL);
        swatch->setTooltip(tooltip.c_str());
    }
    if (!edit)
        return nullptr;

    auto field = makeShared<ColorField>();
    field->panel = fieldPanel;
    field->editId = editId;
    field->swatchId = swatchId;
    field->rgba = rgba;
    field->lastValid = text;
    edit->setOnValueChanged([field](Widget&) { refreshColorField(*field, false); });
    edit->setOnValueCommitted([field](Widget&) { refreshColorField(*field, true); });
    edit->setOnFocusLost([field](Widget&) { refreshColorField(*field, true); });
    // The tabs set the text of the colour they show: that colour is what
    // an unreadable text falls back to once typed over.
    edit->setOnFocusGained([field](Widget&) { refreshColorField(*field, false); });

    const WidgetReaction openPicker = [&services, field, onChange](Widget&) {
        if (!openColorPicker(services, field->panel, field->editId, field->swatchId, field->rgba))
            return;
        refreshColorField(*field, true);
        if (!onChange || !field->panel)
            return;
        if (WidgetTextEdit* changed = field->panel->getTextEdit(field->editId))
            onChange(*changed);
    };
    if (icon)
        icon->setOnPressed(openPicker);
    if (swatch) {
        swatch->setFeatures(WF_EVENTS, true);
        swatch->setOnPressed(openPicker);
    }
    return edit;
}

// ---------------------------------------------------------------------------
// Colour picker
// ---------------------------------------------------------------------------

bool openColorPicker(const TabServices& services, Panel* callerPanel, int editId, int frameId, bool alpha)
{
    static int iColorPickerCounter = 0;
    if (!callerPanel)
        return false;
    WidgetTextEdit* callerEdit = callerPanel->getTextEdit(editId);
    if (!callerEdit || callerEdit->status() != 9)
        return false;

    auto state = makeShared<ColorPickerState>();
    state->alpha = alpha;
    state->takeHex(callerEdit->getText());

    const string n = decimal(iColorPickerCounter++);
    int panelId = 0;
    Panel* p = ui::addPanel(("ColorPicker" + n).c_str(), panelId);
    if (!p)
        return false;
    state->panel = p;
    const int font = services.resources().get(SR_FONT);
    styleDialogBase(p, kPickerWidth, kPickerHeight);
    buildPickerWidgets(p, n, alpha, font);
    installPickerReactions(p, state);
    if (!alpha) {
        if (WidgetSlider* slider = p->getSlider(CP_FIRST_SLIDER + CH_ALPHA))
            slider->disable();
        if (WidgetNumberEdit* value = p->getNumberEdit(CP_FIRST_VALUE + CH_ALPHA))
            value->disable();
    }
    syncPicker(*state, true);

    const int result = Main::instance()->tool()->messageBox("Color picker", "", 0, 0, 0, panelId, 0);
    // A valid text typed but never committed wins over the sliders.
    if (!state->guard)
        if (WidgetTextEdit* hex = p->getTextEdit(CP_HEX)) {
            state->takeHex(hex->getText());
            syncPicker(*state, true);
        }
    if (result == CP_OK) {
        // Looked up again: the caller's widgets may have changed during the run.
        if (WidgetTextEdit* edit = callerPanel->getTextEdit(editId))
            edit->setText(state->hex().c_str());
        if (WidgetFrame* frame = callerPanel->getFrame(frameId))
            frame->setBackgroundColor(state->rgba[0], state->rgba[1], state->rgba[2], WS_ALL);
    }
    state->panel = nullptr;
    Main::instance()->guiMgr()->close(panelId);
    return result == CP_OK;
}
