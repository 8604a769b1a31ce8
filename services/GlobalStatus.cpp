#include "services/GlobalStatus.h"

#include <Zelkoran/Main.h>
#include <Zelkoran/Tool.h>

#include <openssl/crypto.h>

namespace {
constexpr const char* kResolutionOption = "-resolution:";
constexpr int kResolutionOptionLength = 12;
constexpr int kMaxAcceptedArguments = 2;
} // namespace

GlobalStatus::GlobalStatus(int argc, char** argv)
{
    int accepted = 0;
    for (int i = 1; i < argc && accepted < kMaxAcceptedArguments; ++i)
        accepted += acceptArgument(argv[i]);
}

GlobalStatus::~GlobalStatus() { wipeKey(); }

int GlobalStatus::acceptArgument(const char* arg)
{
    Zelkoran::Tool* tool = Zelkoran::Main::instance()->tool();
    if (tool->strCompare(arg, kResolutionOption, kResolutionOptionLength)) {
        Zelkoran::Vector<Zelkoran::String> parts;
        tool->strTovStr(arg + kResolutionOptionLength, "x", parts);
        if (parts.size() != 2)
            return 0;
        const int width = tool->strDecToInt(parts[0].c_str());
        const int height = tool->strDecToInt(parts[1].c_str());
        if (width >= kMinWidth)
            iWidth = width;
        if (height >= kMinHeight)
            iHeight = height;
        return 1;
    }
    if (!tool->fileGetAbsolutePath(arg, sArchivePath))
        sArchivePath.clear();
    return 1;
}

int GlobalStatus::clear()
{
    bArchiveLoaded = 0;
    bSecured = 0;
    bKeyRemembered = 0;
    wipeKey();
    iArchiveID = 0;
    bReparseAll = 0;
    sArchivePath.clear();
    return 0;
}

void GlobalStatus::wipeKey()
{
    OPENSSL_cleanse(szKey, sizeof(szKey));
    iKeyLength = 0;
}
