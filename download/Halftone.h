#pragma once
// How the colours of a picture become the printer's dots. Classic is what the printer
// has always got: for BMP files the historic per-format rules (CNvImage), for every
// other file the same as Colour, since they have no historic rule. The other modes work
// on the grey of each pixel put on white paper, over the picture's real width and
// height; the rounding margins of the raster stay white.
#include <cstdint>
#include <string_view>
#include <vector>

#include "logo/DecodedImage.h"

enum class HalftoneMode { Classic = 0, Colour = 1, FloydSteinberg = 2, Atkinson = 3 };

inline constexpr HalftoneMode kHalftoneModes[] = {HalftoneMode::Classic, HalftoneMode::Colour,
                                                  HalftoneMode::FloydSteinberg, HalftoneMode::Atkinson};

// "Classic", "Colour", "Floyd-Steinberg", "Atkinson": the names the window shows.
const char* HalftoneLabel(HalftoneMode mode);
// "classic", "colour", "floyd-steinberg", "atkinson": the command line's names.
const char* HalftoneOptionName(HalftoneMode mode);
bool ParseHalftoneOption(std::string_view name, HalftoneMode& mode);

// One byte per dot, rows top to bottom: 1 = the printer prints a dot.
struct DotMatrix {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> dots;

    uint8_t At(int32_t x, int32_t y) const
    {
        return dots[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// A colour channel c of opacity a put on white paper.
inline int OnWhite(int c, int a)
{
    return (c * a + 255 * (255 - a) + 127) / 255;
}

// How the grey of a colour is taken: Classic keeps the single-precision rule of the
// historic 24-bit conversion (so its dots stay what they always were); the other modes
// take the exact grey (ExactGrey in logo/Adjustments.h: the grey of (v, v, v) is v).
enum class GreyRule { Historic, Exact };
inline GreyRule GreyRuleOf(HalftoneMode mode)
{
    return mode == HalftoneMode::Classic ? GreyRule::Historic : GreyRule::Exact;
}

// The grey (0..255) of every pixel on white paper, rows top to bottom.
std::vector<uint8_t> GreyOnPaper(const DecodedImage& image, GreyRule rule = GreyRule::Historic);

// The dots of a grey picture (width * height values, rows top to bottom).
DotMatrix HalftoneGrey(int32_t width, int32_t height, const std::vector<uint8_t>& grey, HalftoneMode mode,
                       int threshold);
// The dots of a picture: its grey by the mode's rule, then the mode (Classic and
// Colour: a dot where the grey is below the threshold).
DotMatrix Halftone(const DecodedImage& image, HalftoneMode mode, int threshold);
