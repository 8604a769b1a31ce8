// Fault injection for file operations: the test program interposes the C
// library calls that SDL's file streams, the engine's archive files and
// rename() make, and fails the chosen ones for one path; and one memory
// allocation. Every other call goes through unchanged.
#pragma once

#include <cstdio>
#include <string>

namespace FileFaults {

// Clears every planned failure and the counters.
void reset();
// The n-th opening (1-based) of path fails.
void failOpen(const std::string& path, int n);
// The n-th read (1-based, counted over every stream of path) reads nothing.
void failRead(const std::string& path, int n);
// Seeks on streams of path with this whence (SEEK_SET only at offset) fail.
void failSeek(const std::string& path, int whence, long offset = 0);
// The n-th write (1-based, counted over every stream of path) writes nothing.
void failWrite(const std::string& path, int n);
// rename() from this path fails.
void failRenameFrom(const std::string& from);
// The n-th and every later open() of path (the engine's archive files) fails.
void failArchiveOpen(const std::string& path, int n);
// Once a rename() onto path has succeeded, every open() of path (the
// engine's archive files) fails.
void failOpenAfterRenameTo(const std::string& path);
// The next allocation of between minSize and maxSize bytes fails.
void failAllocation(size_t minSize, size_t maxSize);
// Write-protects path (a file or a folder) as chmod a-w does, and refuses
// with EACCES what the system then refuses a user other than root: opening
// the file for writing and access(W_OK) to it; for a folder, creating a
// file in it and renaming into or out of it. Tests run as root too, whom
// the system lets write anyway. reset() makes path writable again.
void writeProtect(const std::string& path);
// How many reads path has seen since the last reset.
int readCount(const std::string& path);

// Resets on construction and destruction, so a plan never leaks into
// the next test.
struct Scope {
    Scope() { reset(); }
    ~Scope() { reset(); }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

} // namespace FileFaults
