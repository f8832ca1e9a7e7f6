#pragma once
// The one way the program opens a file it reads as data: a logo, the profile,
// Device.INI, the command line's printer list and streams. Only a regular file is
// read. A FIFO would block the open for ever and a device would be read without end:
// the open never waits (O_NONBLOCK), the opened file is looked at (fstat), and
// anything else (FIFO, socket, device, folder) is refused at once with the file's
// name. Safe to call from any thread.
#include <cstddef>
#include <string>

namespace platform {

// A read-only descriptor of path, blocking as usual once open, or -1 with errno: the
// open's own error, or EINVAL when path is something other than a regular file.
int OpenRegularFile(const std::string& path);
// The same; on failure why says it in words, naming the file: "'PATH' is a FIFO, not
// a regular file" or "PATH: No such file or directory".
int OpenDataFile(const std::string& path, std::string& why);

// The whole of a data file, which must hold at most limit bytes; false with why
// ("PATH: more than N bytes") otherwise.
bool ReadDataFile(const std::string& path, size_t limit, std::string& content, std::string& why);

// What path is when it is not a regular file ("a FIFO", "a folder", "a device", ...),
// "" when it is one or does not exist. For messages.
std::string NonRegularKind(const std::string& path);

// "'<path>' is a FIFO, not a regular file", or "" when there is nothing to say.
std::string NotRegularMessage(const std::string& path);

} // namespace platform
