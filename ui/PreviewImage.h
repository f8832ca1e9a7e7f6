#pragma once
// The preview of a logo: the size it is drawn at for each Quality button and zoom step,
// and its kept picture drawn at that size. The sizes are plain functions (any thread);
// DrawPicture paints, on the thread that owns the painter's device.
#include <QRect>
#include <QSize>

#include "download/PictureScale.h"

class QPainter;

// The base size of a width x height picture in a frame: the picture fitted into half
// the frame, so that the doubled sizes still fit it. Whole-number divisions, truncated:
// a square uses half the frame height for both sides.
QSize PreviewBaseSize(int width, int height, int frameWidth, int frameHeight);

// The Quality buttons of the Preview page, in the page's own order.
enum PreviewQuality {
    kQualityNormal = 0,
    kQualityQuadruple = 1,
    kQualityDoubleHeight = 2,
    kQualityDoubleWidth = 3
};
// The size drawn for a Quality value; an empty size for any value outside 0..3.
QSize PreviewDrawSize(QSize base, int quality);

// The zoom steps, in the order the page offers them: the picture fitted into the
// frame, then 1, 2 and 4 screen pixels per picture pixel (per printed dot) at Normal.
inline constexpr int kZoomSteps[] = {0, 1, 2, 4};
// The size a picture is drawn at in a frame for a Quality value and a zoom step
// (an index into kZoomSteps); empty for a Quality or a step out of range.
QSize PreviewZoomedSize(QSize picture, QSize frame, int quality, int zoomStep);

// Draws the part exposed of picture scaled to size, the picture's top-left corner at
// the painter's origin. Throws std::bad_alloc when memory runs out.
void DrawPicture(QPainter& painter, const Picture& picture, QSize size, const QRect& exposed);
