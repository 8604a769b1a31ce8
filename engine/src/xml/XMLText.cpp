#include "xml/XMLText.h"

#include <Zelkoran/Result.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

namespace Zelkoran::xml {

namespace {

// Everything the text holds becomes a node; nothing is decoded or
// normalised. Fragment mode keeps the blanks between top-level nodes
// (checkTopLevel then insists on a single root element).
constexpr unsigned kParseFlags = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration |
                                 pugi::parse_doctype | pugi::parse_ws_pcdata | pugi::parse_fragment;

bool startsWithByteOrderMark(const unsigned char* p, size_t size)
{
    static constexpr std::string_view kMarks[] = {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF",
                                                   std::string_view("\x00\x00\xFE\xFF", 4)};
    for (std::string_view mark : kMarks)
        if (size >= mark.size() && std::memcmp(p, mark.data(), mark.size()) == 0)
            return true;
    return false;
}

bool isBlankText(const char* text) { return text[std::strspn(text, " \t\r\n")] == 0; }

// Declaration first, document type before the root, one root element,
// nothing but blanks for text.
bool checkTopLevel(const pugi::xml_document& doc)
{
    bool root = false;
    bool any = false;
    for (pugi::xml_node n : doc.children()) {
        switch (n.type()) {
        case pugi::node_declaration:
            if (any)
                return false;
            break;
        case pugi::node_doctype:
            if (root)
                return false;
            break;
        case pugi::node_element:
            if (root)
                return false;
            root = true;
            break;
        case pugi::node_comment:
        case pugi::node_pi: break;
        case pugi::node_pcdata:
            if (!isBlankText(n.value()))
                return false;
            break;
        default: return false;
        }
        any = true;
    }
    return root;
}

// Checks nesting and attributes, and makes every value writable between
// double quotes. Iterative, so the walk itself needs no stack.
class TreeCheck : public pugi::xml_tree_walker {
public:
    int result = RC_OK;

    bool for_each(pugi::xml_node& node) override
    {
        if (node.type() == pugi::node_element && depth() >= kMaxDepth)
            return fail(RC_ERR_TOO_LARGE);
        if (node.first_attribute() && (!uniqueNames(node) || !quoteValues(node)))
            return false;
        return true;
    }

private:
    bool fail(int rc)
    {
        result = rc;
        return false;
    }

    bool uniqueNames(const pugi::xml_node& node)
    {
        m_names.clear();
        for (pugi::xml_attribute a : node.attributes())
            m_names.emplace_back(a.name());
        std::sort(m_names.begin(), m_names.end());
        if (std::adjacent_find(m_names.begin(), m_names.end()) != m_names.end())
            return fail(RC_ERR_CORRUPT);
        return true;
    }

    // A value read between single quotes may hold '"'.
    bool quoteValues(const pugi::xml_node& node)
    {
        for (pugi::xml_attribute a : node.attributes()) {
            if (!std::strchr(a.value(), '"'))
                continue;
            String value;
            for (const char* c = a.value(); *c; ++c)
                value.append(*c == '"' ? "&quot;" : std::string_view(c, 1));
            if (!a.set_value(value.c_str()))
                return fail(RC_ERR_NO_MEMORY);
        }
        return true;
    }

    std::vector<std::string_view> m_names;
};

} // namespace

int parseText(const void* data, size_t size, pugi::xml_document& doc, TextForm& form)
{
    if (size > kMaxTextBytes)
        return RC_ERR_TOO_LARGE;
    try {
        const pugi::xml_parse_result parsed = doc.load_buffer(data, size, kParseFlags, pugi::encoding_auto);
        if (parsed.status == pugi::status_out_of_memory)
            return RC_ERR_NO_MEMORY;
        if (!parsed || !checkTopLevel(doc))
            return RC_ERR_CORRUPT;
        TreeCheck check;
        if (!doc.traverse(check))
            return check.result;
        form.encoding = parsed.encoding;
        form.byteOrderMark = startsWithByteOrderMark(static_cast<const unsigned char*>(data), size);
        return RC_OK;
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
}

int writeText(const pugi::xml_document& doc, const TextForm& form, String& out)
{
    unsigned flags = pugi::format_raw | pugi::format_no_escapes | pugi::format_no_declaration;
    if (form.byteOrderMark)
        flags |= pugi::format_write_bom;
    try {
        out.clear();
        StringWriter writer(out);
        doc.save(writer, "", flags, form.encoding);
        return RC_OK;
    } catch (const std::bad_alloc&) {
        return RC_ERR_NO_MEMORY;
    }
}

} // namespace Zelkoran::xml
