#include "tests/support/BmpWriter.h"

#include <algorithm>
#include <bit>
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

// An 8-bit channel value scaled into the bits of mask.
uint32_t PackChannel(uint32_t value, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const uint64_t max = (uint64_t{1} << std::countr_one(mask >> shift)) - 1;
    return static_cast<uint32_t>((value * max + 127) / 255) << shift;
}

void PutPixel(const BmpParams& params, std::vector<uint8_t>& row, int x, uint32_t v)
{
    const int bpp = params.bitsPerPixel;
    const auto at = static_cast<size_t>(x);
    if (bpp < 8) {
        const int perByte = 8 / bpp;
        const int shift = (perByte - 1 - x % perByte) * bpp;
        row[at / static_cast<size_t>(perByte)] |= static_cast<uint8_t>((v & ((1u << bpp) - 1)) << shift);
    } else if (bpp == 8) {
        row[at] = static_cast<uint8_t>(v);
    } else if (bpp == 16) {
        row[at * 2] = static_cast<uint8_t>(v);
        row[at * 2 + 1] = static_cast<uint8_t>(v >> 8);
    } else if (bpp == 32 && params.compression == kBiBitfields) {
        const uint32_t word = PackChannel((v >> 16) & 0xFF, params.masks[0]) |
                              PackChannel((v >> 8) & 0xFF, params.masks[1]) |
                              PackChannel(v & 0xFF, params.masks[2]);
        for (size_t i = 0; i < 4; ++i)
            row[at * 4 + i] = static_cast<uint8_t>(word >> (8 * i));
    } else {
        const size_t p = at * static_cast<size_t>(bpp / 8);
        row[p] = static_cast<uint8_t>(v);           // blue
        row[p + 1] = static_cast<uint8_t>(v >> 8);  // green
        row[p + 2] = static_cast<uint8_t>(v >> 16); // red
        if (bpp == 32)
            row[p + 3] = params.alpha;
    }
}

std::vector<uint8_t> EncodeRows(const BmpParams& params, const PixelFn& pixel)
{
    const size_t stride =
        ((static_cast<size_t>(params.width) * static_cast<size_t>(params.bitsPerPixel) + 31) / 32) * 4;
    std::vector<uint8_t> rows;
    for (int r = 0; r < params.height; ++r) {
        const int y = params.topDown ? r : params.height - 1 - r; // stored row -> picture row
        std::vector<uint8_t> row(stride, 0);
        for (int x = 0; x < params.width; ++x)
            PutPixel(params, row, x, pixel(x, y));
        rows.insert(rows.end(), row.begin(), row.end());
    }
    return rows;
}

// RLE8 / RLE4 in the chosen style. Tracks where a decoder's cursor stands so that
// deltas and end-of-lines land exactly where the next pixels belong.
class RleWriter {
public:
    RleWriter(const BmpParams& params, const PixelFn& pixel)
        : m_params(params), m_pixel(pixel), m_four(params.compression == kBiRle4)
    {
    }

    std::vector<uint8_t> Encode()
    {
        for (int row = 0; row < m_params.height; ++row) {
            if (m_params.rle == RleStyle::Delta) {
                EncodeSparseRow(row);
                continue;
            }
            EncodeSegment(row, 0, m_params.width);
            if (row + 1 < m_params.height)
                Command(0, 0); // end of line
        }
        Command(0, 1); // end of bitmap
        return m_out;
    }

private:
    uint32_t At(int x, int row) const { return m_pixel(x, m_params.height - 1 - row) & (m_four ? 15u : 255u); }
    void Command(uint32_t a, uint32_t b)
    {
        m_out.push_back(static_cast<uint8_t>(a));
        m_out.push_back(static_cast<uint8_t>(b));
    }

    void EncodeSparseRow(int row)
    {
        int x = 0;
        while (x < m_params.width) {
            if (At(x, row) == 0) {
                ++x;
                continue;
            }
            int end = x;
            while (end < m_params.width && At(end, row) != 0)
                ++end;
            MoveTo(x, row);
            EncodeSegment(row, x, end);
            x = end;
        }
    }

    void MoveTo(int x, int row)
    {
        while (m_y < row || m_x < x) {
            if (m_y < row && x < m_x) {
                Command(0, 0);
                m_x = 0, ++m_y;
                continue;
            }
            const int dx = std::min(x - m_x, 255), dy = std::min(row - m_y, 255);
            Command(0, 2);
            Command(static_cast<uint32_t>(dx), static_cast<uint32_t>(dy));
            m_x += dx, m_y += dy;
        }
    }

    int RunLength(int x, int row, int end) const
    {
        int run = 1;
        while (x + run < end && run < 255 && At(x + run, row) == At(x, row))
            ++run;
        return run;
    }

    void EncodeSegment(int row, int x, int end)
    {
        while (x < end) {
            int run = RunLength(x, row, end);
            if (m_params.rle != RleStyle::Runs && run < 3) {
                // Gather differing pixels up to the next run worth encoding.
                int literal = 0;
                while (x + literal < end && literal < 255 && RunLength(x + literal, row, end) < 3)
                    literal += RunLength(x + literal, row, end);
                literal = std::min(literal, 255);
                if (literal >= 3) {
                    Absolute(x, row, literal);
                    x += literal;
                    continue;
                }
            }
            const uint32_t v = At(x, row);
            Command(static_cast<uint32_t>(run), m_four ? (v << 4) | v : v);
            x += run;
        }
        m_x = end;
    }

    void Absolute(int x, int row, int n)
    {
        Command(0, static_cast<uint32_t>(n));
        std::vector<uint8_t> bytes;
        for (int k = 0; k < n; ++k) {
            const uint32_t v = At(x + k, row);
            if (!m_four)
                bytes.push_back(static_cast<uint8_t>(v));
            else if (k % 2 == 0)
                bytes.push_back(static_cast<uint8_t>(v << 4));
            else
                bytes.back() = static_cast<uint8_t>(bytes.back() | v);
        }
        if (bytes.size() % 2)
            bytes.push_back(0);
        m_out.insert(m_out.end(), bytes.begin(), bytes.end());
    }

    const BmpParams& m_params;
    const PixelFn& m_pixel;
    const bool m_four;
    std::vector<uint8_t> m_out;
    int m_x = 0, m_y = 0;
};

std::vector<uint32_t> PaletteOf(const BmpParams& params)
{
    std::vector<uint32_t> palette = params.palette;
    if (params.bitsPerPixel <= 8 && palette.empty()) {
        const int n = 1 << params.bitsPerPixel;
        for (int i = 0; i < n; ++i) {
            const auto g = static_cast<uint32_t>(i * 255 / (n - 1));
            palette.push_back((g << 16) | (g << 8) | g);
        }
    }
    return palette;
}

void PutInfoHeader(std::vector<uint8_t>& out, const BmpParams& params, size_t paletteSize, size_t pixelBytes)
{
    const auto headerSize = static_cast<uint32_t>(params.header);
    const bool bitfields = params.compression == kBiBitfields;
    Put32(out, headerSize);
    Put32(out, static_cast<uint32_t>(params.width));
    Put32(out, static_cast<uint32_t>(params.topDown ? -params.height : params.height));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(params.bitsPerPixel));
    Put32(out, params.compression);
    Put32(out, params.writeSizeImage ? static_cast<uint32_t>(pixelBytes) : 0);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, static_cast<uint32_t>(paletteSize));
    Put32(out, 0);
    if (params.header == BmpHeader::Info) {
        if (bitfields)
            for (uint32_t m : params.masks)
                Put32(out, m);
        return;
    }
    for (uint32_t m : params.masks)
        Put32(out, bitfields ? m : 0);
    if (params.header != BmpHeader::V2)
        Put32(out, 0); // alpha mask
    if (params.header == BmpHeader::V4 || params.header == BmpHeader::V5)
        Put32(out, 0x73524742); // 'sRGB'
    while (out.size() < 14 + headerSize)
        out.push_back(0);
}

} // namespace

std::vector<uint8_t> MakeBmp(const BmpParams& params, const PixelFn& pixel)
{
    const std::vector<uint32_t> palette = PaletteOf(params);
    const bool rle = params.compression == kBiRle8 || params.compression == kBiRle4;
    const std::vector<uint8_t> pixels = rle ? RleWriter(params, pixel).Encode() : EncodeRows(params, pixel);

    std::vector<uint8_t> out = {'B', 'M'};
    Put32(out, 0); // bfSize, set below
    Put32(out, 0);
    Put32(out, 0); // bfOffBits, set below
    if (params.header == BmpHeader::Core) {
        Put32(out, 12);
        Put16(out, static_cast<uint32_t>(params.width));
        Put16(out, static_cast<uint32_t>(params.height));
        Put16(out, 1);
        Put16(out, static_cast<uint32_t>(params.bitsPerPixel));
    } else {
        PutInfoHeader(out, params, palette.size(), pixels.size());
    }
    for (uint32_t c : palette) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c >> 16));
        if (params.header != BmpHeader::Core)
            out.push_back(0);
    }
    out.insert(out.end(), params.gapBeforePixels, 0xA5);
    const auto offset = static_cast<uint32_t>(out.size());
    out.insert(out.end(), pixels.begin(), pixels.end());
    Poke32(out, 2, params.writeFileSize ? static_cast<uint32_t>(out.size()) : 0);
    Poke32(out, 10, params.writeOffBits ? offset : 0);
    return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        throw std::runtime_error("cannot write " + path);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

std::string WriteSolidBmp(const std::string& path, int width, int height, uint32_t rgb)
{
    BmpParams params;
    params.width = width;
    params.height = height;
    WriteFile(path, MakeBmp(params, [rgb](int, int) { return rgb; }));
    return path;
}

void Poke16(std::vector<uint8_t>& file, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 2; ++i)
        file.at(at + i) = static_cast<uint8_t>(value >> (8 * i));
}

void Poke32(std::vector<uint8_t>& file, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
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
