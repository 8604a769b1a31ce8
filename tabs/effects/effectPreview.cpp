#include "tabs/effects/effectPreview.h"

#include "services/GlobalStatus.h"
#include "services/ResourceManager.h"
#include "tabs/base/TabServices.h"
#include "tabs/effects/effectWidgets.h"

#include <Zelkoran/GFX.h>
#include <Zelkoran/Image.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Panel.h>
#include <Zelkoran/Particle.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Timer.h>

#include <cstdio>
#include <iterator>

using namespace Zelkoran;
namespace ew = effectwidgets;

namespace {

constexpr int kInfoPeriodMs = 250;
constexpr int kMaxInfoText = 63;
constexpr uint32_t kBlack = 0x000000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;
// The area starts right of the tab panel and below the menu bar.
constexpr float kLeft = 200, kTop = 40;

// When the info labels change next: one time for the whole program.
uint64_t g_nextInfoTicks = 0;

ParticleMgr* particles() { return Main::instance()->particleMgr(); }

const char* driverName(int driver)
{
    static const char* const names[] = {"default", "soft", "ogl",  "gles2", "vulkan", "d3d9",
                                        "d3d11",   "d3d12", "x11", "metal", "gpu"};
    return driver >= 0 && driver < static_cast<int>(std::size(names)) ? names[driver] : "n/a";
}

} // namespace

EffectPreview::EffectPreview(EffectContext& shared, const EffectFloatingPanel& advancedPanel,
                             const EffectFloatingPanel& appearancePanel)
    : panel(shared.services.panel()), context(shared), status(shared.services.status()), advanced(advancedPanel),
      appearance(appearancePanel),
      backgroundImageId(shared.services.resources().get(SR_BG_BLOCKY))
{
}

bool EffectPreview::onFloatingPanel(float x, float y) const { return advanced.covers(x, y) || appearance.covers(x, y); }

float EffectPreview::centreX() const { return static_cast<float>(status.iWidth - 200) * 0.5f + kLeft; }
float EffectPreview::centreY() const { return static_cast<float>(status.iHeight - 40) * 0.5f + kTop; }

bool EffectPreview::isInContentArea(float x, float y) const
{
    return x >= kLeft && x < static_cast<float>(status.iWidth) && y >= kTop
           && y < static_cast<float>(status.iHeight);
}

void EffectPreview::setPreviewPosition(float x, float y, bool edited)
{
    ParticleEmitter* e = context.emitter();
    if (!e)
        return;
    e->setPosition(x, y);
    if (edited)
        context.markEdited();
}

void EffectPreview::update()
{
    ParticleEmitter* e = context.emitter();
    if (!e || !(previewState == PS_PLAYING || (previewState == PS_STOPPED && oneShots)))
        return;
    particles()->update(Main::instance()->getLogicDeltaTime());
    if (e->status() == PES_FINISHED) {
        previewState = PS_STOPPED;
        oneShots = particles()->getCount() > 1;
    } else if (oneShots && particles()->getCount() <= 1) {
        oneShots = false;
    }
}

void EffectPreview::drawBackground()
{
    const float w = static_cast<float>(status.iWidth), h = static_cast<float>(status.iHeight);
    const bool black = ew::checked(&panel, EW_BG_BLACK);
    if (!black && ew::checked(&panel, EW_BG_CHECKER)) {
        Image* tile = Main::instance()->imageMgr()->get(backgroundImageId);
        if (!tile || tile->getWidth() < 1 || tile->getHeight() < 1)
            return;
        const float tw = static_cast<float>(tile->getWidth()), th = static_cast<float>(tile->getHeight());
        for (float y = kTop; y < h; y += th)
            for (float x = kLeft; x < w; x += tw) {
                const SDL_FRect dst{x, y, tw, th};
                tile->render(0, nullptr, &dst);
            }
        return;
    }
    GFX::rectFilled(kLeft, kTop, w, h, !black && ew::checked(&panel, EW_BG_WHITE) ? kWhite : kBlack, 0);
}

void EffectPreview::render()
{
    Screen& screen = context.services.screen();
    screen.clear(128, 128, 128, 255);
    SDL_Rect saved{};
    const bool clipped = screen.getClipRect(saved);
    const SDL_Rect area{200, 40, status.iWidth - 200, status.iHeight - 40};
    screen.setClipRect(&area);
    drawBackground();
    if (context.emitter() && (previewState != PS_STOPPED || oneShots))
        particles()->render(0);
    screen.setClipRect(clipped ? &saved : nullptr);
    const uint64_t now = SDL_GetTicks64();
    if (now >= g_nextInfoTicks) {
        updateInfoLabel();
        g_nextInfoTicks = now + kInfoPeriodMs;
    }
}

void EffectPreview::updateInfoLabel()
{
    const ParticleEmitter* e = context.emitter();
    char text[256];
    std::snprintf(text, sizeof(text), "Live: %d (%u)", e ? e->getLiveCount() : 0,
                  Main::instance()->timer()->getCurrentRFR());
    text[kMaxInfoText] = '\0';
    if (WidgetLabel* label = panel.getLabel(EW_INFO))
        label->setText(text);
    std::snprintf(text, sizeof(text), "Render: %s", driverName(context.services.screen().getDriverInUse()));
    text[kMaxInfoText] = '\0';
    if (WidgetLabel* label = panel.getLabel(EW_RENDER_INFO))
        label->setText(text);
}

void EffectPreview::handleMouse(const SDL_Event& event, int burst)
{
    ParticleEmitter* e = context.emitter();
    if (!e)
        return;
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN: {
        const float x = static_cast<float>(event.button.x), y = static_cast<float>(event.button.y);
        if (onFloatingPanel(x, y)) {
            if (event.button.button == SDL_BUTTON_LEFT)
                dragging = false;
            return;
        }
        if (!isInContentArea(x, y))
            return;
        if (event.button.button == SDL_BUTTON_LEFT) {
            dragging = true;
            setPreviewPosition(x, y, true);
        } else if (event.button.button == SDL_BUTTON_RIGHT) {
            setPreviewPosition(x, y, true);
            e->play();
            e->burst(burst);
            previewState = PS_PLAYING;
        }
        break;
    }
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT)
            dragging = false;
        break;
    case SDL_MOUSEMOTION: {
        const float x = static_cast<float>(event.motion.x), y = static_cast<float>(event.motion.y);
        if (dragging && !onFloatingPanel(x, y)) {
            e->setPosition(x, y);
            context.markEdited();
        }
        break;
    }
    default: break;
    }
}

void EffectPreview::showPaused(bool paused) { ew::setChecked(&panel, EW_PAUSE, paused); }

bool EffectPreview::handleButton(int widgetId)
{
    ParticleEmitter* e = context.emitter();
    switch (widgetId) {
    case EW_PLAY:
        if (e && e->play()) {
            previewState = PS_PLAYING;
            oneShots = false;
            showPaused(false);
        }
        return true;
    case EW_PAUSE:
        if (!e)
            return true;
        if (previewState == PS_PLAYING && e->pause()) {
            previewState = PS_PAUSED;
            showPaused(true);
        } else if (previewState == PS_PAUSED && e->play()) {
            previewState = PS_PLAYING;
            showPaused(false);
        } else {
            // Stopped: the box shows the state, not the click.
            showPaused(previewState == PS_PAUSED);
        }
        return true;
    case EW_STOP:
        if (e) {
            e->stop();
            e->clear();
        }
        particles()->closeOneShots();
        previewState = PS_STOPPED;
        oneShots = false;
        showPaused(false);
        return true;
    case EW_BG_CHECKER:
    case EW_BG_WHITE:
    case EW_BG_BLACK:
        // One choice: the clicked box ends up the only ticked one.
        for (int id : {EW_BG_CHECKER, EW_BG_WHITE, EW_BG_BLACK})
            ew::setChecked(&panel, id, id == widgetId);
        return true;
    default: return false;
    }
}

void EffectPreview::playFromCentre()
{
    setPreviewPosition(centreX(), centreY(), false);
    if (ParticleEmitter* e = context.emitter())
        e->play();
    previewState = PS_PLAYING;
    oneShots = false;
}

void EffectPreview::reset()
{
    previewState = PS_STOPPED;
    oneShots = false;
    dragging = false;
    showPaused(false);
}

void EffectPreview::suspend()
{
    ParticleEmitter* e = context.emitter();
    if (e && previewState == PS_PLAYING)
        e->pause(); // the state stays: coming back resumes it
    dragging = false;
}

void EffectPreview::resume()
{
    ParticleEmitter* e = context.emitter();
    if (e && previewState == PS_PLAYING)
        e->play();
    showPaused(previewState == PS_PAUSED);
}
