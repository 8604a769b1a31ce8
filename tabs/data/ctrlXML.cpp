#include "tabs/data/ctrlXML.h"

#include "tabs/base/TabCheckBoxIds.h"

namespace {

const TextFileCtrlConfig& getXMLConfig()
{
    static const TextFileCtrlConfig config = {
        "XML", TAB_XML, "ZK7_XML", "XML",
        CtrlXML::XW_IMPORT, CtrlXML::XW_EXPORT, CtrlXML::XW_TYPE, CtrlXML::XW_SIZE, CtrlXML::XW_BLOCKSIZE,
        CtrlXML::XW_RAW, CtrlXML::XW_COMPRESSED, CtrlXML::XW_CRYPTED, CtrlXML::XW_TEXT,
        // The literal's own terminator is the filter's final NUL.
        "XML Files (*.xml)\0*.xml\0All Files\0*.*\0",
        "XML import", "Import an XML", "XML export", "Import an XML file", "Export the current XML file",
        true,
    };
    return config;
}

} // namespace

CtrlXML::CtrlXML(ResourceManager* rm, GlobalStatus* gs) : CtrlTextFile(getXMLConfig(), rm, gs) {}
