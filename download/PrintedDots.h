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
