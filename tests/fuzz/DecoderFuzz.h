#pragma once
// The check every image reader's fuzz target makes: any input is refused with a reason
// or decodes into exactly width x height pixels within the NV area, every one of which
// is read (so that a short buffer shows up under the sanitizers).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "logo/ImageDecoders.h"

using ImageDecoder = bool (*)(const uint8_t*, size_t, DecodedImage&, std::string&, int64_t);

inline int FuzzDecoder(ImageDecoder decode, const uint8_t* data, size_t size)
{
    DecodedImage image;
    std::string why;
    if (!decode(data, size, image, why, kNvAreaBytes)) {
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
