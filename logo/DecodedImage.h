#pragma once
// A picture decoded from a PNG, JPEG, GIF or BMP file into plain colours: what the
// halftone modes and the printed-dots preview work from. Rows run top to bottom.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class PixelLayout {
    GreyAlpha = 2, // two bytes per pixel: grey, alpha
    Rgba = 4,      // four bytes per pixel: red, green, blue, alpha
};

struct DecodedImage {
    int32_t width = 0;
    int32_t height = 0;
    PixelLayout layout = PixelLayout::Rgba;
    std::vector<uint8_t> pixels; // width * height * BytesPerPixel(), no row padding

    size_t BytesPerPixel() const { return static_cast<size_t>(layout); }
    const uint8_t* At(int32_t x, int32_t y) const
    {
        return pixels.data() +
               (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) *
                   BytesPerPixel();
    }
};

// Bytes the printer's NV memory needs for a picture: bands of 8 dots times the width
// rounded up to 8. 64-bit, as a header may declare any size.
int64_t NvBytesOf(int64_t width, int64_t height);

// The decoders refuse a picture whose NV size exceeds the limit they are given before
// any pixel memory is taken. Listing and previewing allow the whole NV area; the
// conversion only what fits one image's raster.
inline constexpr int64_t kNvAreaBytes = 384 * 1024;

// Checks the declared size of a picture against maxNvBytes. False, with the reason in
// why, for an empty or too large picture. kind names the format in the reason.
bool CheckDecodeSize(const char* kind, int64_t width, int64_t height, int64_t maxNvBytes, std::string& why);
