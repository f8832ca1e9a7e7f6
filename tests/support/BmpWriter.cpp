#include "tests/support/BmpWriter.h"

#include <fstream>
#include <stdexcept>

namespace testing_support {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void Set32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> EncodeRows(const BmpSpec& spec, const PixelFn& pixel)
{
    const int bpp = spec.bitsPerPixel;
    const size_t stride = ((static_cast<size_t>(spec.width) * static_cast<size_t>(bpp) + 31) / 32) * 4;
    std::vector<uint8_t> rows;
    for (int r = 0; r < spec.height; ++r) {
        const int y = spec.topDown ? r : spec.height - 1 - r;  // stored row -> picture row
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < spec.width; ++x) {
            const uint32_t v = pixel(x, y);
            if (bpp < 8) {
                const int perByte = 8 / bpp;
                const int shift = (perByte - 1 - x % perByte) * bpp;
                row[static_cast<size_t>(x / perByte)] |= static_cast<uint8_t>((v & ((1u << bpp) - 1)) << shift);
            } else if (bpp == 8) {
                row[static_cast<size_t>(x)] = static_cast<uint8_t>(v);
            } else if (bpp == 16) {
                row[static_cast<size_t>(x) * 2] = static_cast<uint8_t>(v);
                row[static_cast<size_t>(x) * 2 + 1] = static_cast<uint8_t>(v >> 8);
            } else {
                const size_t at = static_cast<size_t>(x) * static_cast<size_t>(bpp / 8);
                row[at] = static_cast<uint8_t>(v);            // blue
                row[at + 1] = static_cast<uint8_t>(v >> 8);   // green
                row[at + 2] = static_cast<uint8_t>(v >> 16);  // red
            }
        }
        rows.insert(rows.end(), row.begin(), row.end());
    }
    return rows;
}

// RLE8 / RLE4 with runs of equal pixels only (absolute mode is not needed to make
// valid files), one end-of-line per row and an end-of-bitmap.
std::vector<uint8_t> EncodeRle(const BmpSpec& spec, const PixelFn& pixel)
{
    std::vector<uint8_t> out;
    const bool four = spec.compression == kBiRle4;
    for (int r = 0; r < spec.height; ++r) {
        const int y = spec.height - 1 - r;
        int x = 0;
        while (x < spec.width) {
            const uint32_t v = pixel(x, y);
            int run = 1;
            while (x + run < spec.width && run < 255 && pixel(x + run, y) == v)
                ++run;
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(four ? static_cast<uint8_t>(((v & 15) << 4) | (v & 15)) : static_cast<uint8_t>(v));
            x += run;
        }
        out.push_back(0);
        out.push_back(r + 1 == spec.height ? 1 : 0);
    }
    if (spec.height == 0) {
        out.push_back(0);
        out.push_back(1);
    }
    return out;
}

}  // namespace

std::vector<uint8_t> MakeBmp(const BmpSpec& spec, const PixelFn& pixel)
{
    const int bpp = spec.bitsPerPixel;
    std::vector<uint32_t> palette = spec.palette;
    if (bpp <= 8 && palette.empty()) {
        const int n = 1 << bpp;
        for (int i = 0; i < n; ++i) {
            const uint32_t g = static_cast<uint32_t>(n == 1 ? 0 : i * 255 / (n - 1));
            palette.push_back((g << 16) | (g << 8) | g);
        }
    }
    const bool rle = spec.compression == kBiRle8 || spec.compression == kBiRle4;
    const std::vector<uint8_t> pixels = rle ? EncodeRle(spec, pixel) : EncodeRows(spec, pixel);

    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 0);  // bfSize, set below
    Put32(out, 0);
    Put32(out, 0);  // bfOffBits, set below

    const auto headerSize = static_cast<uint32_t>(spec.header);
    if (spec.header == BmpHeader::Core) {
        Put32(out, 12);
        Put16(out, static_cast<uint32_t>(spec.width));
        Put16(out, static_cast<uint32_t>(spec.height));
        Put16(out, 1);
        Put16(out, static_cast<uint32_t>(bpp));
    } else {
        Put32(out, headerSize);
        Put32(out, static_cast<uint32_t>(spec.width));
        Put32(out, static_cast<uint32_t>(spec.topDown ? -spec.height : spec.height));
        Put16(out, 1);
        Put16(out, static_cast<uint32_t>(bpp));
        Put32(out, spec.compression);
        Put32(out, static_cast<uint32_t>(pixels.size()));
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, bpp <= 8 ? static_cast<uint32_t>(palette.size()) : 0);
        Put32(out, 0);
        if (spec.header != BmpHeader::Info) {
            for (uint32_t m : spec.masks)
                Put32(out, spec.compression == kBiBitfields ? m : 0);
            Put32(out, 0);  // alpha mask
            Put32(out, 0x73524742);  // 'sRGB'
            while (out.size() < 14 + headerSize)
                out.push_back(0);
        } else if (spec.compression == kBiBitfields) {
            for (uint32_t m : spec.masks)
                Put32(out, m);
        }
    }
    for (uint32_t c : palette) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c >> 16));
        if (spec.header != BmpHeader::Core)
            out.push_back(0);
    }
    const auto offset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), pixels.begin(), pixels.end());
    Set32(out, 2, spec.writeFileSize ? static_cast<uint32_t>(out.size()) : 0);
    Set32(out, 10, offset);
    return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string WriteSolidBmp(const std::string& path, int width, int height, uint32_t rgb)
{
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    WriteFile(path, MakeBmp(spec, [rgb](int, int) { return rgb; }));
    return path;
}

}  // namespace testing_support
