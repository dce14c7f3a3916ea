#pragma once

#include <string>
#include <sys/types.h>

// Why a file of this mode is not read or replaced, or nullptr when it is a regular file.
const char* NonRegularFileReason(mode_t mode);

// Opens path for reading when it names a regular file, after following symbolic links, and
// returns its descriptor; -1 with the reason in error otherwise. Nothing here waits: a FIFO
// without a writer would hold an ordinary open for ever, and a device such as /dev/zero would
// feed a reader for ever, so both are refused before a byte is read.
int OpenRegularFileForReading(const std::string& path, std::string& error);
