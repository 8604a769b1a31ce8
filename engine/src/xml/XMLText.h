// A document's text form: parsing that keeps what it read, writing that
// gives it back.
//
// The tree holds attribute values and text exactly as written (entity
// references stay undecoded, line ends and whitespace between nodes are
// kept), and is written back without escaping or reformatting, so an
// untouched document comes out byte for byte. What the tree cannot hold is
// normalised: blanks inside tags, attribute quotes (always '"'; a '"' in a
// single-quoted value becomes "&quot;") and "<a></a>" (written "<a/>").
#pragma once

#include <Zelkoran/CMem.h>

#include <pugixml.hpp>

#include <cstddef>

namespace Zelkoran::xml {

// Deeper element nesting is refused, so readers that recurse stay safe.
inline constexpr int kMaxDepth = 256;
// Larger texts are refused before anything is copied.
inline constexpr size_t kMaxTextBytes = size_t(256) << 20;

// How the text was stored, to store it the same way.
struct TextForm {
    pugi::xml_encoding encoding = pugi::encoding_utf8;
    bool byteOrderMark = false;
};

// Appends what pugixml writes to a String.
struct StringWriter : pugi::xml_writer {
    explicit StringWriter(String& text) : out(text) {}
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
    String& out;
};

// Parses one well-formed document: a single root element with only
// comments, processing instructions, a declaration (first), a document type
// and blanks around it, no duplicate attributes. 0, RC_ERR_CORRUPT,
// RC_ERR_TOO_LARGE (size or nesting beyond the limits), RC_ERR_NO_MEMORY.
int parseText(const void* data, size_t size, pugi::xml_document& doc, TextForm& form);

// The document's text. 0 or RC_ERR_NO_MEMORY.
int writeText(const pugi::xml_document& doc, const TextForm& form, String& out);

} // namespace Zelkoran::xml
