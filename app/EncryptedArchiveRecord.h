// The archives this user last saw with an encrypted index. A file cannot
// prove it was never encrypted: a plain index in place of one seen
// encrypted may be a replaced file, and the user is asked.
//
// A file is known by its real path (links resolved: a replacement moved
// into its place keeps it) and by its device, inode and birth time (a hard
// link, or the file moved elsewhere, keeps those; a new file given the
// inode of a deleted one does not). Either one recognises it.
#pragma once

#include <string>

namespace EncryptedArchiveRecord {

// <state folder>/skarden/encrypted-archives: $XDG_STATE_HOME, else
// $HOME/.local/state; empty when neither is set.
std::string file();
bool contains(const std::string& archivePath);
// Notes whether the archive at archivePath has an encrypted index now.
void note(const std::string& archivePath, bool indexEncrypted);

} // namespace EncryptedArchiveRecord
