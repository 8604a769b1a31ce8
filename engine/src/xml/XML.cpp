#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/XML.h>

#include "core/FileReplace.h"
#include "xml/XMLDocument.h"
#include "xml/XMLValue.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace Zelkoran {

namespace {

// CMem module charged with the buffers of saveToBuffer.
constexpr int kMemModule = 12;

bool isElement(const pugi::xml_node& n) { return n.type() == pugi::node_element; }

// The first element from n on among n and its following siblings.
pugi::xml_node elementFrom(pugi::xml_node n)
{
    while (n && !isElement(n))
        n = n.next_sibling();
    return n;
}

pugi::xml_node childElement(const pugi::xml_node& parent, std::string_view name)
{
    for (pugi::xml_node n = elementFrom(parent.first_child()); n; n = elementFrom(n.next_sibling()))
        if (name == n.name())
            return n;
    return {};
}

// Elements from n up to the root, n included.
size_t depthOf(pugi::xml_node n)
{
    size_t depth = 0;
    for (; isElement(n); n = n.parent())
        ++depth;
    return depth;
}

bool isBlankText(const pugi::xml_node& n)
{
    return n.type() == pugi::node_pcdata && n.value()[std::strspn(n.value(), " \t\r\n")] == 0;
}

// Appends element name to parent on a line of its own, indented a blank
// per level, before the line end that closes parent.
pugi::xml_node appendLaidOut(pugi::xml_node parent, const char* name)
{
    if (parent.type() == pugi::node_document) {
        const pugi::xml_node root = parent.append_child(name);
        parent.append_child(pugi::node_pcdata).set_value("\n");
        return root;
    }
    const size_t depth = depthOf(parent);
    pugi::xml_node closing = parent.last_child();
    if (!isBlankText(closing)) {
        closing = parent.append_child(pugi::node_pcdata);
        closing.set_value(("\n" + String(depth - 1, ' ')).c_str());
    }
    parent.insert_child_before(pugi::node_pcdata, closing).set_value(("\n" + String(depth, ' ')).c_str());
    return parent.insert_child_before(name, closing);
}

} // namespace

XML::XML(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
XML::~XML() = default;

int XML::getID() const { return m_impl->id; }
const char* XML::getName() const { return m_impl->name.c_str(); }

bool XML::nodePointTo(int depth, const char* path)
{
    if (depth < 1 || !path)
        return false;
    std::string_view rest(path);
    pugi::xml_node at = m_impl->doc;
    for (int level = 0; level < depth; ++level) {
        const size_t slash = rest.find('/');
        if ((slash == std::string_view::npos) != (level == depth - 1))
            return false; // more or fewer names than depth
        at = childElement(at, rest.substr(0, slash));
        if (!at)
            return false;
        rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
    }
    m_impl->cursor = at;
    return true;
}

bool XML::nodeFirst()
{
    const pugi::xml_node root = m_impl->doc.document_element();
    if (!root)
        return false;
    m_impl->cursor = root;
    return true;
}

bool XML::nodeChild()
{
    const pugi::xml_node child = elementFrom(m_impl->cursor.first_child());
    if (!child)
        return false;
    m_impl->cursor = child;
    return true;
}

bool XML::nodeNext()
{
    const pugi::xml_node next = elementFrom(m_impl->cursor.next_sibling());
    if (!next)
        return false;
    m_impl->cursor = next;
    return true;
}

bool XML::nodeParent()
{
    const pugi::xml_node parent = m_impl->cursor.parent();
    if (!isElement(parent))
        return false;
    m_impl->cursor = parent;
    return true;
}

bool XML::nodeCreate(const char* name)
{
    // No deeper than a load accepts, so the text reads back.
    if (!xml::isName(name) || depthOf(m_impl->cursor) >= static_cast<size_t>(xml::kMaxDepth))
        return false;
    pugi::xml_node parent = m_impl->cursor ? m_impl->cursor : pugi::xml_node(m_impl->doc);
    const pugi::xml_node node = m_impl->laidOut ? appendLaidOut(parent, name) : parent.append_child(name);
    if (!node)
        return false;
    m_impl->cursor = node;
    m_impl->changed();
    return true;
}

bool XML::nodeGetName(String& name) const
{
    name = m_impl->cursor.name();
    return !m_impl->cursor.empty();
}

bool XML::hasAttribute(const char* name) const
{
    return name && m_impl->cursor.attribute(name);
}

int XML::getAttributeInt(const char* name, int def) const
{
    const char* text = getAttributeString(name, nullptr);
    int value = def;
    return text && xml::parseInt(text, value) ? value : def;
}

const char* XML::getAttributeString(const char* name, const char* def) const
{
    if (!name)
        return def;
    const pugi::xml_attribute a = m_impl->cursor.attribute(name);
    if (!a)
        return def;
    if (!xml::needsDecoding(a.value()))
        return a.value();
    auto& cache = m_impl->decoded;
    if (auto it = cache.find(a.internal_object()); it != cache.end())
        return it->second.c_str();
    try {
        String value;
        if (!xml::decodeValue(a.value(), value))
            return def;
        return cache.emplace(a.internal_object(), std::move(value)).first->second.c_str();
    } catch (const std::bad_alloc&) {
        return def;
    }
}

bool XML::setAttributeString(const char* name, const char* value)
{
    if (!m_impl->cursor || !xml::isName(name) || !value)
        return false;
    String written;
    if (!xml::encodeValue(value, written))
        return false;
    pugi::xml_attribute a = m_impl->cursor.attribute(name);
    if (!a)
        a = m_impl->cursor.append_attribute(name);
    if (!a || !a.set_value(written.c_str()))
        return false;
    m_impl->changed();
    return true;
}

bool XML::setAttributeInt(const char* name, int value)
{
    char text[16];
    const auto [end, ec] = std::to_chars(text, text + sizeof(text) - 1, value);
    *end = 0;
    return ec == std::errc() && setAttributeString(name, text);
}

bool XML::setComment(const char* text)
{
    // "--" may not appear in a comment, nor may '-' end one.
    if (!text || std::strstr(text, "--") || (text[0] && text[std::strlen(text) - 1] == '-'))
        return false;
    pugi::xml_document& doc = m_impl->doc;
    const pugi::xml_node root = doc.document_element();
    for (pugi::xml_node n = doc.first_child(); n && n != root; n = n.next_sibling()) {
        if (n.type() == pugi::node_comment) {
            m_impl->changed();
            return n.set_value(text);
        }
    }
    pugi::xml_node comment = root ? doc.insert_child_before(pugi::node_comment, root)
                                  : doc.append_child(pugi::node_comment);
    if (!comment)
        return false;
    m_impl->changed();
    // On a line of its own, whatever the layout.
    if (root)
        doc.insert_child_before(pugi::node_pcdata, root).set_value("\n");
    return comment.set_value(text);
}

int XML::save(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive)
        return RC_ERR_NOT_FOUND;
    const char* blockName = name && name[0] ? name : m_impl->name.c_str();
    if (!blockName[0] || std::strlen(blockName) > kMaxBlockName || !m_impl->doc.document_element())
        return RC_ERR_INVALID;
    String text;
    if (const int rc = xml::writeText(m_impl->doc, m_impl->form, text); rc != RC_OK)
        return rc;
    Archive::Block block(blockName, kXMLBlockType);
    // A replaced block keeps its storage: an encrypted document stays encrypted.
    Archive::Block old;
    const int at = archive->blockSearch(block);
    block.storage =
        blockStorage(*archive, at >= 0 && archive->blockAt(at, old) == RC_OK ? old.storage : Archive::ST_COMPRESSED);
    block.data = text.data();
    block.size = text.size();
    return archive->blockAdd(block);
}

bool XML::saveToFile(const char* path)
{
    String text;
    return path && path[0] && m_impl->doc.document_element() &&
           xml::writeText(m_impl->doc, m_impl->form, text) == RC_OK &&
           writeFileReplacing(path, reinterpret_cast<const uint8_t*>(text.data()), text.size()) == RC_OK;
}

int XML::saveToBuffer(char*& buffer, size_t& size) const
{
    buffer = nullptr;
    size = 0;
    if (!m_impl->doc.document_element())
        return RC_ERR_INVALID;
    String text;
    if (const int rc = xml::writeText(m_impl->doc, m_impl->form, text); rc != RC_OK)
        return rc;
    auto* out = static_cast<char*>(CMem::alloc(text.size() + 1, kMemModule));
    if (!out)
        return RC_ERR_NO_MEMORY;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = 0;
    buffer = out;
    size = text.size();
    return RC_OK;
}

} // namespace Zelkoran
