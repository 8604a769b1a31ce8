#include "services/ArchiveFailureText.h"

#include "services/EditorLog.h"

#include <Zelkoran/Result.h>

using namespace Zelkoran;

namespace {

enum class Told {
    Alone,   // the text is the whole message
    Refusal, // checkWritable's: the file, why it is not written, what became of it
    File,    // the file, what is wrong with it, what became of it
};

struct Cause {
    int code;
    Told told;
    const char* text;
    const char* outcome;
};

constexpr const char* kKept = "It is kept as it is.";

// One row per engine code the user is told about.
constexpr Cause kCauses[] = {
    {RC_ERR_NO_SLOT, Told::Alone, "There is no room for more QEL blocks.\nDefrag/resize the QEL file and try again.",
     nullptr},
    {RC_ERR_KEY, Told::Alone,
     "Encrypted blocks require a QEL password.\nUse the menu Encryption and password button to set it before saving "
     "this block.",
     nullptr},
    {RC_ERR_KEY_REFUSED, Told::Alone, "Could not set the QEL password for this encrypted block.", nullptr},
    {RC_ERR_REPLACED, Told::Refusal, "was replaced or deleted by another program since it was opened",
     "Nothing was written to it."},
    {RC_ERR_CHANGED, Told::Refusal, "was changed by another program since it was opened", "Nothing was written to it."},
    {RC_ERR_ACCESS, Told::Refusal, "cannot be written: permission denied", kKept},
    {RC_ERR_READ_ONLY, Told::Refusal, "cannot be written: permission denied", kKept},
    {RC_ERR_CORRUPT, Told::File, "is damaged", kKept},
};

// A rewrite makes its new file beside the old one: denied there, the
// folder is the cause.
const char* const kFolderDenied = "cannot be rewritten: permission denied in its folder";

const Cause* causeOf(int code)
{
    for (const Cause& cause : kCauses)
        if (cause.code == code)
            return &cause;
    return nullptr;
}

const Cause* refusalOf(int code)
{
    const Cause* cause = causeOf(code);
    return cause && cause->told == Told::Refusal ? cause : nullptr;
}

const char* refusalWords(const Cause& cause, bool rewrite)
{
    return rewrite && cause.code == RC_ERR_ACCESS ? kFolderDenied : cause.text;
}

String aboutFile(const Cause& cause, const char* path, bool rewrite)
{
    return String("The QEL file \"") + path + "\" " + refusalWords(cause, rewrite) + ".\n" + cause.outcome;
}

} // namespace

String saveFailureText(int code, const String& failure, const char* path)
{
    const Cause* cause = causeOf(code);
    if (!cause)
        return failure;
    if (cause->told == Told::Alone)
        return cause->text;
    return failure + "\n" + aboutFile(*cause, path, false);
}

String saveFailureCause(int code)
{
    const Cause* cause = causeOf(code);
    return cause && cause->told == Told::Alone ? String(cause->text) : String();
}

String archiveRefusalText(int code, const char* path, bool rewrite)
{
    const Cause* cause = refusalOf(code);
    return cause ? aboutFile(*cause, path, rewrite) : String();
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
    if (const Cause* cause = refusalOf(code))
        editorLog().msg(LOG_ERROR, " [Menu] Error: %s not done: %s %s.\n", action, path, refusalWords(*cause, rewrite));
}
