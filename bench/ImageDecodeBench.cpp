// Decoding and halftoning the largest logo, 512 x 2304 dots, from PNG and JPEG: what a
// download step and a printed-dots preview pay per image.
//   cmake --preset bench && cmake --build --preset bench --target ImageDecodeBench -j2
//   build/bench/bench/ImageDecodeBench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
// Goal: decode + conversion under 16 ms (one frame of the preview).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <spng.h>
#include <string>
#include <turbojpeg.h>
#include <vector>

#include "bench/BenchFiles.h"
#include "download/Halftone.h"
#include "download/NvDownload.h"
#include "logo/ImageFile.h"

namespace {

constexpr int kWidth = 512, kHeight = 2304;

// A photograph stand-in: smooth shading with grain, so that neither coder gets it for
// free.
std::vector<uint8_t> Photo()
{
    std::mt19937 random(7);
    std::vector<uint8_t> rgb(static_cast<size_t>(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                const double shade = 127 + 100 * std::sin((x + 40 * c) / 37.0) * std::cos(y / 91.0);
                rgb[(static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)) * 3 + static_cast<size_t>(c)] =
                    static_cast<uint8_t>(std::clamp(shade + static_cast<int>(random() % 17) - 8, 0.0, 255.0));
            }
    return rgb;
}

std::vector<uint8_t> EncodePng(const std::vector<uint8_t>& rgb)
{
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(ctx, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr ihdr{kWidth, kHeight, 8, SPNG_COLOR_TYPE_TRUECOLOR, 0, 0, 0};
    spng_set_ihdr(ctx, &ihdr);
    spng_encode_image(ctx, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    size_t length = 0;
    int error = 0;
    auto* buffer = static_cast<uint8_t*>(spng_get_png_buffer(ctx, &length, &error));
    std::vector<uint8_t> out(buffer, buffer + length);
    std::free(buffer);
    spng_ctx_free(ctx);
    return out;
}

std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb)
{
    tjhandle handle = tjInitCompress();
    unsigned char* buffer = nullptr;
    unsigned long length = 0;
    tjCompress2(handle, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &buffer, &length, TJSAMP_420, 90, 0);
    std::vector<uint8_t> out(buffer, buffer + length);
    tjFree(buffer);
    tjDestroy(handle);
    return out;
}

const std::string& File(bool png)
{
    static const std::array<std::string, 2> paths = [] {
        const std::vector<uint8_t> rgb = Photo();
        const std::string dir = ::getenv("TMPDIR") ? ::getenv("TMPDIR") : "/tmp";
        bench::WriteBytes(dir + "/nivora-bench-photo.jpg", EncodeJpeg(rgb));
        bench::WriteBytes(dir + "/nivora-bench-photo.png", EncodePng(rgb));
        return std::array<std::string, 2>{dir + "/nivora-bench-photo.jpg", dir + "/nivora-bench-photo.png"};
    }();
    return paths[png ? 1 : 0];
}

void DecodeAndHalftone(benchmark::State& state)
{
    const bool png = state.range(0) == 1;
    const auto mode = static_cast<HalftoneMode>(state.range(1));
    const std::string& path = File(png);
    for (auto _ : state) {
        DecodedImage image;
        std::string why;
        if (!LoadImageFile(path, image, why)) {
            state.SkipWithError(why.c_str());
            break;
        }
        const DotMatrix dots = Halftone(image, mode, 128);
        benchmark::DoNotOptimize(dots.dots.data());
    }
    state.SetLabel(std::string(png ? "PNG " : "JPEG ") + HalftoneLabel(mode));
}
BENCHMARK(DecodeAndHalftone)->ArgsProduct({{1, 0}, {1, 2, 3}})->Unit(benchmark::kMillisecond);

// The download's own step: the file read, decoded and converted into the FS q raster
// (PrepareNvImage), as the dialog and nivora-cli run it for each image.
void ConvertForDownload(benchmark::State& state)
{
    const bool png = state.range(0) == 1;
    const auto mode = static_cast<HalftoneMode>(state.range(1));
    const std::string& path = File(png);
    auto image = std::make_unique<CNvImage>();
    for (auto _ : state) {
        if (!PrepareNvImage(*image, path, {128, 512, false, mode})) {
            state.SkipWithError("the file was not converted");
            break;
        }
        benchmark::DoNotOptimize(image->m_raster);
    }
    state.SetLabel(std::string(png ? "PNG " : "JPEG ") + HalftoneLabel(mode));
}
BENCHMARK(ConvertForDownload)->ArgsProduct({{1, 0}, {0, 1, 2, 3}})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
