#include "tests/support/BmpWriter.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace testing_support {
namespace {

void Put(std::vector<uint8_t>& out, uint32_t value, size_t bytes = 4)
{
    for (size_t i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutPixel(const BmpParams& params, uint8_t* row, size_t x, uint32_t v)
{
    const auto bpp = static_cast<size_t>(params.bitsPerPixel);
    if (bpp < 8)
        row[x * bpp / 8] |= static_cast<uint8_t>((v & ((1u << bpp) - 1)) << (8 - bpp - x * bpp % 8));
    for (size_t i = 0; i < std::min<size_t>(bpp / 8, 4); ++i) // little-endian: blue, green, red
        row[x * bpp / 8 + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> EncodeRows(const BmpParams& params, const PixelFn& pixel)
{
    const auto width = static_cast<size_t>(params.width), height = static_cast<size_t>(params.height);
    const size_t stride = (width * static_cast<size_t>(params.bitsPerPixel) + 31) / 32 * 4;
    std::vector<uint8_t> rows(stride * height, 0);
    for (size_t r = 0; r < height; ++r) // stored row r shows picture row y
        for (size_t x = 0; x < width; ++x)
            PutPixel(params, rows.data() + r * stride, x,
                     pixel(static_cast<int>(x), static_cast<int>(params.topDown ? r : height - 1 - r)));
    return rows;
}

// Odd rows go in absolute runs of up to 255 pixels, even rows and stretches of one or
// two pixels in encoded runs, so that both kinds show at every width.
std::vector<uint8_t> EncodeRle(const BmpParams& params, const PixelFn& pixel)
{
    const bool four = params.compression == kBiRle4;
    std::vector<uint8_t> out;
    for (int row = 0; row < params.height; ++row) {
        const auto at = [&](int x) { return pixel(x, params.height - 1 - row) & (four ? 15u : 255u); };
        for (int x = 0, n = 0; x < params.width; x += n) {
            n = std::min(params.width - x, 255);
            if (row % 2 == 0 || n < 3) {
                for (n = 1; x + n < params.width && n < 255 && at(x + n) == at(x);)
                    ++n;
                out.insert(out.end(),
                           {static_cast<uint8_t>(n), static_cast<uint8_t>(four ? at(x) * 0x11 : at(x))});
                continue;
            }
            out.insert(out.end(), {0, static_cast<uint8_t>(n)});
            for (int k = 0; k < n; k += four ? 2 : 1)
                out.push_back(static_cast<uint8_t>(four ? at(x + k) << 4 | (k + 1 < n ? at(x + k + 1) : 0)
                                                        : at(x + k)));
            if (out.size() % 2)
                out.push_back(0);
        }
        out.insert(out.end(),
                   {0, static_cast<uint8_t>(row + 1 < params.height ? 0 : 1)}); // end of line or bitmap
    }
    return out;
}

void PutHeader(std::vector<uint8_t>& out, const BmpParams& params, size_t colours, size_t pixelBytes)
{
    const auto size = static_cast<uint32_t>(params.header);
    const size_t dimension = params.header == BmpHeader::Core ? 2 : 4;
    Put(out, size);
    Put(out, static_cast<uint32_t>(params.width), dimension);
    Put(out, static_cast<uint32_t>(params.topDown ? -params.height : params.height), dimension);
    Put(out, 1, 2);
    Put(out, static_cast<uint32_t>(params.bitsPerPixel), 2);
    if (params.header == BmpHeader::Core)
        return;
    for (size_t value :
         {size_t{params.compression}, pixelBytes, size_t{2835}, size_t{2835}, colours, size_t{0}})
        Put(out, static_cast<uint32_t>(value));
    const bool bitfields = params.compression == kBiBitfields;
    if (bitfields || params.header != BmpHeader::Info)
        for (uint32_t mask : params.masks)
            Put(out, bitfields ? mask : 0);
    if (params.header >= BmpHeader::V3)
        Put(out, 0); // alpha mask
    out.resize(std::max<size_t>(out.size(), 14 + size), 0);
}

} // namespace

std::vector<uint8_t> MakeBmp(const BmpParams& params, const PixelFn& pixel)
{
    const bool rle = params.compression == kBiRle8 || params.compression == kBiRle4;
    const std::vector<uint8_t> pixels = rle ? EncodeRle(params, pixel) : EncodeRows(params, pixel);
    std::vector<uint32_t> palette = params.palette;
    if (palette.empty() && params.bitsPerPixel <= 8)
        for (uint32_t i = 0, n = 1u << params.bitsPerPixel; i < n; ++i)
            palette.push_back(i * 255 / (n - 1) * 0x010101u);

    std::vector<uint8_t> out = {'B', 'M'};
    out.resize(14, 0); // bfSize and bfOffBits are set below
    PutHeader(out, params, palette.size(), pixels.size());
    for (uint32_t colour : palette)
        Put(out, colour, params.header == BmpHeader::Core ? 3 : 4);
    Poke(out, 10, static_cast<uint32_t>(out.size()));
    out.insert(out.end(), pixels.begin(), pixels.end());
    Poke(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

std::string WriteSolidBmp(const std::string& path, int width, int height, uint32_t rgb)
{
    WriteFile(path, MakeBmp({.width = width, .height = height}, [rgb](int, int) { return rgb; }));
    return path;
}

void Poke(std::vector<uint8_t>& file, size_t at, uint32_t value, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        file.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Peek32(const std::vector<uint8_t>& file, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(file.at(at + i)) << (8 * i);
    return value;
}

} // namespace testing_support
