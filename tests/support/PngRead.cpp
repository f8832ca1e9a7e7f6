#include "tests/support/PngRead.h"

#include <cstdio>
#include <memory>
#include <spng.h>

namespace testing_support {

DecodedPng ReadPng(const std::string& path)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> context(spng_ctx_new(0), spng_ctx_free);
    spng_ihdr header{};
    size_t size = 0;
    if (!file || !context || spng_set_png_file(context.get(), file.get()) != 0 ||
        spng_get_ihdr(context.get(), &header) != 0 ||
        spng_decoded_image_size(context.get(), SPNG_FMT_PNG, &size) != 0)
        return {};
    DecodedPng png;
    png.samples.resize(size);
    if (spng_decode_image(context.get(), png.samples.data(), size, SPNG_FMT_PNG, 0) != 0)
        return {};
    png.width = static_cast<int>(header.width);
    png.height = static_cast<int>(header.height);
    png.colourType = header.color_type;
    png.bitDepth = header.bit_depth;
    return png;
}

} // namespace testing_support
