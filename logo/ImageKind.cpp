#include "logo/ImageKind.h"

#include <cstring>
#include <unistd.h>

#include "platform/RegularFile.h"

ImageKind SniffImageKind(const uint8_t* data, size_t size)
{
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (!data)
        return ImageKind::Unknown;
    if (size >= 8 && std::memcmp(data, kPng, 8) == 0)
        return ImageKind::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return ImageKind::Jpeg;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return ImageKind::Gif;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return ImageKind::Bmp;
    return ImageKind::Unknown;
}

ImageKind SniffImageFile(const std::string& path)
{
    uint8_t head[kSniffBytes] = {};
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0)
        return ImageKind::Unknown;
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    return SniffImageKind(head, got > 0 ? static_cast<size_t>(got) : 0);
}

const char* ImageKindName(ImageKind kind)
{
    switch (kind) {
    case ImageKind::Bmp:
        return "BMP";
    case ImageKind::Png:
        return "PNG";
    case ImageKind::Jpeg:
        return "JPEG";
    case ImageKind::Gif:
        return "GIF";
    default:
        return "";
    }
}
