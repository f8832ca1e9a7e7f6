#pragma once
// BMP files for the benchmarks: a 40-byte header and random pixels (a grey palette
// for 1 to 8 bits), so that no two rows are alike.
#include <cstdint>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

inline void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline std::vector<uint8_t> RandomBmp(int width, int height, int bits, unsigned seed = 1)
{
    const uint32_t colours = bits <= 8 ? 1u << bits : 0;
    const uint32_t stride = (static_cast<uint32_t>(width) * static_cast<uint32_t>(bits) + 31) / 32 * 4;
    const uint32_t offset = 54 + 4 * colours;
    std::vector<uint8_t> out = {'B', 'M'};
    PutLittleEndian(out, offset + stride * static_cast<uint32_t>(height), 4);
    PutLittleEndian(out, 0, 4);
    PutLittleEndian(out, offset, 4);
    for (uint32_t v : {40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)})
        PutLittleEndian(out, v, 4);
    PutLittleEndian(out, 1, 2);
    PutLittleEndian(out, static_cast<uint32_t>(bits), 2);
    for (uint32_t v : {0u, stride * static_cast<uint32_t>(height), 2835u, 2835u, colours, 0u})
        PutLittleEndian(out, v, 4);
    for (uint32_t i = 0; i < colours; ++i)
        PutLittleEndian(out, (i * 255 / (colours - 1)) * 0x010101u, 4);
    std::mt19937 random(seed);
    for (uint32_t i = 0; i < stride * static_cast<uint32_t>(height); ++i)
        out.push_back(static_cast<uint8_t>(random()));
    return out;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

} // namespace bench
