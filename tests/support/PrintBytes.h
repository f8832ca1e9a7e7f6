#pragma once
// What a printer must receive for printed NV images, spelled out independently of the
// program: after what was sent before, per image the header line when headers are on,
// then FS p n m.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace testing_support {

inline const std::vector<uint8_t> kSerialPreamble = {0x1D, 0x49, 0x01, 0x1B, 0x40};
inline const std::vector<uint8_t> kParallelPreamble = {0x1D, 0x49, 0x01};

inline std::vector<uint8_t> PrintedImages(const std::vector<int>& numbers, int mode, bool header,
                                          std::vector<uint8_t> before = {})
{
    for (const int n : numbers) {
        if (header) {
            const std::string line = "--- Logo " + std::to_string(n) + " ---\n";
            before.insert(before.end(), line.begin(), line.end());
        }
        before.insert(before.end(), {0x1C, 0x70, static_cast<uint8_t>(n), static_cast<uint8_t>(mode)});
    }
    return before;
}

// The parts one after another, for byte sequences written out piece by piece.
inline std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> all;
    for (const std::vector<uint8_t>& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline std::vector<int> NumberRange(int from, int to)
{
    std::vector<int> numbers;
    for (int n = from; n <= to; ++n)
        numbers.push_back(n);
    return numbers;
}

} // namespace testing_support
