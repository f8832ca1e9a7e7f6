#include "tests/support/ImageWriters.h"

#include <cstdlib>
#include <cstring>
#include <gif_lib.h>
#include <spng.h>
#include <turbojpeg.h>

#include "tests/support/BmpWriter.h"

namespace testing_support {

namespace {

// Samples a pixel by colour type: 0 grey, 2 RGB, 4 grey + alpha, 6 RGBA.
int Channels(int colourType)
{
    static const int kChannels[] = {1, 0, 3, 0, 2, 0, 4};
    return kChannels[colourType];
}

// Rows in the PNG's own layout (SPNG_FMT_PNG: 16-bit samples in host order).
std::vector<uint8_t> PackRows(const PngParams& p, const SampleFn& samples)
{
    const int channels = Channels(p.colourType);
    const size_t rowBytes = static_cast<size_t>(p.width) * channels * p.bitDepth / 8;
    std::vector<uint8_t> rows(rowBytes * static_cast<size_t>(p.height), 0);
    for (int y = 0; y < p.height; ++y) {
        uint8_t* row = rows.data() + rowBytes * static_cast<size_t>(y);
        for (int x = 0; x < p.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const uint16_t v = samples(x, y, c);
                const size_t i = static_cast<size_t>(x) * channels + static_cast<size_t>(c);
                if (p.bitDepth == 16)
                    std::memcpy(row + 2 * i, &v, 2);
                else
                    row[i] = static_cast<uint8_t>(v);
            }
    }
    return rows;
}

} // namespace

std::vector<uint8_t> EncodePng(const PngParams& p, const SampleFn& samples)
{
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{static_cast<uint32_t>(p.width),
                   static_cast<uint32_t>(p.height),
                   static_cast<uint8_t>(p.bitDepth),
                   static_cast<uint8_t>(p.colourType),
                   0,
                   0,
                   0};
    spng_set_ihdr(ctx, &ihdr);
    if (p.transparentGrey >= 0) {
        spng_trns trns{};
        trns.gray = static_cast<uint16_t>(p.transparentGrey);
        spng_set_trns(ctx, &trns);
    }
    const std::vector<uint8_t> rows = PackRows(p, samples);
    std::vector<uint8_t> out;
    if (spng_encode_image(ctx, rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) == 0) {
        size_t length = 0;
        int error = 0;
        auto* buffer = static_cast<uint8_t*>(spng_get_png_buffer(ctx, &length, &error));
        if (buffer)
            out.assign(buffer, buffer + length);
        std::free(buffer);
    }
    spng_ctx_free(ctx);
    return out;
}

namespace {

int Append(GifFileType* gif, const GifByteType* data, int length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

} // namespace

std::vector<uint8_t> EncodeGif(const GifParams& p, uint8_t (*index)(int x, int y))
{
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, Append, &error);
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(p.palette.size()), nullptr);
    for (size_t i = 0; i < p.palette.size(); ++i)
        map->Colors[i] = {static_cast<GifByteType>(p.palette[i] >> 16),
                          static_cast<GifByteType>(p.palette[i] >> 8),
                          static_cast<GifByteType>(p.palette[i])};
    EGifSetGifVersion(gif, true);
    EGifPutScreenDesc(gif, p.width, p.height, 8, 0, map);
    if (p.transparentIndex >= 0) {
        GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, p.transparentIndex};
        GifByteType block[4];
        const size_t length = EGifGCBToExtension(&gcb, block);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block);
    }
    EGifPutImageDesc(gif, 0, 0, p.width, p.height, p.interlace, nullptr);
    std::vector<GifPixelType> line(static_cast<size_t>(p.width));
    // An interlaced frame is written in the order of its four passes.
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < (p.interlace ? 4 : 1); ++pass)
        for (int y = p.interlace ? starts[pass] : 0; y < p.height; y += p.interlace ? steps[pass] : 1) {
            for (int x = 0; x < p.width; ++x)
                line[static_cast<size_t>(x)] = index(x, y);
            EGifPutLine(gif, line.data(), p.width);
        }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

std::vector<uint8_t> EncodeJpeg(int width, int height, const std::vector<uint8_t>& samples, int channels)
{
    const int format = channels == 1 ? TJPF_GRAY : channels == 4 ? TJPF_CMYK : TJPF_RGB;
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> file;
    if (tjCompress2(handle, samples.data(), width, 0, height, format, &out, &size,
                    channels == 1 ? TJSAMP_GRAY : TJSAMP_420, 90, 0) == 0)
        file.assign(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    return file;
}

namespace {

int Shade(int x, int y, int width, int height)
{
    // 0..235: with the channel offsets below every sample stays within 0..255.
    return x * 200 / (width > 1 ? width - 1 : 1) + (y * 2 >= height ? 0 : 35);
}

} // namespace

std::string WriteShadedPng(const std::string& path, int width, int height)
{
    const PngParams p{.width = width, .height = height, .colourType = 6};
    WriteFile(path, EncodePng(p, [=](int x, int y, int channel) {
                  if (channel == 3)
                      return static_cast<uint16_t>(x < 6 ? x * 40 : 255);
                  return static_cast<uint16_t>(Shade(x, y, width, height) - channel * 10 + 20);
              }));
    return path;
}

std::string WriteShadedJpeg(const std::string& path, int width, int height)
{
    std::vector<uint8_t> rgb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                rgb.push_back(static_cast<uint8_t>(Shade(x, y, width, height) - c * 10 + 20));
    WriteFile(path, EncodeJpeg(width, height, rgb));
    return path;
}

std::string WriteBarsGif(const std::string& path, int width, int height)
{
    const GifParams p{width, height, {0xFFFFFF, 0x404040, 0x909090, 0x000000}, 0};
    WriteFile(path, EncodeGif(p, [](int x, int) { return static_cast<uint8_t>(x / 5 % 3); }));
    return path;
}

} // namespace testing_support
