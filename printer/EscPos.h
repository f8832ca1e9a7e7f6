#pragma once
// The ESC/POS commands the program sends. Every byte string that goes to a printer is
// built from these; no other file spells command bytes out.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace escpos {

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t ESC = 0x1B;
inline constexpr uint8_t FS = 0x1C;
inline constexpr uint8_t GS = 0x1D;
inline constexpr uint8_t HT = 0x09;
inline constexpr uint8_t DLE = 0x10;
inline constexpr uint8_t EOT = 0x04;
inline constexpr uint8_t LF = 0x0A; // ends a text line: the printer prints it and feeds
inline constexpr uint8_t CR = 0x0D;

// The byte after FS that tells FS q from FS p, for readers of a stream.
inline constexpr uint8_t kDefineNvImagesCode = 'q';
inline constexpr uint8_t kPrintNvImageCode = 'p';

// GS I 1: transmit printer ID (model); the printer answers one byte.
inline constexpr std::array<uint8_t, 3> kTransmitPrinterId = {GS, 'I', 0x01};
// ESC @: initialise the printer.
inline constexpr std::array<uint8_t, 2> kInitialize = {ESC, '@'};
// FS q n: define n NV bit images (erases the whole NV graphics memory first).
inline std::array<uint8_t, 3> DefineNvImages(uint8_t count)
{
    return {FS, 'q', count};
}
// The 4-byte header of one image record of FS q: x and y in 8-dot units.
inline std::array<uint8_t, 4> NvImageHeader(int widthDots, int heightDots)
{
    const int x = widthDots / 8, y = heightDots / 8;
    return {static_cast<uint8_t>(x % 256), static_cast<uint8_t>(x / 256), static_cast<uint8_t>(y % 256),
            static_cast<uint8_t>(y / 256)};
}
// An image record of size 0: fills definitions still owed to FS q.
inline constexpr std::array<uint8_t, 4> kEmptyNvImage = {0, 0, 0, 0};
// FS q 1 with one empty record: leaves the printer without stored images.
inline constexpr std::array<uint8_t, 7> kDeleteAllNvImages = {FS, 'q', 0x01, 0, 0, 0, 0};
// FS p n m: print NV image n (1..255) in mode m (0 normal, 1 double width, 2 double
// height, 3 quadruple).
inline std::array<uint8_t, 4> PrintNvImage(uint8_t number, uint8_t mode)
{
    return {FS, 'p', number, mode};
}

// Print modes of FS p.
enum PrintMode : uint8_t { kNormal = 0, kDoubleWidth = 1, kDoubleHeight = 2, kQuadruple = 3 };

// DLE EOT n: transmit real-time status n (1 printer, 2 off-line cause, 3 error cause,
// 4 roll paper sensor); the printer answers one byte even while its buffer is full.
inline std::array<uint8_t, 3> RealTimeStatus(uint8_t n)
{
    return {DLE, EOT, n};
}

} // namespace escpos
