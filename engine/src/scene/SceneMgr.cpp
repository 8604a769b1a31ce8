#include <Zelkoran/Archive.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include "core/PathText.h"
#include "core/WholeFile.h"
#include "scene/SceneAccess.h"
#include "scene/SceneIO.h"
#include "xml/XMLText.h"

#include <map>

namespace Zelkoran {

struct SceneMgr::Impl {
    std::map<int, std::unique_ptr<Scene>> open;
    int nextId = 1;
    String lastError;

    bool nameTaken(const char* name, int except) const
    {
        for (const auto& [id, s] : open)
            if (id != except && s->getName() == std::string_view(name))
                return true;
        return false;
    }

    int adopt(std::unique_ptr<Scene::Impl> impl, const char* name)
    {
        const int id = nextId++;
        impl->id = id;
        impl->name = name ? name : "";
        open.emplace(id, std::unique_ptr<Scene>(new Scene(std::move(impl))));
        lastError.clear();
        return id;
    }

    int fail(int rc, const char* what, const String& why)
    {
        lastError = String(what) + ": " + why;
        if (Log* log = LogMgr::current())
            log->msg(2, " [Scene] Error: %s\n", lastError.c_str());
        return rc;
    }

    int read(const void* data, size_t size, const char* name, const scene::Origin& origin)
    {
        auto impl = std::make_unique<Scene::Impl>();
        String why;
        if (int rc = scene::readMap(data, size, origin, impl->map, why); rc != RC_OK)
            return fail(rc, name, why);
        return adopt(std::move(impl), name);
    }
};

SceneMgr::SceneMgr() : m_impl(std::make_unique<Impl>()) {}
SceneMgr::~SceneMgr() = default;

int SceneMgr::create(const char* name, int)
{
    if (!name)
        return RC_ERR_INVALID;
    if (*name && m_impl->nameTaken(name, 0))
        return RC_ERR_EXISTS;
    return m_impl->adopt(std::make_unique<Scene::Impl>(), name);
}

int SceneMgr::load(const char* archivePath, const char* blockName, SceneObjectFactory*)
{
    if (!archivePath || !blockName)
        return RC_ERR_INVALID;
    ArchiveMgr& archives = *Main::instance()->archiveMgr();
    int id = archives.find(archivePath);
    const bool opened = id < 1;
    if (opened && (id = archives.load(archivePath, nullptr, 0)) < 1)
        return m_impl->fail(id < 0 ? id : RC_ERR_NOT_FOUND, archivePath, "the archive cannot be opened");
    Archive::Block block(blockName, "ZK7_XML");
    int rc = archives.get(id)->blockLoad(block);
    int result = rc;
    if (rc == RC_OK) {
        result = loadFromBuffer(block.data, size_t(block.size), blockName, archivePath);
        archives.get(id)->blockFree(block);
    } else {
        m_impl->fail(rc, blockName, "the scene block cannot be read");
    }
    if (opened)
        archives.close(id);
    return result;
}

int SceneMgr::loadFromFile(const char* path, SceneObjectFactory*)
{
    if (!path)
        return RC_ERR_INVALID;
    String text;
    if (int rc = readWholeFile(path, text, xml::kMaxTextBytes); rc != RC_OK)
        return m_impl->fail(rc, path, "the file cannot be read");
    scene::Origin origin;
    String absolute;
    if (!PathText::absolute(PathText::toPath(path), absolute))
        return m_impl->fail(RC_ERR_NOT_FOUND, path, "the file cannot be read");
    origin.folder = PathText::toString(std::filesystem::path(absolute.c_str()).parent_path());
    const String name = PathText::toString(std::filesystem::path(absolute.c_str()).filename());
    return m_impl->read(text.data(), text.size(), name.c_str(), origin);
}

int SceneMgr::loadFromBuffer(const void* data, size_t size, const char* name, const char* archivePath,
                             SceneObjectFactory*)
{
    if (!data)
        return RC_ERR_INVALID;
    scene::Origin origin;
    if (archivePath && *archivePath) {
        String absolute;
        if (PathText::absolute(PathText::toPath(archivePath), absolute)) {
            origin.archivePath = absolute;
            origin.folder = PathText::toString(std::filesystem::path(absolute.c_str()).parent_path());
        }
    }
    return m_impl->read(data, size, name ? name : "", origin);
}

Scene* SceneMgr::get(int id)
{
    auto it = m_impl->open.find(id);
    return it == m_impl->open.end() ? nullptr : it->second.get();
}

int SceneMgr::close(int id) { return m_impl->open.erase(id) ? RC_OK : RC_ERR_NOT_FOUND; }

int SceneMgr::setName(int id, const char* name)
{
    if (!name || !*name)
        return RC_ERR_INVALID;
    auto it = m_impl->open.find(id);
    if (it == m_impl->open.end())
        return RC_ERR_NOT_FOUND;
    if (m_impl->nameTaken(name, id))
        return RC_ERR_EXISTS;
    it->second->m_impl->name = name;
    return RC_OK;
}

const char* SceneMgr::getLastError() const { return m_impl->lastError.c_str(); }

} // namespace Zelkoran
