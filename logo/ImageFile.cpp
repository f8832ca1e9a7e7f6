#include "logo/ImageFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "logo/ImageDecoders.h"
#include "platform/RegularFile.h"

namespace {

// The whole of a regular file, up to limit bytes.
bool ReadBytes(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, std::string& why)
{
    const int fd = platform::OpenRegularFile(path);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        why = fd < 0 && errno != EINVAL ? std::string("cannot be opened (") + std::strerror(errno) + ")"
                                        : "not a regular file";
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    bool ok = true;
    try {
        bytes.resize(static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(st.st_size), limit)));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            ok = n > 0;
            done += ok ? static_cast<size_t>(n) : 0;
        }
        bytes.resize(done);
        if (!ok)
            why = "cannot be read";
    } catch (const std::bad_alloc&) {
        ok = false;
        why = "out of memory";
    }
    ::close(fd);
    return ok;
}

// The header of any kind lies within this many bytes, except a JPEG's, whose frame
// header may follow large metadata: JPEG files are read whole.
constexpr size_t kHeaderBytes = 64 * 1024;

} // namespace

bool ReadImageInfo(const std::string& path, ImageInfo& info, std::string& why)
{
    const ImageKind kind = SniffImageFile(path);
    if (kind == ImageKind::Bmp) {
        BmpInfo bmp;
        if (!ReadBmpInfo(path, bmp)) {
            why = "unsupported or damaged BMP file";
            return false;
        }
        info = ImageInfo{kind, bmp.width, bmp.height, bmp.bitsPerPixel};
        return true;
    }
    std::vector<uint8_t> bytes;
    if (!ReadBytes(path, kind == ImageKind::Jpeg ? kMaxImageFileBytes : kHeaderBytes, bytes, why))
        return false;
    ImageInfo result{kind, 0, 0, 0};
    bool ok = false;
    switch (kind) {
    case ImageKind::Png:
        ok = ReadPngSize(bytes.data(), bytes.size(), result.width, result.height);
        break;
    case ImageKind::Jpeg:
        ok = ReadJpegSize(bytes.data(), bytes.size(), result.width, result.height);
        break;
    case ImageKind::Gif:
        ok = ReadGifSize(bytes.data(), bytes.size(), result.width, result.height);
        break;
    default:
        why = kNotAnImageReason;
        return false;
    }
    if (!ok) {
        why = std::string("damaged ") + ImageKindName(kind) + " header";
        return false;
    }
    info = result;
    return true;
}

bool CheckImageFile(const std::string& path, ImageInfo& info, std::string& why)
{
    ImageInfo read;
    if (!ReadImageInfo(path, read, why))
        return false;
    if (read.kind != ImageKind::Bmp && NvBytesOf(read.width, read.height) <= kNvAreaBytes) {
        DecodedImage image;
        if (!LoadImageFile(path, image, why))
            return false;
    }
    info = read;
    return true;
}

bool DecodeImageBytes(const uint8_t* data, size_t size, DecodedImage& image, std::string& why,
                      int64_t maxNvBytes)
{
    switch (SniffImageKind(data, size)) {
    case ImageKind::Png:
        return DecodePng(data, size, image, why, maxNvBytes);
    case ImageKind::Jpeg:
        return DecodeJpeg(data, size, image, why, maxNvBytes);
    case ImageKind::Gif:
        return DecodeGif(data, size, image, why, maxNvBytes);
    case ImageKind::Bmp: {
        BmpImage bmp;
        if (!DecodeBmp(std::vector<uint8_t>(data, data + size), bmp)) {
            why = "unsupported or damaged BMP file";
            return false;
        }
        return BmpColours(bmp, image, why, maxNvBytes);
    }
    default:
        why = kNotAnImageReason;
        return false;
    }
}

bool LoadImageFile(const std::string& path, DecodedImage& image, std::string& why, int64_t maxNvBytes)
{
    if (SniffImageFile(path) == ImageKind::Bmp) {
        // The BMP reader reads the file itself, bounded by its own limits.
        BmpImage bmp;
        if (!LoadBmp(path, bmp)) {
            why = "unsupported or damaged BMP file";
            return false;
        }
        return BmpColours(bmp, image, why, maxNvBytes);
    }
    std::vector<uint8_t> bytes;
    return ReadBytes(path, kMaxImageFileBytes, bytes, why) &&
           DecodeImageBytes(bytes.data(), bytes.size(), image, why, maxNvBytes);
}

bool BmpColours(const BmpImage& bmp, DecodedImage& image, std::string& why, int64_t maxNvBytes)
{
    if (!CheckDecodeSize("BMP", bmp.width, bmp.height, maxNvBytes, why))
        return false;
    DecodedImage result;
    result.width = bmp.width;
    result.height = bmp.height;
    result.layout = PixelLayout::Rgba;
    try {
        result.pixels.resize(static_cast<size_t>(bmp.width) * static_cast<size_t>(bmp.height) * 4);
    } catch (const std::bad_alloc&) {
        why = "out of memory";
        return false;
    }
    uint8_t* p = result.pixels.data();
    for (int32_t y = 0; y < bmp.height; ++y) {
        for (int32_t x = 0; x < bmp.width; ++x, p += 4) {
            const uint32_t rgb = bmp.RgbAt(x, y);
            p[0] = static_cast<uint8_t>(rgb >> 16);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb);
            p[3] = bmp.AlphaAt(x, y);
        }
    }
    image = std::move(result);
    return true;
}
