#pragma once
// Writes PNG and GIF files for tests with the libraries' own encoders, so that the
// readers are checked against files another program made.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct PngParams {
    int width = 4;
    int height = 4;
    int colourType = 2;       // 0 grey, 2 RGB, 4 grey + alpha, 6 RGBA
    int bitDepth = 8;         // 8 or 16
    int transparentGrey = -1; // tRNS of a grey file; -1: none
};

// samples(x, y, channel) gives the sample of the file's own depth: a grey or one of
// the channels. Empty on failure.
using SampleFn = std::function<uint16_t(int x, int y, int channel)>;
std::vector<uint8_t> EncodePng(const PngParams& params, const SampleFn& samples);

struct GifParams {
    int width = 4;
    int height = 4;
    std::vector<uint32_t> palette{}; // 0x00RRGGBB; its size a power of two, 2..256
    int transparentIndex = -1;
    bool interlace = false;
};
// index(x, y) gives the palette index of each pixel.
std::vector<uint8_t> EncodeGif(const GifParams& params, uint8_t (*index)(int x, int y));

// A JPEG written by TurboJPEG, quality 90, from width x height x channels samples:
// 1 grey, 3 RGB (4:2:0) or 4 CMYK (stored as YCCK).
std::vector<uint8_t> EncodeJpeg(int width, int height, const std::vector<uint8_t>& samples, int channels = 3);

// The logo files the halftone modes are tried on, made by the libraries' own encoders;
// each returns path. A grey ramp across with a darker band down, on a transparent
// ground at the left (RGBA PNG); the same shades as a JPEG; two grey bars as a GIF
// with its white as the transparent index.
std::string WriteShadedPng(const std::string& path, int width, int height);
std::string WriteShadedJpeg(const std::string& path, int width, int height);
std::string WriteBarsGif(const std::string& path, int width, int height);

} // namespace testing_support
