#include "tabs/data/ctrlXML.h"

namespace {

const TextFileCtrlConfig& getXMLConfig()
{
    static const TextFileCtrlConfig config = {
        "XML", 227, "ZK7_XML", "XML", 1200, 1201, 1202, 1203, 1204, 1205, 1206, 1207, 1208,
        // The literal's own terminator is the filter's final NUL.
        "XML Files (*.xml)\0*.xml\0All Files\0*.*\0",
        "XML import", "Import an XML", "XML export", "Import an XML file", "Export the current XML file",
        true,
    };
    return config;
}

} // namespace

CtrlXML::CtrlXML(ResourceManager* rm, GlobalStatus* gs) : CtrlTextFile(getXMLConfig(), rm, gs) {}
