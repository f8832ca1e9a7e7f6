#include "download/AdjustedDots.h"

#include <new>

#include "download/NvDownload.h"
#include "download/PrintedDots.h"

AdjustedDots::AdjustedDots() : m_image(std::make_unique<CNvImage>())
{
}

AdjustedDots::~AdjustedDots() = default;

bool AdjustedDots::Load(const std::string& path, std::string& why)
{
    m_havePicture = m_haveShape = false;
    m_picture = m_shaped = GreyImage{};
    m_path = path;
    m_loaded = m_image->LoadFile(path, &why);
    return m_loaded;
}

AdjustedDots::PictureKey AdjustedDots::PictureKeyOf(const NvConversion& conversion) const
{
    // Only a Classic BMP's grey depends on the threshold: it holds its dots.
    const bool classicDots = m_image->m_hBitmap && conversion.halftone == HalftoneMode::Classic;
    if (classicDots)
        return {HalftoneMode::Classic, conversion.threshold};
    return {conversion.halftone == HalftoneMode::Classic ? HalftoneMode::Classic : HalftoneMode::Colour, 0};
}

bool AdjustedDots::MakeRaster(const NvConversion& conversion)
{
    if (!conversion.adjust.Any()) {
        // Without adjustments the download converts the file by its own rules. A failed
        // conversion empties the image: read it again for the next request.
        CNvImage& image = *m_image;
        image.BuildRaster(conversion);
        if (image.m_nLength > 0)
            return true;
        std::string why;
        m_loaded = image.LoadFile(m_path, &why);
        return false;
    }
    const PictureKey pictureKey = PictureKeyOf(conversion);
    if (!m_havePicture || !(m_pictureKey == pictureKey)) {
        m_haveShape = false;
        m_picture = m_image->PictureGrey(conversion.halftone, conversion.threshold);
        m_pictureKey = pictureKey;
        m_havePicture = true;
    }
    const Adjustments& adjust = conversion.adjust;
    const ShapeKey shapeKey{adjust.trim, adjust.rotate, adjust.scale, adjust.percent,
                            conversion.maxPrintWidth};
    if (!m_haveShape || !(m_shapeKey == shapeKey)) {
        m_shaped = Shape(m_picture, adjust, conversion.maxPrintWidth);
        m_shapeKey = shapeKey;
        m_haveShape = true;
    }
    GreyImage toned = m_shaped;
    ApplyTone(toned, adjust);
    return m_image->BuildFromGrey(toned, conversion);
}

bool AdjustedDots::Make(const NvConversion& conversion, DotImage& dots, std::string& why)
{
    if (!m_loaded) {
        why = "no picture loaded";
        return false;
    }
    try {
        if (!MakeRaster(conversion)) {
            why = "too large for one NV bit image";
            return false;
        }
        return RasterDots(*m_image, dots, why);
    } catch (const std::bad_alloc&) {
        why = "out of memory";
        return false;
    }
}
