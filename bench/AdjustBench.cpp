// Redrawing a logo's printed dots while the user moves an adjustment's slider: the
// picture is read and decoded once; a tone change (brightness, contrast, gamma)
// applies the tone curve to the kept shaped grey and halftones it again, a shape change
// (trim, turn, scale) starts from the kept grey. Both end in the raster a download
// sends, turned back into dots.
// Goal: within a frame (16 ms) for a 576 x 2304 logo. And what a setting costs once a
// slider is let go: the list works out the adjusted size from the file (on the window's
// thread).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BenchFiles.h"
#include "download/AdjustedDots.h"

namespace {

std::string WriteLogo()
{
    const std::string path = (std::filesystem::temp_directory_path() / "nivora-adjust-bench.bmp").string();
    bench::WriteBytes(path, bench::RandomBmp(576, 2304, 24));
    return path;
}

// Every other redraw with the other value, as a slider moving back and forth.
void Redraw(benchmark::State& state, bool shapeChanges)
{
    const std::string path = WriteLogo();
    AdjustedDots redraw;
    std::string why;
    if (!redraw.Load(path, why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    NvConversion conversion;
    conversion.maxPrintWidth = 576;
    conversion.halftone = static_cast<HalftoneMode>(state.range(0));
    conversion.adjust.scale = Adjustments::Scale::Fit;
    DotImage dots;
    bool other = false;
    for (auto _ : state) {
        other = !other;
        if (shapeChanges)
            conversion.adjust.rotate = other ? 180 : 0;
        else
            conversion.adjust.gamma = other ? 1.4 : 1.3;
        if (!redraw.Make(conversion, dots, why))
            state.SkipWithError(why.c_str());
        benchmark::DoNotOptimize(dots.dots.data());
    }
    std::remove(path.c_str());
}

void ToneChange(benchmark::State& state)
{
    Redraw(state, false);
}
void ShapeChange(benchmark::State& state)
{
    Redraw(state, true);
}

void AdjustedSizeOnCommit(benchmark::State& state)
{
    const std::string path = WriteLogo();
    NvConversion conversion;
    conversion.maxPrintWidth = 576;
    conversion.adjust.gamma = 1.4;
    int32_t width = 0, height = 0;
    std::string why;
    for (auto _ : state)
        if (!AdjustedPictureSize(path, conversion, width, height, why))
            state.SkipWithError(why.c_str());
    std::remove(path.c_str());
}

BENCHMARK(ToneChange)
    ->ArgName("halftone")
    ->Arg(static_cast<int>(HalftoneMode::Classic))
    ->Arg(static_cast<int>(HalftoneMode::Colour))
    ->Arg(static_cast<int>(HalftoneMode::FloydSteinberg))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ShapeChange)
    ->ArgName("halftone")
    ->Arg(static_cast<int>(HalftoneMode::Classic))
    ->Arg(static_cast<int>(HalftoneMode::FloydSteinberg))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(AdjustedSizeOnCommit)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
