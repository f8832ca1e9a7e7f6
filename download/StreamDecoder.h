#pragma once
// Reads a byte stream the way the printer does, for the commands this program sends:
// GS I 1, ESC @, FS q (with its image records), FS p, text lines, and the NUL bytes a
// cancelled download leaves after the last owed definition. The virtual printer of
// nivora-cli and the tests use it to turn what reached the "printer" back into dots.
//
// Decoding stops at the first byte that does not fit; everything before it stays
// decoded and the error names the offset. No input makes it read out of bounds or
// allocate more than the input's size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A monochrome picture, dots row by row from the top left; 1 = printed.
struct DotImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> dots;

    uint8_t Dot(int x, int y) const
    {
        return dots[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    bool operator==(const DotImage&) const = default;
};

// One image record of FS q, as sent.
struct NvDefinition {
    int number = 0;              // its NV number: the position within its FS q, from 1
    size_t offset = 0;           // offset of the record's 4-byte header
    int xUnits = 0;              // 8-dot units across
    int yUnits = 0;              // 8-dot units down (bytes per column)
    std::vector<uint8_t> raster; // columns from the left, each top to bottom, bit 7 on top

    int WidthDots() const { return xUnits * 8; }
    int HeightDots() const { return yUnits * 8; }
    DotImage Dots() const;
};

enum class StreamEventKind {
    PrinterIdRequest, // GS I 1
    Initialize,       // ESC @
    DefineNvImages,   // FS q n: value = n
    NvImageRecord,    // value = index into DecodedStream::definitions
    PrintNvImage,     // FS p n m: value = n, mode = m, definition = what gets printed
    TextLine,         // text = the line without its line feed; lineEnded false at the end
    IgnoredBytes,     // value = number of NUL bytes skipped
};

struct StreamEvent {
    StreamEventKind kind = StreamEventKind::TextLine;
    size_t offset = 0;
    int value = 0;
    int mode = 0;
    int definition = -1; // FS p: index into definitions, -1 when no such image is stored
    std::string text;
    bool lineEnded = true;
};

struct DecodedStream {
    std::vector<StreamEvent> events;
    std::vector<NvDefinition> definitions; // every image record, in stream order
    // The printer's NV memory at the end: entry i is the definition index of NV image
    // i + 1. Each FS q replaces the whole memory.
    std::vector<int> stored;
    bool complete = true; // false: decoding stopped at errorOffset
    size_t errorOffset = 0;
    std::string error;
};

DecodedStream DecodeStream(const uint8_t* data, size_t size);
inline DecodedStream DecodeStream(const std::vector<uint8_t>& bytes)
{
    return DecodeStream(bytes.data(), bytes.size());
}

// The picture FS p prints in mode m: 0 as stored, 1 double width, 2 double height,
// 3 both (48..51 mean the same as 0..3).
DotImage ScaleForPrint(const DotImage& image, int mode);
