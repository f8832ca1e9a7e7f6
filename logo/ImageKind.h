#pragma once
// What kind of picture a file holds, judged by its first bytes only: users rename
// files, and a ".bmp" that is really a PNG must still be read as the PNG it is.
#include <cstddef>
#include <cstdint>
#include <string>

enum class ImageKind { Unknown, Bmp, Png, Jpeg, Gif };

// Enough leading bytes for SniffImageKind.
inline constexpr size_t kSniffBytes = 8;

ImageKind SniffImageKind(const uint8_t* data, size_t size);
// Unknown also for a file that cannot be opened or read.
ImageKind SniffImageFile(const std::string& path);
const char* ImageKindName(ImageKind kind); // "BMP", "PNG", "JPEG", "GIF"; "" for Unknown
