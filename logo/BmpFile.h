#pragma once
// Our own reader of Windows bitmap files. The printer raster rules depend on the
// file's own pixel format (palette indices, 5-5-5 words, BGR bytes), so the reader
// hands the pixels over in the file's bit depth, never converted to RGB.
//
// Accepted: BITMAPCOREHEADER (12 bytes), BITMAPINFOHEADER (40), V4 (108) and V5 (124)
// headers; 1, 2, 4, 8, 16, 24 and 32 bits per pixel; BI_RGB, BI_BITFIELDS (16 and 32
// bits), BI_RLE8 and BI_RLE4 (decoded into plain rows); top-down files (negative
// height), delivered bottom-up like every other file. Everything else is refused.
// No input makes the reader crash, read out of bounds or allocate without bound.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct BmpInfo {
    int32_t width = 0;   // pixels, >= 1
    int32_t height = 0;  // pixels, >= 1 (top-down files report their height positive)
    int bitsPerPixel = 0;
};

class BmpImage {
public:
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = 0;
    int32_t widthBytes = 0;  // bytes of one stored pixel row: a multiple of 4

    // Colour table as 0x00RRGGBB, for 1/2/4/8 bits (its stated length, possibly shorter
    // than 2^bits; an index beyond it reads as black).
    std::vector<uint32_t> palette;
    // Channel masks for 16 and 32 bits: BI_BITFIELDS masks, else 5-5-5 / 8-8-8.
    uint32_t redMask = 0, greenMask = 0, blueMask = 0;

    // Bottom-up pixel rows: row 0 is the bottom row of the picture, each row
    // widthBytes long. Valid for height rows.
    const uint8_t* Bits() const { return m_bits; }
    const uint8_t* Row(int32_t bottomUpIndex) const
    {
        return m_bits + static_cast<size_t>(bottomUpIndex) * static_cast<size_t>(widthBytes);
    }
    // The whole file as read, starting with the 14-byte file header.
    const std::vector<uint8_t>& FileBytes() const { return m_file; }

    // The pixel's colour as 0x00RRGGBB (for previews; the printer rules do not use it).
    uint32_t RgbAt(int32_t x, int32_t topDownY) const;

private:
    friend bool DecodeBmp(std::vector<uint8_t> file, BmpImage& image);
    std::vector<uint8_t> m_file;
    std::vector<uint8_t> m_converted;  // rows when the file's own are not plain bottom-up
    const uint8_t* m_bits = nullptr;
};

// Header-only check, cheap enough to run for every listed logo at start-up: reads the
// headers, checks them and checks that the file is long enough for the pixel data the
// headers promise (compressed files are decoded to be sure). Needs no pixel memory.
bool ReadBmpInfo(const std::string& path, BmpInfo& info);

// Reads and decodes the whole file. False for anything ReadBmpInfo refuses, and for
// pictures whose pixel rows would need more than kMaxPixelBytes.
bool LoadBmp(const std::string& path, BmpImage& image);

// The same on a file already in memory (tests, the fuzz target).
bool DecodeBmp(std::vector<uint8_t> file, BmpImage& image);
bool ParseBmpInfo(const uint8_t* data, size_t size, BmpInfo& info);

// Limits. The NV area holds 393216 bytes; the largest picture it can take has
// 393216 * 8 pixels, 12 MiB at 32 bits. Anything far beyond that is refused before
// memory is taken for it.
inline constexpr int32_t kMaxBmpDimension = 1 << 24;
inline constexpr size_t kMaxPixelBytes = size_t{64} << 20;
