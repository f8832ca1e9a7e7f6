// The Preview page's work for a 512 x 2304 logo, the tallest a printer stores. Loading
// runs away from the window, once per logo and settings: the colours of a BMP, or the
// dots of a PNG converted as the download does. A repaint scales the kept picture's
// exposed part: fitted into a 300 x 250 frame, or 4:1 in a 900 x 700 one.
// Goal for a repaint: under 16 ms.
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
#include "download/PreviewPictures.h"
#include "logo/PngWrite.h"
#include "ui/PreviewImage.h"

namespace {

// A 24-bit file of random pixels in the temporary folder.
std::string WriteBmpLogo()
{
    const std::string path = (std::filesystem::temp_directory_path() / "nivora-preview-bench.bmp").string();
    bench::WriteBytes(path, bench::RandomBmp(512, 2304, 24));
    return path;
}

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

// state.range(0): 0 the file's colours (BMP), 1 the printed dots (PNG).
void LoadTallLogo(benchmark::State& state)
{
    const bool dots = state.range(0) == 1;
    const std::string path = dots ? WritePngLogo() : WriteBmpLogo();
    const PictureKey key{path, dots, {128, 512, true, HalftoneMode::FloydSteinberg, {}}};
    for (auto _ : state) {
        const PreviewPicture loaded = LoadPreviewPicture(key);
        if (!loaded.Loaded())
            state.SkipWithError("the logo did not load");
        benchmark::DoNotOptimize(loaded.picture.pixels.data());
    }
    state.SetLabel(dots ? "printed dots" : "colours");
    std::remove(path.c_str());
}
BENCHMARK(LoadTallLogo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// state.range(0): the zoom step (0 fit, 3 for 4:1); the Quality is Quadruple.
void RepaintTallLogo(benchmark::State& state)
{
    const std::string path = WriteBmpLogo();
    const PreviewPicture loaded = LoadPreviewPicture({path, false, {}});
    std::remove(path.c_str());
    const int step = static_cast<int>(state.range(0));
    const QSize frame = step == 0 ? QSize(300, 250) : QSize(900, 700);
    const QSize size = PreviewZoomedSize({512, 2304}, frame, kQualityQuadruple, step);
    QImage page(frame, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&page);
        DrawPicture(painter, loaded.picture, size, QRect(QPoint(0, 0), frame));
        benchmark::DoNotOptimize(page.constBits());
    }
}
BENCHMARK(RepaintTallLogo)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
