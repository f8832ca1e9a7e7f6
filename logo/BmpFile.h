#pragma once
// Our own reader of Windows bitmap files. The printer raster rules depend on the
// file's own pixel format (palette indices, 5-5-5 words, BGR bytes), so the reader
// hands the pixels over in the file's bit depth, never converted to RGB.
//
// Accepted: BITMAPCOREHEADER (12 bytes), BITMAPINFOHEADER (40, also the 52 and 56 byte
// variants), V4 (108) and V5 (124) headers; 1, 2, 4, 8, 16, 24 and 32 bits per pixel;
// BI_RGB, BI_BITFIELDS (16 and 32 bits), BI_RLE8 and BI_RLE4 (decoded into plain rows);
// top-down files (negative height), delivered bottom-up like every other file.
// Everything else is refused. No input makes the reader crash, read out of bounds or
// allocate without bound.
//
// Header fields that encoders fill in carelessly are read the way users expect:
// bfSize is ignored (the file's real length counts), bfOffBits 0 means "right after the
// colour table", biSizeImage is ignored, and a biClrUsed above 2^bits leaves the
// indexable 2^bits entries.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct BmpInfo {
    int32_t width = 0;  // pixels, >= 1
    int32_t height = 0; // pixels, >= 1 (top-down files report their height positive)
    int bitsPerPixel = 0;
};

class BmpImage {
public:
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = 0;
    int32_t widthBytes = 0; // bytes of one stored pixel row: a multiple of 4

    // Colour table as 0x00RRGGBB, for 1/2/4/8 bits (its stated length, possibly shorter
    // than 2^bits; an index beyond it reads as black).
    std::vector<uint32_t> palette;
    // Channel masks for 16 and 32 bits: BI_BITFIELDS masks, else 5-5-5 / 8-8-8.
    uint32_t redMask = 0, greenMask = 0, blueMask = 0;
    // Alpha mask for 16 and 32 bits: only headers of 56 bytes and more declare one; 0
    // when none is declared (the fourth byte of a 32-bit pixel is then no alpha).
    uint32_t alphaMask = 0;

    // Bottom-up pixel rows: row 0 is the bottom row of the picture, each row
    // widthBytes long. Valid for height rows; null for an image that holds no picture.
    const uint8_t* Bits() const
    {
        if (!m_converted.empty())
            return m_converted.data();
        return m_file.empty() ? nullptr : m_file.data() + m_pixelOffset;
    }
    const uint8_t* Row(int32_t bottomUpIndex) const
    {
        return Bits() + static_cast<size_t>(bottomUpIndex) * static_cast<size_t>(widthBytes);
    }
    // The file as read, starting with the 14-byte file header: the whole file, or for a
    // file longer than kMaxFileBytes its first kMaxFileBytes bytes.
    const std::vector<uint8_t>& FileBytes() const { return m_file; }

    // The pixel's colour as 0x00RRGGBB (for previews; the printer rules do not use it).
    // 0 outside the picture.
    uint32_t RgbAt(int32_t x, int32_t topDownY) const;
    // Its opacity 0..255: 255 unless the header declares an alpha mask.
    uint8_t AlphaAt(int32_t x, int32_t topDownY) const;

private:
    friend bool DecodeBmp(std::vector<uint8_t> file, BmpImage& image);
    std::vector<uint8_t> m_file;
    std::vector<uint8_t> m_converted; // rows when the file's own are not plain bottom-up
    size_t m_pixelOffset = 0;         // where the rows start in m_file otherwise
};

// Header-only check, cheap enough to run for every listed logo at start-up: reads the
// headers, checks them and checks that the file is long enough for the pixel data the
// headers promise (compressed files are decoded to be sure). Needs no pixel memory.
// Accepts exactly the files LoadBmp loads, except pictures beyond kMaxPixelBytes, and
// also headers of 48 or 64 bits per pixel (so that the caller can tell an unsupported
// depth from a broken file).
bool ReadBmpInfo(const std::string& path, BmpInfo& info);

// Reads and decodes the whole file. False for anything ReadBmpInfo refuses, for 48 and
// 64 bits per pixel, and for pictures whose pixel rows would need more than kMaxPixelBytes.
bool LoadBmp(const std::string& path, BmpImage& image);

// The same on a file already in memory (tests, the fuzz target).
bool DecodeBmp(std::vector<uint8_t> file, BmpImage& image);
bool ParseBmpInfo(const uint8_t* data, size_t size, BmpInfo& info);

// Limits. The NV area holds 393216 bytes; the largest picture it can take has 393216 * 8
// pixels, 12 MiB of rows at 32 bits. Anything far beyond that is refused before memory
// is taken for it, so that no file can make the program allocate without bound.
// A logo 1 dot high may be 393216 dots wide, so a dimension limit alone cannot keep
// the memory small; it only keeps every size computation far away from overflow.
inline constexpr int32_t kMaxBmpDimension = 1 << 24;
inline constexpr size_t kMaxPixelBytes = size_t{64} << 20;
// The pixel data follows the headers and the colour table (at most 1202 bytes); some
// encoders put an embedded colour profile in between. An offset beyond this is a lie.
inline constexpr size_t kMaxPixelOffset = size_t{16} << 20;
// LoadBmp never reads more of a file than this: everything an accepted picture needs
// lies within it, and trailing bytes beyond it are of no use.
inline constexpr size_t kMaxFileBytes = kMaxPixelOffset + kMaxPixelBytes;
