// Shared by the XML tests: a fixture that closes what a test opened, and
// the document text as a string.
#pragma once

#include <Zelkoran/CMem.h>
#include <Zelkoran/Main.h>
#include <Zelkoran/XML.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace xmltest {

using Zelkoran::XML;
using Zelkoran::XMLMgr;

// A map in the shape the editor reads and writes: declaration, comments,
// a processing instruction, nested elements, text and blanks between nodes.
inline const std::string kMap = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<map version=\"1.10\" orientation=\"orthogonal\" width=\"4\" height=\"3\">\n"
                                " <!-- tile sets -->\n"
                                " <tileset firstgid=\"1\" source=\"ground.tsx\"/>\n"
                                " <?editor keep-me?>\n"
                                " <tileset firstgid=\"65\" name=\"props\">\n"
                                "  <image source=\"props.png\" width=\"256\" height=\"64\"/>\n"
                                " </tileset>\n"
                                " <layer id=\"1\" name=\"Ground\" width=\"4\" height=\"3\">\n"
                                "  <data encoding=\"csv\">1,2,3,4,\n5,6,7,8,\n9,10,11,12</data>\n"
                                " </layer>\n"
                                " <objectgroup id=\"2\" name=\"Things\"/>\n"
                                "</map>\n";

// The current element's name.
inline std::string nodeName(XML* d)
{
    Zelkoran::String n;
    d->nodeGetName(n);
    return std::string(n.c_str());
}

class XMLTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int id : opened)
            xml->close(id);
    }

    // Parses text; the id or the engine's code.
    int load(const std::string& text, const char* name = "")
    {
        const int id = xml->loadFromBuffer(text.data(), text.size(), name);
        if (id > 0)
            opened.push_back(id);
        return id;
    }
    int create(const char* root)
    {
        const int id = xml->create(root, 0);
        if (id > 0)
            opened.push_back(id);
        return id;
    }
    XML* doc(int id) { return xml->get(id); }

    // The document's text through saveToBuffer ("<failed>" when it fails).
    std::string text(int id)
    {
        char* buffer = nullptr;
        size_t size = 0;
        if (doc(id)->saveToBuffer(buffer, size) != 0)
            return "<failed>";
        std::string out(buffer, size);
        Zelkoran::CMem::free(buffer);
        return out;
    }

    XMLMgr* xml = Zelkoran::Main::instance()->xmlMgr();
    std::vector<int> opened;
};

} // namespace xmltest
