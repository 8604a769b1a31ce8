// The map model to TMX text. Elements are written from their copies as
// read, with the attributes the model owns brought up to date (defaults
// left out), so what the engine does not use comes back unchanged.
#include "scene/SceneIO.h"
#include "scene/TileData.h"

#include <Zelkoran/Archive.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/Result.h>

#include "core/FileReplace.h"
#include "core/PathText.h"
#include "image/ImageBlock.h"
#include "image/PngCodec.h"
#include "xml/XMLText.h"

#include <SDL_surface.h>
#include <xxhash.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace Zelkoran::scene {

namespace {

// Tiled's chunk size for infinite maps.
constexpr int kChunk = 16;

// The shortest text that reads back as the same value of its own type (a
// float's 0.8 stays "0.8").
template <typename T>
String num(T v)
{
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof(text), v);
    return String(text, size_t(end - text));
}

void setAttr(pugi::xml_node e, const char* name, const String& value)
{
    pugi::xml_attribute a = e.attribute(name);
    (a ? a : e.append_attribute(name)).set_value(value.c_str());
}

// Sets the attribute, or removes it where the value is the default.
template <typename T>
void setOrDrop(pugi::xml_node e, const char* name, T value, T def)
{
    if (value == def)
        e.remove_attribute(name);
    else
        setAttr(e, name, num(value));
}

String stemOf(const String& name)
{
    const std::filesystem::path p(name.c_str());
    return PathText::toString(p.stem());
}

// Longest file name an export writes before "_<n>" is added: file systems
// take 255 bytes, and a file is written first under its name with
// ".part-xxxxxxxx" added.
constexpr size_t kMaxFileName = 200;
// Longer endings are no extension worth keeping.
constexpr size_t kMaxExtension = 16;

// A name that fits: the head of its stem (whole UTF-8 characters), "~" and
// a digest of the whole name, then its extension.
String fitFileName(const String& name)
{
    if (name.size() <= kMaxFileName)
        return name;
    const size_t dot = name.rfind('.');
    const String ext = dot != String::npos && name.size() - dot <= kMaxExtension ? name.substr(dot) : String();
    char digest[24];
    std::snprintf(digest, sizeof digest, "~%016" PRIx64, static_cast<uint64_t>(XXH64(name.data(), name.size(), 0)));
    size_t keep = kMaxFileName - ext.size() - std::strlen(digest);
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
        --keep;
    return name.substr(0, keep) + digest + ext;
}

// Writes an export file; a failure is logged with the file and its cause.
int writeExportFile(const String& path, const uint8_t* data, size_t size)
{
    errno = 0;
    const int rc = writeFileReplacing(path.c_str(), data, size);
    if (rc != RC_OK)
        if (Log* log = LogMgr::current())
            log->msg(2, " [Scene] Error: could not write \"%s\": %s\n", path.c_str(),
                     errno ? std::strerror(errno) : "write failed");
    return rc;
}

class Writer {
public:
    Writer(const Map& map, const WriteOptions& options) : m_map(map), m_options(options) {}
    int write(String& text);

private:
    int pictureRef(const Picture& picture, String& ref);
    int writeImages(pugi::xml_node image, const Picture* picture);
    int writeTileSet(pugi::xml_node parent, const TileSet& ts, size_t index);
    int tileSetBody(pugi::xml_node body, const TileSet& ts);
    int exportTileSet(const TileSet& ts, String& file);
    int exportTemplate(const String& ref, String& file);
    int writeFile(const pugi::xml_document& doc, const String& file);
    // slot: a top-level layer's slot, 0 for a nested one.
    int writeLayer(pugi::xml_node parent, const Layer& layer, int slot);
    // A layer keeps the id it was read with; a new or repeated one takes
    // the next id, which no layer had, as Tiled gives ids.
    int keptId(const Layer& layer);
    void noteIds(const Layer& layer);
    String uniqueFile(const String& wanted);

    const Map& m_map;
    const WriteOptions& m_options;
    std::map<const Picture*, String> m_refs;
    std::set<String> m_files;
    std::map<const TileSet*, String> m_tileSetFiles;
    std::map<const Template*, String> m_templateFiles;
    int m_nextId = 1;
    std::set<int> m_writtenIds;
    int m_memoryImages = 0;
};

String Writer::uniqueFile(const String& wanted)
{
    // Names come from inside the map (a tile set's name, say "../../x"):
    // folder parts must not lead the file out of the export folder.
    String name = fitFileName(PathText::fileNameFor(wanted.empty() ? String("file") : wanted));
    const String stem = stemOf(name);
    const String ext = PathText::toString(std::filesystem::path(name.c_str()).extension());
    for (int n = 2; m_files.count(name); ++n)
        name = stem + "_" + std::to_string(n).c_str() + ext;
    m_files.insert(name);
    return name;
}

int Writer::pictureRef(const Picture& picture, String& ref)
{
    if (auto it = m_refs.find(&picture); it != m_refs.end()) {
        ref = it->second;
        return RC_OK;
    }
    if (!m_options.exportFolder.empty()) {
        // Export: every image becomes a PNG beside the map.
        const String base = picture.source.empty() ? String("image") : stemOf(PathText::toString(
                                                                             PathText::toPath(picture.source.c_str()).filename()));
        ref = uniqueFile(base + ".png");
        Vector<uint8_t> png;
        int rc = picture.clearPalette ? image::encodePalettePng(picture.surface, png)
                                      : image::encodePng(picture.surface, png);
        if (rc == RC_OK)
            rc = writeExportFile(m_options.exportFolder + "/" + ref, png.data(), png.size());
        if (rc != RC_OK)
            return rc;
    } else if (!picture.source.empty()) {
        ref = picture.source;
    } else {
        // Pixels that exist only in memory go into the archive the text will
        // be stored in, named after the text, and are referred to by URI.
        ArchiveMgr& archives = *Main::instance()->archiveMgr();
        const int id = archives.find(m_options.archivePath.c_str());
        Archive* archive = id > 0 ? archives.get(id) : nullptr;
        if (!archive)
            return RC_ERR_NOT_FOUND;
        // A name no block of the archive has: the pictures of other layers
        // and scenes stored under this stem stay as they are.
        const String stem = "#M_" + stemOf(m_options.storeName);
        String block;
        do
            block = fitBlockName(stem, String("_") + std::to_string(m_memoryImages++).c_str());
        while (archive->blockSearch(Archive::Block(block.c_str(), image::kImageBlockType)) >= 0);
        Vector<uint8_t> bytes;
        image::ImageSettings settings;
        settings.clearPalette = picture.clearPalette;
        if (int rc = image::encodeImageBlock(picture.surface, settings, bytes); rc != RC_OK)
            return rc;
        Archive::Block b(block.c_str(), image::kImageBlockType);
        b.storage = blockStorage(*archive, Archive::ST_COMPRESSED);
        b.data = bytes.data();
        b.size = bytes.size();
        if (int rc = archive->blockAdd(b); rc != RC_OK)
            return rc;
        ref = "qel://" + PathText::toString(std::filesystem::path(archive->getName()).filename()) + "/" + block;
    }
    m_refs.emplace(&picture, ref);
    return RC_OK;
}

int Writer::writeImages(pugi::xml_node image, const Picture* picture)
{
    // An embedded picture stays in its element's <data>, as read.
    if (!image || !picture || picture->embedded)
        return RC_OK;
    String ref;
    if (int rc = pictureRef(*picture, ref); rc != RC_OK)
        return rc;
    setAttr(image, "source", ref);
    if (!m_options.exportFolder.empty() || picture->source.empty()) {
        setAttr(image, "width", num(picture->surface->w));
        setAttr(image, "height", num(picture->surface->h));
    }
    return RC_OK;
}

int Writer::tileSetBody(pugi::xml_node body, const TileSet& ts)
{
    pugi::xml_node from = ts.element.document_element();
    for (pugi::xml_attribute a : from.attributes())
        if (std::string_view(a.name()) != "source")
            body.append_attribute(a.name()).set_value(a.value());
    for (pugi::xml_node c : from.children())
        body.append_copy(c);
    if (int rc = writeImages(body.child("image"), ts.picture.get()); rc != RC_OK)
        return rc;
    // The columns and tiles the image is cut in (a set may declare others).
    if (ts.picture) {
        setAttr(body, "columns", num(ts.columns));
        if (body.attribute("tilecount"))
            setAttr(body, "tilecount", num(ts.tileCount));
    }
    for (pugi::xml_node tile : body.children("tile")) {
        auto it = ts.tiles.find(tile.attribute("id").as_uint());
        if (it != ts.tiles.end())
            if (int rc = writeImages(tile.child("image"), it->second.picture.get()); rc != RC_OK)
                return rc;
    }
    return RC_OK;
}

int Writer::writeFile(const pugi::xml_document& doc, const String& file)
{
    String text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml::StringWriter out(text);
    doc.save(out, " ", pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
    const String path = m_options.exportFolder + "/" + file;
    return writeExportFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

int Writer::exportTileSet(const TileSet& ts, String& file)
{
    if (auto it = m_tileSetFiles.find(&ts); it != m_tileSetFiles.end()) {
        file = it->second;
        return RC_OK;
    }
    pugi::xml_document tsx;
    if (int rc = tileSetBody(tsx.append_child("tileset"), ts); rc != RC_OK)
        return rc;
    String name = tsx.document_element().attribute("name").value();
    if (name.empty())
        name = String("tileset") + std::to_string(m_tileSetFiles.size() + 1).c_str();
    // A set named "acid.tsx" is written as acid.tsx, not acid.tsx.tsx.
    const bool hasExtension =
        name.size() >= 4 && std::equal(name.end() - 4, name.end(), ".tsx", [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == b;
        });
    file = uniqueFile(hasExtension ? name : name + ".tsx");
    m_tileSetFiles.emplace(&ts, file);
    return writeFile(tsx, file);
}

int Writer::exportTemplate(const String& ref, String& file)
{
    auto it = m_map.templates.find(ref);
    if (it == m_map.templates.end()) {
        file = ref;
        return RC_OK;
    }
    const Template& t = *it->second;
    if (auto done = m_templateFiles.find(&t); done != m_templateFiles.end()) {
        file = done->second;
        return RC_OK;
    }
    pugi::xml_document tx;
    tx.append_copy(t.element.document_element());
    if (pugi::xml_node ts = tx.document_element().child("tileset"); ts && t.tileSet) {
        String tsx;
        if (int rc = exportTileSet(*t.tileSet, tsx); rc != RC_OK)
            return rc;
        ts.attribute("source").set_value(tsx.c_str());
    }
    file = uniqueFile(stemOf(PathText::toString(PathText::toPath(ref.c_str()).filename())) + ".tx");
    m_templateFiles.emplace(&t, file);
    return writeFile(tx, file);
}

int Writer::writeTileSet(pugi::xml_node parent, const TileSet& ts, size_t)
{
    pugi::xml_node e = parent.append_child("tileset");
    e.append_attribute("firstgid").set_value(ts.firstGid);
    if (!m_options.exportFolder.empty()) {
        String file;
        if (int rc = exportTileSet(ts, file); rc != RC_OK)
            return rc;
        e.append_attribute("source").set_value(file.c_str());
        return RC_OK;
    }
    if (!ts.source.empty()) {
        e.append_attribute("source").set_value(ts.source.c_str());
        return RC_OK;
    }
    return tileSetBody(e, ts);
}

void Writer::noteIds(const Layer& layer)
{
    const int id = layer.element.document_element().attribute("id").as_int();
    if (id > 0 && id < INT_MAX)
        m_nextId = std::max(m_nextId, id + 1);
    for (const auto& child : layer.children)
        noteIds(*child);
}

int Writer::keptId(const Layer& layer)
{
    int id = layer.element.document_element().attribute("id").as_int();
    if (id < 1 || id == INT_MAX || m_writtenIds.count(id))
        id = m_nextId;
    m_writtenIds.insert(id);
    m_nextId = std::max(m_nextId, id + 1);
    return id;
}

int Writer::writeLayer(pugi::xml_node parent, const Layer& layer, int slot)
{
    const int id = keptId(layer);
    pugi::xml_node from = layer.element.document_element();
    pugi::xml_node e = parent.append_child(from ? from.name()
                                                : layer.type == SLT_TILE    ? "layer"
                                                  : layer.type == SLT_IMAGE ? "imagelayer"
                                                  : layer.type == SLT_OBJECT ? "objectgroup"
                                                                             : "group");
    e.append_attribute("id").set_value(id);
    // The engine's text says which slot a top-level layer fills when its id
    // does not.
    if (m_options.engineFormat && slot > 0 && slot != id)
        e.append_attribute(kSlotAttribute).set_value(slot);
    e.append_attribute("name").set_value(layer.name.c_str());
    for (pugi::xml_attribute a : from.attributes())
        if (std::string_view(a.name()) != "id" && std::string_view(a.name()) != "name")
            e.append_attribute(a.name()).set_value(a.value());
    if (layer.type == SLT_TILE && !layer.chunked) {
        setAttr(e, "width", num(layer.columns));
        setAttr(e, "height", num(layer.rows));
    }
    if (layer.shown())
        e.remove_attribute("visible");
    else
        setAttr(e, "visible", "0");
    setOrDrop(e, "opacity", layer.opacity, 1.0f);
    setOrDrop(e, "offsetx", layer.offsetX, 0.0);
    setOrDrop(e, "offsety", layer.offsetY, 0.0);
    // An image layer without offsetx is placed by its x and y: the offset
    // written stands alone.
    if (layer.type == SLT_IMAGE) {
        e.remove_attribute("x");
        e.remove_attribute("y");
        if (layer.offsetY != 0.0 && layer.offsetX == 0.0)
            setAttr(e, "offsetx", "0");
    }
    for (pugi::xml_node c : from.children())
        e.append_copy(c);
    if (layer.type == SLT_IMAGE)
        if (int rc = writeImages(e.child("image"), layer.picture.get()); rc != RC_OK)
            return rc;
    if (layer.type == SLT_OBJECT && !m_options.exportFolder.empty())
        for (pugi::xml_node o : e.children("object"))
            if (pugi::xml_attribute t = o.attribute("template")) {
                String file;
                if (int rc = exportTemplate(t.value(), file); rc != RC_OK)
                    return rc;
                t.set_value(file.c_str());
            }
    if (layer.type == SLT_TILE) {
        pugi::xml_node data = e.append_child("data");
        // The oldest form (one element per cell) is written as csv, which
        // takes no compression.
        const String encoding = layer.encoding.empty() ? String("csv") : layer.encoding;
        const String compression = encoding == "csv" ? String() : layer.compression;
        data.append_attribute("encoding").set_value(encoding.c_str());
        if (!compression.empty())
            data.append_attribute("compression").set_value(compression.c_str());
        String text;
        if (!layer.chunked) {
            if (int rc = encodeTileData(layer.cells.data(), layer.cells.size(), size_t(layer.columns), encoding,
                                        compression, text);
                rc != RC_OK)
                return rc;
            data.text().set(text.c_str());
        } else {
            // Chunks on the kChunk grid, empty ones left out, as Tiled writes them.
            const auto floorTo = [](int v) { return v >= 0 ? v / kChunk * kChunk : -((-v + kChunk - 1) / kChunk) * kChunk; };
            std::vector<uint32_t> cells(size_t(kChunk) * kChunk);
            for (int cy = floorTo(layer.originY); cy < layer.originY + layer.rows; cy += kChunk)
                for (int cx = floorTo(layer.originX); cx < layer.originX + layer.columns; cx += kChunk) {
                    bool any = false;
                    for (int y = 0; y < kChunk; ++y)
                        for (int x = 0; x < kChunk; ++x) {
                            const int lx = cx + x - layer.originX, ly = cy + y - layer.originY;
                            const bool inside = lx >= 0 && ly >= 0 && lx < layer.columns && ly < layer.rows;
                            const uint32_t v = inside ? layer.cells[size_t(ly) * size_t(layer.columns) + size_t(lx)] : 0;
                            cells[size_t(y) * kChunk + size_t(x)] = v;
                            any = any || v;
                        }
                    if (!any)
                        continue;
                    pugi::xml_node chunk = data.append_child("chunk");
                    chunk.append_attribute("x").set_value(cx);
                    chunk.append_attribute("y").set_value(cy);
                    chunk.append_attribute("width").set_value(kChunk);
                    chunk.append_attribute("height").set_value(kChunk);
                    if (int rc = encodeTileData(cells.data(), cells.size(), kChunk, encoding, compression, text);
                        rc != RC_OK)
                        return rc;
                    chunk.text().set(text.c_str());
                }
        }
    }
    for (const auto& child : layer.children)
        if (int rc = writeLayer(e, *child, 0); rc != RC_OK)
            return rc;
    return RC_OK;
}

int Writer::write(String& text)
{
    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    if (m_options.engineFormat) {
        // Comments cannot hold "--": the name is kept readable without it.
        String name = m_options.sceneName;
        for (size_t at; (at = name.find("--")) != String::npos;)
            name.replace(at, 2, "- -");
        doc.append_child(pugi::node_comment).set_value((String(" ") + kSceneMarker + ": " + name + " ").c_str());
    }
    pugi::xml_node from = m_map.element.document_element();
    // Comments read beside the map stay before or after it.
    for (pugi::xml_node c = m_map.element.first_child(); c && c != from; c = c.next_sibling())
        doc.append_copy(c);
    pugi::xml_node map = doc.append_child("map");
    for (pugi::xml_node c = from.next_sibling(); c; c = c.next_sibling())
        doc.append_copy(c);
    for (pugi::xml_attribute a : from.attributes())
        map.append_attribute(a.name()).set_value(a.value());
    if (!from) {
        setAttr(map, "version", "1.10");
        setAttr(map, "orientation", "orthogonal");
        setAttr(map, "renderorder", "right-down");
    }
    if (!m_map.infinite) {
        setAttr(map, "width", num(m_map.width));
        setAttr(map, "height", num(m_map.height));
    }
    setAttr(map, "tilewidth", num(m_map.tileWidth));
    setAttr(map, "tileheight", num(m_map.tileHeight));
    for (pugi::xml_node c : from.children())
        map.append_copy(c);
    for (size_t i = 0; i < m_map.tileSets.size(); ++i)
        if (int rc = writeTileSet(map, *m_map.tileSets[i], i); rc != RC_OK)
            return rc;
    // Layers keep the ids the map gave them, and the map its next id.
    m_nextId = std::max(1, from.attribute("nextlayerid").as_int());
    for (const auto& layer : m_map.slots)
        if (layer)
            noteIds(*layer);
    for (size_t slot = 0; slot < m_map.slots.size(); ++slot)
        if (m_map.slots[slot])
            if (int rc = writeLayer(map, *m_map.slots[slot], int(slot) + 1); rc != RC_OK)
                return rc;
    setAttr(map, "nextlayerid", num(m_nextId));
    xml::StringWriter out(text);
    doc.save(out, " ", pugi::format_default, pugi::encoding_utf8);
    return RC_OK;
}

} // namespace

String fitBlockName(String stem, const String& tail)
{
    if (size_t keep = kMaxBlockName - std::min(kMaxBlockName, tail.size()); stem.size() > keep) {
        while (keep > 0 && (uint8_t(stem[keep]) & 0xC0) == 0x80)
            --keep;
        stem.resize(keep);
    }
    return stem + tail;
}

int writeMap(const Map& map, const WriteOptions& options, String& text)
{
    text.clear();
    try {
        Writer writer(map, options);
        return writer.write(text);
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
}

} // namespace Zelkoran::scene
