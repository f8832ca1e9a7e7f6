#include "logo/ImageKind.h"

#include <cstdio>
#include <cstring>

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
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return ImageKind::Unknown;
    const size_t got = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return SniffImageKind(head, got);
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
