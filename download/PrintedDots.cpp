#include "download/PrintedDots.h"

#include <new>

#include "download/NvDownload.h"

bool ConvertToDots(const std::string& path, const NvConversion& conversion, DotImage& dots, std::string& why)
{
    try {
        auto image = std::make_unique<CNvImage>();
        if (!image->LoadFile(path, &why))
            return false;
        image->BuildRaster(conversion);
        return RasterDots(*image, dots, why);
    } catch (const std::bad_alloc&) {
        why = "out of memory";
        return false;
    }
}

bool RasterDots(const CNvImage& image, DotImage& dots, std::string& why)
{
    if (image.m_nLength == 0 || !NvDefinable(image.m_nWidth, image.m_nHeight)) {
        why = "too large for one NV bit image";
        return false;
    }
    NvDefinition definition;
    definition.xUnits = image.m_nWidth / 8;
    definition.yUnits = image.m_nHeight / 8;
    definition.raster.assign(image.m_raster, image.m_raster + image.m_nLength);
    dots = definition.Dots();
    return true;
}
