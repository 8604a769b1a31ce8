// What the scene import tests of the import library and of the scene tab
// share: the scene imported into, GIF source options, the sample folders
// and a video cut short.
#pragma once

#include "import/scene/SceneLayerImportOptions.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace importtest {

// An empty scene made by open and closed by close (before the engine ends).
class TargetScene {
public:
    void open()
    {
        m_id = Zelkoran::Main::instance()->sceneMgr()->create("imports", 0);
        ASSERT_GT(m_id, 0);
    }
    void close()
    {
        Zelkoran::Main::instance()->sceneMgr()->close(m_id);
        m_id = 0;
    }
    Zelkoran::Scene* get() const { return Zelkoran::Main::instance()->sceneMgr()->get(m_id); }

private:
    int m_id = 0;
};

// base as a frame sequence taken from the GIF at path, exact pixels.
inline SceneLayerImportOptions gifOptions(SceneLayerImportOptions base, const std::string& path)
{
    base.sourceType = 2, base.fileKind = 3;
    base.sourcePath = path.c_str();
    base.matchMode = 0;
    return base;
}

// The sample folder of that name, "" when SKARDEN_SAMPLES is unset.
inline std::string samples(const char* folder)
{
    const char* root = std::getenv("SKARDEN_SAMPLES");
    return root ? std::string(root) + "/" + folder : std::string();
}

// The first 4000 bytes of the sample video mp4ff-prog_8s.mp4 in the folder
// videos as the file at path: a video cut short.
inline void writeCutVideo(const std::string& videos, const std::string& path)
{
    std::ifstream in(videos + "/mp4ff-prog_8s.mp4", std::ios::binary);
    std::vector<char> head(4000);
    in.read(head.data(), long(head.size()));
    std::ofstream(path, std::ios::binary).write(head.data(), long(head.size()));
}

} // namespace importtest
