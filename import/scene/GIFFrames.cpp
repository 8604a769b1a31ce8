// Each frame is cut out as a GIF of its own (the file's header, screen
// flags and global colour table, the frame's control extension, its
// descriptor moved to 0, 0 and its data): the decoder then sizes it by the
// frame. Nothing is decompressed here.
#include "import/scene/GIFFrames.h"
#include "import/scene/FrameImportResult.h"
#include "import/scene/FrameSequenceLayer.h"
#include "import/scene/GIFFrameGuard.h"

#include <SDL_image.h>

#include <algorithm>
#include <memory>

namespace {

using Surface = std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)>;

void putU16(std::vector<uint8_t>& out, size_t at, int v)
{
    out[at] = uint8_t(v & 0xFF);
    out[at + 1] = uint8_t(v >> 8 & 0xFF);
}

// The frame's own GIF; at: where its descriptor lies in it.
std::vector<uint8_t> frameAlone(const std::vector<uint8_t>& bytes, const GIFFrameSpan& f, size_t& at)
{
    const size_t table = bytes[10] & 0x80 ? size_t(3) << ((bytes[10] & 7) + 1) : 0;
    std::vector<uint8_t> out(bytes.begin(), bytes.begin() + long(13 + table));
    putU16(out, 6, f.width);
    putU16(out, 8, f.height);
    out.insert(out.end(), bytes.begin() + long(f.controlAt), bytes.begin() + long(f.controlAt + f.controlSize));
    const size_t image = out.size();
    at = image;
    out.insert(out.end(), bytes.begin() + long(f.imageAt), bytes.begin() + long(f.imageAt + f.imageSize));
    putU16(out, image + 1, 0);
    putU16(out, image + 3, 0);
    out.push_back(0x3B);
    return out;
}

// The frame as ARGB8888; null when the decoder refuses it, and when the
// frame's data hides another frame.
SDL_Surface* decodeAlone(const std::vector<uint8_t>& bytes, const GIFFrameSpan& f)
{
    size_t at = 0;
    const std::vector<uint8_t> gif = frameAlone(bytes, f, at);
    GIFFrameGuard guard(gif, {at});
    SDL_RWops* rw = guard.open();
    IMG_Animation* animation = rw ? IMG_LoadAnimationTyped_RW(rw, 1, "GIF") : nullptr;
    SDL_Surface* out = animation && !guard.refused() && animation->count >= 1 && animation->frames &&
                               animation->frames[0]
                           ? SDL_ConvertSurfaceFormat(animation->frames[0], SDL_PIXELFORMAT_ARGB8888, 0)
                           : nullptr;
    if (animation)
        IMG_FreeAnimation(animation);
    return out;
}

uint32_t* row(SDL_Surface* s, int y)
{
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
}

// GIF pixels are opaque or transparent: the transparent ones leave the
// screen as it is.
void drawAt(SDL_Surface* screen, SDL_Surface* frame, int left, int top)
{
    const int w = std::min(frame->w, screen->w - left), h = std::min(frame->h, screen->h - top);
    for (int y = 0; y < h; ++y) {
        const uint32_t* from = row(frame, y);
        uint32_t* to = row(screen, top + y) + left;
        for (int x = 0; x < w; ++x)
            if (from[x] >> 24)
                to[x] = from[x];
    }
}

} // namespace

int composeGIFFrames(const std::vector<uint8_t>& bytes, const GIFLayout& layout, std::vector<SDL_Surface*>& frames,
                     std::vector<int>& delays)
{
    frames.clear();
    delays.clear();
    int width = 0, height = 0;
    if (!gifScreenSize(bytes.data(), bytes.size(), layout, width, height))
        return IR_GIF_UNREADABLE;
    Surface screen(SDL_CreateRGBSurfaceWithFormat(0, std::max(width, 1), std::max(height, 1), 32,
                                                  SDL_PIXELFORMAT_ARGB8888),
                   SDL_FreeSurface);
    if (!screen)
        return IR_CONVERT;
    SDL_FillRect(screen.get(), nullptr, 0);
    int rc = 0;
    const auto compose = [&](const GIFFrameSpan& f) {
        if (rc != 0)
            return;
        Surface frame(f.width && f.height ? decodeAlone(bytes, f) : nullptr, SDL_FreeSurface);
        Surface under(f.disposal == 3 ? SDL_DuplicateSurface(screen.get()) : nullptr, SDL_FreeSurface);
        if (f.width && f.height && !frame) {
            rc = IR_GIF_UNREADABLE;
            return;
        }
        if (frame && f.left < screen->w && f.top < screen->h)
            drawAt(screen.get(), frame.get(), f.left, f.top);
        SDL_Surface* shown = SDL_DuplicateSurface(screen.get());
        if (!shown || (f.disposal == 3 && !under)) {
            SDL_FreeSurface(shown);
            rc = IR_CONVERT;
            return;
        }
        frames.push_back(shown);
        delays.push_back(f.delayMs);
        if (f.disposal == 2) {
            SDL_Rect place{f.left, f.top, f.width, f.height};
            SDL_FillRect(screen.get(), &place, 0);
        } else if (f.disposal == 3) {
            screen = std::move(under);
        }
    };
    GIFLayout walked;
    if (!checkGIFLayout(bytes.data(), bytes.size(), walked, compose) && rc == 0)
        rc = IR_GIF_UNREADABLE;
    if (rc != 0) {
        destroyFrames(frames);
        delays.clear();
    }
    return rc;
}
