// The "ZK7_PARTICLE" block: every setting survives a save and a load in a
// fresh engine, refused values keep the old ones, and damaged blocks give
// RC_ERR_CORRUPT without an emitter.
#include "engine/particle/ParticleTestSupport.h"

#include <Zelkoran/Image.h>
#include <Zelkoran/Sprite.h>

#include <SDL.h>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace particletest {
namespace {

using Values = std::vector<double>;

// One setting: a valid change, a value the emitter must refuse (none when
// every value is valid) and what the getters give.
struct Setting {
    const char* name;
    std::function<bool(ParticleEmitter&)> set;
    std::function<bool(ParticleEmitter&)> refuse;
    std::function<Values(const ParticleEmitter&)> get;
};

template <class T, class F>
Values flatten(const Vector<T>* list, F fields)
{
    Values out;
    if (list)
        for (const T& item : *list)
            for (double v : fields(item))
                out.push_back(v);
    return out;
}

const float kNaN = std::nanf("");

const std::vector<Setting>& settings()
{
    using E = ParticleEmitter;
    static const std::vector<Setting> rows = {
        {"shape", [](E& e) { return e.setShape(PSH_ELLIPSE, 30, 12); }, [](E& e) { return e.setShape(6, 1, 1); },
         [](const E& e) {
             int s;
             float w, h;
             e.getShape(&s, &w, &h);
             return Values{double(s), w, h};
         }},
        {"glow", [](E& e) { return e.setGlowRender(true, 0.25f); }, [](E& e) { return e.setGlowRender(true, 1.5f); },
         [](const E& e) {
             float i;
             const bool on = e.getGlowRender(&i);
             return Values{double(on), i};
         }},
        {"speed", [](E& e) { return e.setSpeed(5, 9); }, [](E& e) { return e.setSpeed(9, 5); },
         [](const E& e) {
             float a, b;
             e.getSpeed(&a, &b);
             return Values{a, b};
         }},
        {"direction", [](E& e) { return e.setDirection(33, 12); }, [](E& e) { return e.setDirection(0, 361); },
         [](const E& e) {
             float a, b;
             e.getDirection(&a, &b);
             return Values{a, b};
         }},
        {"life span", [](E& e) { return e.setLifeSpan(0.5f, 2); }, [](E& e) { return e.setLifeSpan(0.001f, 1); },
         [](const E& e) {
             float a, b;
             e.getLifeSpan(&a, &b);
             return Values{a, b};
         }},
        {"direction mode", [](E& e) { return e.setDirectionMode(PDM_FIXED); },
         [](E& e) { return e.setDirectionMode(2); }, [](const E& e) { return Values{double(e.getDirectionMode())}; }},
        {"loop", [](E& e) { return e.setLoop(false); }, nullptr, [](const E& e) { return Values{double(e.getLoop())}; }},
        {"duration", [](E& e) { return e.setDuration(12.5f); }, [](E& e) { return e.setDuration(-0.5f); },
         [](const E& e) { return Values{e.getDuration()}; }},
        {"max particles", [](E& e) { return e.setMaxParticles(777); }, [](E& e) { return e.setMaxParticles(0); },
         [](const E& e) { return Values{double(e.getMaxParticles())}; }},
        {"emission rate", [](E& e) { return e.setEmissionRate(33.5f); }, [](E& e) { return e.setEmissionRate(kNaN); },
         [](const E& e) { return Values{e.getEmissionRate()}; }},
        {"local space", [](E& e) { return e.setLocalSpace(true); }, nullptr,
         [](const E& e) { return Values{double(e.getLocalSpace())}; }},
        {"sprite phase", [](E& e) { return e.setSpriteAnimation(PSP_RANDOM); },
         [](E& e) { return e.setSpriteAnimation(2); }, [](const E& e) { return Values{double(e.getSpriteAnimation())}; }},
        {"visual", [](E& e) { return e.setVisual(PV_LINE, 0, -1); }, [](E& e) { return e.setVisual(4, 0, -1); },
         [](const E& e) {
             int v, id, a;
             e.getVisual(&v, &id, &a);
             return Values{double(v), double(id), double(a)};
         }},
        {"physics", [](E& e) { return e.setPhysics(3, -4, 0.5f); }, [](E& e) { return e.setPhysics(0, 0, -1); },
         [](const E& e) {
             float a, b, c;
             e.getPhysics(&a, &b, &c);
             return Values{a, b, c};
         }},
        {"turbulence", [](E& e) { return e.setTurbulence(7); }, [](E& e) { return e.setTurbulence(-1); },
         [](const E& e) { return Values{e.getTurbulence()}; }},
        {"blend", [](E& e) { return e.setBlendMode(PBM_MULTIPLY); }, [](E& e) { return e.setBlendMode(3); },
         [](const E& e) { return Values{double(e.getBlendMode())}; }},
        {"draw order", [](E& e) { return e.setDrawOrder(PDO_YOUNGEST_FIRST); },
         [](E& e) { return e.setDrawOrder(eParticleDrawOrder(3)); },
         [](const E& e) { return Values{double(e.getDrawOrder())}; }},
        {"emission distance", [](E& e) { return e.setEmissionDistance(12); },
         [](E& e) { return e.setEmissionDistance(INFINITY); }, [](const E& e) { return Values{e.getEmissionDistance()}; }},
        {"velocity limit", [](E& e) { return e.setVelocityLimit(250); }, [](E& e) { return e.setVelocityLimit(100001); },
         [](const E& e) { return Values{e.getVelocityLimit()}; }},
        {"velocity inheritance", [](E& e) { return e.setVelocityInheritance(0.5f); },
         [](E& e) { return e.setVelocityInheritance(-0.1f); },
         [](const E& e) { return Values{e.getVelocityInheritance()}; }},
        {"attraction", [](E& e) { return e.setAttraction(-20, 150, 2); }, [](E& e) { return e.setAttraction(0, -1, 1); },
         [](const E& e) {
             float a, b, c;
             e.getAttraction(&a, &b, &c);
             return Values{a, b, c};
         }},
        {"orbit", [](E& e) { return e.setOrbit(45, 80, 0.5f); }, [](E& e) { return e.setOrbit(0, 0, 10001); },
         [](const E& e) {
             float a, b, c;
             e.getOrbit(&a, &b, &c);
             return Values{a, b, c};
         }},
        {"rotation", [](E& e) { return e.setRotation(30, -90); }, [](E& e) { return e.setRotation(kNaN, 0); },
         [](const E& e) {
             float a, b;
             e.getRotation(&a, &b);
             return Values{a, b};
         }},
        {"stretch", [](E& e) { return e.setStretch(0.75f, true); }, [](E& e) { return e.setStretch(-1, false); },
         [](const E& e) {
             float a;
             bool b;
             e.getStretch(&a, &b);
             return Values{a, double(b)};
         }},
        {"simulation scale", [](E& e) { return e.setSimulationScale(2.5f); },
         [](E& e) { return e.setSimulationScale(-1); }, [](const E& e) { return Values{e.getSimulationScale()}; }},
        {"warm-up", [](E& e) { return e.setWarmUp(3); }, [](E& e) { return e.setWarmUp(31); },
         [](const E& e) { return Values{e.getWarmUp()}; }},
        {"seed", [](E& e) { return e.setSeed(4294967295u); }, [](E& e) { return e.setSeed(0); },
         [](const E& e) { return Values{double(e.getSeed())}; }},
        {"collision", [](E& e) { return e.setCollisionMode(PCM_STOP, 0.3f); },
         [](E& e) { return e.setCollisionMode(eParticleCollisionMode(4), 1); },
         [](const E& e) {
             eParticleCollisionMode m;
             float b;
             e.getCollision(nullptr, &m, &b);
             return Values{double(m), b};
         }},
        {"bursts", [](E& e) { return e.setBursts({{2.5f, 40}, {0.5f, 3}}); },
         [](E& e) { return e.setBursts(Vector<ParticleBurst>(17, ParticleBurst{1, 1})); },
         [](const E& e) {
             return flatten(e.getBursts(), [](const ParticleBurst& b) { return Values{b.time, double(b.count)}; });
         }},
        {"sub-emitters", [](E& e) { return e.setSubEmitters({{PEP_SPARK_BURST, 3, 0.5f, 2}}); },
         [](E& e) { return e.setSubEmitters(Vector<ParticleSubEmitter>(9, ParticleSubEmitter{PEP_FIRE, 1, 1, 0})); },
         [](const E& e) {
             return flatten(e.getSubEmitters(), [](const ParticleSubEmitter& s) {
                 return Values{double(s.preset), double(s.triggers), s.probability, s.velocityInheritance};
             });
         }},
        {"colour keys",
         [](E& e) { return e.setColorKeys({{1, {1, 2, 3, 4}}, {0, {250, 0, 9, 255}}, {0.5f, {7, 7, 7, 0}}}); },
         [](E& e) { return e.setColorKeys({}); },
         [](const E& e) {
             return flatten(&e.getColorKeys(), [](const ParticleColorKey& k) {
                 return Values{k.time, double(k.color.r), double(k.color.g), double(k.color.b), double(k.color.a)};
             });
         }},
        {"tint palette", [](E& e) { return e.setTintPalette({{1, 2, 3, 4}, {255, 128, 0, 255}}); },
         [](E& e) { return e.setTintPalette(Vector<SDL_Color>(17)); },
         [](const E& e) {
             return flatten(&e.getTintPalette(), [](const SDL_Color& c) {
                 return Values{double(c.r), double(c.g), double(c.b), double(c.a)};
             });
         }},
        {"scale keys", [](E& e) { return e.setScaleKeys({{0, 0.5f}, {0.3f, 4}, {1, 0}}); },
         [](E& e) { return e.setScaleKeys({{1.5f, 1}}); },
         [](const E& e) {
             return flatten(&e.getScaleKeys(), [](const ParticleScaleKey& k) { return Values{k.time, k.scale}; });
         }},
    };
    return rows;
}

class Store : public ParticleTest {
protected:
    // Closes the engine and opens the archive again in a new one.
    void reopen()
    {
        Main::terminate();
        archiveId = Main::instance()->archiveMgr()->load(dir.file("fx.qel").c_str(), nullptr, 0);
        ASSERT_GT(archiveId, 0);
        mgr = Main::instance()->particleMgr();
    }
    testutil::Bytes raw(const char* name)
    {
        testutil::Bytes out;
        EXPECT_EQ(testutil::load(Main::instance()->archiveMgr()->get(archiveId), name, "ZK7_PARTICLE", out), 0);
        return out;
    }
    int loadBytes(const testutil::Bytes& bytes)
    {
        Archive::Block block("bad", "ZK7_PARTICLE");
        block.data = const_cast<uint8_t*>(bytes.data());
        block.size = bytes.size();
        EXPECT_EQ(Main::instance()->archiveMgr()->get(archiveId)->blockAdd(block), 0);
        return mgr->load(archiveId, "bad");
    }
};

TEST_F(Store, EverySettingRoundTripsAndRefusedValuesKeepTheOld)
{
    ParticleEmitter& e = emitter(PEP_MAGIC);
    std::vector<Values> expected;
    for (const Setting& s : settings()) {
        const Values before = s.get(e);
        ASSERT_TRUE(s.set(e)) << s.name;
        EXPECT_NE(s.get(e), before) << s.name << ": the test value must differ from the preset's";
        if (s.refuse) {
            EXPECT_FALSE(s.refuse(e)) << s.name;
        }
        expected.push_back(s.get(e));
    }
    ASSERT_EQ(e.save(archiveId, "all"), 0);
    reopen();
    const int id = mgr->load(archiveId, "all");
    ASSERT_GT(id, 0);
    ParticleEmitter* back = mgr->get(id);
    EXPECT_STREQ(back->getName(), "all");
    EXPECT_EQ(back->getPreset(), PEP_MAGIC);
    EXPECT_EQ(back->status(), PES_STOPPED);
    for (size_t i = 0; i < settings().size(); ++i)
        EXPECT_EQ(settings()[i].get(*back), expected[i]) << settings()[i].name;
}

TEST_F(Store, ListsAreSortedByTimeAndTheScaleRampIsTwoKeys)
{
    ParticleEmitter& e = emitter();
    ASSERT_TRUE(e.setColorKeys({{1, {1, 0, 0, 0}}, {0.5f, {2, 0, 0, 0}}, {0.5f, {3, 0, 0, 0}}}));
    std::vector<int> reds;
    for (const ParticleColorKey& k : e.getColorKeys())
        reds.push_back(k.color.r);
    EXPECT_EQ(reds, (std::vector<int>{2, 3, 1})) << "equal times keep their order";
    ASSERT_TRUE(e.setScaleRamp(2, 3));
    ASSERT_EQ(e.getScaleKeys().size(), 2u);
    EXPECT_EQ(e.getScaleKeys().front().scale, 2);
    EXPECT_EQ(e.getScaleKeys().back().scale, 3);
    EXPECT_FALSE(e.setScaleRamp(-1, 3));
    EXPECT_EQ(e.getScaleKeys().front().scale, 2);
}

TEST_F(Store, AnImageVisualIsStoredByNameAndLoadedWithTheEffect)
{
    SDL_Surface* dot = SDL_CreateRGBSurfaceWithFormat(0, 4, 4, 32, SDL_PIXELFORMAT_ARGB8888);
    const int image = Main::instance()->imageMgr()->loadFromSurface(dot, "dot");
    SDL_FreeSurface(dot);
    ASSERT_EQ(Main::instance()->imageMgr()->get(image)->save(archiveId, "dot"), 0);
    ParticleEmitter& e = emitter();
    EXPECT_FALSE(e.setVisual(PV_IMAGE, image + 100, -1)) << "no such image";
    EXPECT_FALSE(e.setVisual(PV_IMAGE, image, 0)) << "images have no animation";
    ASSERT_TRUE(e.setVisual(PV_IMAGE, image, -1));
    ASSERT_EQ(e.save(archiveId, "img"), 0);
    reopen();
    const int id = mgr->load(archiveId, "img");
    ASSERT_GT(id, 0);
    int visual = 0, resource = 0;
    mgr->get(id)->getVisual(&visual, &resource, nullptr);
    EXPECT_EQ(visual, PV_IMAGE);
    ASSERT_NE(Main::instance()->imageMgr()->get(resource), nullptr);
    EXPECT_STREQ(Main::instance()->imageMgr()->get(resource)->getName(), "dot");
    mgr->close(id);
    EXPECT_EQ(Main::instance()->imageMgr()->get(resource), nullptr) << "the emitter's own image closes with it";

    // Without its image the effect still loads, and saves the name back.
    ASSERT_EQ(Main::instance()->imageMgr()->remove(archiveId, "dot"), 0);
    const int orphan = mgr->load(archiveId, "img");
    ASSERT_GT(orphan, 0);
    ASSERT_EQ(mgr->get(orphan)->save(archiveId, "again"), 0);
    EXPECT_EQ(raw("again"), raw("img"));
}

TEST_F(Store, ASpriteVisualIsLoadedWithTheEffectAndClosedWithIt)
{
    SDL_Surface* sheet = SDL_CreateRGBSurfaceWithFormat(0, 16, 8, 32, SDL_PIXELFORMAT_ARGB8888);
    const int image = Main::instance()->imageMgr()->loadFromSurface(sheet, "sheet");
    SDL_FreeSurface(sheet);
    const std::string png = dir.file("sheet.png");
    ASSERT_TRUE(Main::instance()->imageMgr()->get(image)->saveToPNG(png.c_str()));
    const testutil::Bytes bytes = testutil::readFile(png);
    const int sprite = Main::instance()->spriteMgr()->loadFromBuffer(bytes.data(), bytes.size(), "walker", 8, 8);
    ASSERT_GT(sprite, 0);
    ASSERT_EQ(Main::instance()->spriteMgr()->get(sprite)->save(archiveId, "walker"), 0);
    ParticleEmitter& e = emitter();
    ASSERT_TRUE(e.setVisual(PV_SPRITE, sprite, -1));
    ASSERT_EQ(e.save(archiveId, "fx"), 0);
    reopen();
    const int id = mgr->load(archiveId, "fx");
    ASSERT_GT(id, 0);
    int visual = 0, resource = 0;
    mgr->get(id)->getVisual(&visual, &resource, nullptr);
    EXPECT_EQ(visual, PV_SPRITE);
    ASSERT_NE(Main::instance()->spriteMgr()->get(resource), nullptr);
    mgr->close(id);
    EXPECT_EQ(Main::instance()->spriteMgr()->get(resource), nullptr) << "the emitter's own sprite closes with it";
}

TEST_F(Store, BlockHeaderIsAsDocumented)
{
    ASSERT_EQ(emitter().save(archiveId, "plain"), 0);
    const testutil::Bytes b = raw("plain");
    ASSERT_GE(b.size(), 16u + 180u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "ZKPE");
    EXPECT_EQ((std::vector<int>(b.begin() + 4, b.begin() + 16)),
              (std::vector<int>{1, 0, 16, 0, 180, 0, 0, 0, 0, 0, 0, 0}));
}

// The page's example, byte for byte, is what a new effect writes.
TEST_F(Store, TheDocumentedExampleIsWhatANewEffectWrites)
{
    std::ifstream page(std::string(SKARDEN_DOCS) + "/particle-format.md");
    ASSERT_TRUE(page) << SKARDEN_DOCS;
    std::string line;
    while (std::getline(page, line) && line != "## Example") {
    }
    while (std::getline(page, line) && line != "```") {
    }
    testutil::Bytes documented;
    while (std::getline(page, line) && line != "```") {
        std::istringstream words(line);
        std::string word;
        words >> word; // the offset
        while (words >> word)
            documented.push_back(static_cast<uint8_t>(std::stoi(word, nullptr, 16)));
    }
    ASSERT_EQ(emitter().save(archiveId, "new"), 0);
    const testutil::Bytes written = raw("new");
    std::string dump; // the page's form, shown when they differ
    char cell[24];
    for (size_t i = 0; i < written.size(); ++i) {
        if (i % 16 == 0) {
            std::snprintf(cell, sizeof cell, "%s%04zX:", i ? "\n" : "", i);
            dump += cell;
        }
        std::snprintf(cell, sizeof cell, " %02X", written[i]);
        dump += cell;
    }
    EXPECT_EQ(documented, written) << dump;
}

TEST_F(Store, DamagedBlocksAreRefusedWithoutAnEmitter)
{
    ParticleEmitter& e = emitter();
    ASSERT_TRUE(e.setBursts({{0.5f, 3}}));
    ASSERT_EQ(e.save(archiveId, "good"), 0);
    const testutil::Bytes good = raw("good");
    ASSERT_GT(loadBytes(good), 0) << "the unchanged bytes load";
    const int open = mgr->getCount();

    auto patch32 = [&](size_t at, uint32_t v) {
        testutil::Bytes b = good;
        for (int i = 0; i < 4; ++i)
            b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
        return b;
    };
    uint32_t nan;
    std::memcpy(&nan, &kNaN, 4);
    // Offsets: record at 16, field k at 16 + 4k; the visual name length at
    // 196 (empty here), the burst count at 200.
    const struct {
        const char* what;
        testutil::Bytes bytes;
    } cases[] = {
        {"magic", patch32(0, 0x45504B5B)},
        {"version 2", patch32(4, 0x00100002)},
        {"longer record", patch32(8, 184)},
        {"unknown preset", patch32(16, 999)},
        {"NaN width", patch32(16 + 2 * 4, nan)},
        {"truth value 2", patch32(16 + 4 * 4, 2)},
        {"visual 4", patch32(16 + 19 * 4, 4)},
        {"image without a name", patch32(16 + 19 * 4, PV_IMAGE)},
        {"max particles 65537", patch32(16 + 15 * 4, 65537)},
        {"huge burst count", patch32(200, 0xFFFFFFFF)},
        {"17 bursts", patch32(200, 17)},
        {"name longer than the block", patch32(196, 63)},
        {"trailing byte", [&] {
             testutil::Bytes b = good;
             b.push_back(0);
             return b;
         }()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(loadBytes(c.bytes), RC_ERR_CORRUPT) << c.what;
    for (size_t n = 0; n < good.size(); ++n)
        ASSERT_EQ(loadBytes(testutil::Bytes(good.begin(), good.begin() + static_cast<long>(n))), RC_ERR_CORRUPT)
            << "cut to " << n;
    EXPECT_EQ(mgr->getCount(), open);
    EXPECT_EQ(mgr->load(archiveId, "missing"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(mgr->load(archiveId + 1, "good"), RC_ERR_NOT_FOUND);
}

TEST_F(Store, NamesRemoveAndSaveCodes)
{
    const int a = mgr->create("a", 10);
    ASSERT_GT(a, 0);
    EXPECT_EQ(mgr->create("a", 10), RC_ERR_EXISTS);
    EXPECT_EQ(mgr->create(std::string(64, 'n').c_str(), 10), RC_ERR_INVALID);
    const int b = mgr->create("b", 10);
    EXPECT_EQ(mgr->setName(b, "a"), RC_ERR_EXISTS);
    EXPECT_EQ(mgr->setName(b, ""), RC_ERR_INVALID);
    EXPECT_EQ(mgr->setName(b, "c"), 0);
    EXPECT_STREQ(mgr->get(b)->getName(), "c");
    EXPECT_EQ(mgr->setName(999, "d"), RC_ERR_NOT_FOUND);

    EXPECT_EQ(mgr->get(b)->save(archiveId + 1, ""), RC_ERR_NOT_FOUND);
    EXPECT_EQ(mgr->get(b)->save(archiveId, ""), 0) << "under its own name";
    EXPECT_GT(mgr->load(archiveId, "c"), 0);
    EXPECT_EQ(mgr->remove(archiveId, "c"), 0);
    EXPECT_EQ(mgr->load(archiveId, "c"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(mgr->remove(archiveId, "c"), RC_ERR_NOT_FOUND);
    EXPECT_EQ(mgr->close(a), 0);
    EXPECT_EQ(mgr->close(a), RC_ERR_NOT_FOUND);
    EXPECT_EQ(mgr->get(a), nullptr);
}

} // namespace
} // namespace particletest
