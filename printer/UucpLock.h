#pragma once
// UUCP lock files: <lock dir>/LCK..<device base name> holding the owner's PID as ten
// ASCII digits and a line end. Terminal programs and modem managers take a serial
// port this way instead of with flock, so a port is only ours when both agree.
//
// Another program's file is read in both of the forms in use, ten ASCII digits or the
// PID as 4 binary bytes. A file whose process is gone is stale and removed; a file that
// cannot be read as a PID (empty, garbage) is respected as held and never removed, and
// the refusal names it. A lock is made under a name of its own (process, thread and a
// counter) and linked into place, so two programs, or two threads of this one, never
// both succeed; a failed attempt is retried with a fresh name. Only a lock folder this
// user may not write to (EACCES, EROFS) or one that does not exist lets the port go
// unlocked: the other guards still hold.
//
// Thread-safety: Acquire and Release may run on many threads at once (many printers);
// one UucpLock object is used by one thread at a time.
#include <string>

namespace platform {
struct Context;
}

namespace printer {

class UucpLock {
public:
    UucpLock() = default;
    ~UucpLock();
    UucpLock(UucpLock&& other) noexcept;
    UucpLock& operator=(UucpLock&& other) noexcept;
    UucpLock(const UucpLock&) = delete;
    UucpLock& operator=(const UucpLock&) = delete;

    enum class Result {
        Ours,       // the lock file is ours now
        NoLockDir,  // no lock folder we may use: the port goes unlocked
        Held,       // a live process (this one included, through another port) holds it
        Unreadable, // a lock file that names no PID: respected as held (HeldBy names it)
        Failed,     // it could not be made for another reason (errno)
    };
    // Takes the lock of device.
    Result Acquire(const platform::Context& context, const std::string& device);
    // Removes the lock file if this object made it.
    void Release();
    // The lock file this object holds, "" when none.
    const std::string& Path() const { return m_path; }
    // The lock file a refusal was about.
    const std::string& HeldBy() const { return m_heldBy; }

    // True when a live process holds the lock of device, or a file that names no PID
    // stands for it (then unreadable is set, when given). A stale file is removed.
    static bool HeldByOther(const platform::Context& context, const std::string& device,
                            bool* unreadable = nullptr);
    // The lock file that stands for device: <lock dir>/LCK..<base name of the device,
    // symbolic links resolved>.
    static std::string LockFileFor(const platform::Context& context, const std::string& device);

private:
    std::string m_path;
    std::string m_heldBy;
};

} // namespace printer
