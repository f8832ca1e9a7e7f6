#pragma once
// One entry for every picture file a logo may come from: the kind is sniffed from the
// first bytes, then the matching reader decodes it. The BMP reader's raw pixels stay
// available through LoadBmp for the printer's historic rules; this gives colours.
#include <cstdint>
#include <string>
#include <vector>

#include "logo/BmpFile.h"
#include "logo/DecodedImage.h"
#include "logo/ImageKind.h"

// The message for a file of no supported kind.
inline constexpr const char* kNotAnImageReason = "not a BMP, PNG, JPEG or GIF file";

struct ImageInfo {
    ImageKind kind = ImageKind::Unknown;
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = 0; // BMP only; 0 for the other kinds
};

// Reads only as much as it takes to know the kind and the size.
bool ReadImageInfo(const std::string& path, ImageInfo& info, std::string& why);

// ReadImageInfo, and for a PNG, JPEG or GIF file whose NV size fits the NV area also
// a full decode: only that tells whether its pixels load (a BMP's rows are checked by
// the file's length). What the logo list asks of a file before it lists it.
bool CheckImageFile(const std::string& path, ImageInfo& info, std::string& why);

// Reads and decodes a file of any supported kind into colours.
bool LoadImageFile(const std::string& path, DecodedImage& image, std::string& why,
                   int64_t maxNvBytes = kNvAreaBytes);
bool DecodeImageBytes(const uint8_t* data, size_t size, DecodedImage& image, std::string& why,
                      int64_t maxNvBytes = kNvAreaBytes);

// The colours of a decoded BMP: palette entries for indexed pixels (black past the
// table's end), the header's bit fields for 16 and 32 bits, alpha only where the
// header declares an alpha mask.
bool BmpColours(const BmpImage& bmp, DecodedImage& image, std::string& why,
                int64_t maxNvBytes = kNvAreaBytes);

// Files bigger than this are not read: no picture the NV area can hold needs more.
inline constexpr size_t kMaxImageFileBytes = size_t{80} << 20;
