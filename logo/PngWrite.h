#pragma once
// Writing pictures as PNG files (libspng), for the virtual printer's output and any
// other picture the program saves. The file is replaced atomically: a failed write
// leaves whatever was there before.
#include <cstdint>
#include <span>
#include <string>

enum class PngColour { Grey, Rgb };

struct PngPixels {
    int width = 0;  // >= 1
    int height = 0; // >= 1
    PngColour colour = PngColour::Grey;
    // Rows top to bottom without padding: width bytes per row for grey, width x 3
    // (R, G, B) for RGB, 8 bits per sample.
    std::span<const uint8_t> samples;
};

// False with a message naming path in error when the pixels do not describe an image
// or the file cannot be written.
bool WritePng(const std::string& path, const PngPixels& pixels, std::string& error);
