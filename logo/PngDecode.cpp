#include <memory>
#include <new>
#include <spng.h>

#include "logo/ImageDecoders.h"

namespace {

struct CtxFree {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using Ctx = std::unique_ptr<spng_ctx, CtxFree>;

// Ancillary chunks we never use may still be large (text, profiles); a cap keeps a
// hostile file from making the library buffer them without bound.
constexpr size_t kChunkLimit = size_t{8} << 20;
constexpr size_t kChunkCacheLimit = size_t{32} << 20;

Ctx Open(const uint8_t* data, size_t size)
{
    Ctx ctx(spng_ctx_new(0));
    if (!ctx || spng_set_png_buffer(ctx.get(), data, size) != 0 ||
        spng_set_chunk_limits(ctx.get(), kChunkLimit, kChunkCacheLimit) != 0)
        return nullptr;
    return ctx;
}

std::string Reason(int error)
{
    // The library reports a file that ends early as running out of input.
    if (error == SPNG_EOF || error == SPNG_IO_EOF)
        return "truncated PNG";
    return std::string("corrupted PNG (") + spng_strerror(error) + ")";
}

} // namespace

bool ReadPngSize(const uint8_t* data, size_t size, int32_t& width, int32_t& height)
{
    Ctx ctx = Open(data, size);
    spng_ihdr ihdr{};
    if (!ctx || spng_get_ihdr(ctx.get(), &ihdr) != 0 || ihdr.width > INT32_MAX || ihdr.height > INT32_MAX)
        return false;
    width = static_cast<int32_t>(ihdr.width);
    height = static_cast<int32_t>(ihdr.height);
    return true;
}

bool DecodePng(const uint8_t* data, size_t size, DecodedImage& image, std::string& why, int64_t maxNvBytes)
{
    Ctx ctx = Open(data, size);
    if (!ctx) {
        why = "out of memory";
        return false;
    }
    spng_ihdr ihdr{};
    if (const int error = spng_get_ihdr(ctx.get(), &ihdr); error != 0) {
        why = Reason(error);
        return false;
    }
    if (!CheckDecodeSize("PNG", ihdr.width, ihdr.height, maxNvBytes, why))
        return false;
    // RGBA8 takes the high byte of 16-bit channels and spreads grey over R, G and B.
    size_t bytes = 0;
    if (const int error = spng_decoded_image_size(ctx.get(), SPNG_FMT_RGBA8, &bytes); error != 0) {
        why = Reason(error);
        return false;
    }
    DecodedImage result;
    result.width = static_cast<int32_t>(ihdr.width);
    result.height = static_cast<int32_t>(ihdr.height);
    result.layout = PixelLayout::Rgba;
    try {
        result.pixels.resize(bytes);
    } catch (const std::bad_alloc&) {
        why = "out of memory";
        return false;
    }
    if (const int error =
            spng_decode_image(ctx.get(), result.pixels.data(), bytes, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
        error != 0) {
        why = Reason(error);
        return false;
    }
    image = std::move(result);
    return true;
}
