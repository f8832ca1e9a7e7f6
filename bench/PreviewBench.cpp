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

#include "logo/BmpFile.h"
#include "ui/PreviewImage.h"

namespace {

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// A plain 24-bit file with a pattern, so that no two rows are alike.
std::string WriteLogo(int width, int height)
{
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> file(54 + stride * static_cast<size_t>(height), 0);
    file[0] = 'B', file[1] = 'M';
    Put32(file, 2, static_cast<uint32_t>(file.size()));
    Put32(file, 10, 54);
    Put32(file, 14, 40);
    Put32(file, 18, static_cast<uint32_t>(width));
    Put32(file, 22, static_cast<uint32_t>(height));
    file[26] = 1, file[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = &file[54 + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
            p[0] = static_cast<uint8_t>(x ^ y), p[1] = static_cast<uint8_t>(x + y),
            p[2] = static_cast<uint8_t>(y);
        }
    const std::string path = (std::filesystem::temp_directory_path() / "nivora-preview-bench.bmp").string();
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out) {
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
    }
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
