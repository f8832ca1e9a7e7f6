#pragma once
// The guard that keeps a second copy of the program from starting: one per user,
// whatever the environment of the copy (desktop session, su, ssh, another network
// namespace or container on the same home). It is a lock (flock) on a file in a
// folder only this user may write: by default <home>/.local/state/nivora, the home
// taken from the password database and not from the environment. Another user cannot
// take it first, the kernel drops it when the holder ends (a crashed copy never blocks
// the next start), and no copy in another namespace slips past it.
#include <string>

namespace platform {

class SingleInstance {
public:
    enum class Result { Acquired, AlreadyRunning, Failed };

    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the guard called name in folder dir, or in the user's own folder when dir
    // is empty (the program's way; tests and separate copies name a folder of their
    // own). Failed when the folder cannot be had, or may be written by others.
    Result Acquire(const std::string& name, const std::string& dir = {});
    void Release();
    bool Held() const { return m_fd >= 0; }

    // <home>/.local/state/nivora for the user running the program; "" when the
    // password database knows no home.
    static std::string UserFolder();

private:
    int m_fd = -1;
};

} // namespace platform
