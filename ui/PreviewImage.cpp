#include "ui/PreviewImage.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <new>
#include <vector>

#include "download/Halftone.h"
#include "logo/BmpFile.h"
#include "logo/ImageFile.h"

namespace {

int Scale(int64_t value, int64_t numerator, int64_t denominator)
{
    return static_cast<int>(value * numerator / denominator);
}

using Palette256 = std::array<uint32_t, 256>;

// One picture row (counted from the top) as 0x00RRGGBB values.
void ConvertRow(const BmpImage& bmp, const Palette256& palette, int32_t topDownY, uint32_t* out)
{
    const uint8_t* row = bmp.Row(bmp.height - 1 - topDownY);
    const int32_t width = bmp.width;
    switch (bmp.bitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8: {
        const int bits = bmp.bitsPerPixel;
        const int perByte = 8 / bits;
        const unsigned mask = (1u << bits) - 1;
        for (int32_t x = 0; x < width; ++x) {
            const int shift = (perByte - 1 - x % perByte) * bits;
            out[x] = palette[(row[x / perByte] >> shift) & mask];
        }
        return;
    }
    case 24:
        for (int32_t x = 0; x < width; ++x, row += 3)
            out[x] = (static_cast<uint32_t>(row[2]) << 16) | (static_cast<uint32_t>(row[1]) << 8) | row[0];
        return;
    case 32:
        if (bmp.redMask == 0xFF0000 && bmp.greenMask == 0xFF00 && bmp.blueMask == 0xFF) {
            for (int32_t x = 0; x < width; ++x, row += 4)
                out[x] =
                    (static_cast<uint32_t>(row[2]) << 16) | (static_cast<uint32_t>(row[1]) << 8) | row[0];
            return;
        }
        break;
    default:
        break;
    }
    for (int32_t x = 0; x < width; ++x)
        out[x] = bmp.RgbAt(x, topDownY);
}

} // namespace

QSize PreviewBaseSize(int width, int height, int frameWidth, int frameHeight)
{
    if (width <= 0 || height <= 0)
        return {};
    if (width == height)
        return {frameHeight / 2, frameHeight / 2};
    if (width > height) {
        int w = frameWidth / 2;
        int h = Scale(height, w, width);
        if (2 * h > frameHeight) {
            h = frameHeight / 2;
            w = Scale(h, width, height);
        }
        return {w, h};
    }
    const int h = frameHeight / 2;
    return {Scale(h, width, height), h};
}

QSize PreviewDrawSize(QSize base, int quality)
{
    switch (quality) {
    case kQualityNormal:
        return base;
    case kQualityQuadruple:
        return base * 2;
    case kQualityDoubleHeight:
        return {base.width(), base.height() * 2};
    case kQualityDoubleWidth:
        return {base.width() * 2, base.height()};
    default:
        return {};
    }
}

QImage StretchRows(int32_t sw, int32_t sh, QSize size, const std::function<void(int32_t, uint32_t*)>& rowOf)
{
    const int dw = size.width(), dh = size.height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0)
        return {};
    QImage out(dw, dh, QImage::Format_RGB32);
    if (out.isNull())
        return {};
    std::vector<uint32_t> row;
    std::vector<int> x0, x1;
    try {
        row.resize(static_cast<size_t>(sw));
        x0.resize(static_cast<size_t>(dw));
        x1.resize(static_cast<size_t>(dw));
    } catch (const std::bad_alloc&) {
        return {};
    }
    // Destination column dx takes the source columns [x0, x1): at least one.
    for (int dx = 0; dx < dw; ++dx) {
        x0[static_cast<size_t>(dx)] = Scale(dx, sw, dw);
        x1[static_cast<size_t>(dx)] = std::max(x0[static_cast<size_t>(dx)] + 1, Scale(dx + 1, sw, dw));
    }
    int lastY0 = -1, lastY1 = -1;
    for (int dy = 0; dy < dh; ++dy) {
        const int y0 = Scale(dy, sh, dh);
        const int y1 = std::max(y0 + 1, Scale(dy + 1, sh, dh));
        auto* line = reinterpret_cast<uint32_t*>(out.scanLine(dy));
        if (y0 == lastY0 && y1 == lastY1) {
            std::memcpy(line, out.constScanLine(dy - 1), static_cast<size_t>(dw) * sizeof(uint32_t));
            continue;
        }
        std::fill(line, line + dw, 0x00FFFFFFu);
        for (int sy = y0; sy < y1; ++sy) {
            rowOf(sy, row.data());
            for (int dx = 0; dx < dw; ++dx) {
                uint32_t pixel = line[dx];
                for (int sx = x0[static_cast<size_t>(dx)]; sx < x1[static_cast<size_t>(dx)]; ++sx)
                    pixel &= row[static_cast<size_t>(sx)];
                line[dx] = pixel;
            }
        }
        for (int dx = 0; dx < dw; ++dx)
            line[dx] |= 0xFF000000u;
        lastY0 = y0;
        lastY1 = y1;
    }
    return out;
}

QImage StretchBmp(const BmpImage& bmp, QSize size)
{
    Palette256 palette{};
    std::copy_n(bmp.palette.begin(), std::min<size_t>(bmp.palette.size(), palette.size()), palette.begin());
    return StretchRows(bmp.width, bmp.height, size,
                       [&](int32_t y, uint32_t* out) { ConvertRow(bmp, palette, y, out); });
}

QImage StretchColours(const DecodedImage& image, QSize size)
{
    return StretchRows(image.width, image.height, size, [&](int32_t y, uint32_t* out) {
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            uint32_t r, g, b;
            if (image.layout == PixelLayout::GreyAlpha) {
                r = g = b = static_cast<uint32_t>(OnWhite(p[0], p[1]));
            } else {
                r = static_cast<uint32_t>(OnWhite(p[0], p[3]));
                g = static_cast<uint32_t>(OnWhite(p[1], p[3]));
                b = static_cast<uint32_t>(OnWhite(p[2], p[3]));
            }
            out[x] = (r << 16) | (g << 8) | b;
        }
    });
}

QImage StretchDots(const DotImage& dots, QSize size)
{
    return StretchRows(dots.width, dots.height, size, [&](int32_t y, uint32_t* out) {
        const uint8_t* in = dots.dots.data() + static_cast<size_t>(y) * static_cast<size_t>(dots.width);
        for (int x = 0; x < dots.width; ++x)
            out[x] = in[x] ? 0u : 0x00FFFFFFu;
    });
}

int PrintModeOfQuality(int quality)
{
    switch (quality) {
    case kQualityQuadruple:
        return 3;
    case kQualityDoubleHeight:
        return 2;
    case kQualityDoubleWidth:
        return 1;
    default:
        return 0;
    }
}

PreviewResult DrawDotsPreview(QPainter& painter, const DotImage& dots, QSize frameSize, int quality)
{
    const QSize size = PreviewDrawSize(
        PreviewBaseSize(dots.width, dots.height, frameSize.width(), frameSize.height()), quality);
    if (size.isEmpty())
        return PreviewResult::NothingToDraw;
    const QImage image = StretchDots(dots, size);
    if (image.isNull())
        return PreviewResult::OutOfMemory;
    painter.drawImage(QPoint(0, 0), image);
    return PreviewResult::Drawn;
}

namespace {

// A PNG, JPEG or GIF file in its own colours, put on white paper.
PreviewResult DrawColourPreview(QPainter& painter, const std::string& path, QSize frameSize, int quality)
{
    DecodedImage image;
    std::string why;
    if (!LoadImageFile(path, image, why))
        return PreviewResult::Unreadable;
    const QSize size = PreviewDrawSize(
        PreviewBaseSize(image.width, image.height, frameSize.width(), frameSize.height()), quality);
    if (size.isEmpty())
        return PreviewResult::NothingToDraw;
    const QImage drawn = StretchColours(image, size);
    if (drawn.isNull())
        return PreviewResult::OutOfMemory;
    painter.drawImage(QPoint(0, 0), drawn);
    return PreviewResult::Drawn;
}

} // namespace

PreviewResult DrawBmpPreview(QPainter& painter, const std::string& path, BmpImage& bitmap, QSize frameSize,
                             int quality)
{
    PreviewResult result = PreviewResult::NothingToDraw;
    try {
        bitmap = BmpImage();
        const ImageKind kind = SniffImageFile(path);
        if (kind == ImageKind::Png || kind == ImageKind::Jpeg || kind == ImageKind::Gif)
            return DrawColourPreview(painter, path, frameSize, quality);
        if (!LoadBmp(path, bitmap))
            return PreviewResult::Unreadable;
        const QSize size = PreviewDrawSize(
            PreviewBaseSize(bitmap.width, bitmap.height, frameSize.width(), frameSize.height()), quality);
        if (!size.isEmpty()) {
            const QImage image = StretchBmp(bitmap, size);
            if (image.isNull()) {
                result = PreviewResult::OutOfMemory;
            } else {
                painter.drawImage(QPoint(0, 0), image);
                result = PreviewResult::Drawn;
            }
        }
    } catch (const std::bad_alloc&) {
        result = PreviewResult::OutOfMemory;
    }
    bitmap = BmpImage();
    return result;
}
