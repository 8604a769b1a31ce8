#include "app/EncryptedArchiveRecord.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace EncryptedArchiveRecord {

namespace {

std::set<std::string> read()
{
    std::set<std::string> lines;
    std::ifstream in(file());
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            lines.insert(line);
    return lines;
}

// The record's lines that name the file at archivePath: its real path and
// "@device:inode:birth" (absolute paths never start with '@'). The birth
// time tells the file from a later one given the inode of a deleted one;
// writing into the file keeps it. Records written before held the path as
// opened and "@device:inode", which are looked up too.
std::vector<std::string> keysOf(const std::string& archivePath, bool withEarlierForms)
{
    std::vector<std::string> keys;
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(archivePath, ec);
    keys.push_back(ec ? archivePath : real.string());
    if (withEarlierForms && !ec && real.string() != archivePath)
        keys.push_back(archivePath);
    struct statx info{};
    if (::statx(AT_FDCWD, archivePath.c_str(), 0, STATX_INO | STATX_BTIME, &info) == 0) {
        const std::string inode = "@" + std::to_string(makedev(info.stx_dev_major, info.stx_dev_minor)) + ":"
                                  + std::to_string(info.stx_ino);
        // Without a birth time (a file system that keeps none) the inode alone.
        if (!(info.stx_mask & STATX_BTIME)) {
            keys.push_back(inode);
            return keys;
        }
        keys.push_back(inode + ":" + std::to_string(info.stx_btime.tv_sec) + "."
                       + std::to_string(info.stx_btime.tv_nsec));
        if (withEarlierForms)
            keys.push_back(inode);
    }
    return keys;
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

bool contains(const std::string& archivePath)
{
    const std::set<std::string> lines = read();
    for (const std::string& key : keysOf(archivePath, true))
        if (lines.count(key) != 0)
            return true;
    return false;
}

void note(const std::string& archivePath, bool indexEncrypted)
{
    const std::string target = file();
    if (target.empty())
        return;
    std::set<std::string> lines = read();
    const std::set<std::string> before = lines;
    for (const std::string& key : keysOf(archivePath, !indexEncrypted)) {
        // A path holding a line break could not be told from two entries.
        if (key.find('\n') != std::string::npos)
            continue;
        if (indexEncrypted)
            lines.insert(key);
        else
            lines.erase(key);
    }
    if (lines == before)
        return;
    // Written aside and renamed, so the record is never seen half written.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(target).parent_path(), ec);
    const std::string temporary = target + "." + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const std::string& line : lines)
            out << line << '\n';
        if (!out.flush())
            return;
    }
    std::filesystem::rename(temporary, target, ec);
    if (ec)
        std::filesystem::remove(temporary, ec);
}

} // namespace EncryptedArchiveRecord
