// libFuzzer target for the BMP reader: the header check, the decoder and every pixel
// of what it decodes. Also checks that the header check and the decoder agree.
//   cmake --preset fuzz && cmake --build --preset fuzz --target BmpFuzz
//   build/fuzz/tests/fuzz/BmpFuzz -max_total_time=300 <corpus folder>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "logo/BmpFile.h"

namespace {

// Pictures of up to this many pixels are read pixel by pixel; of bigger ones (a few
// bytes of RLE can declare millions of pixels) the first, second and last two rows and
// columns, where any out-of-bounds read would show.
constexpr int64_t kEveryPixelUpTo = 1 << 18;

int32_t Next(int32_t i, int32_t n, bool every)
{
    return every || i == 0 || i >= n - 2 ? i + 1 : n - 2;
}

uint32_t ReadPixels(const BmpImage& image)
{
    const bool every = int64_t{image.width} * image.height <= kEveryPixelUpTo;
    uint32_t sum = 0;
    for (int32_t y = 0; y < image.height; y = Next(y, image.height, every)) {
        for (int32_t x = 0; x < image.width; x = Next(x, image.width, every))
            sum += image.RgbAt(x, y);
        const uint8_t* row = image.Row(image.height - 1 - y);
        sum += row[0] + row[image.widthBytes - 1];
    }
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BmpInfo info;
    const bool parsed = ParseBmpInfo(data, size, info);
    BmpImage image;
    const bool decoded = DecodeBmp(std::vector<uint8_t>(data, data + size), image);
    if (decoded) {
        if (!parsed || info.width != image.width || info.height != image.height ||
            info.bitsPerPixel != image.bitsPerPixel || image.widthBytes % 4 != 0)
            std::abort(); // the decoder took what the header check refused
        volatile uint32_t sink = ReadPixels(image);
        (void)sink;
    } else if (parsed && info.bitsPerPixel <= 32) {
        const uint64_t rows =
            (uint64_t(info.width) * uint64_t(info.bitsPerPixel) + 31) / 32 * 4 * uint64_t(info.height);
        if (rows <= kMaxPixelBytes)
            std::abort(); // the header check took what the decoder refused
    }
    return 0;
}
