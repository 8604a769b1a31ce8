// A video file opened for one operation and closed with it.
#pragma once

#include <Zelkoran/Main.h>
#include <Zelkoran/Video.h>

#include <string>

// Its resource name is family followed by counter, which counts up.
class OpenVideo {
public:
    OpenVideo(const char* path, const char* family, int& counter, Zelkoran::Main* main = Zelkoran::Main::instance())
        : m_videos(main->videoMgr())
    {
        const std::string name = family + std::to_string(counter++);
        m_id = m_videos->loadFromFile(path, name.c_str(), Zelkoran::ATT_MUSIC);
    }
    ~OpenVideo()
    {
        if (m_id > 0)
            m_videos->close(m_id);
    }
    OpenVideo(const OpenVideo&) = delete;
    OpenVideo& operator=(const OpenVideo&) = delete;
    // The loader's result: the id (> 0) or its failure value.
    int id() const { return m_id; }
    Zelkoran::Video* get() const { return m_id > 0 ? m_videos->get(m_id) : nullptr; }

private:
    Zelkoran::VideoMgr* m_videos;
    int m_id = 0;
};
