#include "engine/scene/SceneTestSupport.h"

#include "xml/XMLText.h"

#include <functional>

namespace scenetest {

namespace {

using namespace Zelkoran::scene;

// The element's children (not its attributes, which saves update) as text;
// image references are left out, as exports rename the files.
std::string childrenText(const pugi::xml_document& doc)
{
    pugi::xml_document copy;
    copy.append_copy(doc.document_element());
    // Exports move templates beside the map: compare their file names only.
    for (pugi::xml_node o : copy.document_element().children("object"))
        if (pugi::xml_attribute t = o.attribute("template"))
            t.set_value(std::filesystem::path(t.value()).filename().c_str());
    String text;
    xml::StringWriter out(text);
    for (pugi::xml_node c : copy.document_element().children())
        if (std::string_view(c.name()) != "image")
            c.print(out, "", pugi::format_raw);
    return text.c_str();
}

std::string pictureText(const PicturePtr& p)
{
    return p && p->surface ? std::to_string(p->surface->w) + "x" + std::to_string(p->surface->h) : "-";
}

void describeLayer(std::ostringstream& s, const Layer& l, const std::string& indent)
{
    s << indent << "type " << l.type << " '" << l.name << "' at " << l.offsetX << "," << l.offsetY << " opacity "
      << l.opacity << " features " << l.features << " tint " << int(l.tint[0]) << int(l.tint[1]) << int(l.tint[2]) << "/" << int(l.tint[3])
      << "\n";
    if (l.type == SLT_TILE) {
        s << indent << " cells " << l.columns << "x" << l.rows << "+" << l.originX << "," << l.originY << ":";
        for (uint32_t c : l.cells)
            s << " " << c;
        s << "\n";
    } else if (l.type == SLT_IMAGE) {
        s << indent << " image " << pictureText(l.picture) << " repeat " << l.repeatX << l.repeatY << "\n";
    } else if (l.type == SLT_OBJECT) {
        for (const TileObject& o : l.tileObjects)
            s << indent << " tile object " << o.gid << " " << o.x << "," << o.y << " " << o.width << "x" << o.height
              << " r" << o.rotation << "\n";
    }
    s << indent << " xml " << childrenText(l.element) << "\n";
    for (const auto& c : l.children)
        describeLayer(s, *c, indent + "  ");
}

} // namespace

std::string describe(const Map& map)
{
    std::ostringstream s;
    s << "map " << int(map.orientation) << " " << map.width << "x" << map.height << " cell " << map.tileWidth << "x"
      << map.tileHeight << " hex " << map.hexSideLength << map.staggerX << map.staggerEven << " xml "
      << childrenText(map.element) << "\n";
    for (const auto& ts : map.tileSets) {
        s << "tileset " << ts->firstGid << " n" << ts->tileCount << " " << ts->tileWidth << "x" << ts->tileHeight
          << " s" << ts->spacing << " m" << ts->margin << " o" << ts->offsetX << "," << ts->offsetY << " image "
          << pictureText(ts->picture) << "\n";
        for (const auto& [id, art] : ts->tiles) {
            s << " tile " << id << " " << pictureText(art.picture) << " " << art.rect.x << "," << art.rect.y << ","
              << art.rect.w << "," << art.rect.h << " frames";
            for (const Frame& f : art.frames)
                s << " " << f.tileId << "/" << f.durationMs;
            s << "\n";
        }
        // Tile properties, wang sets, grids: everything but the images.
        pugi::xml_document copy;
        copy.append_copy(ts->element.document_element());
        for (pugi::xml_node tile : copy.document_element().children("tile"))
            tile.remove_child("image");
        s << " xml " << childrenText(copy) << "\n";
    }
    for (size_t i = 0; i < map.slots.size(); ++i) {
        s << "slot " << i + 1 << ":";
        if (!map.slots[i]) {
            s << " empty\n";
            continue;
        }
        s << "\n";
        describeLayer(s, *map.slots[i], "  ");
    }
    return s.str();
}

std::string difference(const std::string& a, const std::string& b)
{
    std::istringstream sa(a), sb(b);
    std::string la, lb;
    for (int line = 1;; ++line) {
        const bool ea = !std::getline(sa, la), eb = !std::getline(sb, lb);
        if (ea && eb)
            return "";
        if (ea || eb || la != lb)
            return "line " + std::to_string(line) + ":\n  " + la.substr(0, 300) + "\n  " + lb.substr(0, 300);
    }
}

} // namespace scenetest
