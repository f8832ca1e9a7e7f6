#pragma once
// The guard that keeps a second copy of the program from starting: one per user per
// machine, whatever the environment of the copy (desktop session, su, ssh). It is an
// abstract Unix socket named after the guard and the user's uid: binding it fails
// while another process holds it, and the kernel frees it when that process ends, so
// a crashed instance never blocks later starts and no file is left behind.
#include <string>

namespace platform {

class SingleInstance {
public:
    enum class Result { Acquired, AlreadyRunning, Failed };

    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the guard called name. scope separates guards of the same name that must
    // not meet (tests running side by side); the program passes "".
    Result Acquire(const std::string& name, const std::string& scope = {});
    void Release();
    bool Held() const { return m_fd >= 0; }

    // The socket's abstract name (without the leading zero byte).
    static std::string SocketName(const std::string& name, const std::string& scope);

private:
    int m_fd = -1;
};

} // namespace platform
