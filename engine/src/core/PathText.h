// Path text helpers shared by Tool and Internal. Backslashes count as
// folder separators so paths written on Windows split the same way.
#pragma once

#include <Zelkoran/CMem.h>

#include <filesystem>

namespace Zelkoran::PathText {

// The text as a path, backslashes turned into '/'. path must not be null.
std::filesystem::path toPath(const char* path);
// The path's text with '/' separators.
String toString(const std::filesystem::path& path);
// Lexically normalised text without a trailing '/' (except for "/").
String normalized(const std::filesystem::path& path);
// Normalised absolute form; false when path is empty or the current
// folder cannot be read.
bool absolute(const std::filesystem::path& path, String& out);
// A name (a block's, say) as the name of a file in one folder: its folder
// parts joined with '_', "." and ".." parts left out, and a leading '.'
// written '_', so that the file stays in the folder and is not hidden.
String fileNameFor(const String& name);

} // namespace Zelkoran::PathText
