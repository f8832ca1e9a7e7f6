#pragma once
// Writing a command's result so that a failure never leaves half a file behind: the
// bytes go to a temporary file beside the target, which is renamed over it at the end
// (platform/AtomicFile.h: a link is replaced, never followed; a device, FIFO or folder
// in the target's place is refused). "-" means standard output.
#include <cstdint>
#include <string>
#include <vector>

namespace cli {

// False with a message in error when the file could not be written completely; the
// target is then unchanged. "-" is refused when standard output is a terminal.
bool WriteFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// Reads a whole file, or standard input for "-". Only a regular file is read (a FIFO or
// a device is refused at once). False with a message in error.
bool ReadWholeInput(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

} // namespace cli
