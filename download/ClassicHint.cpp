#include "download/ClassicHint.h"

#include <bit>
#include <memory>
#include <new>

#include "download/NvImage.h"
#include "logo/ImageKind.h"
#include "platform/Text.h"

namespace {

bool Grey(uint32_t rgb)
{
    const uint32_t red = rgb >> 16 & 0xFF, green = rgb >> 8 & 0xFF, blue = rgb & 0xFF;
    return red == green && green == blue;
}

bool AnyTransparent(const BmpImage& bmp)
{
    if (bmp.alphaMask == 0)
        return false;
    for (int32_t y = 0; y < bmp.height; ++y)
        for (int32_t x = 0; x < bmp.width; ++x)
            if (bmp.AlphaAt(x, y) < 255)
                return true;
    return false;
}

} // namespace

ClassicVerdict JudgeClassicBmp(const std::string& path, int threshold)
{
    if (SniffImageFile(path) != ImageKind::Bmp)
        return {};
    try {
        // As large as any listed logo can be, so that every one is judged.
        auto image = std::make_unique<CNvImage>(kMaxAdjustedRasterBytes);
        if (!image->LoadFile(path) || !image->m_hBitmap)
            return {};
        const BmpImage& bmp = *image->m_hBitmap;
        for (const uint32_t colour : bmp.palette)
            if (!Grey(colour))
                return {ClassicTrouble::ColourPalette, 0};
        if (AnyTransparent(bmp))
            return {ClassicTrouble::Transparent, 0};
        NvConversion classic;
        classic.threshold = threshold;
        image->BuildRaster(classic);
        if (image->m_nLength <= 0)
            return {};
        long long black = 0;
        for (int i = 0; i < image->m_nLength; ++i)
            black += std::popcount(image->m_raster[i]);
        const long long pixels = static_cast<long long>(bmp.width) * bmp.height;
        const auto percent = static_cast<int>(black * 100 / pixels);
        if (percent > kMostlyBlackPercent)
            return {ClassicTrouble::MostlyBlack, percent};
        return {ClassicTrouble::None, percent};
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::string ClassicHintText(const std::string& name, const ClassicVerdict& verdict)
{
    const char* const advice =
        "Choose Colour or a dither under Halftone on the Setup page to print it as it looks.";
    switch (verdict.trouble) {
    case ClassicTrouble::None:
        return "";
    case ClassicTrouble::ColourPalette:
        return name + " has a colour palette, which Classic prints by palette position, not by colour. " +
               advice;
    case ClassicTrouble::Transparent:
        return name + " has transparent pixels, which Classic prints by the colour hidden under them. " +
               advice;
    case ClassicTrouble::MostlyBlack:
        return Format("%s would print %d %% black under Classic. ", name.c_str(), verdict.blackPercent) +
               advice;
    }
    return "";
}
