// Particles on screen: every visual draws where its particles are, under
// the screen's clip rectangle.
#include "engine/particle/ParticleTestSupport.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Screen.h>
#include <Zelkoran/Sprite.h>
#include <Zelkoran/TestSupport.h>

#include <SDL.h>


#include <string>

namespace particletest {
namespace {

class Draw : public ParticleTest {
protected:
    void SetUp() override
    {
        ParticleTest::SetUp();
        screen = Main::instance()->configMgr()->get(0);
        screen->setDriver(Screen::DRV_SOFT);
        screen->setSize(200, 200);
        ASSERT_EQ(screen->show(), 0);
        screen->setRenderCallback([this](int) {
            screen->clear(0, 0, 0, 255);
            return mgr->render(0);
        });
    }
    // Lit pixels of the frame in the left and the right half.
    std::pair<int, int> litPixels()
    {
        SDL_Surface* frame = TestSupport::captureFrame();
        EXPECT_NE(frame, nullptr);
        std::pair<int, int> lit{0, 0};
        for (int y = 0; frame && y < frame->h; ++y)
            for (int x = 0; x < frame->w; ++x)
                if (static_cast<const uint32_t*>(frame->pixels)[y * frame->pitch / 4 + x] & 0xFFFFFF)
                    ++(x < 100 ? lit.first : lit.second);
        SDL_FreeSurface(frame);
        return lit;
    }
    // A white w x h image.
    int whiteImage(const char* name, int w, int h)
    {
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, 0xFFFFFFFF);
        const int id = Main::instance()->imageMgr()->loadFromSurface(s, name);
        SDL_FreeSurface(s);
        return id;
    }
    Screen* screen = nullptr;
};

TEST_F(Draw, EveryVisualDrawsItsParticlesInsideTheClip)
{
    const int image = whiteImage("dot", 6, 6);
    const std::string sheet = dir.file("sheet.png");
    ASSERT_TRUE(Main::instance()->imageMgr()->get(whiteImage("sheet", 16, 8))->saveToPNG(sheet.c_str()));
    const testutil::Bytes png = testutil::readFile(sheet);
    const int sprite = Main::instance()->spriteMgr()->loadFromBuffer(png.data(), png.size(), "sheet", 8, 8);
    ASSERT_GT(sprite, 0);
    const struct {
        int visual;
        int resource;
        unsigned blend;
        bool glow;
    } cases[] = {
        {PV_PIXEL, 0, PBM_NONE, false}, {PV_RECT, 0, PBM_ALPHA, false},   {PV_SOFT, 0, PBM_ADDITIVE, true},
        {PV_LINE, 0, PBM_ALPHA, false}, {PV_IMAGE, image, PBM_ALPHA, false}, {PV_SPRITE, sprite, PBM_ALPHA, false},
    };
    for (const auto& c : cases) {
        ParticleEmitter& e = emitter();
        e.setPosition(50, 100);
        ASSERT_TRUE(e.setVisual(c.visual, c.resource, -1)) << c.visual;
        ASSERT_TRUE(e.setBlendMode(c.blend) && e.setGlowRender(c.glow, 1));
        ASSERT_TRUE(e.setShape(PSH_CIRCLE, 50, 0) && e.setSpeed(20, 40) && e.setDirection(0, 360));
        ASSERT_TRUE(e.setColorKeys({{0, {255, 255, 255, 255}}}));
        ASSERT_TRUE(e.setEmissionRate(0));
        e.play();
        e.burst(200);
        run(0.2f);
        const auto [left, right] = litPixels();
        EXPECT_GT(left, 50) << "visual " << c.visual;
        EXPECT_EQ(right, 0) << "visual " << c.visual << " draws only near its particles";

        // A clip on the left edge hides most of them.
        const SDL_Rect clip{0, 0, 30, 200};
        screen->setClipRect(&clip);
        EXPECT_LT(litPixels().first, left) << "visual " << c.visual;
        screen->setClipRect(nullptr);
        mgr->close(e.getID());
    }
    EXPECT_EQ(litPixels(), (std::pair<int, int>{0, 0}));
}

// Soft dots fading out over a grey ground, half of them under the clip's
// edge: the clip only hides, pixels under it are those of the unclipped frame.
TEST_F(Draw, FadingSoftDotsUnderAClipMatchTheUnclippedFrame)
{
    screen->setRenderCallback([this](int) {
        screen->clear(90, 120, 150, 255);
        return mgr->render(0);
    });
    const SDL_Rect clip{0, 0, 100, 200};
    for (const unsigned blend : {PBM_ALPHA, PBM_ADDITIVE}) {
        ParticleEmitter& e = emitter();
        e.setPosition(100, 100);
        ASSERT_TRUE(e.setBlendMode(blend) && e.setShape(PSH_RECT, 180, 180) && e.setEmissionRate(0));
        ASSERT_TRUE(e.setSpeed(0, 0) && e.setLifeSpan(0.5f, 2.0f));
        e.play();
        e.burst(300);
        run(0.4f);
        SDL_Surface* whole = TestSupport::captureFrame();
        screen->setClipRect(&clip);
        SDL_Surface* cut = TestSupport::captureFrame();
        screen->setClipRect(nullptr);
        ASSERT_TRUE(whole && cut);
        int hidden = 0, unlike = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x) {
                const uint32_t a = static_cast<const uint32_t*>(whole->pixels)[y * whole->pitch / 4 + x];
                const uint32_t b = static_cast<const uint32_t*>(cut->pixels)[y * cut->pitch / 4 + x];
                (x < clip.w ? unlike : hidden) += a != b;
            }
        SDL_FreeSurface(whole);
        SDL_FreeSurface(cut);
        EXPECT_GT(hidden, 1000) << "blend " << blend;
        EXPECT_EQ(unlike, 0) << "blend " << blend;
        mgr->close(e.getID());
    }
}

// Soft dots of every size fading to nothing, with glow, some past the edges
// and some too large for a dot of their own size: drawn through a viewport
// one pixel to the right (copied whole there), every pixel is that of the
// plain frame one pixel to its left.
TEST_F(Draw, FaintSoftDotsDrawTheSamePixelsWhereverTheyAreCopiedWhole)
{
    bool shifted = false;
    screen->setRenderCallback([&](int) {
        screen->clear(90, 120, 150, 255);
        const SDL_Rect right{1, 0, 199, 200};
        SDL_RenderSetViewport(screen->getRenderer(), shifted ? &right : nullptr);
        const int rc = mgr->render(0);
        SDL_RenderSetViewport(screen->getRenderer(), nullptr);
        return rc;
    });
    for (const unsigned blend : {PBM_ALPHA, PBM_ADDITIVE, PBM_MULTIPLY}) {
        ParticleEmitter& e = emitter();
        e.setPosition(100, 100);
        ASSERT_TRUE(e.setBlendMode(blend) && e.setGlowRender(true, 1) && e.setShape(PSH_RECT, 240, 240));
        ASSERT_TRUE(e.setSpeed(0, 0) && e.setLifeSpan(0.2f, 2.0f) && e.setEmissionRate(400) && e.setScaleRamp(6, 0.1f));
        ASSERT_TRUE(e.setColorKeys({{0, {255, 200, 90, 255}}, {1, {40, 90, 255, 0}}}));
        e.play();
        run(1.0f);
        shifted = false;
        SDL_Surface* plain = TestSupport::captureFrame();
        shifted = true;
        SDL_Surface* moved = TestSupport::captureFrame();
        ASSERT_TRUE(plain && moved);
        int unlike = 0, lit = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x + 1 < 200; ++x) {
                const uint32_t a = static_cast<const uint32_t*>(plain->pixels)[y * plain->pitch / 4 + x];
                unlike += a != static_cast<const uint32_t*>(moved->pixels)[y * moved->pitch / 4 + x + 1];
                lit += (a & 0xFFFFFF) != 0x5A7896;
            }
        SDL_FreeSurface(plain);
        SDL_FreeSurface(moved);
        EXPECT_GT(lit, 10000) << "blend " << blend;
        EXPECT_EQ(unlike, 0) << "blend " << blend;
        mgr->close(e.getID());
    }
}

// Two overlapping dots of different colours, the later one higher up the
// output: blended, the later one is on top whatever rows they sit on.
TEST_F(Draw, BlendedDotsOfDifferentColoursKeepTheirOrder)
{
    const struct {
        float laterAge; // of a life of 1: 0 red, 1 blue
        bool blueOnTop;
    } cases[] = {{0.99f, true}, {0.0f, false}};
    for (const auto& c : cases) {
        ParticleEmitter& e = emitter();
        ASSERT_TRUE(e.setBlendMode(PBM_ALPHA) && e.setEmissionRate(0) && e.setScaleRamp(1.5f, 1.5f));
        ASSERT_TRUE(e.setColorKeys({{0, {255, 0, 0, 255}}, {1, {0, 0, 255, 255}}}));
        e.play();
        e.burst(2);
        particle::Pool& p = pool(e);
        ASSERT_EQ(p.count, 2);
        const float ys[2] = {118, 113}; // 12 pixel dots on rows 112.. and 107..
        for (int i = 0; i < 2; ++i) {
            p.x[i] = 100;
            p.y[i] = ys[i];
            p.life[i] = 1;
            p.age[i] = i == 1 ? c.laterAge : 0.99f - c.laterAge;
        }
        SDL_Surface* frame = TestSupport::captureFrame();
        ASSERT_NE(frame, nullptr);
        // (100, 115) lies as far from both centres.
        const uint32_t px = static_cast<const uint32_t*>(frame->pixels)[115 * frame->pitch / 4 + 100];
        SDL_FreeSurface(frame);
        const int red = (px >> 16) & 0xFF, blue = px & 0xFF;
        EXPECT_EQ(blue > red, c.blueOnTop) << red << " " << blue;
        mgr->close(e.getID());
    }
}

// Emitters share one drawer: each shows its own colour keys, in the same
// frame and after its keys change.
TEST_F(Draw, EachEmitterShowsItsCurrentColourKeys)
{
    const struct {
        const char* name;
        float x;
        SDL_Color first, then;
    } cases[] = {{"a", 50, {255, 0, 0, 255}, {255, 0, 0, 255}}, {"b", 150, {0, 255, 0, 255}, {0, 0, 255, 255}}};
    ParticleEmitter* es[2] = {};
    for (int i = 0; i < 2; ++i) {
        ParticleEmitter& e = emitter(PEP_DEFAULT, cases[i].name);
        ASSERT_TRUE(e.setVisual(PV_RECT, 0, -1) && e.setBlendMode(PBM_NONE) && e.setShape(PSH_POINT, 0, 0));
        ASSERT_TRUE(e.setSpeed(0, 0) && e.setLifeSpan(10, 10) && e.setEmissionRate(0) && e.setScaleRamp(2, 2));
        ASSERT_TRUE(e.setColorKeys({{0, cases[i].first}}));
        e.play();
        e.burst(1);
        particle::Pool& p = pool(e);
        ASSERT_EQ(p.count, 1);
        p.x[0] = cases[i].x;
        p.y[0] = 100;
        es[i] = &e;
    }
    const auto rgbAt = [](SDL_Surface* frame, float x) {
        return static_cast<const uint32_t*>(frame->pixels)[100 * frame->pitch / 4 + static_cast<int>(x)] & 0xFFFFFF;
    };
    const auto rgbOf = [](SDL_Color c) { return static_cast<uint32_t>(c.r << 16 | c.g << 8 | c.b); };
    for (const bool changed : {false, true}) {
        if (changed) {
            ASSERT_TRUE(es[1]->setColorKeys({{0, cases[1].then}}));
        }
        SDL_Surface* frame = TestSupport::captureFrame();
        ASSERT_NE(frame, nullptr);
        for (const auto& c : cases)
            EXPECT_EQ(rgbAt(frame, c.x), rgbOf(changed ? c.then : c.first)) << c.name << " changed " << changed;
        SDL_FreeSurface(frame);
    }
}

// Multiply darkens the ground by what a particle shows as far as it is
// opaque: transparent pixels and faded particles leave the ground as it was.
TEST_F(Draw, MultiplyLeavesTheGroundWhereParticlesAreTransparent)
{
    screen->setRenderCallback([this](int) {
        screen->clear(200, 200, 200, 255);
        return mgr->render(0);
    });
    const struct {
        int visual;
        uint32_t texel; // ARGB of the image's every pixel
        SDL_Color colour;
        uint32_t ground; // RGB at the particle
        float rotation;  // turned quads go through the geometry path
    } cases[] = {
        {PV_IMAGE, 0x00FFFFFF, {255, 255, 255, 255}, 0xC8C8C8, 0},
        {PV_IMAGE, 0x00000000, {255, 255, 255, 255}, 0xC8C8C8, 0},
        {PV_IMAGE, 0x00000000, {255, 255, 255, 255}, 0xC8C8C8, 45},
        {PV_IMAGE, 0xFFFF0000, {255, 255, 255, 255}, 0xC80000, 0},
        {PV_IMAGE, 0xFFFF0000, {255, 255, 255, 255}, 0xC80000, 45},
        {PV_IMAGE, 0xFFFF0000, {255, 255, 255, 0}, 0xC8C8C8, 0},
        {PV_IMAGE, 0x80FF0000, {255, 255, 255, 255}, 0xC86464, 0},
        {PV_IMAGE, 0x80FF0000, {255, 255, 255, 255}, 0xC86464, 45},
        {PV_RECT, 0, {0, 0, 255, 0}, 0xC8C8C8, 0},
        {PV_RECT, 0, {0, 0, 255, 255}, 0x0000C8, 0},
        {PV_RECT, 0, {0, 0, 255, 128}, 0x6464C8, 45},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.texel << " alpha " << std::dec << int(c.colour.a) << " turned "
                                        << c.rotation);
        SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888);
        SDL_FillRect(s, nullptr, c.texel);
        const int image = Main::instance()->imageMgr()->loadFromSurface(s, "texels");
        SDL_FreeSurface(s);
        ParticleEmitter& e = emitter();
        ASSERT_TRUE(e.setVisual(c.visual, c.visual == PV_IMAGE ? image : 0, -1) && e.setBlendMode(PBM_MULTIPLY));
        ASSERT_TRUE(e.setSpeed(0, 0) && e.setLifeSpan(10, 10) && e.setEmissionRate(0) && e.setScaleRamp(2, 2));
        ASSERT_TRUE(e.setShape(PSH_POINT, 0, 0) && e.setColorKeys({{0, c.colour}}) && e.setRotation(c.rotation, 0));
        e.play();
        e.burst(1);
        particle::Pool& p = pool(e);
        ASSERT_EQ(p.count, 1);
        p.x[0] = p.y[0] = 100;
        SDL_Surface* frame = TestSupport::captureFrame();
        ASSERT_NE(frame, nullptr);
        const uint32_t px = static_cast<const uint32_t*>(frame->pixels)[100 * frame->pitch / 4 + 100] & 0xFFFFFF;
        SDL_FreeSurface(frame);
        for (const int shift : {16, 8, 0})
            EXPECT_NEAR(static_cast<int>((px >> shift) & 0xFF), static_cast<int>((c.ground >> shift) & 0xFF), 2)
                << std::hex << px;
        mgr->close(e.getID());
        Main::instance()->imageMgr()->close(image);
    }
}

} // namespace
} // namespace particletest
