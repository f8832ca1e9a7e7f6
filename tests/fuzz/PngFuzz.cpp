// libFuzzer target for the PNG reader (libspng): any input is refused with a reason or
// decodes into exactly width x height pixels, every one of which is read.
//   cmake --preset fuzz && cmake --build --preset fuzz --target PngFuzz
//   build/fuzz/tests/fuzz/PngFuzz -max_total_time=300 <corpus folder>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "logo/ImageDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodedImage image;
    std::string why;
    if (!DecodePng(data, size, image, why)) {
        if (why.empty())
            std::abort(); // every refusal says why
        return 0;
    }
    const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (image.width < 1 || image.height < 1 || image.pixels.size() != pixels * image.BytesPerPixel() ||
        NvBytesOf(image.width, image.height) > kNvAreaBytes)
        std::abort();
    uint32_t sum = 0;
    for (const uint8_t byte : image.pixels)
        sum += byte;
    volatile uint32_t sink = sum;
    (void)sink;
    return 0;
}
