// The GS ( L / GS 8 L functions of StreamDecoder: the key-coded NV graphics (m = 48)
// are decoded, anything else is skipped by its length as printers do.
#include <algorithm>

#include "download/StreamDecoder.h"
#include "platform/Text.h"

namespace {

// Bytes of a GS ( L / GS 8 L body that tell every function apart: m fn a kc1 kc2 b
// xL xH yL yH c of fn 67, the longest.
constexpr uint64_t kBodyPrefix = 11;

bool IsKeyByte(uint8_t byte)
{
    return byte >= 32 && byte <= 126;
}

} // namespace

StreamDecoder::Parse StreamDecoder::GraphicsCommand(size_t headerSize, uint64_t length)
{
    if (m_buf.size() < headerSize + std::min(length, kBodyPrefix))
        return Parse::NeedMore;
    if (length < 2 || m_buf[headerSize] != 48) {
        SkipCommand(headerSize, length,
                    length < 1 ? "without a function" : Format("with m = %d", m_buf[headerSize]));
        return Parse::Done;
    }
    return KeyedFunction(headerSize, length, m_buf[headerSize + 1]);
}

StreamDecoder::Parse StreamDecoder::KeyedFunction(size_t headerSize, uint64_t length, int fn)
{
    const uint8_t* body = m_buf.data() + headerSize;
    const auto keyAt = [&](size_t i) {
        return std::string{static_cast<char>(body[i]), static_cast<char>(body[i + 1])};
    };
    const auto keyOk = [&](size_t i) { return IsKeyByte(body[i]) && IsKeyByte(body[i + 1]); };
    const size_t whole = headerSize + static_cast<size_t>(std::min(length, kBodyPrefix));
    const std::string name = headerSize == 5 ? "GS ( L" : "GS 8 L";
    if ((fn == 48 || fn == 0) && length == 2) {
        Emit(StreamEventKind::KeyedCapacity, whole, 0, {}, name);
    } else if ((fn == 51 || fn == 3) && length == 2) {
        Emit(StreamEventKind::KeyedFreeRoom, whole, 0, {}, name);
    } else if (fn == 64 && length == 4 && body[2] == 'K' && body[3] == 'C') {
        Emit(StreamEventKind::KeyedKeyList, whole, 0, {}, name);
    } else if (fn == 65 && length == 5 && body[2] == 'C' && body[3] == 'L' && body[4] == 'R') {
        Emit(StreamEventKind::KeyedDeleteAll, whole, 0, {}, name);
    } else if (fn == 66 && length == 4 && keyOk(2)) {
        Emit(StreamEventKind::KeyedDelete, whole, 0, keyAt(2), name);
    } else if (fn == 69 && length == 6 && keyOk(2) && (body[4] == 1 || body[4] == 2) &&
               (body[5] == 1 || body[5] == 2)) {
        StreamEvent event;
        event.kind = StreamEventKind::KeyedPrint;
        event.offset = BufStart();
        event.text = name;
        event.key = keyAt(2);
        event.mode = PrintModeOfScales(body[4], body[5]);
        m_consumed = whole;
        m_handler.OnEvent(event);
    } else if (fn == 67 && length >= kBodyPrefix && body[2] == 48 && keyOk(3) && body[5] == 1 &&
               body[10] == 49) {
        const int width = body[6] | (body[7] << 8), height = body[8] | (body[9] << 8);
        const uint64_t data =
            uint64_t{(static_cast<unsigned>(width) + 7) / 8} * static_cast<uint64_t>(height);
        if (width < 1 || width > 8192 || height < 1 || height > 2304 || length != kBodyPrefix + data) {
            SkipCommand(headerSize, length,
                        Format("fn 67 for %d x %d dots with %llu data bytes", width, height,
                               static_cast<unsigned long long>(length - kBodyPrefix)));
            return Parse::Done;
        }
        StreamEvent event;
        event.kind = StreamEventKind::KeyedDefine;
        event.offset = BufStart();
        event.text = name;
        event.key = keyAt(3);
        m_payload.graphic = KeyedGraphic{event.key, event.offset, width, height, {}};
        m_payload.keyed = true;
        m_payload.skip = false;
        m_consumed = whole;
        StartPayload(std::move(event), data);
    } else {
        SkipCommand(headerSize, length, Format("fn %d", fn));
    }
    return Parse::Done;
}

void StreamDecoder::SkipCommand(size_t headerSize, uint64_t length, std::string what)
{
    StreamEvent event;
    event.kind = StreamEventKind::SkippedCommand;
    event.offset = BufStart();
    event.text = (headerSize == 5 ? "GS ( L " : "GS 8 L ") + what;
    const uint64_t total = headerSize + length;
    event.value = static_cast<int>(std::min<uint64_t>(total, INT32_MAX));
    m_consumed = headerSize + static_cast<size_t>(std::min(length, kBodyPrefix));
    m_payload.keyed = false;
    m_payload.skip = true;
    StartPayload(std::move(event), length - std::min(length, kBodyPrefix));
}
