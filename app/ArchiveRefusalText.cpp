#include "app/ArchiveRefusalText.h"

#include "services/EditorLog.h"

#include <Zelkoran/Result.h>

using namespace Zelkoran;

namespace {

const char* causeOf(int code, bool rewrite)
{
    if (code == RC_ERR_REPLACED)
        return "was replaced or deleted by another program since it was opened";
    if (code == RC_ERR_CHANGED)
        return "was changed by another program since it was opened";
    if (code == RC_ERR_ACCESS && rewrite)
        return "cannot be rewritten: permission denied in its folder";
    if (code == RC_ERR_READ_ONLY || code == RC_ERR_ACCESS)
        return "cannot be written: permission denied";
    return nullptr;
}

} // namespace

String archiveRefusalText(int code, const char* path, bool rewrite)
{
    const char* cause = causeOf(code, rewrite);
    if (!cause)
        return String();
    const char* outcome =
        code == RC_ERR_REPLACED || code == RC_ERR_CHANGED ? "Nothing was written to it." : "It is kept as it is.";
    return String("The QEL file \"") + path + "\" " + cause + ".\n" + outcome;
}

String newArchiveFailureText(int code)
{
    String text = "Could not create a new QEL file.";
    if (code == RC_ERR_BUSY)
        text += "\nAnother program has the file open.";
    else if (code == RC_ERR_ACCESS)
        text += "\nPermission denied in its folder.";
    return text;
}

void logArchiveRefusal(const char* action, int code, const char* path, bool rewrite)
{
    if (const char* cause = causeOf(code, rewrite))
        editorLog().msg(LOG_ERROR, " [Menu] Error: %s not done: %s %s.\n", action, path, cause);
}
