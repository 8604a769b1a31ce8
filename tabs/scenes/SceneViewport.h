// Where the scene tab's preview puts a scene: a rectangle centred in the
// preview area (right of the 200-pixel tab panel, below the 40-pixel menu
// bar), as large as the scene and the area allow, or of a custom size cut
// down to those limits. Pure arithmetic; no engine calls.
#pragma once

#include <SDL_rect.h>

struct SceneViewportFit {
    SDL_Rect rect{0, 0, 0, 0};
    // A custom size had to be cut down: rect.w and rect.h are what the
    // width and height edits should show now.
    bool corrected = false;
};

class SceneViewport {
public:
    static constexpr int kAreaLeft = 200;
    static constexpr int kAreaTop = 40;
    static constexpr int kMaxEdit = 8192;
    static constexpr int kDefaultWidth = 640;
    static constexpr int kDefaultHeight = 480;

    // windowW x windowH: the window; sceneW x sceneH: the scene's pixel size;
    // custom: the user's width x height is asked for. The position is
    // centred from the uncut scene size (or the custom size), never left of
    // or above the area, truncated toward zero.
    static SceneViewportFit fit(int windowW, int windowH, int sceneW, int sceneH, bool custom, int width,
                                int height);
};
