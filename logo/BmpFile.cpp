#include "logo/BmpFile.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3 };

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Where everything is in a file, as its headers describe it.
struct Layout {
    BmpInfo info;
    uint32_t headerSize = 0;
    uint32_t compression = kBiRgb;
    bool topDown = false;
    size_t paletteOffset = 0;
    size_t paletteCount = 0;
    size_t paletteEntrySize = 4;
    uint32_t masks[3] = {0, 0, 0};
    size_t pixelOffset = 0;
    size_t stride = 0;
};

bool IsSupportedDepth(int bpp)
{
    return bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Reads the headers. data holds the first avail bytes of a file of fileSize bytes.
// With deepDepthsOk, an otherwise sound header of 48 or 64 bits per pixel passes (so
// that the caller can say the format is not supported rather than unreadable).
bool ParseLayout(const uint8_t* data, size_t avail, uint64_t fileSize, Layout& out, bool deepDepthsOk)
{
    if (avail < 18 || fileSize < 18 || data[0] != 'B' || data[1] != 'M')
        return false;
    const uint32_t headerSize = U32(data + 14);
    const bool core = headerSize == 12;
    if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
        headerSize != 124)
        return false;
    if (avail < 14 + headerSize || fileSize < 14 + headerSize)
        return false;
    const uint8_t* h = data + 14;
    int64_t width, height;
    int bpp;
    uint32_t planes, clrUsed = 0;
    if (core) {
        width = U16(h + 4);
        height = U16(h + 6);
        planes = U16(h + 8);
        bpp = U16(h + 10);
    } else {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        planes = U16(h + 12);
        bpp = U16(h + 14);
        out.compression = U32(h + 16);
        clrUsed = U32(h + 32);
    }
    if (planes != 1)
        return false;
    out.topDown = height < 0;
    if (out.topDown)
        height = -height;
    if (width < 1 || height < 1 || width > kMaxBmpDimension || height > kMaxBmpDimension)
        return false;
    out.info = {static_cast<int32_t>(width), static_cast<int32_t>(height), bpp};
    out.headerSize = headerSize;

    if ((bpp == 48 || bpp == 64) && deepDepthsOk && out.compression == kBiRgb)
        return true;
    if (!IsSupportedDepth(bpp))
        return false;
    switch (out.compression) {
    case kBiRgb: break;
    case kBiRle8: if (bpp != 8 || out.topDown) return false; break;
    case kBiRle4: if (bpp != 4 || out.topDown) return false; break;
    case kBiBitfields: if (bpp != 16 && bpp != 32) return false; break;
    default: return false;
    }

    size_t tableOffset = 14 + headerSize;
    if (bpp == 16) {
        out.masks[0] = 0x7C00, out.masks[1] = 0x03E0, out.masks[2] = 0x001F;
    } else if (bpp == 32) {
        out.masks[0] = 0xFF0000, out.masks[1] = 0xFF00, out.masks[2] = 0xFF;
    }
    if (out.compression == kBiBitfields) {
        // A 40-byte header is followed by the three masks; larger ones contain them.
        const size_t at = headerSize == 40 ? tableOffset : 14 + 40;
        if (at + 12 > avail || at + 12 > fileSize)
            return false;
        for (int i = 0; i < 3; ++i)
            out.masks[i] = U32(data + at + 4 * static_cast<size_t>(i));
        if (headerSize == 40)
            tableOffset += 12;
    }

    out.paletteEntrySize = core ? 3 : 4;
    out.paletteOffset = tableOffset;
    if (bpp <= 8) {
        const size_t full = size_t{1} << bpp;
        out.paletteCount = clrUsed == 0 || clrUsed > full ? full : clrUsed;
    }
    const uint64_t paletteEnd = tableOffset + out.paletteCount * out.paletteEntrySize;
    if (paletteEnd > fileSize)
        return false;

    const uint32_t offBits = U32(data + 10);
    if (offBits == 0)
        out.pixelOffset = static_cast<size_t>(paletteEnd);
    else if (offBits >= 14 + headerSize && offBits < fileSize)
        out.pixelOffset = offBits;
    else
        return false;

    out.stride = static_cast<size_t>((static_cast<uint64_t>(width) * static_cast<uint64_t>(bpp) + 31) / 32 * 4);
    if (out.compression == kBiRgb || out.compression == kBiBitfields) {
        const uint64_t pixelBytes = static_cast<uint64_t>(out.stride) * static_cast<uint64_t>(height);
        if (out.pixelOffset + pixelBytes > fileSize)
            return false;
    }
    return true;
}

// Decodes (rows != nullptr) or only checks (rows == nullptr) an RLE8/RLE4 stream into
// bottom-up rows. Pixels beyond the right edge are dropped; a command that runs past
// the end of the data or moves below the last row makes the stream bad.
bool DecodeRle(const uint8_t* data, size_t size, const Layout& layout, uint8_t* rows)
{
    const bool four = layout.compression == kBiRle4;
    const int64_t width = layout.info.width, height = layout.info.height;
    int64_t x = 0, y = 0;
    auto put = [&](uint32_t index) {
        if (rows && x < width && y < height) {
            uint8_t* row = rows + static_cast<size_t>(y) * layout.stride;
            if (four) {
                const size_t at = static_cast<size_t>(x / 2);
                row[at] = static_cast<uint8_t>(x % 2 ? (row[at] & 0xF0) | (index & 15)
                                                     : (row[at] & 0x0F) | ((index & 15) << 4));
            } else {
                row[static_cast<size_t>(x)] = static_cast<uint8_t>(index);
            }
        }
        ++x;
    };
    size_t i = 0;
    while (i + 1 < size) {
        const uint8_t count = data[i], value = data[i + 1];
        i += 2;
        if (count > 0) {
            if (y >= height)
                return false;
            for (int k = 0; k < count; ++k)
                put(four ? (k % 2 ? value & 15u : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0:  // end of line
            x = 0;
            ++y;
            break;
        case 1:  // end of bitmap
            return true;
        case 2:  // delta
            if (i + 2 > size)
                return false;
            x += data[i];
            y += data[i + 1];
            i += 2;
            if (y > height || (y == height && x > 0))
                return false;
            break;
        default: {  // absolute run of `value` pixels, padded to a 16-bit boundary
            const size_t bytes = four ? (value + 1u) / 2 : value;
            if (i + bytes > size || y >= height)
                return false;
            for (int k = 0; k < value; ++k)
                put(four ? (k % 2 ? data[i + static_cast<size_t>(k / 2)] & 15u
                                  : data[i + static_cast<size_t>(k / 2)] >> 4)
                         : data[i + static_cast<size_t>(k)]);
            i += bytes + (bytes & 1);
            break;
        }
        }
    }
    return true;  // data ended without an end-of-bitmap: what was there stands
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                ok = false;
            else
                done += static_cast<size_t>(n);
        }
    }
    ::close(fd);
    return ok;
}

int MaskShift(uint32_t mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int MaskBits(uint32_t mask)
{
    mask >>= MaskShift(mask);
    int bits = 0;
    while (mask & 1) {
        mask >>= 1;
        ++bits;
    }
    return bits;
}

uint32_t Channel(uint32_t value, uint32_t mask)
{
    const int bits = MaskBits(mask);
    if (bits == 0)
        return 0;
    const uint32_t v = (value & mask) >> MaskShift(mask);
    if (bits >= 8)
        return v >> (bits - 8);
    return v * 255 / ((1u << bits) - 1);
}

}  // namespace

bool ParseBmpInfo(const uint8_t* data, size_t size, BmpInfo& info)
{
    Layout layout;
    if (!ParseLayout(data, size, size, layout, true))
        return false;
    if ((layout.compression == kBiRle8 || layout.compression == kBiRle4) &&
        !DecodeRle(data + layout.pixelOffset, size - layout.pixelOffset, layout, nullptr))
        return false;
    info = layout.info;
    return true;
}

bool ReadBmpInfo(const std::string& path, BmpInfo& info)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    uint8_t head[14 + 124 + 12];
    ssize_t got = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        got = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    if (got < 0)
        return false;
    Layout layout;
    if (!ParseLayout(head, static_cast<size_t>(got), static_cast<uint64_t>(st.st_size), layout, true))
        return false;
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4) {
        // Compressed files are small; decoding them is the only way to know they load.
        std::vector<uint8_t> bytes;
        return ReadWholeFile(path, bytes) && ParseBmpInfo(bytes.data(), bytes.size(), info);
    }
    info = layout.info;
    return true;
}

bool DecodeBmp(std::vector<uint8_t> file, BmpImage& image)
{
    Layout layout;
    if (!ParseLayout(file.data(), file.size(), file.size(), layout, false))
        return false;
    const size_t rowsBytes = layout.stride * static_cast<size_t>(layout.info.height);
    if (rowsBytes > kMaxPixelBytes)
        return false;

    BmpImage result;
    result.width = layout.info.width;
    result.height = layout.info.height;
    result.bitsPerPixel = layout.info.bitsPerPixel;
    result.widthBytes = static_cast<int32_t>(layout.stride);
    result.redMask = layout.masks[0];
    result.greenMask = layout.masks[1];
    result.blueMask = layout.masks[2];
    for (size_t i = 0; i < layout.paletteCount; ++i) {
        const uint8_t* entry = file.data() + layout.paletteOffset + i * layout.paletteEntrySize;
        result.palette.push_back((static_cast<uint32_t>(entry[2]) << 16) |
                                 (static_cast<uint32_t>(entry[1]) << 8) | entry[0]);
    }
    if (layout.compression == kBiRle8 || layout.compression == kBiRle4) {
        result.m_converted.assign(rowsBytes, 0);
        if (!DecodeRle(file.data() + layout.pixelOffset, file.size() - layout.pixelOffset, layout,
                       result.m_converted.data()))
            return false;
    } else if (layout.topDown) {
        result.m_converted.resize(rowsBytes);
        for (int32_t r = 0; r < result.height; ++r)
            std::memcpy(result.m_converted.data() + static_cast<size_t>(result.height - 1 - r) * layout.stride,
                        file.data() + layout.pixelOffset + static_cast<size_t>(r) * layout.stride,
                        layout.stride);
    }
    result.m_file = std::move(file);
    result.m_bits = result.m_converted.empty() ? result.m_file.data() + layout.pixelOffset
                                               : result.m_converted.data();
    image = std::move(result);
    return true;
}

bool LoadBmp(const std::string& path, BmpImage& image)
{
    std::vector<uint8_t> bytes;
    return ReadWholeFile(path, bytes) && DecodeBmp(std::move(bytes), image);
}

uint32_t BmpImage::RgbAt(int32_t x, int32_t topDownY) const
{
    if (x < 0 || x >= width || topDownY < 0 || topDownY >= height)
        return 0;
    const uint8_t* row = Row(height - 1 - topDownY);
    switch (bitsPerPixel) {
    case 1: case 2: case 4: case 8: {
        const int perByte = 8 / bitsPerPixel;
        const uint8_t byte = row[x / perByte];
        const int shift = (perByte - 1 - x % perByte) * bitsPerPixel;
        const size_t index = (byte >> shift) & ((1u << bitsPerPixel) - 1);
        return index < palette.size() ? palette[index] : 0;
    }
    case 16: {
        const uint32_t v = U16(row + 2 * x);
        return (Channel(v, redMask) << 16) | (Channel(v, greenMask) << 8) | Channel(v, blueMask);
    }
    case 24: {
        const uint8_t* p = row + 3 * x;
        return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
    }
    case 32: {
        const uint32_t v = U32(row + 4 * x);
        return (Channel(v, redMask) << 16) | (Channel(v, greenMask) << 8) | Channel(v, blueMask);
    }
    default:
        return 0;
    }
}
