// The mouse pointer as the engine last saw it in the event queue.
#pragma once

namespace Zelkoran {

class CursorMgr {
public:
    // Mouse position in window pixels from the last mouse event handled by
    // Main::update (injected events included).
    int getX() const { return m_x; }
    int getY() const { return m_y; }
    // Engine side: called for every mouse event.
    void track(int x, int y)
    {
        m_x = x;
        m_y = y;
    }

private:
    int m_x = 0;
    int m_y = 0;
};

} // namespace Zelkoran
