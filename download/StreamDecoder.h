#pragma once
// Reads a byte stream the way the printer does, for the commands this program sends:
// GS I 1, ESC @, DLE EOT n, FS q (with its image records), FS p, the key-coded NV
// graphics functions of GS ( L and GS 8 L (m = 48: fn 48, 51, 64 to 67, 69), the
// host's ACK / NAK / CAN of a key-list handshake, text lines, and the NUL bytes a
// cancelled download leaves after the last owed definition. nivora-cli render, the
// virtual printer and the tests use it to turn what reached the "printer" back into
// dots.
//
// StreamDecoder takes the bytes as they come, in pieces of any size, and hands every
// command to its handler as soon as its last byte is in. It keeps only the command it
// is in the middle of: memory grows with the image data being received, never with the
// number of commands, and image data beyond a set limit is counted, not kept. A GS ( L
// command this program does not know is skipped by its length, as printers do.
//
// A byte that fits no command either ends the decoding (the error names its offset;
// everything before it stays decoded) or, for a printer that must go on, is reported
// and skipped. No input makes the decoder read out of bounds.
//
// Thread-safety: a StreamDecoder belongs to one thread at a time.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
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

// One key-coded NV graphic as defined by GS ( L / GS 8 L fn 67 (raster format).
struct KeyedGraphic {
    std::string key;             // two bytes 32..126
    size_t offset = 0;           // offset of the defining command
    int width = 0;               // dots, 1..8192
    int height = 0;              // dots, 1..2304
    std::vector<uint8_t> raster; // rows top to bottom, (width + 7) / 8 bytes each, bit 7 leftmost

    int BytesPerRow() const { return (width + 7) / 8; }
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
    RealTimeStatus,   // DLE EOT n: value = n (1..4)
    HostReply,        // ACK, NAK or CAN of a key-list handshake: value = the byte
    KeyedCapacity,    // GS ( L fn 48: the capacity is asked for
    KeyedFreeRoom,    // fn 51: the free room is asked for
    KeyedKeyList,     // fn 64: the key list is asked for
    KeyedDeleteAll,   // fn 65
    KeyedDelete,      // fn 66: key
    KeyedDefine,      // fn 67: key; value = index into DecodedStream::keyedDefinitions
    KeyedPrint,       // fn 69: key, mode = FS p's mode for its scales; definition as for FS p
    SkippedCommand,   // GS ( L / GS 8 L not known here: value = bytes skipped, text = what
};

struct StreamEvent {
    StreamEventKind kind = StreamEventKind::TextLine;
    size_t offset = 0;
    int value = 0;
    int mode = 0;
    int definition = -1; // FS p, fn 69: index of what gets printed, -1 when nothing is stored
    std::string text;    // text line; "GS ( L" or "GS 8 L" for key-coded functions
    bool lineEnded = true;
    std::string key;      // key-coded functions
    bool dataKept = true; // FS q record, fn 67: false when the data exceeded the limit
};

// What a StreamDecoder hands over. The records' data move to the handler.
class StreamHandler {
public:
    virtual ~StreamHandler() = default;
    virtual void OnEvent(const StreamEvent& event) = 0;
    // FS q image record (kind NvImageRecord).
    virtual void OnNvImage(const StreamEvent& event, NvDefinition image) = 0;
    // fn 67 (kind KeyedDefine).
    virtual void OnKeyedGraphic(const StreamEvent& event, KeyedGraphic graphic) = 0;
    // A byte that fits no command at offset. With Resync the decoding goes on after it.
    virtual void OnError(size_t offset, const std::string& message) = 0;
};

class StreamDecoder {
public:
    enum class OnBadByte { Stop, Resync };
    struct Options {
        OnBadByte onBadByte = OnBadByte::Stop;
        // Image data beyond this many bytes per record is counted but not kept.
        size_t maxKeptData = std::numeric_limits<size_t>::max();
        // A text line is handed over in pieces of at most this many bytes.
        size_t maxLine = 4096;
    };

    StreamDecoder(StreamHandler& handler, Options options);
    explicit StreamDecoder(StreamHandler& handler) : StreamDecoder(handler, Options{}) {}

    // Takes bytes in order. Returns how many it took: all of them, unless the handler
    // called Pause(), which makes it stop after the command that ended then (the caller
    // feeds the rest later).
    size_t Feed(const uint8_t* data, size_t size);
    // The stream has ended: reports a command cut off at the end and hands over the
    // text line and the NUL bytes still open.
    void Finish();
    // From within the handler: stop taking bytes after this command.
    void Pause() { m_paused = true; }
    // True once decoding stopped at a bad byte (OnBadByte::Stop).
    bool Stopped() const { return m_stopped; }
    // Bytes taken so far: the offset of the next byte.
    size_t Offset() const { return m_taken; }

private:
    enum class Parse { NeedMore, Done, Bad };
    struct Payload {
        bool active = false;
        bool keyed = false; // fn 67 rather than an FS q record; skipped when both are false
        bool skip = false;  // a command skipped by its length
        uint64_t remaining = 0;
        uint64_t received = 0;
        StreamEvent event;
        NvDefinition image;
        KeyedGraphic graphic;
    };

    void Drain();
    Parse ParseOne();
    Parse Command();
    Parse RecordHeader();
    Parse Escape();
    Parse GraphicsCommand(size_t headerSize, uint64_t length);
    Parse KeyedFunction(size_t headerSize, uint64_t length, int fn);
    Parse Unsupported(size_t known);
    bool KnownPrefix() const;
    void StartPayload(StreamEvent event, uint64_t length);
    void TakePayload(const uint8_t* data, size_t size);
    void EndPayload();
    void SkipCommand(size_t headerSize, uint64_t length, std::string what);
    void Emit(StreamEventKind kind, size_t length, int value = 0, std::string key = {},
              std::string text = {});
    void TextByte(uint8_t byte);
    void FlushText(bool lineEnded);
    void FlushNuls();
    Parse Bad(size_t offset, std::string message);
    size_t BufStart() const { return m_taken - m_buf.size(); }

    StreamHandler& m_handler;
    Options m_options;
    std::vector<uint8_t> m_buf; // the command not yet complete, from its first byte
    size_t m_taken = 0;
    size_t m_consumed = 0; // of m_buf, by the command just parsed
    bool m_paused = false;
    bool m_stopped = false;
    Payload m_payload;
    int m_recordsOwed = 0; // image records FS q still announces
    int m_recordCount = 0;
    std::string m_line;
    size_t m_lineOffset = 0;
    bool m_inLine = false;
    size_t m_nulStart = 0;
    int m_nuls = 0;
};

// A whole stream decoded at once, with the printer's memory at its end.
struct DecodedStream {
    std::vector<StreamEvent> events;
    std::vector<NvDefinition> definitions;      // every image record, in stream order
    std::vector<KeyedGraphic> keyedDefinitions; // every fn 67, in stream order
    // The printer's NV memory at the end: entry i is the definition index of NV image
    // i + 1. Each FS q replaces the whole memory.
    std::vector<int> stored;
    // The key-coded memory at the end: key -> index into keyedDefinitions.
    std::map<std::string, int> keyed;
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
// FS p's mode for fn 69's scales (x, y = 1 or 2).
inline int PrintModeOfScales(int x, int y)
{
    return (x == 2 ? 1 : 0) | (y == 2 ? 2 : 0);
}
