#pragma once
// Writing a whole file so that a failure never leaves half of it behind: the bytes go
// to a temporary file beside the target, which is renamed over it once they are on disk.
#include <cstdint>
#include <span>
#include <string>

namespace platform {

// Writes all of bytes to fd, resuming after interrupts and short writes; false with
// errno set when the descriptor takes no more.
bool WriteAll(int fd, std::span<const uint8_t> bytes);

// False with "PATH: reason" in error when the file could not be written completely;
// the target is then unchanged and no temporary file is left.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

} // namespace platform
