#include "engine/scene/MapShrinker.h"

#include "scene/TileData.h"

#include <pugixml.hpp>

#include <sstream>
#include <vector>

namespace scenetest {

namespace fs = std::filesystem;

namespace {

class Shrinker {
public:
    Shrinker(const fs::path& folder, const MapCheck& check) : m_folder(folder), m_check(check), m_kind(check(folder)) {}
    int run();

private:
    // Keeps doc's change when the fault remains, else puts file back.
    bool keep(pugi::xml_document& doc, const fs::path& file, const std::string& before);
    bool dropElements(pugi::xml_document& doc, const fs::path& file);
    bool dropAttributes(pugi::xml_document& doc, const fs::path& file);
    bool clearCells(pugi::xml_document& doc, const fs::path& file);

    fs::path m_folder;
    const MapCheck& m_check;
    std::string m_kind;
    int m_kept = 0;
};

std::string text(const pugi::xml_document& doc)
{
    std::ostringstream s;
    doc.save(s, "  ");
    return s.str();
}

// What may go while the map stays valid: elements and attributes that are
// optional or come in numbers.
bool optionalElement(std::string_view name)
{
    for (const char* e : {"layer", "imagelayer", "objectgroup", "group", "object", "tileset", "tile", "animation",
                          "frame", "chunk", "tileoffset", "grid", "text", "ellipse", "properties"})
        if (name == e)
            return true;
    return false;
}

bool optionalAttribute(std::string_view element, std::string_view name)
{
    for (const char* a : {"offsetx", "offsety", "opacity", "tintcolor", "visible", "rotation", "repeatx", "repeaty",
                          "trans", "spacing", "margin", "tilecount", "objectalignment", "backgroundcolor",
                          "renderorder", "draworder", "staggeraxis", "staggerindex", "hexsidelength", "name", "id",
                          "version", "nextlayerid", "nextobjectid", "columns"})
        if (name == a)
            return true;
    return element == "object" && (name == "width" || name == "height");
}

std::vector<pugi::xml_node> elements(const pugi::xml_document& doc)
{
    std::vector<pugi::xml_node> out;
    struct Walker : pugi::xml_tree_walker {
        std::vector<pugi::xml_node>* out;
        bool for_each(pugi::xml_node& n) override
        {
            if (n.type() == pugi::node_element && depth() > 0)
                out->push_back(n);
            return true;
        }
    } walker;
    walker.out = &out;
    const_cast<pugi::xml_document&>(doc).traverse(walker);
    return out;
}

// The cells of a <data> or <chunk>, and how many it should hold.
bool cellsOf(pugi::xml_node e, std::vector<uint32_t>& cells)
{
    pugi::xml_node data = std::string_view(e.name()) == "chunk" ? e.parent() : e;
    const pugi::xml_node sized = e == data ? data.parent() : e;
    const size_t count = size_t(sized.attribute("width").as_uint()) * sized.attribute("height").as_uint();
    const std::string_view encoding = data.attribute("encoding").value();
    if (encoding.empty()) {
        cells.clear();
        for (pugi::xml_node t : e.children("tile"))
            cells.push_back(t.attribute("gid").as_uint());
        cells.resize(count, 0);
        return true;
    }
    Zelkoran::String why;
    return Zelkoran::scene::decodeTileData(e.text().get(), encoding, data.attribute("compression").value(), count,
                                           cells, why) == 0;
}

void setCsv(pugi::xml_node e, const std::vector<uint32_t>& cells)
{
    while (pugi::xml_node t = e.child("tile"))
        e.remove_child(t);
    std::string csv;
    for (uint32_t c : cells)
        csv += (csv.empty() ? "" : ",") + std::to_string(c);
    e.text().set(csv.c_str());
}

} // namespace

bool Shrinker::keep(pugi::xml_document& doc, const fs::path& file, const std::string& before)
{
    doc.save_file(file.c_str(), "  ");
    if (m_check(m_folder) == m_kind) {
        ++m_kept;
        return true;
    }
    doc.load_string(before.c_str());
    doc.save_file(file.c_str(), "  ");
    return false;
}

// Whole elements, the outermost first: a layer goes before its objects.
bool Shrinker::dropElements(pugi::xml_document& doc, const fs::path& file)
{
    bool any = false;
    for (size_t i = 0;; ++i) {
        std::vector<pugi::xml_node> all = elements(doc);
        // A tile of a collection without its picture would draw Tiled's
        // placeholder for a missing one.
        std::erase_if(all, [](pugi::xml_node e) { return !optionalElement(e.name()) || e.child("image"); });
        if (i >= all.size())
            return any;
        const std::string before = text(doc);
        all[i].parent().remove_child(all[i]);
        if (keep(doc, file, before))
            any = true, --i;
    }
}

bool Shrinker::dropAttributes(pugi::xml_document& doc, const fs::path& file)
{
    bool any = false;
    for (size_t i = 0;; ++i) {
        std::vector<std::pair<pugi::xml_node, pugi::xml_attribute>> all;
        for (pugi::xml_node e : elements(doc))
            for (pugi::xml_attribute a : e.attributes())
                if (optionalAttribute(e.name(), a.name()))
                    all.emplace_back(e, a);
        for (pugi::xml_attribute a : doc.document_element().attributes())
            if (optionalAttribute(doc.document_element().name(), a.name()))
                all.emplace_back(doc.document_element(), a);
        if (i >= all.size())
            return any;
        const std::string before = text(doc);
        all[i].first.remove_attribute(all[i].second);
        if (keep(doc, file, before))
            any = true, --i;
    }
}

// The elements holding tile ids: a finite layer's <data>, an infinite one's <chunk>s.
std::vector<pugi::xml_node> cellHolders(const pugi::xml_document& doc)
{
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node e : elements(doc))
        if (std::string_view(e.name()) == "chunk" ||
            (std::string_view(e.name()) == "data" && std::string_view(e.parent().name()) == "layer" && !e.child("chunk")))
            out.push_back(e);
    return out;
}

// Tile data as CSV, then cells cleared in halves, quarters, ... down to one.
// A change that is not kept reloads the document, so elements are found anew
// before each.
bool Shrinker::clearCells(pugi::xml_document& doc, const fs::path& file)
{
    bool any = false;
    for (size_t h = 0; h < cellHolders(doc).size(); ++h) {
        std::vector<uint32_t> cells;
        if (!cellsOf(cellHolders(doc)[h], cells))
            continue;
        pugi::xml_node data = cellHolders(doc)[h];
        if (std::string_view(data.name()) == "chunk")
            data = data.parent();
        if (std::string_view(data.attribute("encoding").value()) != "csv") {
            // Every chunk of the data at once: they share its encoding.
            const std::string before = text(doc);
            std::vector<std::pair<pugi::xml_node, std::vector<uint32_t>>> all;
            for (pugi::xml_node c : data.children("chunk"))
                if (all.emplace_back(c, std::vector<uint32_t>()); !cellsOf(c, all.back().second))
                    return any;
            if (!data.child("chunk"))
                all.emplace_back(data, cells);
            data.remove_attribute("compression");
            data.remove_attribute("encoding");
            data.append_attribute("encoding").set_value("csv");
            for (auto& [e, own] : all)
                setCsv(e, own);
            if (!keep(doc, file, before))
                continue;
            any = true;
        }
        for (size_t step = std::max<size_t>(1, cells.size() / 2);; step /= 2) {
            for (size_t at = 0; at < cells.size(); at += step) {
                std::vector<uint32_t> fewer = cells;
                bool cleared = false;
                for (size_t k = at; k < std::min(cells.size(), at + step); ++k)
                    cleared |= fewer[k] != 0, fewer[k] = 0;
                if (!cleared)
                    continue;
                const std::string before = text(doc);
                setCsv(cellHolders(doc)[h], fewer);
                if (keep(doc, file, before))
                    cells = fewer, any = true;
            }
            if (step == 1)
                break;
        }
    }
    return any;
}

int Shrinker::run()
{
    if (m_kind.empty())
        return 0;
    std::vector<fs::path> files{m_folder / "map.tmx"};
    for (const auto& e : fs::directory_iterator(m_folder))
        if (e.path().extension() == ".tsx" || e.path().extension() == ".tx")
            files.push_back(e.path());
    for (bool progress = true; progress;) {
        progress = false;
        for (const fs::path& file : files) {
            pugi::xml_document doc;
            if (!doc.load_file(file.c_str()))
                continue;
            progress |= dropElements(doc, file);
            progress |= clearCells(doc, file);
            progress |= dropAttributes(doc, file);
        }
    }
    return m_kept;
}

int shrinkMap(const fs::path& folder, const MapCheck& check) { return Shrinker(folder, check).run(); }

} // namespace scenetest
