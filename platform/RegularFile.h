#pragma once
// Opening a file the program reads as data (a logo, the profile, Device.INI) only when
// it is a regular file. A FIFO would block the open for ever, a device would be read
// without end; both are refused at once, without waiting for a writer.
#include <string>

namespace platform {

// A read-only descriptor of path, blocking as usual, or -1 with errno: the open's own
// error, or EINVAL when path is something other than a regular file.
int OpenRegularFile(const std::string& path);

// What path is when it is not a regular file ("a FIFO", "a folder", "a device", ...),
// "" when it is one or does not exist. For messages.
std::string NonRegularKind(const std::string& path);

// "'<path>' is a FIFO, not a regular file", or "" when there is nothing to say.
std::string NotRegularMessage(const std::string& path);

} // namespace platform
