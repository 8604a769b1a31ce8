// XML documents with a cursor on a current element. Navigation and attribute
// calls act on the current element; a call that cannot move leaves the
// cursor where it was. Loading and saving keep everything the caller did not
// change (comments, text, attribute order), so a document round-trips:
// entity references, line ends and the blanks between nodes come back as
// they were read. Blanks inside tags and the quote characters around values
// are not kept ('"' is written), nor "<a></a>" (written "<a/>"). Documents
// made by create() are written indented. Documents are saved as "ZK7_XML"
// blocks holding the text byte for byte, in the encoding it was read in.
// Main thread only.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Result.h>

#include <cstddef>
#include <memory>

namespace Zelkoran {

class XML {
public:
    ~XML();
    XML(const XML&) = delete;
    XML& operator=(const XML&) = delete;

    int getID() const;
    // The name given at load; "" for created documents.
    const char* getName() const;

    // Moves to the element at the end of path: depth element names joined
    // by '/', the first being the root element's ("map", "tileset/image").
    // The first element that matches at each level is taken.
    // Returns true with the cursor there, false (cursor unchanged) otherwise.
    bool nodePointTo(int depth, const char* path);
    // Moves to the root element. False when the document has none.
    bool nodeFirst();
    // Moves to the first child element of the current one.
    bool nodeChild();
    // Moves to the next sibling element of the current one.
    bool nodeNext();
    // Moves to the parent element; false on the root element.
    bool nodeParent();
    // Appends a child element name to the current element (or makes it the
    // root element of an empty document) and moves to it.
    // False for a name that is not a valid XML name.
    bool nodeCreate(const char* name);
    // The current element's name; false and "" without a current element.
    bool nodeGetName(String& name) const;

    bool hasAttribute(const char* name) const;
    // The attribute as a decimal integer (sign and surrounding blanks
    // allowed); def when it is absent, not a whole number or beyond int.
    int getAttributeInt(const char* name, int def) const;
    // The attribute's value (references decoded), or def when absent. The
    // pointer stays valid until the document changes or closes.
    const char* getAttributeString(const char* name, const char* def) const;
    // Sets the attribute, or appends it after the element's others.
    // False without a current element or for an invalid name.
    bool setAttributeString(const char* name, const char* value);
    bool setAttributeInt(const char* name, int value);
    // Sets the document comment: the first comment before the root element
    // is replaced, or one is inserted there. False for text containing "--".
    bool setComment(const char* text);

    // Writes the text as a "ZK7_XML" block; an empty name saves under the
    // document's own name. A block of that name is replaced and keeps its
    // storage mode (new blocks are compressed), encrypted as blockStorage
    // decides (Archive.h). Returns 0, RC_ERR_NOT_FOUND
    // (no such archive), RC_ERR_INVALID (no name at all, a name over 63
    // characters, or no root element: the text would not load again),
    // RC_ERR_NO_SLOT (-72), or a code of Archive::blockAdd.
    int save(int archiveId, const char* name);
    // Writes the text to path (replacing a file only once the new one is
    // complete). True when written; false without a root element.
    bool saveToFile(const char* path);
    // The text in a new NUL-terminated buffer (size excludes the NUL) that
    // the caller releases with CMem::free. Returns 0, RC_ERR_INVALID (no
    // root element) or RC_ERR_NO_MEMORY (buffer null, size 0 on failure).
    int saveToBuffer(char*& buffer, size_t& size) const;

private:
    friend class XMLMgr;
    struct Impl;
    explicit XML(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// Every load refuses, with RC_ERR_TOO_LARGE, a text over 256 MiB or
// elements nested deeper than 256 levels, and with RC_ERR_CORRUPT anything
// but one root element (duplicate attributes included); RC_ERR_NO_MEMORY
// when memory runs out.
class XMLMgr {
public:
    XMLMgr();
    ~XMLMgr();

    // A new document holding one root element rootName, with the cursor on
    // it ("" gives an empty document); flags are reserved (callers pass 0).
    // Returns the document id (> 0), or RC_ERR_INVALID (rootName null or not
    // a valid XML name).
    int create(const char* rootName, int flags);
    // Parses the "ZK7_XML" block name; the document is named after it.
    // Returns the document id (> 0), or RC_ERR_NOT_FOUND (no such archive or
    // block), RC_ERR_KEY (-477, encrypted without the key), RC_ERR_CORRUPT
    // (not well-formed XML), RC_ERR_IO.
    int load(int archiveId, const char* name);
    // Parses a file. Returns the document id (> 0), or RC_ERR_NOT_FOUND (no
    // such file), RC_ERR_IO, RC_ERR_CORRUPT (not well-formed XML).
    int loadFromFile(const char* path, const char* name);
    // Parses text (copied; need not be NUL-terminated). Returns the document
    // id (> 0), or RC_ERR_INVALID (data null), RC_ERR_CORRUPT (not
    // well-formed XML).
    int loadFromBuffer(const void* data, size_t size, const char* name);
    // The open document with that id, or null.
    XML* get(int id);
    // Returns 0 or RC_ERR_NOT_FOUND.
    int close(int id);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace Zelkoran
