// Drawing a logo's preview as the Preview page does at every paint, every Quality
// click and every row change: the BMP file is read from disk, decoded and stretched
// into the frame. Goal: under 16 ms for a 512 x 2304 24-bit logo.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchFiles.h"
#include "logo/BmpFile.h"
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

} // namespace

BENCHMARK_MAIN();
