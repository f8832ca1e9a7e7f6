#pragma once
// Decoders of the picture files people have their logos in. Each works on the file's
// bytes in memory, checks the declared size against maxNvBytes before it takes pixel
// memory, and on failure leaves the image untouched and says why in a short English
// phrase ("truncated PNG", "CMYK JPEG files are not supported", ...).
//
// Colours are taken as the file states them: no gamma or colour-profile correction.
#include <cstddef>
#include <cstdint>
#include <string>

#include "logo/DecodedImage.h"

// Every colour type and bit depth, tRNS transparency, interlaced files. 16-bit
// channels keep their high byte.
bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, std::string& why,
               int64_t maxNvBytes = kNvAreaBytes);
// Baseline and progressive, greyscale and colour; CMYK is refused. Accurate DCT and
// smooth chroma upsampling. A file the library has to patch up (missing data) is refused.
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image, std::string& why,
                int64_t maxNvBytes = kNvAreaBytes);
// The first frame on the logical screen; its transparent index and the screen outside
// the frame have alpha 0.
bool DecodeGif(const uint8_t* data, size_t size, DecodedImage& image, std::string& why,
               int64_t maxNvBytes = kNvAreaBytes);

// Width and height as the header states them, without decoding the pixels.
bool ReadPngSize(const uint8_t* data, size_t size, int32_t& width, int32_t& height);
bool ReadJpegSize(const uint8_t* data, size_t size, int32_t& width, int32_t& height);
bool ReadGifSize(const uint8_t* data, size_t size, int32_t& width, int32_t& height);
