#pragma once
// The preview of a logo: the size it is drawn at for each Quality button, and its
// pixels stretched to that size in the file's own colours (no black/white threshold).
#include <QImage>
#include <QSize>
#include <string>

#include "download/StreamDecoder.h"
#include "logo/DecodedImage.h"

class BmpImage;
class QPainter;

// The base size of a width x height picture in a frame: the picture fitted into half
// the frame, so that the doubled sizes still fit it. Whole-number divisions, truncated
// as the printer tool always did: a square uses half the frame height for both sides.
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

// The picture stretched to size. Enlarging repeats pixels; shrinking combines the
// pixels that fall on one with AND, the way a stretched copy keeps dark lines on a
// light ground (a thin black stroke survives a reduction). A null image for an empty
// size or when memory runs out.
QImage StretchBmp(const BmpImage& bmp, QSize size);
// The same for a decoded PNG, JPEG or GIF picture, its colours put on white paper, and
// for printer dots, black on white.
QImage StretchColours(const DecodedImage& image, QSize size);
QImage StretchDots(const DotImage& dots, QSize size);

// The FS p print mode that prints at a Quality button's size.
int PrintModeOfQuality(int quality);

enum class PreviewResult { Drawn, Unreadable, NothingToDraw, OutOfMemory };
// Reads the file into bitmap (released again before returning) and draws it with its
// top-left corner at the painter's origin, at the size the quality gives for a frame
// of frameSize. A PNG, JPEG or GIF file is drawn in its colours on white.
PreviewResult DrawBmpPreview(QPainter& painter, const std::string& path, BmpImage& bitmap, QSize frameSize,
                             int quality);

// The printer's dots (the stored image, unscaled) drawn like a picture: fitted into the
// frame and doubled by the quality, so that double width doubles the dots across.
PreviewResult DrawDotsPreview(QPainter& painter, const DotImage& dots, QSize frameSize, int quality);
