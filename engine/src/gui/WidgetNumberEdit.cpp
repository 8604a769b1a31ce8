#include <Zelkoran/Widget.h>

#include "gfx/Painter.h"
#include "gui/TextBuffer.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Zelkoran {

namespace {

constexpr int kSpin = 14; // width of the up/down arrows
// Narrower fields keep all their room for the digits; keys and the wheel
// still step them.
constexpr int kSpinMinWidth = 48;

int spinWidth(const SDL_Rect& r) { return r.w >= kSpinMinWidth ? kSpin : 0; }

// The number at the start of text, false when there is none.
bool parseNumber(const String& text, float& out)
{
    const char* s = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    if (end == s || !std::isfinite(v))
        return false;
    out = static_cast<float>(v);
    return true;
}

} // namespace

WidgetNumberEdit::WidgetNumberEdit(Panel* panel, Widget* parent, int id, const char* name)
    : WidgetTextEdit(panel, parent, id, name, WT_NUMBEREDIT)
{
    WidgetTextEdit::setText("0");
}

void WidgetNumberEdit::setText(const char* text)
{
    float v = 0;
    if (text && parseNumber(text, v)) {
        m_value = clampValue(v);
        WidgetTextEdit::setText(text);
    } else {
        WidgetTextEdit::setText(format(m_value).c_str());
    }
}

float WidgetNumberEdit::clampValue(float v) const
{
    v = std::clamp(v, m_min, m_max);
    return m_float ? v : std::round(v);
}

String WidgetNumberEdit::format(float v) const
{
    char buf[64];
    if (!m_float) {
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(std::llround(v)));
        return buf;
    }
    // The fewest decimals that read back as the value: 86399.7 typed shows
    // so, not as the float's nearest 86399.7031.
    for (int decimals = 0; decimals < 4; ++decimals) {
        std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(v));
        float back = 0;
        if (parseNumber(buf, back) && back == v)
            return String(buf) == "-0" ? String("0") : String(buf);
    }
    std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(v));
    String s(buf);
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s == "-0" ? String("0") : s;
}

void WidgetNumberEdit::setRange(float min, float max)
{
    if (max < min)
        std::swap(min, max);
    m_min = min;
    m_max = max;
    if (clampValue(m_value) != m_value)
        setValue(m_value);
}

void WidgetNumberEdit::setValue(float value)
{
    m_value = clampValue(value);
    WidgetTextEdit::setText(format(m_value).c_str());
}

void WidgetNumberEdit::setStep(float step) { m_step = step > 0 ? step : 1.0f; }

void WidgetNumberEdit::allowFloat(bool on)
{
    m_float = on;
    setValue(m_value);
}

bool WidgetNumberEdit::acceptText(const char* text) const
{
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if ((c >= '0' && c <= '9') || c == '-' || c == '+' || (m_float && (c == '.' || c == 'e' || c == 'E')))
            continue;
        return false;
    }
    return true;
}

float WidgetNumberEdit::typedValue() const
{
    float v = 0;
    return parseNumber(getText(), v) ? clampValue(v) : m_value;
}

void WidgetNumberEdit::committing()
{
    m_value = typedValue();
    const String normal = format(m_value);
    if (normal != getText()) {
        const bool focused = hasFocus();
        WidgetTextEdit::setText(normal.c_str());
        if (focused)
            m_buf->caret = m_buf->anchor = m_buf->end();
    }
}

void WidgetNumberEdit::stepBy(int steps)
{
    if (!isEnabled() || m_buf->readOnly)
        return;
    // From what the field shows, typed or not.
    const float before = typedValue();
    const float after = clampValue(before + static_cast<float>(steps) * m_step);
    if (after == before)
        return;
    WidgetTextEdit::setText(format(after).c_str());
    fire(m_onValueChanged, GE_VALUE_CHANGED, static_cast<int>(std::lround(after)));
    commit();
}

SDL_Rect WidgetNumberEdit::textArea(const SDL_Rect& r) const
{
    SDL_Rect a = WidgetTextEdit::textArea(r);
    a.w -= spinWidth(r);
    return a;
}

void WidgetNumberEdit::mouseDown(const Mouse& m)
{
    const SDL_Rect r = getRect();
    if (m.button == SDL_BUTTON_LEFT && spinWidth(r) > 0 && m.x >= r.x + r.w - kSpin - 1) {
        stepBy(m.y < r.y + r.h / 2 ? 1 : -1);
        return;
    }
    WidgetTextEdit::mouseDown(m);
}

bool WidgetNumberEdit::wheel(int dy, const Mouse&)
{
    stepBy(dy > 0 ? 1 : -1);
    return true;
}

bool WidgetNumberEdit::keyDown(int key, uint16_t mod)
{
    switch (key) {
    case SDLK_UP: stepBy(1); return true;
    case SDLK_DOWN: stepBy(-1); return true;
    case SDLK_PAGEUP: stepBy(10); return true;
    case SDLK_PAGEDOWN: stepBy(-10); return true;
    default: return WidgetTextEdit::keyDown(key, mod);
    }
}

void WidgetNumberEdit::paint(Painter& painter, const SDL_Rect& r)
{
    WidgetTextEdit::paint(painter, r);
    if (spinWidth(r) == 0)
        return;
    const int state = getState();
    uint8_t tc[4];
    textColor(state, tc);
    const Color arrow = rgba(tc);
    const int bw = std::max(1, effectiveBorderWidth(state));
    const SDL_Rect spin{r.x + r.w - kSpin - bw, r.y + bw, kSpin, r.h - 2 * bw};
    painter.fill(spin, Color{236, 236, 236, 255});
    painter.line(spin.x, spin.y, spin.x, spin.y + spin.h - 1, Color{200, 200, 200, 255});
    painter.line(spin.x, spin.y + spin.h / 2, spin.x + spin.w - 1, spin.y + spin.h / 2, Color{200, 200, 200, 255});
    const int cx = spin.x + spin.w / 2;
    const int upY = spin.y + spin.h / 4 - 1;
    const int downY = spin.y + spin.h * 3 / 4 - 1;
    for (int i = 0; i < 3; ++i) {
        painter.line(cx - i, upY + i, cx + i, upY + i, arrow);
        painter.line(cx - i, downY + 2 - i, cx + i, downY + 2 - i, arrow);
    }
}

} // namespace Zelkoran
