#include <Zelkoran/Internal.h>
#include <Zelkoran/Log.h>
#include <Zelkoran/Result.h>

#include "core/PathText.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string_view>
#include <strings.h>

namespace Zelkoran {

namespace {

constexpr std::string_view kQELScheme = "qel://";
constexpr std::string_view kQELExtension = ".qel";

bool endsWithQEL(std::string_view part)
{
    return part.size() >= kQELExtension.size() &&
           strncasecmp(part.data() + part.size() - kQELExtension.size(), kQELExtension.data(),
                       kQELExtension.size()) == 0;
}

} // namespace

void Internal::fatalError(const char* message, const char* extra, int code)
{
    const char* text = message ? message : "unknown error";
    const char* sep = extra ? " - " : "";
    const char* more = extra ? extra : "";
    if (Log* log = LogMgr::current())
        log->msg(1, " [Zelkoran] Fatal error: %s%s%s (code %d)\n", text, sep, more, code);
    std::fprintf(stderr, "Fatal error: %s%s%s (code %d)\n", text, sep, more, code);
    std::exit(1);
}

char* Internal::getHumanReadableSize(uint64_t bytes, char* buf, size_t size, int decimals)
{
    if (!buf || size == 0)
        return buf;
    static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    constexpr size_t kLastUnit = std::size(kUnits) - 1;
    if (bytes < 1024) {
        std::snprintf(buf, size, "%" PRIu64 " B", bytes);
        return buf;
    }
    decimals = std::clamp(decimals, 0, 3);
    const double scale = std::pow(10.0, decimals);
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    // Pick the unit after rounding, so 1048575 bytes read "1.0 MiB", not "1024.0 KiB".
    while (unit < kLastUnit && std::round(value * scale) / scale >= 1024.0) {
        value /= 1024.0;
        ++unit;
    }
    std::snprintf(buf, size, "%.*f %s", decimals, value, kUnits[unit]);
    return buf;
}

bool Internal::isQELURI(const char* text)
{
    return text && strncasecmp(text, kQELScheme.data(), kQELScheme.size()) == 0;
}

int Internal::resolveQELURI(const char* uri, const char* currentArchivePath, String& archivePath, String& resource,
                            bool& sameArchive)
{
    archivePath.clear();
    resource.clear();
    sameArchive = false;
    if (!isQELURI(uri))
        return RC_ERR_INVALID;
    // The archive part ends with the first path component named "*.qel";
    // everything after the next separator is the block name, kept as written.
    const std::string_view rest(uri + kQELScheme.size());
    size_t partStart = 0;
    size_t separator = rest.find_first_of("/\\");
    while (separator != std::string_view::npos && !endsWithQEL(rest.substr(partStart, separator - partStart))) {
        partStart = separator + 1;
        separator = rest.find_first_of("/\\", partStart);
    }
    if (separator == std::string_view::npos || separator + 1 == rest.size())
        return RC_ERR_INVALID;

    const bool hasCurrent = currentArchivePath && *currentArchivePath;
    String current;
    if (hasCurrent && !PathText::absolute(PathText::toPath(currentArchivePath), current))
        return RC_ERR_INVALID;
    const std::string archiveText(rest.substr(0, separator));
    std::filesystem::path archive = PathText::toPath(archiveText.c_str());
    if (archive.is_relative() && hasCurrent)
        archive = std::filesystem::path(current.c_str()).parent_path() / archive;
    if (!PathText::absolute(archive, archivePath))
        return RC_ERR_INVALID;
    const std::string_view name = rest.substr(separator + 1);
    resource.assign(name.data(), name.size());
    sameArchive = hasCurrent && archivePath == current;
    return RC_OK;
}

} // namespace Zelkoran
