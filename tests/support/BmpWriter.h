#pragma once
// Builds BMP files for tests, in any of the forms the reader accepts, from a pixel
// function. Kept independent of the reader so that tests check one against the other.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

enum class BmpHeader { Core = 12, Info = 40, V2 = 52, V3 = 56, V4 = 108, V5 = 124 };
enum BmpCompression : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3 };

// How an RLE stream is written. Every mode decodes to the same rows.
enum class RleStyle {
    Runs,     // encoded runs of equal pixels only, one end-of-line per row
    Absolute, // absolute runs for stretches of differing pixels, encoded runs otherwise
    Delta,    // as Absolute, but stretches of index 0 are skipped with deltas and
              // end-of-lines, and trailing index-0 rows with an early end-of-bitmap
};

struct BmpParams {
    int width = 8;
    int height = 8;
    int bitsPerPixel = 24;
    BmpHeader header = BmpHeader::Info;
    uint32_t compression = kBiRgb;
    RleStyle rle = RleStyle::Runs;
    bool topDown = false;
    // Colour table for 1..8 bits as 0x00RRGGBB; empty: a grey ramp of 2^bits entries.
    // biClrUsed is set to its length.
    std::vector<uint32_t> palette;
    // BI_BITFIELDS masks (red, green, blue). For 32 bits the pixel's 8-bit channels are
    // packed into them; for 16 bits the pixel function gives the stored word.
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    uint8_t alpha = 0;          // the fourth byte of 32-bit pixels
    bool writeFileSize = true;  // false: bfSize = 0, as some encoders write
    bool writeOffBits = true;   // false: bfOffBits = 0
    bool writeSizeImage = true; // false: biSizeImage = 0
    size_t gapBeforePixels = 0; // bytes between the colour table and the pixels
};

// pixel(x, y) with y counted from the top: a palette index for 1..8 bits, the stored
// 16-bit word for 16 bits, 0x00RRGGBB for 24 and 32 bits.
using PixelFn = std::function<uint32_t(int x, int y)>;

std::vector<uint8_t> MakeBmp(const BmpParams& params, const PixelFn& pixel);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
// A plain 24-bit file of the given size, every pixel colour rgb.
std::string WriteSolidBmp(const std::string& path, int width, int height, uint32_t rgb = 0);

// Little-endian patching of a built file, for tests of lying headers.
void Poke16(std::vector<uint8_t>& file, size_t at, uint32_t value);
void Poke32(std::vector<uint8_t>& file, size_t at, uint32_t value);
uint32_t Peek32(const std::vector<uint8_t>& file, size_t at);

} // namespace testing_support
