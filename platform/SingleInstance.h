#pragma once
// The guard that keeps a second copy of the program from starting: an exclusive
// flock on a lock file named after the guard. The kernel drops the lock when the
// process ends, so a crashed instance never blocks later starts.
#include <string>

namespace platform {

class SingleInstance {
public:
    enum class Result { Acquired, AlreadyRunning, Failed };

    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the guard called name, with its lock file in dir ("" = DefaultLockDir()).
    Result Acquire(const std::string& name, const std::string& dir = {});
    void Release();
    bool Held() const { return m_fd >= 0; }

    // $XDG_RUNTIME_DIR when it is a usable directory, else /tmp.
    static std::string DefaultLockDir();
    // The lock file used for name in dir: dir/name-<uid>.lock.
    static std::string LockPath(const std::string& name, const std::string& dir);

private:
    int m_fd = -1;
};

} // namespace platform
