#include "ui/PreviewImage.h"

#include <QImage>
#include <QPainter>
#include <iterator>

namespace {

int Scale(int64_t value, int64_t numerator, int64_t denominator)
{
    return static_cast<int>(value * numerator / denominator);
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

QSize PreviewZoomedSize(QSize picture, QSize frame, int quality, int zoomStep)
{
    if (zoomStep < 0 || zoomStep >= static_cast<int>(std::size(kZoomSteps)))
        return {};
    const int zoom = kZoomSteps[zoomStep];
    const QSize base = zoom == 0
                           ? PreviewBaseSize(picture.width(), picture.height(), frame.width(), frame.height())
                           : picture * zoom;
    return PreviewDrawSize(base, quality);
}

void DrawPicture(QPainter& painter, const Picture& picture, QSize size, const QRect& exposed)
{
    const QRect part = exposed & QRect(QPoint(0, 0), size);
    if (part.isEmpty())
        return;
    // Only what is exposed is scaled: a logo at 4:1 is far larger than the screen.
    Picture scaled =
        ScalePicture(picture, size.width(), size.height(), {part.x(), part.y(), part.width(), part.height()});
    const QImage image(reinterpret_cast<const uchar*>(scaled.pixels.data()), scaled.width, scaled.height,
                       scaled.width * static_cast<int>(sizeof(uint32_t)), QImage::Format_RGB32);
    painter.drawImage(part.topLeft(), image);
}
