// Scene::storeDependencies: what a scene read from files becomes blocks of
// an archive, so that the map stored there needs no file beside it.
#include <Zelkoran/Archive.h>
#include <Zelkoran/Internal.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Scene.h>

#include "core/PathText.h"
#include "image/ImageBlock.h"
#include "scene/SceneAccess.h"
#include "scene/SceneIO.h"
#include "xml/XMLText.h"

#include <cstring>
#include <map>
#include <set>

namespace Zelkoran {

namespace {

using scene::Layer;
using scene::Picture;
using scene::TileSet;

bool fromFile(const String& reference) { return !reference.empty() && !Internal::isQELURI(reference.c_str()); }

class DependencyStore {
public:
    DependencyStore(Archive& archive, scene::Map& map)
        : m_archive(archive), m_map(map),
          m_prefix("qel://" + PathText::toString(std::filesystem::path(archive.getName()).filename()) + "/")
    {
    }

    int run()
    {
        for (auto* list : {&m_map.tileSets, &m_map.templateTileSets})
            for (auto& ts : *list)
                if (int rc = storeTileSet(*ts); rc != RC_OK)
                    return rc;
        for (auto& slot : m_map.slots)
            if (slot)
                if (int rc = storeLayer(*slot); rc != RC_OK)
                    return rc;
        return storeTemplates();
    }

    int written() const { return m_written; }

private:
    // Stores data as a block of type named after reference's file: under
    // that name when it is free, else with "_2", "_3"... A block that holds
    // these very bytes already (a map imported again) is used as it is.
    int place(const String& reference, const char* type, const void* data, size_t size, String& name)
    {
        const std::filesystem::path file = PathText::toPath(reference.c_str()).filename();
        const String stem = PathText::toString(file.stem());
        const String ext = PathText::toString(file.extension());
        for (int n = 1;; ++n) {
            const String suffix = n == 1 ? String() : "_" + String(std::to_string(n).c_str());
            name = scene::fitBlockName(stem, suffix + ext);
            if (!m_taken.insert(name + '\n' + type).second)
                continue;
            Archive::Block block(name.c_str(), type);
            if (m_archive.blockSearch(block) < 0)
                break;
            const bool same = m_archive.blockLoad(block) == RC_OK && block.size == size &&
                              std::memcmp(block.data, data, size) == 0;
            m_archive.blockFree(block);
            if (same)
                return RC_OK;
        }
        Archive::Block block(name.c_str(), type);
        block.storage = blockStorage(m_archive, Archive::ST_COMPRESSED);
        block.data = const_cast<void*>(data);
        block.size = size;
        if (int rc = m_archive.blockAdd(block); rc != RC_OK)
            return rc;
        ++m_written;
        return RC_OK;
    }

    int storePicture(Picture* picture)
    {
        if (!picture || !fromFile(picture->source) || m_storedPictures.count(picture))
            return RC_OK;
        Vector<uint8_t> bytes;
        image::ImageSettings settings;
        settings.clearPalette = picture->clearPalette;
        if (int rc = image::encodeImageBlock(picture->surface, settings, bytes); rc != RC_OK)
            return rc;
        String name;
        if (int rc = place(picture->source, image::kImageBlockType, bytes.data(), bytes.size(), name); rc != RC_OK)
            return rc;
        picture->source = m_prefix + name;
        m_storedPictures.insert(picture);
        return RC_OK;
    }

    int storeTileSet(TileSet& ts)
    {
        if (int rc = storePicture(ts.picture.get()); rc != RC_OK)
            return rc;
        for (auto& [id, art] : ts.tiles)
            if (int rc = storePicture(art.picture.get()); rc != RC_OK)
                return rc;
        if (!fromFile(ts.source))
            return RC_OK;
        // The TSX as read, its images pointing at the blocks just written.
        pugi::xml_document tsx;
        pugi::xml_node root = tsx.append_copy(ts.element.document_element());
        if (pugi::xml_node image = root.child("image"); image && ts.picture)
            image.attribute("source").set_value(ts.picture->source.c_str());
        for (pugi::xml_node tile : root.children("tile"))
            if (auto it = ts.tiles.find(tile.attribute("id").as_uint()); it != ts.tiles.end() && it->second.picture)
                if (pugi::xml_node image = tile.child("image"))
                    image.attribute("source").set_value(it->second.picture->source.c_str());
        String name;
        if (int rc = placeDocument(tsx, ts.source, name); rc != RC_OK)
            return rc;
        ts.source = m_prefix + name;
        return RC_OK;
    }

    int placeDocument(const pugi::xml_document& doc, const String& reference, String& name)
    {
        String text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        xml::StringWriter out(text);
        doc.save(out, " ", pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
        return place(reference, "ZK7_XML", text.data(), text.size(), name);
    }

    int storeLayer(Layer& layer)
    {
        if (int rc = storePicture(layer.picture.get()); rc != RC_OK)
            return rc;
        for (auto& child : layer.children)
            if (int rc = storeLayer(*child); rc != RC_OK)
                return rc;
        return RC_OK;
    }

    // Each template once (two references may name one), its tile set
    // pointing at that tile set's block; the objects then name the URI.
    int storeTemplates()
    {
        std::map<const scene::Template*, String> uris;
        std::map<String, String> renamed;
        decltype(m_map.templates) kept;
        for (auto& [reference, shared] : m_map.templates) {
            if (!fromFile(reference)) {
                kept.emplace(reference, shared);
                continue;
            }
            auto done = uris.find(shared.get());
            if (done == uris.end()) {
                pugi::xml_document tx;
                pugi::xml_node root = tx.append_copy(shared->element.document_element());
                if (pugi::xml_node ts = root.child("tileset"); ts && shared->tileSet)
                    ts.attribute("source").set_value(shared->tileSet->source.c_str());
                String name;
                if (int rc = placeDocument(tx, reference, name); rc != RC_OK)
                    return rc;
                done = uris.emplace(shared.get(), m_prefix + name).first;
            }
            renamed[reference] = done->second;
            kept.emplace(done->second, shared);
        }
        m_map.templates = std::move(kept);
        for (auto& slot : m_map.slots)
            if (slot)
                renameTemplates(*slot, renamed);
        return RC_OK;
    }

    static void renameTemplates(Layer& layer, const std::map<String, String>& renamed)
    {
        for (pugi::xml_node object : layer.element.document_element().children("object"))
            if (pugi::xml_attribute t = object.attribute("template"))
                if (auto it = renamed.find(t.value()); it != renamed.end())
                    t.set_value(it->second.c_str());
        for (auto& child : layer.children)
            renameTemplates(*child, renamed);
    }

    Archive& m_archive;
    scene::Map& m_map;
    const String m_prefix;
    std::set<String> m_taken;
    std::set<const Picture*> m_storedPictures;
    int m_written = 0;
};

} // namespace

int Scene::storeDependencies(int archiveId)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive)
        return RC_ERR_NOT_FOUND;
    try {
        DependencyStore store(*archive, SceneAccess::map(*this));
        const int rc = store.run();
        return rc == RC_OK ? store.written() : rc;
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
}

} // namespace Zelkoran
