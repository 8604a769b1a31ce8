// One of the effect tab's floating panels: modeless on screen 0,
// draggable, with a title bar of its full width, created hidden. It
// remembers whether the user opened it, so that leaving the tab hides it
// and coming back shows it again.
#pragma once

namespace Zelkoran {
class Panel;
} // namespace Zelkoran

class EffectFloatingPanel {
public:
    struct Title {
        int id;
        const char* name;
        const char* text;
        const char* tooltip;
    };

    EffectFloatingPanel() = default;
    ~EffectFloatingPanel();
    EffectFloatingPanel(const EffectFloatingPanel&) = delete;
    EffectFloatingPanel& operator=(const EffectFloatingPanel&) = delete;

    // Creates the panel once: the grey background, the border and the
    // title bar. The panel, null when the engine refused it.
    Zelkoran::Panel* create(const char* name, int width, int height, int x, int y, const Title& title);
    // Null while the panel does not exist.
    Zelkoran::Panel* panel() const;
    bool isOpen() const { return open; }
    // Shows or hides it as the user asks.
    void setOpen(bool show);
    // Leaving the tab hides it, coming back shows it again when open.
    void suspend();
    void resume();
    // Whether (x, y) lies on it while it shows.
    bool covers(float x, float y) const;

private:
    int id = 0;
    bool open = false;
};
