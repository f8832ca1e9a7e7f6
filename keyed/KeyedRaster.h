#pragma once
// A logo made ready for GS ( L fn 67: converted exactly as the download converts it
// (threshold, halftone, printable width, centring: CNvImage), so that the printer
// stores the dots of the printed-dots preview, then packed row by row. A key-coded
// graphic may be up to 8192 dots wide and 2304 high, beyond what one FS q image holds.
//
// Thread-safety: plain functions, safe from any thread (each conversion has its own
// converter).
#include <cstdint>
#include <string>
#include <vector>

#include "download/NvImage.h"
#include "download/StreamDecoder.h"

// Raster bytes a key-coded graphic may take: 8192 dots across, 2304 down.
inline constexpr int kKeyedRasterCapacity = 8192 / 8 * 2304;

struct KeyedRaster {
    int width = 0;             // dots, a multiple of 8
    int height = 0;            // dots, a multiple of 8
    std::vector<uint8_t> rows; // rows top to bottom, width / 8 bytes each, bit 7 leftmost
    std::string sha256;        // of rows, in lower-case hexadecimal

    DotImage Dots() const;
};

// False with the reason in why when the file does not read as a picture or its raster
// exceeds a key-coded graphic.
bool ConvertForKey(const std::string& path, const NvConversion& conversion, KeyedRaster& raster,
                   std::string& why);

// SHA-256 of bytes in lower-case hexadecimal.
std::string Sha256Hex(const std::vector<uint8_t>& bytes);
