// Drawing a logo's preview as the Preview page does at every paint, every Quality
// click and every row change: the BMP file is read from disk, decoded and stretched
// into the frame. With "Printed dots" the first drawing of a logo converts it as the
// download does; a redraw (another Quality, a repaint) takes the kept dots.
// Goal: under 16 ms for a 512 x 2304 logo.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchFiles.h"
#include "download/PrintedDots.h"
#include "logo/BmpFile.h"
#include "logo/PngWrite.h"
#include "ui/PreviewImage.h"

namespace {

// A 24-bit file of random pixels in the temporary folder.
std::string WriteLogo(int width, int height)
{
    const std::string path = (std::filesystem::temp_directory_path() / "nivora-preview-bench.bmp").string();
    bench::WriteBytes(path, bench::RandomBmp(width, height, 24));
    return path;
}

void PreviewOfTallLogo(benchmark::State& state)
{
    const std::string path = WriteLogo(512, 2304);
    const int quality = static_cast<int>(state.range(0));
    QImage page(400, 300, QImage::Format_RGB32);
    BmpImage bitmap;
    for (auto _ : state) {
        QPainter painter(&page);
        const PreviewResult result = DrawBmpPreview(painter, path, bitmap, QSize(300, 250), quality);
        if (result != PreviewResult::Drawn)
            state.SkipWithError("the logo was not drawn");
        benchmark::DoNotOptimize(page.constBits());
    }
    std::remove(path.c_str());
}
BENCHMARK(PreviewOfTallLogo)->Arg(kQualityNormal)->Arg(kQualityQuadruple)->Unit(benchmark::kMillisecond);

// A 512 x 2304 PNG of shaded noise: a photograph's worth of work for the dither.
std::string WritePngLogo()
{
    const std::string path = (std::filesystem::temp_directory_path() / "nivora-preview-bench.png").string();
    std::vector<uint8_t> rgb = bench::RandomBmp(512, 2304, 24);
    rgb.erase(rgb.begin(), rgb.begin() + 54);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>((rgb[i] / 4 + (i / 1536) % 192) & 0xFF);
    std::string error;
    if (!WritePng(path, {512, 2304, PngColour::Rgb, rgb}, error))
        throw std::runtime_error(error);
    return path;
}

// state.range(0): 1 = the first drawing of the logo (converted), 0 = a redraw.
void PrintedDotsOfTallLogo(benchmark::State& state)
{
    const std::string path = WritePngLogo();
    const bool first = state.range(0) == 1;
    const NvConversion conversion{128, 512, true, HalftoneMode::FloydSteinberg, {}};
    QImage page(400, 300, QImage::Format_RGB32);
    PrintedDotsCache kept;
    std::string why;
    int quality = kQualityNormal;
    for (auto _ : state) {
        PrintedDotsCache fresh;
        PrintedDotsCache& cache = first ? fresh : kept;
        const DotImage* dots = cache.Get(path, conversion, why);
        QPainter painter(&page);
        if (!dots || DrawDotsPreview(painter, *dots, QSize(300, 250), quality) != PreviewResult::Drawn)
            state.SkipWithError("the dots were not drawn");
        quality = (quality + 1) % 4;
        benchmark::DoNotOptimize(page.constBits());
    }
    state.SetLabel(first ? "first drawing" : "redraw");
    std::remove(path.c_str());
}
BENCHMARK(PrintedDotsOfTallLogo)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
