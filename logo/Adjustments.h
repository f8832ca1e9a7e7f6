#pragma once
// What the user may do to a logo before it becomes dots: trim its white borders, turn
// it, scale it to the paper, change its tone, invert it. Each logo keeps its own
// adjustments; all are off until chosen, and a logo without any is converted exactly
// as before. They work on the grey of the picture on white paper, in this order:
// trim, rotate, scale, tone (brightness, contrast, gamma), invert.
//
// Values are plain data and the functions pure; safe to use from any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Adjustments {
    enum class Scale { None, Fit, Percent };

    bool trim = false;
    int rotate = 0; // clockwise: 0, 90, 180 or 270
    Scale scale = Scale::None;
    int percent = 100;  // with Scale::Percent: 10..400
    int brightness = 0; // -100..100
    int contrast = 0;   // -100..100
    double gamma = 1.0; // 0.2..5.0; above 1 lightens
    bool invert = false;

    bool operator==(const Adjustments&) const = default;
    // True when any adjustment is chosen.
    bool Any() const { return *this != Adjustments{}; }
    bool ChangesTone() const { return brightness != 0 || contrast != 0 || gamma != 1.0; }

    // The short text the logo list shows: "fit, 90°, γ1.4"; "" without adjustments.
    std::string Summary() const;
    // The text kept in the profile beside the logo's file ("trim rotate=90 fit
    // gamma=1.4"); "" without adjustments. Parse reads it back; nullopt for a text
    // it does not know, or a value out of range.
    std::string ToText() const;
    static std::optional<Adjustments> Parse(const std::string& text);
};

// What the value of the word name of Adjustments' text takes, as a user reads it ("0,
// 90, 180 or 270" for rotate); "" for a word without a value (trim, fit, invert);
// nullptr for a name that is no adjustment.
const char* AdjustmentValues(const std::string& name);

// The limits of an adjusted logo: the tallest image key-coded memory takes.
inline constexpr int kMaxAdjustedHeight = 2304;
inline constexpr int kMinScalePercent = 10;
inline constexpr int kMaxScalePercent = 400;

// A grey picture, one byte a pixel (0 black .. 255 white), rows top to bottom.
struct GreyImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> grey;

    uint8_t At(int32_t x, int32_t y) const
    {
        return grey[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// A pixel counts as white paper for the trim from this grey on.
inline constexpr int kTrimWhiteFrom = 250;

// The single steps; Adjust runs them in order.
GreyImage Trim(const GreyImage& image);
GreyImage Rotate(const GreyImage& image, int degrees);
// To newWidth x newHeight: each target pixel the area average of the source pixels it
// covers (in plain 8-bit grey values) when shrinking, the nearest source pixel when
// growing, so that pixel art stays sharp.
GreyImage Resize(const GreyImage& image, int32_t newWidth, int32_t newHeight);
// The size a logo scales to: fit shrinks a picture wider than maxWidth to it (never
// grows it), a percentage scales both sides; either keeps the aspect ratio, and the
// height is then held to kMaxAdjustedHeight.
void ScaledSize(const Adjustments& adjust, int32_t width, int32_t height, int32_t maxWidth, int32_t& newWidth,
                int32_t& newHeight);
// The grey each of the 256 levels becomes under brightness, contrast, gamma and invert.
std::vector<uint8_t> ToneCurve(const Adjustments& adjust);

// The steps that shape the picture: trim, rotate, scale (maxWidth is the printable
// width the fit scales to).
GreyImage Shape(const GreyImage& image, const Adjustments& adjust, int32_t maxWidth);
// The steps of its tone, in place: brightness, contrast, gamma, invert.
void ApplyTone(GreyImage& image, const Adjustments& adjust);
// Every step in order: Shape, then ApplyTone.
GreyImage Adjust(const GreyImage& image, const Adjustments& adjust, int32_t maxWidth);

// The exact grey of a colour: (77 r + 150 g + 29 b + 128) / 256, weights that add up
// to 256, so that the grey of (v, v, v) is v.
inline int ExactGrey(int red, int green, int blue)
{
    return (77 * red + 150 * green + 29 * blue + 128) >> 8;
}
