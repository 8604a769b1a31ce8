#include <Zelkoran/Archive.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/XML.h>

#include "core/PathText.h"
#include "core/WholeFile.h"
#include "xml/XMLDocument.h"
#include "xml/XMLValue.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>

namespace Zelkoran {

namespace {


} // namespace

struct XMLMgr::Impl {
    std::map<int, std::unique_ptr<XML>> docs;
    int nextId = 1;

    int add(std::unique_ptr<XML::Impl> impl, const char* name)
    {
        impl->id = nextId++;
        impl->name = name ? name : "";
        const int id = impl->id;
        docs[id] = std::unique_ptr<XML>(new XML(std::move(impl)));
        return id;
    }

    // A document parsed from text, its cursor on the root element.
    int parse(const void* data, size_t size, const char* name)
    {
        auto impl = std::make_unique<XML::Impl>();
        if (const int rc = xml::parseText(data, size, impl->doc, impl->form); rc != RC_OK)
            return rc;
        impl->cursor = impl->doc.document_element();
        return add(std::move(impl), name);
    }
};

XMLMgr::XMLMgr() : m_impl(std::make_unique<Impl>()) {}
XMLMgr::~XMLMgr() = default;

int XMLMgr::create(const char* rootName, int)
{
    if (!rootName || (rootName[0] && !xml::isName(rootName)))
        return RC_ERR_INVALID;
    auto impl = std::make_unique<XML::Impl>();
    pugi::xml_node declaration = impl->doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version").set_value("1.0");
    declaration.append_attribute("encoding").set_value("UTF-8");
    impl->doc.append_child(pugi::node_pcdata).set_value("\n");
    impl->laidOut = true;
    if (rootName[0]) {
        impl->cursor = impl->doc.append_child(rootName);
        impl->doc.append_child(pugi::node_pcdata).set_value("\n");
    }
    return m_impl->add(std::move(impl), "");
}

int XMLMgr::load(int archiveId, const char* name)
{
    Archive* archive = Main::instance()->archiveMgr()->get(archiveId);
    if (!archive || !name || !name[0] || std::strlen(name) > kMaxBlockName)
        return RC_ERR_NOT_FOUND;
    Archive::Block block(name, kXMLBlockType);
    if (const int rc = archive->blockLoad(block); rc < 0)
        return rc;
    const int id = block.size > xml::kMaxTextBytes ? RC_ERR_TOO_LARGE
                                                   : m_impl->parse(block.data, static_cast<size_t>(block.size), name);
    archive->blockFree(block);
    return id;
}

int XMLMgr::loadFromFile(const char* path, const char* name)
{
    if (!path)
        return RC_ERR_INVALID;
    String text;
    if (const int rc = readWholeFile(path, text, xml::kMaxTextBytes); rc != RC_OK)
        return rc;
    return m_impl->parse(text.data(), text.size(), name);
}

int XMLMgr::loadFromBuffer(const void* data, size_t size, const char* name)
{
    if (!data)
        return RC_ERR_INVALID;
    return m_impl->parse(data, size, name);
}

XML* XMLMgr::get(int id)
{
    auto it = m_impl->docs.find(id);
    return it == m_impl->docs.end() ? nullptr : it->second.get();
}

int XMLMgr::close(int id) { return m_impl->docs.erase(id) ? RC_OK : RC_ERR_NOT_FOUND; }

} // namespace Zelkoran
