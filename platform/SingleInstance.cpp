#include "platform/SingleInstance.h"

#include <cerrno>
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

SingleInstance::~SingleInstance()
{
    Release();
}

std::string SingleInstance::SocketName(const std::string& name, const std::string& scope)
{
    std::string text = name + "-" + std::to_string(::getuid());
    if (!scope.empty())
        text += "-" + scope;
    return text;
}

SingleInstance::Result SingleInstance::Acquire(const std::string& name, const std::string& scope)
{
    Release();
    const std::string socketName = SocketName(name, scope);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // Abstract names start with a zero byte; longer ones are cut, which still names
    // one guard per name.
    const size_t length = std::min(socketName.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, socketName.data(), length);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Result::Failed;
    const socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EADDRINUSE ? Result::AlreadyRunning : Result::Failed;
    }
    m_fd = fd;
    return Result::Acquired;
}

void SingleInstance::Release()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace platform
