#include "app/EncryptedArchiveRecord.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

namespace EncryptedArchiveRecord {

namespace {
std::set<std::string> read()
{
    std::set<std::string> paths;
    std::ifstream in(file());
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            paths.insert(line);
    return paths;
}
} // namespace

std::string file()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (state && state[0])
        return std::string(state) + "/skarden/encrypted-archives";
    return home && home[0] ? std::string(home) + "/.local/state/skarden/encrypted-archives" : std::string();
}

bool contains(const std::string& archivePath) { return read().count(archivePath) != 0; }

void note(const std::string& archivePath, bool indexEncrypted)
{
    const std::string target = file();
    // A path holding a line break could not be told from two entries.
    if (target.empty() || archivePath.find('\n') != std::string::npos)
        return;
    std::set<std::string> paths = read();
    if ((paths.count(archivePath) != 0) == indexEncrypted)
        return;
    if (indexEncrypted)
        paths.insert(archivePath);
    else
        paths.erase(archivePath);
    // Written aside and renamed, so the record is never seen half written.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), ec);
    const std::string temporary = target + "." + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const std::string& path : paths)
            out << path << '\n';
        if (!out.flush())
            return;
    }
    std::filesystem::rename(temporary, target, ec);
    if (ec)
        std::filesystem::remove(temporary, ec);
}

} // namespace EncryptedArchiveRecord
