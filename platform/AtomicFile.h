#pragma once
// Writing a whole file so that a failure, or a kill, never leaves half of it behind:
// the bytes go to a new temporary file beside the target (mkstemp: created exclusively,
// never through a link), which is renamed over the target once they are on disk.
//
// The target may be missing, a regular file (it keeps its permissions) or a symbolic
// link (the link itself is replaced; what it points to is never written). Anything else
// there (a device, a FIFO, a folder, a socket), and a file this user may not write, is
// refused with its name and left alone. Until it is put in place the temporary file is
// registered to be removed if a signal ends the program (ReleaseOnExit.h).
//
// An OutputFile is used by one thread at a time.
#include <cstdint>
#include <span>
#include <string>

#include "platform/ReleaseOnExit.h"

namespace platform {

// Writes all of bytes to fd, resuming after interrupts and short writes; false with
// errno set when the descriptor takes no more.
bool WriteAll(int fd, std::span<const uint8_t> bytes);

// Whether path may be replaced by an output file. False with a message naming path
// when something other than a regular file or a link is there, or when this user may
// not write the file that is.
bool CheckOutputTarget(const std::string& path, std::string& error);

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the target and creates the temporary file; tempPrefix is the temporary
    // file's name before its six random characters (path + "." when empty). False with
    // error naming the file.
    bool Open(const std::string& path, std::string& error, const std::string& tempPrefix = {});
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    // False with errno when the disk takes no more.
    bool Write(std::span<const uint8_t> bytes) { return WriteAll(m_fd, bytes); }
    // Puts the bytes written so far on disk; false with errno when that fails.
    bool Flush();
    // Flushes the bytes to disk, gives the file the target's permissions (a new one
    // those of any new file), and renames it over the target. False with error; the
    // target is then unchanged and the temporary file gone.
    bool Commit(std::string& error);
    // Removes the temporary file; the target is unchanged.
    void Discard();

private:
    int m_fd = -1;
    std::string m_path;
    std::string m_temp;
    unsigned m_mode = 0;
    ReleaseOnExit m_release;
};

// The whole file at once through an OutputFile. False with "PATH: reason" in error when
// it could not be written completely; the target is then unchanged.
bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

} // namespace platform
