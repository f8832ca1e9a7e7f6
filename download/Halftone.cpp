#include "download/Halftone.h"

#include <array>

#include "logo/Adjustments.h"
#include "download/NvImage.h"

namespace {

struct ModeNames {
    HalftoneMode mode;
    const char* label;
    const char* option;
};
constexpr ModeNames kNames[] = {{HalftoneMode::Classic, "Classic", "classic"},
                                {HalftoneMode::Colour, "Colour", "colour"},
                                {HalftoneMode::FloydSteinberg, "Floyd-Steinberg", "floyd-steinberg"},
                                {HalftoneMode::Atkinson, "Atkinson", "atkinson"}};

const ModeNames& NamesOf(HalftoneMode mode)
{
    for (const ModeNames& names : kNames)
        if (names.mode == mode)
            return names;
    return kNames[0];
}

DotMatrix Threshold(int32_t width, int32_t height, const std::vector<uint8_t>& grey, int threshold)
{
    DotMatrix out{width, height, std::vector<uint8_t>(grey.size())};
    for (size_t i = 0; i < grey.size(); ++i)
        out.dots[i] = grey[i] < threshold ? 1 : 0;
    return out;
}

// Error diffusion, top to bottom and left to right. The error carried to a pixel is
// neither clamped nor rounded beyond the integer division of each share, so that two
// implementations of the same rule agree dot for dot. Rows carries the error rows
// ahead (the current one first); Spread hands out the error of one pixel.
template <size_t Rows, typename Spread>
DotMatrix Diffuse(int32_t width, int32_t height, const std::vector<uint8_t>& grey, int threshold,
                  Spread spread)
{
    DotMatrix out{width, height, std::vector<uint8_t>(grey.size())};
    const auto w = static_cast<size_t>(width);
    // Two spare columns each side keep the shares to x-1 and x+2 inside the rows;
    // what lands there is simply never read.
    std::array<std::vector<int>, Rows> error;
    for (auto& row : error)
        row.assign(w + 4, 0);
    for (int32_t y = 0; y < height; ++y) {
        int* carried = error[0].data() + 2;
        const uint8_t* in = grey.data() + static_cast<size_t>(y) * w;
        uint8_t* dots = out.dots.data() + static_cast<size_t>(y) * w;
        for (int32_t x = 0; x < width; ++x) {
            const int v = in[x] + carried[x];
            const bool print = v < threshold;
            dots[x] = print ? 1 : 0;
            spread(error, x + 2, v - (print ? 0 : 255), y + 1 < height, y + 2 < height);
        }
        // The rows move up by one; the freed row becomes the last, cleared.
        for (size_t r = 0; r + 1 < Rows; ++r)
            error[r].swap(error[r + 1]);
        std::fill(error[Rows - 1].begin(), error[Rows - 1].end(), 0);
    }
    return out;
}

// Shares to x+1 and x-1 that fall outside the picture land in the spare columns; below
// the last row nothing is handed on at all.
void FloydSteinbergSpread(std::array<std::vector<int>, 2>& error, int32_t at, int e, bool below, bool)
{
    error[0][static_cast<size_t>(at + 1)] += e * 7 / 16;
    if (!below)
        return;
    error[1][static_cast<size_t>(at - 1)] += e * 3 / 16;
    error[1][static_cast<size_t>(at)] += e * 5 / 16;
    error[1][static_cast<size_t>(at + 1)] += e * 1 / 16;
}

void AtkinsonSpread(std::array<std::vector<int>, 3>& error, int32_t at, int e, bool below, bool twoBelow)
{
    const int share = e / 8;
    error[0][static_cast<size_t>(at + 1)] += share;
    error[0][static_cast<size_t>(at + 2)] += share;
    if (below) {
        error[1][static_cast<size_t>(at - 1)] += share;
        error[1][static_cast<size_t>(at)] += share;
        error[1][static_cast<size_t>(at + 1)] += share;
    }
    if (twoBelow)
        error[2][static_cast<size_t>(at)] += share;
}

} // namespace

const char* HalftoneLabel(HalftoneMode mode)
{
    return NamesOf(mode).label;
}

const char* HalftoneOptionName(HalftoneMode mode)
{
    return NamesOf(mode).option;
}

bool ParseHalftoneOption(std::string_view name, HalftoneMode& mode)
{
    for (const ModeNames& names : kNames) {
        if (name == names.option) {
            mode = names.mode;
            return true;
        }
    }
    return false;
}

std::vector<uint8_t> GreyOnPaper(const DecodedImage& image, GreyRule rule)
{
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    std::vector<uint8_t> grey(count);
    const uint8_t* p = image.pixels.data();
    const bool exact = rule == GreyRule::Exact;
    if (image.layout == PixelLayout::GreyAlpha) {
        std::array<uint8_t, 256> greyOf{};
        for (int g = 0; g < 256; ++g)
            greyOf[static_cast<size_t>(g)] = static_cast<uint8_t>(exact ? g : GreyOf24(g, g, g));
        for (size_t i = 0; i < count; ++i, p += 2)
            grey[i] = greyOf[static_cast<size_t>(OnWhite(p[0], p[1]))];
        return grey;
    }
    for (size_t i = 0; i < count; ++i, p += 4) {
        const int a = p[3];
        const auto r = static_cast<unsigned>(a == 255 ? p[0] : OnWhite(p[0], a));
        const auto g = static_cast<unsigned>(a == 255 ? p[1] : OnWhite(p[1], a));
        const auto b = static_cast<unsigned>(a == 255 ? p[2] : OnWhite(p[2], a));
        grey[i] = static_cast<uint8_t>(
            exact ? ExactGrey(static_cast<int>(r), static_cast<int>(g), static_cast<int>(b))
                  : GreyOf24(b, g, r));
    }
    return grey;
}

DotMatrix HalftoneGrey(int32_t width, int32_t height, const std::vector<uint8_t>& grey, HalftoneMode mode,
                       int threshold)
{
    switch (mode) {
    case HalftoneMode::FloydSteinberg:
        return Diffuse<2>(width, height, grey, threshold, FloydSteinbergSpread);
    case HalftoneMode::Atkinson:
        return Diffuse<3>(width, height, grey, threshold, AtkinsonSpread);
    default:
        return Threshold(width, height, grey, threshold);
    }
}

DotMatrix Halftone(const DecodedImage& image, HalftoneMode mode, int threshold)
{
    return HalftoneGrey(image.width, image.height, GreyOnPaper(image, GreyRuleOf(mode)), mode, threshold);
}
