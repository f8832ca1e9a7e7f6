#pragma once
// UUCP lock files: /run/lock/LCK..<device base name> holding the owner's PID as ten
// ASCII digits and a line end. Terminal programs and modem managers take a serial
// port this way instead of with flock, so a port is only ours when both agree.
//
// A file whose process is gone is stale and removed. Not being allowed to create a
// lock (no write access to the folder) is no reason to refuse the port: the other
// guards still hold.
#include <string>

namespace printer {

class UucpLock {
public:
    UucpLock() = default;
    ~UucpLock();
    UucpLock(UucpLock&& other) noexcept;
    UucpLock& operator=(UucpLock&& other) noexcept;
    UucpLock(const UucpLock&) = delete;
    UucpLock& operator=(const UucpLock&) = delete;

    // Takes the lock of device. false with errno EBUSY when a live process (this one
    // included, through another port) holds it; true when it is ours now or could not
    // be created for want of permission.
    bool Acquire(const std::string& device);
    // Removes the lock file if this object created it.
    void Release();
    // The lock file this object holds, "" when none.
    const std::string& Path() const { return m_path; }

    // True when a live process holds the lock of device (a stale file is removed).
    static bool HeldByOther(const std::string& device);
    // The lock file that stands for device: <lock dir>/LCK..<base name of the
    // device, symbolic links resolved>.
    static std::string LockFileFor(const std::string& device);

private:
    std::string m_path;
};

} // namespace printer
