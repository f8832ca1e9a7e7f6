#pragma once
// Reads a PNG file back for the tests (libspng), in the file's own sample format.
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct DecodedPng {
    int width = 0;
    int height = 0;
    int colourType = -1;          // the PNG colour type: 0 grey, 2 RGB, ...
    int bitDepth = 0;             // bits per sample
    std::vector<uint8_t> samples; // rows top to bottom, as stored (no filter bytes)
    bool operator==(const DecodedPng&) const = default;
};

// An empty result (width 0) when the file cannot be read or decoded.
DecodedPng ReadPng(const std::string& path);

} // namespace testing_support
