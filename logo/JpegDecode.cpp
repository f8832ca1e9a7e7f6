#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <turbojpeg.h>

#include "logo/ImageDecoders.h"

namespace {

struct HandleFree {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using Handle = std::unique_ptr<void, HandleFree>;

bool Header(void* handle, const uint8_t* data, size_t size, int& width, int& height, int& colourspace)
{
    int subsampling = 0;
    return size <= ULONG_MAX && tjDecompressHeader3(handle, data, static_cast<unsigned long>(size), &width,
                                                    &height, &subsampling, &colourspace) == 0;
}

std::string Reason(void* handle)
{
    const char* text = tjGetErrorStr2(handle);
    // libjpeg's own words for a file that stops early.
    if (std::strstr(text, "Premature end") || std::strstr(text, "insufficient data"))
        return "truncated JPEG";
    return std::string("corrupted JPEG (") + text + ")";
}

} // namespace

bool ReadJpegSize(const uint8_t* data, size_t size, int32_t& width, int32_t& height)
{
    Handle handle(tjInitDecompress());
    int w = 0, h = 0, colourspace = 0;
    if (!handle || !Header(handle.get(), data, size, w, h, colourspace))
        return false;
    width = w;
    height = h;
    return true;
}

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image, std::string& why, int64_t maxNvBytes)
{
    Handle handle(tjInitDecompress());
    if (!handle) {
        why = "out of memory";
        return false;
    }
    int width = 0, height = 0, colourspace = 0;
    if (!Header(handle.get(), data, size, width, height, colourspace)) {
        why = Reason(handle.get());
        return false;
    }
    // libjpeg makes up an end of file where the data stops; before the frame header
    // that leaves a picture of no size.
    if (width < 1 || height < 1) {
        why = "truncated JPEG";
        return false;
    }
    if (colourspace == TJCS_CMYK || colourspace == TJCS_YCCK) {
        why = "CMYK JPEG files are not supported";
        return false;
    }
    if (!CheckDecodeSize("JPEG", width, height, maxNvBytes, why))
        return false;
    const bool grey = colourspace == TJCS_GRAY;
    const int channels = grey ? 1 : 4;
    std::vector<uint8_t> decoded;
    try {
        decoded.resize(static_cast<size_t>(width) * static_cast<size_t>(height) *
                       static_cast<size_t>(channels));
    } catch (const std::bad_alloc&) {
        why = "out of memory";
        return false;
    }
    // Warnings (missing data, extraneous bytes) would leave grey patches in the logo:
    // refuse the file instead. The scan limit keeps a progressive file with thousands
    // of tiny scans from taking minutes.
    const int flags = TJFLAG_ACCURATEDCT | TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS;
    if (tjDecompress2(handle.get(), data, static_cast<unsigned long>(size), decoded.data(), width, 0, height,
                      grey ? TJPF_GRAY : TJPF_RGBA, flags) != 0) {
        why = Reason(handle.get());
        return false;
    }
    DecodedImage result;
    result.width = width;
    result.height = height;
    if (grey) {
        result.layout = PixelLayout::GreyAlpha;
        result.pixels.resize(decoded.size() * 2);
        for (size_t i = 0; i < decoded.size(); ++i) {
            result.pixels[2 * i] = decoded[i];
            result.pixels[2 * i + 1] = 255;
        }
    } else {
        // TJPF_RGBA fills the fourth byte with 255: opaque.
        result.layout = PixelLayout::Rgba;
        result.pixels = std::move(decoded);
    }
    image = std::move(result);
    return true;
}
