#pragma once
// The key-coded NV graphics commands (GS ( L and GS 8 L, m = 48) and the host's
// answers in the key-list handshake. Keys are two bytes 32..126 (keyed/NvKey.h); the
// functions taking one expect a valid key.
//
// fn 48 capacity         1D 28 4C 02 00 30 30
// fn 51 free room        1D 28 4C 02 00 30 33
// fn 64 key list         1D 28 4C 04 00 30 40 4B 43
// fn 65 delete all       1D 28 4C 05 00 30 41 43 4C 52
// fn 66 delete one       1D 28 4C 04 00 30 42 kc1 kc2
// fn 67 define (raster)  1D 28 4C pL pH 30 43 30 kc1 kc2 01 xL xH yL yH 31 d1...dk, p = 11 + k;
//                        GS 8 L p1 p2 p3 p4 ... when p > 65,535
// fn 69 print            1D 28 4C 06 00 30 45 kc1 kc2 x y
//
// Thread-safety: plain functions, safe from any thread.
#include <cstdint>
#include <string>
#include <vector>

namespace keyed {

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t ACK = 0x06; // go on (the next block, or done after the last)
inline constexpr uint8_t NAK = 0x15; // send the block again
inline constexpr uint8_t CAN = 0x18; // stop the list
inline constexpr uint8_t XON = 0x11;
inline constexpr uint8_t XOFF = 0x13;

// The largest graphic fn 67 defines.
inline constexpr int kMaxWidthDots = 8192;
inline constexpr int kMaxHeightDots = 2304;
// The most data GS ( L carries; beyond it GS 8 L.
inline constexpr uint64_t kMaxShortLength = 65535;

Bytes RequestCapacity();
Bytes RequestFreeRoom();
Bytes RequestKeyList();
Bytes DeleteAll();
Bytes DeleteKey(const std::string& key);
// The bytes of fn 67 before the data: GS ( L when 11 + data bytes fit 65,535, else
// GS 8 L. dataBytes must be (width + 7) / 8 * height.
Bytes DefineHeader(const std::string& key, int width, int height, size_t dataBytes);
// fn 69 at a print size of FS p (0 normal, 1 double width, 2 double height, 3 quadruple).
Bytes PrintKey(const std::string& key, int printMode);

} // namespace keyed
