// The state behind an XML object, shared by XML and XMLMgr.
#pragma once

#include <Zelkoran/XML.h>

#include "xml/XMLText.h"

#include <map>

namespace Zelkoran {

// The "ZK7_XML" block holds the document's text, nothing else.
inline constexpr const char* kXMLBlockType = "ZK7_XML";

struct XML::Impl {
    int id = 0;
    String name;
    pugi::xml_document doc;
    // The current element; null only while the document has no root.
    pugi::xml_node cursor;
    xml::TextForm form;
    // Made by create(): nodeCreate lays new elements out one per line,
    // indented a blank per level (text read in keeps the layout it has).
    bool laidOut = false;
    // Values of getAttributeString that needed decoding, by attribute; they
    // live until the document changes.
    std::map<const void*, String> decoded;

    void changed() { decoded.clear(); }
};

} // namespace Zelkoran
