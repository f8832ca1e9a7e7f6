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

struct BmpParams {
    int width = 8;
    int height = 8;
    int bitsPerPixel = 24;
    BmpHeader header = BmpHeader::Info;
    uint32_t compression = kBiRgb; // RLE streams hold encoded and absolute runs

    bool topDown = false;
    // Colour table for 1..8 bits as 0x00RRGGBB; empty: a grey ramp of 2^bits entries.
    std::vector<uint32_t> palette{};
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F}; // BI_BITFIELDS: red, green, blue
};

// pixel(x, y) with y counted from the top: a palette index for 1..8 bits, else the
// stored value (0x00RRGGBB for 24 bits and for 32 bits without bit fields, whose fourth
// byte is the value's top byte).
using PixelFn = std::function<uint32_t(int x, int y)>;

std::vector<uint8_t> MakeBmp(const BmpParams& params, const PixelFn& pixel);
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
// A plain 24-bit file of the given size, every pixel colour rgb.
std::string WriteSolidBmp(const std::string& path, int width, int height, uint32_t rgb = 0);

// Little-endian patching of a built file, for tests of lying headers.
void Poke(std::vector<uint8_t>& file, size_t at, uint32_t value, size_t bytes = 4);
uint32_t Peek32(const std::vector<uint8_t>& file, size_t at);

} // namespace testing_support
