#pragma once
// The dots the printer prints for a logo file, made by the download's own conversion so
// that what is shown before a download is what the printer gets: the raster of
// PrepareNvImage turned back into dots, centring columns and rounding margins included.
#include <cstdint>
#include <string>

#include "download/NvImage.h"
#include "download/StreamDecoder.h"

// The stored image's dots (FS q's raster, unscaled). False with the reason in why when
// the file does not read as a picture or its raster exceeds one NV image.
bool ConvertToDots(const std::string& path, const NvConversion& conversion, DotImage& dots, std::string& why);
// The dots of a raster image already built (m_nLength 0 when building it failed).
// False with the reason in why when the raster is missing or exceeds one NV image.
bool RasterDots(const CNvImage& image, DotImage& dots, std::string& why);
