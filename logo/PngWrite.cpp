#include "logo/PngWrite.h"

#include <cstdlib>
#include <memory>
#include <spng.h>

#include "platform/AtomicFile.h"

namespace {

struct ContextFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};
struct BufferFree {
    void operator()(void* buffer) const { std::free(buffer); }
};

// Encoded into memory first, so that only complete files reach the disk.
bool Encode(const PngPixels& pixels, std::span<const uint8_t>& png, std::unique_ptr<void, BufferFree>& owner,
            std::string& reason)
{
    std::unique_ptr<spng_ctx, ContextFree> context(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!context) {
        reason = "out of memory";
        return false;
    }
    spng_ihdr header{};
    header.width = static_cast<uint32_t>(pixels.width);
    header.height = static_cast<uint32_t>(pixels.height);
    header.bit_depth = 8;
    header.color_type =
        pixels.colour == PngColour::Grey ? SPNG_COLOR_TYPE_GRAYSCALE : SPNG_COLOR_TYPE_TRUECOLOR;
    int result = spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1);
    if (result == 0)
        result = spng_set_ihdr(context.get(), &header);
    if (result == 0)
        result = spng_encode_image(context.get(), pixels.samples.data(), pixels.samples.size(), SPNG_FMT_PNG,
                                   SPNG_ENCODE_FINALIZE);
    size_t size = 0;
    if (result == 0)
        owner.reset(spng_get_png_buffer(context.get(), &size, &result));
    if (result != 0 || !owner) {
        reason = std::string("cannot encode the picture: ") + spng_strerror(result);
        return false;
    }
    png = {static_cast<const uint8_t*>(owner.get()), size};
    return true;
}

} // namespace

bool WritePng(const std::string& path, const PngPixels& pixels, std::string& error)
{
    const size_t channels = pixels.colour == PngColour::Grey ? 1 : 3;
    if (pixels.width < 1 || pixels.height < 1 ||
        pixels.samples.size() !=
            static_cast<size_t>(pixels.width) * static_cast<size_t>(pixels.height) * channels) {
        error = path + ": cannot write a picture of " + std::to_string(pixels.width) + " x " +
                std::to_string(pixels.height) + " pixels from " + std::to_string(pixels.samples.size()) +
                " samples";
        return false;
    }
    std::span<const uint8_t> png;
    std::unique_ptr<void, BufferFree> owner;
    std::string reason;
    if (!Encode(pixels, png, owner, reason)) {
        error = path + ": " + reason;
        return false;
    }
    return platform::WriteFileAtomically(path, png, error);
}
