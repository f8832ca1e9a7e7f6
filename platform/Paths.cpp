#include "platform/Paths.h"

namespace platform {

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    const size_t folderEnd = folder.find_last_not_of('/');
    const size_t nameStart = name.find_first_not_of('/');
    std::string joined = folderEnd == std::string::npos ? std::string() : folder.substr(0, folderEnd + 1);
    joined += '/';
    if (nameStart != std::string::npos)
        joined += name.substr(nameStart);
    return joined;
}

} // namespace platform
