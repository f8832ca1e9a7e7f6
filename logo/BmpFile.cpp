#include "logo/BmpFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/RegularFile.h"

namespace {

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3 };
constexpr size_t kFileHeaderSize = 14;
constexpr size_t kLargestHeader = 124;
constexpr size_t kMaskBytes = 12; // the three masks after a 40-byte header
// Enough of a file to read every header and the masks that may follow it.
constexpr size_t kHeadBytes = kFileHeaderSize + kLargestHeader + kMaskBytes;

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
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
    uint32_t clrUsed = 0;
    uint32_t offBits = 0; // bfOffBits as written
    bool core = false;
    bool topDown = false;
    size_t paletteOffset = 0;
    size_t paletteCount = 0; // entries to read: at most 2^bits
    size_t paletteEntrySize = 4;
    uint32_t masks[3] = {0, 0, 0};
    uint32_t alphaMask = 0;
    size_t pixelOffset = 0;
    size_t stride = 0;

    bool Compressed() const { return compression == kBiRle8 || compression == kBiRle4; }
    uint64_t RowsBytes() const { return uint64_t{stride} * static_cast<uint64_t>(info.height); }
};

bool IsKnownHeaderSize(uint32_t size)
{
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool IsSupportedDepth(int bpp)
{
    return bpp == 1 || bpp == 2 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// The fields of the info header: size, planes, depth, compression.
bool ReadInfoHeader(const uint8_t* h, Layout& out)
{
    int64_t width, height;
    uint32_t planes;
    if (out.core) {
        width = U16(h + 4);
        height = U16(h + 6);
        planes = U16(h + 8);
        out.info.bitsPerPixel = U16(h + 10);
    } else {
        width = static_cast<int32_t>(U32(h + 4));
        height = static_cast<int32_t>(U32(h + 8));
        planes = U16(h + 12);
        out.info.bitsPerPixel = U16(h + 14);
        out.compression = U32(h + 16);
        out.clrUsed = U32(h + 32);
    }
    out.topDown = height < 0;
    height = out.topDown ? -height : height;
    if (planes != 1 || width < 1 || height < 1 || width > kMaxBmpDimension || height > kMaxBmpDimension)
        return false;
    out.info.width = static_cast<int32_t>(width);
    out.info.height = static_cast<int32_t>(height);
    return true;
}

// Depth and compression must make sense together. Windows draws RLE only bottom-up.
bool CheckFormat(const Layout& layout, bool deepDepthsOk)
{
    const int bpp = layout.info.bitsPerPixel;
    if (bpp == 48 || bpp == 64)
        return deepDepthsOk && layout.compression == kBiRgb;
    if (!IsSupportedDepth(bpp))
        return false;
    switch (layout.compression) {
    case kBiRgb:
        return true;
    case kBiRle8:
        return bpp == 8 && !layout.topDown;
    case kBiRle4:
        return bpp == 4 && !layout.topDown;
    case kBiBitfields:
        return bpp == 16 || bpp == 32;
    default:
        return false;
    }
}

// The masks and the colour table. Returns where the pixels start when bfOffBits is 0.
bool LocateTables(const uint8_t* data, size_t avail, uint64_t fileSize, Layout& out, uint64_t& tableEnd)
{
    const int bpp = out.info.bitsPerPixel;
    size_t tableOffset = kFileHeaderSize + out.headerSize;
    if (bpp == 16)
        out.masks[0] = 0x7C00, out.masks[1] = 0x03E0, out.masks[2] = 0x001F;
    else if (bpp == 32)
        out.masks[0] = 0xFF0000, out.masks[1] = 0xFF00, out.masks[2] = 0xFF;
    // A 40-byte header is followed by the three masks; the larger ones hold them.
    // ImageMagick 6 writes 40-byte BI_BITFIELDS files without the masks, their pixels
    // right after the header: no masks fit there, so the default ones apply.
    const size_t at = kFileHeaderSize + 40;
    const bool noRoomForMasks = out.headerSize == 40 && out.offBits != 0 && out.offBits < at + kMaskBytes;
    if (out.compression == kBiBitfields && !noRoomForMasks) {
        if (at + kMaskBytes > avail || at + kMaskBytes > fileSize)
            return false;
        for (size_t i = 0; i < 3; ++i)
            out.masks[i] = U32(data + at + 4 * i);
        if (out.headerSize == 40)
            tableOffset += kMaskBytes;
    }
    // The alpha mask follows the colour masks in the 56-byte and larger headers.
    if ((bpp == 16 || bpp == 32) && out.headerSize >= 56)
        out.alphaMask = U32(data + kFileHeaderSize + 52);
    out.paletteEntrySize = out.core ? 3 : 4;
    out.paletteOffset = tableOffset;
    // What the file stores: a core header always has the full table; an info header
    // has biClrUsed entries (0: all 2^bits), also an optional one above 8 bits.
    uint64_t stored = out.clrUsed;
    if (bpp <= 8) {
        const uint64_t full = uint64_t{1} << bpp;
        if (out.core || stored == 0)
            stored = full;
        out.paletteCount = static_cast<size_t>(std::min(stored, full));
    }
    if (tableOffset + out.paletteCount * out.paletteEntrySize > fileSize)
        return false;
    tableEnd = tableOffset + stored * out.paletteEntrySize;
    return true;
}

// Reads the headers. data holds the first avail bytes of a file of fileSize bytes.
// With deepDepthsOk, an otherwise sound header of 48 or 64 bits per pixel passes (so
// that the caller can say the format is not supported rather than unreadable).
bool ParseLayout(const uint8_t* data, size_t avail, uint64_t fileSize, Layout& out, bool deepDepthsOk)
{
    if (avail < kFileHeaderSize + 4 || fileSize < avail || data[0] != 'B' || data[1] != 'M')
        return false;
    out.headerSize = U32(data + kFileHeaderSize);
    if (!IsKnownHeaderSize(out.headerSize) || avail < kFileHeaderSize + out.headerSize)
        return false;
    out.core = out.headerSize == 12;
    if (!ReadInfoHeader(data + kFileHeaderSize, out) || !CheckFormat(out, deepDepthsOk))
        return false;
    out.offBits = U32(data + 10);
    uint64_t tableEnd = 0;
    if (!LocateTables(data, avail, fileSize, out, tableEnd))
        return false;
    const uint64_t pixelOffset = out.offBits == 0 ? tableEnd : out.offBits;
    if (pixelOffset < kFileHeaderSize + out.headerSize || pixelOffset > kMaxPixelOffset ||
        pixelOffset >= fileSize)
        return false;
    out.pixelOffset = static_cast<size_t>(pixelOffset);
    const uint64_t bits =
        static_cast<uint64_t>(out.info.width) * static_cast<uint64_t>(out.info.bitsPerPixel);
    out.stride = static_cast<size_t>((bits + 31) / 32 * 4);
    return out.Compressed() || pixelOffset + out.RowsBytes() <= fileSize;
}

// Decodes an RLE8/RLE4 stream into bottom-up rows, or only checks it (rows null).
// Pixels beyond the right edge are dropped, as Windows clips them; pixels that no
// command reaches stay index 0. The stream is bad when a command needs more bytes than
// there are or moves below the last row, and when it ends (without an end-of-bitmap)
// before the picture is complete: that is a truncated file.
class RleDecoder {
public:
    RleDecoder(const Layout& layout, uint8_t* rows)
        : m_four(layout.compression == kBiRle4), m_width(layout.info.width), m_height(layout.info.height),
          m_stride(layout.stride), m_rows(rows)
    {
    }

    bool Run(const uint8_t* data, size_t size)
    {
        size_t i = 0;
        while (i + 1 < size) {
            const uint8_t count = data[i], value = data[i + 1];
            i += 2;
            if (count > 0) {
                if (m_y >= m_height)
                    return false;
                Emit(count, [&](int k) { return m_four ? (k % 2 ? value & 15u : value >> 4u) : value; });
            } else if (value == 0) { // end of line
                if (m_y >= m_height)
                    return false;
                m_x = 0;
                ++m_y;
            } else if (value == 1) { // end of bitmap
                return true;
            } else if (value == 2) { // delta: move right and up
                if (i + 2 > size || !Move(data[i], data[i + 1]))
                    return false;
                i += 2;
            } else if (!Absolute(data, size, i, value)) {
                return false;
            }
        }
        return m_y >= m_height || (m_y == m_height - 1 && m_x >= m_width);
    }

private:
    // count pixels from the cursor on; pixel(k) gives the k-th. Only those left of the
    // right edge are looked at, so a long stream of runs past it costs no more than
    // its bytes (a plain check writes nothing and only moves the cursor).
    template <typename Pixel> void Emit(int count, Pixel pixel)
    {
        const int64_t visible = m_rows ? std::clamp<int64_t>(m_width - m_x, 0, count) : 0;
        uint8_t* row = m_rows ? m_rows + static_cast<size_t>(m_y) * m_stride : nullptr;
        for (int k = 0; k < visible; ++k) {
            const auto x = static_cast<size_t>(m_x + k);
            const uint32_t index = pixel(k);
            if (!m_four)
                row[x] = static_cast<uint8_t>(index);
            else if (x % 2)
                row[x / 2] = static_cast<uint8_t>((row[x / 2] & 0xF0) | index);
            else
                row[x / 2] = static_cast<uint8_t>((row[x / 2] & 0x0F) | (index << 4));
        }
        m_x += count;
    }

    bool Move(uint8_t dx, uint8_t dy)
    {
        m_x += dx;
        m_y += dy;
        return m_y <= m_height; // just past the last row ends the picture, like an end-of-line
    }

    // An absolute run of n pixels, its bytes padded to a 16-bit boundary.
    bool Absolute(const uint8_t* data, size_t size, size_t& i, uint8_t n)
    {
        const size_t bytes = m_four ? (n + 1u) / 2 : n;
        if (bytes > size - i || m_y >= m_height)
            return false;
        const uint8_t* run = data + i;
        Emit(n, [&](int k) {
            const uint8_t byte = run[m_four ? k / 2 : k];
            return m_four ? (k % 2 ? byte & 15u : byte >> 4u) : uint32_t{byte};
        });
        i = std::min(size, i + bytes + (bytes & 1));
        return true;
    }

    const bool m_four;
    const int64_t m_width, m_height;
    const size_t m_stride;
    uint8_t* const m_rows;
    int64_t m_x = 0, m_y = 0;
};

bool CheckRle(const uint8_t* data, size_t size, const Layout& layout)
{
    return RleDecoder(layout, nullptr).Run(data + layout.pixelOffset, size - layout.pixelOffset);
}

// Opens a regular file; -1 for anything else (folders, devices, pipes), without
// waiting for a FIFO's writer.
int OpenRegular(const std::string& path, uint64_t& size)
{
    const int fd = platform::OpenRegularFile(path);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && st.st_size >= 0) {
        size = static_cast<uint64_t>(st.st_size);
        return fd;
    }
    if (fd >= 0)
        ::close(fd);
    return -1;
}

bool ReadAt(int fd, uint8_t* to, size_t count)
{
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, to + done, count - done, static_cast<off_t>(done));
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The whole file, or its first kMaxFileBytes: nothing an accepted picture needs lies
// beyond them, and a huge file must not take huge memory.
bool ReadFilePrefix(const std::string& path, std::vector<uint8_t>& bytes)
{
    uint64_t size = 0;
    const int fd = OpenRegular(path, size);
    if (fd < 0)
        return false;
    bool ok = true;
    try {
        bytes.resize(static_cast<size_t>(std::min<uint64_t>(size, kMaxFileBytes)));
        ok = ReadAt(fd, bytes.data(), bytes.size());
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    ::close(fd);
    return ok;
}

int MaskShift(uint32_t mask)
{
    return mask ? std::countr_zero(mask) : 0;
}

// The channel's value scaled to 0..255, rounded. Only the mask's lowest run of set bits counts,
// so a mask with gaps cannot spill into the other channels.
uint32_t Channel(uint32_t value, uint32_t mask)
{
    const int shift = MaskShift(mask);
    const int bits = std::countr_one(mask >> shift);
    if (bits == 0)
        return 0;
    const uint32_t v = static_cast<uint32_t>((value >> shift) & ((uint64_t{1} << bits) - 1));
    if (bits >= 8)
        return v >> (bits - 8);
    const uint32_t max = (1u << bits) - 1;
    return (v * 255 + max / 2) / max; // nearest: 5-bit 31 and 6-bit 63 give 255
}

void FillPalette(const std::vector<uint8_t>& file, const Layout& layout, BmpImage& image)
{
    image.palette.resize(layout.paletteCount);
    for (size_t i = 0; i < layout.paletteCount; ++i) {
        const uint8_t* entry = file.data() + layout.paletteOffset + i * layout.paletteEntrySize;
        image.palette[i] =
            (static_cast<uint32_t>(entry[2]) << 16) | (static_cast<uint32_t>(entry[1]) << 8) | entry[0];
    }
}

} // namespace

bool ParseBmpInfo(const uint8_t* data, size_t size, BmpInfo& info)
{
    Layout layout;
    if (!data || !ParseLayout(data, size, size, layout, true))
        return false;
    if (layout.Compressed() && !CheckRle(data, size, layout))
        return false;
    info = layout.info;
    return true;
}

bool ReadBmpInfo(const std::string& path, BmpInfo& info)
{
    uint64_t size = 0;
    const int fd = OpenRegular(path, size);
    if (fd < 0)
        return false;
    uint8_t head[kHeadBytes];
    const size_t got = static_cast<size_t>(std::min<uint64_t>(size, sizeof head));
    const bool read = ReadAt(fd, head, got);
    ::close(fd);
    // Judged against the whole file: a picture too big for LoadBmp is still a picture,
    // which the caller refuses as too big for the NV area.
    Layout layout;
    if (!read || !ParseLayout(head, got, size, layout, true))
        return false;
    if (layout.Compressed()) {
        // Decoding the stream is the only way to know that it loads.
        std::vector<uint8_t> bytes;
        return ReadFilePrefix(path, bytes) && ParseBmpInfo(bytes.data(), bytes.size(), info);
    }
    info = layout.info;
    return true;
}

bool DecodeBmp(std::vector<uint8_t> file, BmpImage& image)
{
    Layout layout;
    if (!ParseLayout(file.data(), file.size(), file.size(), layout, false) ||
        layout.RowsBytes() > kMaxPixelBytes)
        return false;
    const auto rowsBytes = static_cast<size_t>(layout.RowsBytes());

    BmpImage result;
    result.width = layout.info.width;
    result.height = layout.info.height;
    result.bitsPerPixel = layout.info.bitsPerPixel;
    result.widthBytes = static_cast<int32_t>(layout.stride);
    result.redMask = layout.masks[0];
    result.greenMask = layout.masks[1];
    result.blueMask = layout.masks[2];
    result.alphaMask = layout.alphaMask;
    FillPalette(file, layout, result);
    if (layout.Compressed()) {
        result.m_converted.assign(rowsBytes, 0);
        RleDecoder decoder(layout, result.m_converted.data());
        if (!decoder.Run(file.data() + layout.pixelOffset, file.size() - layout.pixelOffset))
            return false;
    } else if (layout.topDown) {
        result.m_converted.resize(rowsBytes);
        const uint8_t* from = file.data() + layout.pixelOffset;
        for (size_t r = 0; r < static_cast<size_t>(result.height); ++r)
            std::memcpy(result.m_converted.data() +
                            (static_cast<size_t>(result.height) - 1 - r) * layout.stride,
                        from + r * layout.stride, layout.stride);
    }
    result.m_pixelOffset = layout.pixelOffset;
    result.m_file = std::move(file);
    image = std::move(result);
    return true;
}

bool LoadBmp(const std::string& path, BmpImage& image)
{
    std::vector<uint8_t> bytes;
    return ReadFilePrefix(path, bytes) && DecodeBmp(std::move(bytes), image);
}

uint32_t BmpImage::RgbAt(int32_t x, int32_t topDownY) const
{
    if (x < 0 || x >= width || topDownY < 0 || topDownY >= height || !Bits())
        return 0;
    const uint8_t* row = Row(height - 1 - topDownY);
    const auto at = static_cast<size_t>(x);
    switch (bitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8: {
        const size_t perByte = 8 / static_cast<size_t>(bitsPerPixel);
        const auto shift =
            static_cast<unsigned>((perByte - 1 - at % perByte) * static_cast<size_t>(bitsPerPixel));
        const size_t index = (row[at / perByte] >> shift) & ((1u << bitsPerPixel) - 1);
        return index < palette.size() ? palette[index] : 0;
    }
    case 16: {
        const uint32_t v = U16(row + 2 * at);
        return (Channel(v, redMask) << 16) | (Channel(v, greenMask) << 8) | Channel(v, blueMask);
    }
    case 24: {
        const uint8_t* p = row + 3 * at;
        return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
    }
    case 32: {
        const uint32_t v = U32(row + 4 * at);
        return (Channel(v, redMask) << 16) | (Channel(v, greenMask) << 8) | Channel(v, blueMask);
    }
    default:
        return 0;
    }
}

uint8_t BmpImage::AlphaAt(int32_t x, int32_t topDownY) const
{
    if (alphaMask == 0 || x < 0 || x >= width || topDownY < 0 || topDownY >= height || !Bits())
        return 255;
    const uint8_t* row = Row(height - 1 - topDownY);
    const auto at = static_cast<size_t>(x);
    if (bitsPerPixel == 16)
        return static_cast<uint8_t>(Channel(U16(row + 2 * at), alphaMask));
    if (bitsPerPixel == 32)
        return static_cast<uint8_t>(Channel(U32(row + 4 * at), alphaMask));
    return 255;
}
