#pragma once

#include <string>
#include <string_view>

// Replaces the file at path with contents, or leaves it exactly as it was. The bytes go to
// a temporary file in the same folder, are flushed to the disk, and only then renamed over
// the old file, so a full disk, a read-only folder or a crash mid-write never costs the
// operator the previous file. A file the user may not write is not replaced either, nor is
// anything but a regular file. A symbolic link is followed, so the link keeps pointing at the
// new contents. The new file keeps the old one's owner, group and mode where the process may
// give them. On failure, error receives the reason.
bool WriteFileAtomically(const std::string& path, std::string_view contents, std::string& error);
