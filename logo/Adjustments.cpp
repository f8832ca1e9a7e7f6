#include "logo/Adjustments.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>
#include <sstream>
#include <utility>

namespace {

// "1.4", "0.25", "3": at most two decimals, without trailing zeros.
std::string GammaText(double gamma)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, gamma, std::chars_format::fixed, 2);
    std::string text(buffer, result.ptr);
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text;
}

std::string Signed(int value)
{
    return (value > 0 ? "+" : "") + std::to_string(value);
}

bool ParseInt(const std::string& text, int low, int high, int& value)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && value >= low && value <= high;
}

bool ParseGamma(const std::string& text, double& value)
{
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && value >= 0.2 && value <= 5.0;
}

// One axis of a resize: for each target position, the source positions it takes and
// their weights (summing to 1).
struct Tap {
    int32_t index;
    double weight;
};
std::vector<std::vector<Tap>> AxisTaps(int32_t from, int32_t to)
{
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(to));
    if (to >= from) {
        // Growing (or the same): the nearest source pixel, by the target pixel's centre.
        for (int32_t t = 0; t < to; ++t)
            taps[static_cast<size_t>(t)].push_back(
                {std::min<int32_t>(from - 1, static_cast<int32_t>((t + 0.5) * from / to)), 1.0});
        return taps;
    }
    // Shrinking: every source pixel the target covers, by the part of it covered.
    const double step = static_cast<double>(from) / to;
    for (int32_t t = 0; t < to; ++t) {
        const double begin = t * step, end = (t + 1) * step;
        for (auto s = static_cast<int32_t>(begin); s < from && s < end; ++s) {
            const double covered = std::min<double>(end, s + 1) - std::max<double>(begin, s);
            if (covered > 1e-9)
                taps[static_cast<size_t>(t)].push_back({s, covered / step});
        }
    }
    return taps;
}

} // namespace

const char* AdjustmentValues(const std::string& name)
{
    static const std::pair<const char*, const char*> kWords[] = {
        {"trim", ""},
        {"fit", ""},
        {"invert", ""},
        {"rotate", "0, 90, 180 or 270"},
        {"scale", "a percentage from 10 to 400"},
        {"brightness", "a number from -100 to 100"},
        {"contrast", "a number from -100 to 100"},
        {"gamma", "a number from 0.2 to 5.0"},
    };
    for (const auto& [word, values] : kWords)
        if (name == word)
            return values;
    return nullptr;
}

std::string Adjustments::Summary() const
{
    std::vector<std::string> parts;
    if (trim)
        parts.push_back("trim");
    if (scale == Scale::Fit)
        parts.push_back("fit");
    else if (scale == Scale::Percent)
        parts.push_back(std::to_string(percent) + " %");
    if (rotate != 0)
        parts.push_back(std::to_string(rotate) + "\u00b0");
    if (brightness != 0)
        parts.push_back("bright " + Signed(brightness));
    if (contrast != 0)
        parts.push_back("contrast " + Signed(contrast));
    if (gamma != 1.0)
        parts.push_back("\u03b3" + GammaText(gamma));
    if (invert)
        parts.push_back("invert");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string Adjustments::ToText() const
{
    std::vector<std::string> words;
    if (trim)
        words.push_back("trim");
    if (rotate != 0)
        words.push_back("rotate=" + std::to_string(rotate));
    if (scale == Scale::Fit)
        words.push_back("fit");
    else if (scale == Scale::Percent)
        words.push_back("scale=" + std::to_string(percent));
    if (brightness != 0)
        words.push_back("brightness=" + std::to_string(brightness));
    if (contrast != 0)
        words.push_back("contrast=" + std::to_string(contrast));
    if (gamma != 1.0)
        words.push_back("gamma=" + GammaText(gamma));
    if (invert)
        words.push_back("invert");
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

std::optional<Adjustments> Adjustments::Parse(const std::string& text)
{
    Adjustments adjust;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        const size_t eq = word.find('=');
        const std::string name = word.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
        const bool hasValue = eq != std::string::npos;
        bool ok = true;
        if (name == "trim" && !hasValue)
            adjust.trim = true;
        else if (name == "invert" && !hasValue)
            adjust.invert = true;
        else if (name == "fit" && !hasValue)
            adjust.scale = Scale::Fit;
        else if (name == "rotate" && hasValue)
            ok = ParseInt(value, 0, 270, adjust.rotate) && adjust.rotate % 90 == 0;
        else if (name == "scale" && hasValue) {
            ok = ParseInt(value, kMinScalePercent, kMaxScalePercent, adjust.percent);
            adjust.scale = Scale::Percent;
        } else if (name == "brightness" && hasValue)
            ok = ParseInt(value, -100, 100, adjust.brightness);
        else if (name == "contrast" && hasValue)
            ok = ParseInt(value, -100, 100, adjust.contrast);
        else if (name == "gamma" && hasValue)
            ok = ParseGamma(value, adjust.gamma);
        else
            ok = false;
        if (!ok)
            return std::nullopt;
    }
    return adjust;
}

GreyImage Trim(const GreyImage& image)
{
    int32_t left = image.width, right = -1, top = image.height, bottom = -1;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (image.At(x, y) < kTrimWhiteFrom) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return image; // all white: nothing would be left to print
    GreyImage out{right - left + 1, bottom - top + 1, {}};
    out.grey.reserve(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    for (int32_t y = top; y <= bottom; ++y)
        for (int32_t x = left; x <= right; ++x)
            out.grey.push_back(image.At(x, y));
    return out;
}

GreyImage Rotate(const GreyImage& image, int degrees)
{
    const int turn = ((degrees % 360) + 360) % 360;
    if (turn == 0)
        return image;
    const bool sideways = turn == 90 || turn == 270;
    GreyImage out{sideways ? image.height : image.width, sideways ? image.width : image.height, {}};
    out.grey.resize(image.grey.size());
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x) {
            // The source pixel that lands at (x, y) when turning clockwise.
            int32_t sx = x, sy = y;
            if (turn == 90) {
                sx = y;
                sy = image.height - 1 - x;
            } else if (turn == 180) {
                sx = image.width - 1 - x;
                sy = image.height - 1 - y;
            } else if (turn == 270) {
                sx = image.width - 1 - y;
                sy = x;
            }
            out.grey[static_cast<size_t>(y) * static_cast<size_t>(out.width) + static_cast<size_t>(x)] =
                image.At(sx, sy);
        }
    return out;
}

GreyImage Resize(const GreyImage& image, int32_t newWidth, int32_t newHeight)
{
    if (newWidth == image.width && newHeight == image.height)
        return image;
    const auto columns = AxisTaps(image.width, newWidth);
    const auto rows = AxisTaps(image.height, newHeight);
    // Across first, into a row buffer of doubles, then down.
    std::vector<double> across(static_cast<size_t>(newWidth) * static_cast<size_t>(image.height));
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < newWidth; ++x) {
            double sum = 0;
            for (const Tap& tap : columns[static_cast<size_t>(x)])
                sum += tap.weight * image.At(tap.index, y);
            across[static_cast<size_t>(y) * static_cast<size_t>(newWidth) + static_cast<size_t>(x)] = sum;
        }
    GreyImage out{newWidth, newHeight,
                  std::vector<uint8_t>(static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight))};
    for (int32_t y = 0; y < newHeight; ++y)
        for (int32_t x = 0; x < newWidth; ++x) {
            double sum = 0;
            for (const Tap& tap : rows[static_cast<size_t>(y)])
                sum += tap.weight * across[static_cast<size_t>(tap.index) * static_cast<size_t>(newWidth) +
                                           static_cast<size_t>(x)];
            out.grey[static_cast<size_t>(y) * static_cast<size_t>(newWidth) + static_cast<size_t>(x)] =
                static_cast<uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
        }
    return out;
}

void ScaledSize(const Adjustments& adjust, int32_t width, int32_t height, int32_t maxWidth, int32_t& newWidth,
                int32_t& newHeight)
{
    double factor = 1.0;
    if (adjust.scale == Adjustments::Scale::Fit && width > maxWidth && maxWidth > 0)
        factor = static_cast<double>(maxWidth) / width;
    else if (adjust.scale == Adjustments::Scale::Percent)
        factor = adjust.percent / 100.0;
    if (height * factor > kMaxAdjustedHeight)
        factor = static_cast<double>(kMaxAdjustedHeight) / height;
    if (factor == 1.0) {
        newWidth = width;
        newHeight = height;
        return;
    }
    newWidth = std::max<int32_t>(1, static_cast<int32_t>(std::lround(width * factor)));
    newHeight = std::max<int32_t>(1, static_cast<int32_t>(std::lround(height * factor)));
    // Fit means at most the printable width, whatever the rounding did.
    if (adjust.scale == Adjustments::Scale::Fit && maxWidth > 0)
        newWidth = std::min(newWidth, maxWidth);
    newHeight = std::min(newHeight, kMaxAdjustedHeight);
}

std::vector<uint8_t> ToneCurve(const Adjustments& adjust)
{
    // Contrast turns about mid-grey with a slope from 0 (all grey) through 1 to a
    // vertical step (a hard black and white at 128).
    const double slope =
        adjust.contrast >= 100 ? 1e9 : std::tan((adjust.contrast + 100) / 200.0 * std::numbers::pi / 2);
    std::vector<uint8_t> curve(256);
    for (int v = 0; v < 256; ++v) {
        double g = v + adjust.brightness * 255.0 / 100.0;
        g = std::clamp(g, 0.0, 255.0);
        g = std::clamp((g - 127.5) * slope + 127.5, 0.0, 255.0);
        g = 255.0 * std::pow(g / 255.0, 1.0 / adjust.gamma);
        auto level = static_cast<int>(std::lround(std::clamp(g, 0.0, 255.0)));
        if (adjust.invert)
            level = 255 - level;
        curve[static_cast<size_t>(v)] = static_cast<uint8_t>(level);
    }
    return curve;
}

GreyImage Shape(const GreyImage& image, const Adjustments& adjust, int32_t maxWidth)
{
    GreyImage out = adjust.trim ? Trim(image) : image;
    out = Rotate(out, adjust.rotate);
    int32_t width = 0, height = 0;
    ScaledSize(adjust, out.width, out.height, maxWidth, width, height);
    return Resize(out, width, height);
}

void ApplyTone(GreyImage& image, const Adjustments& adjust)
{
    if (!adjust.ChangesTone() && !adjust.invert)
        return;
    const std::vector<uint8_t> curve = ToneCurve(adjust);
    for (uint8_t& g : image.grey)
        g = curve[g];
}

GreyImage Adjust(const GreyImage& image, const Adjustments& adjust, int32_t maxWidth)
{
    GreyImage out = Shape(image, adjust, maxWidth);
    ApplyTone(out, adjust);
    return out;
}
