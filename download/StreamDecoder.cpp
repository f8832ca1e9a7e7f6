#include "download/StreamDecoder.h"

#include <algorithm>

#include "platform/Text.h"
#include "printer/EscPos.h"

namespace {

constexpr uint8_t DLE = 0x10;
constexpr uint8_t EOT = 0x04;
constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;
constexpr uint8_t CAN = 0x18;

// A run of NUL bytes is handed over at the latest after this many.
constexpr int kMaxNulRun = 1 << 30;

std::string Hex(const std::vector<uint8_t>& bytes, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count && i < bytes.size(); ++i)
        text += Format(i ? " %02X" : "%02X", bytes[i]);
    return text;
}

} // namespace

StreamDecoder::StreamDecoder(StreamHandler& handler, Options options) : m_handler(handler), m_options(options)
{
}

size_t StreamDecoder::Feed(const uint8_t* data, size_t size)
{
    m_paused = false;
    Drain();
    size_t used = 0;
    while (used < size && !m_paused && !m_stopped) {
        if (m_payload.active && m_buf.empty()) {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(size - used, m_payload.remaining));
            m_taken += take;
            used += take;
            TakePayload(data + used - take, take);
            continue;
        }
        m_buf.push_back(data[used++]);
        ++m_taken;
        Drain();
    }
    if (m_stopped) {
        m_taken += size - used;
        used = size;
    }
    return used;
}

void StreamDecoder::Drain()
{
    while (!m_buf.empty() && !m_stopped && !m_paused) {
        if (m_payload.active) {
            const size_t take = static_cast<size_t>(std::min<uint64_t>(m_buf.size(), m_payload.remaining));
            std::vector<uint8_t> part(m_buf.begin(), m_buf.begin() + static_cast<ptrdiff_t>(take));
            m_buf.erase(m_buf.begin(), m_buf.begin() + static_cast<ptrdiff_t>(take));
            TakePayload(part.data(), part.size());
            continue;
        }
        m_consumed = 0;
        const Parse result = ParseOne();
        if (result == Parse::NeedMore)
            return;
        if (m_stopped)
            return;
        // A bad byte is dropped alone: what follows it may be a good command.
        const size_t drop = result == Parse::Done ? m_consumed : 1;
        m_buf.erase(m_buf.begin(), m_buf.begin() + static_cast<ptrdiff_t>(drop));
    }
}

StreamDecoder::Parse StreamDecoder::ParseOne()
{
    if (m_recordsOwed > 0)
        return RecordHeader();
    const uint8_t byte = m_buf[0];
    if (byte == escpos::ESC || byte == escpos::GS || byte == escpos::FS || byte == DLE) {
        FlushText(false);
        FlushNuls();
        return Command();
    }
    if (byte == 0) {
        FlushText(false);
        if (m_nuls == kMaxNulRun)
            FlushNuls();
        if (m_nuls++ == 0)
            m_nulStart = BufStart();
        m_consumed = 1;
        return Parse::Done;
    }
    FlushNuls();
    if (byte == ACK || byte == NAK || byte == CAN) {
        FlushText(false);
        Emit(StreamEventKind::HostReply, 1, byte);
        return Parse::Done;
    }
    if (byte < 0x20 && byte != escpos::LF && byte != escpos::CR && byte != escpos::HT) {
        FlushText(false);
        return Bad(BufStart(), Format("unsupported control byte %02X", byte));
    }
    TextByte(byte);
    m_consumed = 1;
    return Parse::Done;
}

StreamDecoder::Parse StreamDecoder::Command()
{
    if (m_buf.size() < 2)
        return Parse::NeedMore;
    const uint8_t first = m_buf[0], second = m_buf[1];
    if (first == escpos::ESC && second == '@') {
        Emit(StreamEventKind::Initialize, 2);
        return Parse::Done;
    }
    if (first == escpos::FS && (second == escpos::kDefineNvImagesCode || second == escpos::kPrintNvImageCode))
        return Escape();
    if (first == escpos::GS && (second == 'I' || second == '(' || second == '8')) {
        if (m_buf.size() < 3)
            return Parse::NeedMore;
        if (second == 'I' && m_buf[2] == 0x01) {
            Emit(StreamEventKind::PrinterIdRequest, 3);
            return Parse::Done;
        }
        if (second != 'I' && m_buf[2] == 'L') {
            const size_t header = second == '(' ? 5 : 7;
            if (m_buf.size() < header)
                return Parse::NeedMore;
            uint64_t length = 0;
            for (size_t i = header; i-- > 3;)
                length = length << 8 | m_buf[i];
            return GraphicsCommand(header, length);
        }
    }
    if (first == DLE && second == EOT) {
        if (m_buf.size() < 3)
            return Parse::NeedMore;
        if (m_buf[2] >= 1 && m_buf[2] <= 4) {
            Emit(StreamEventKind::RealTimeStatus, 3, m_buf[2]);
            return Parse::Done;
        }
    }
    return Unsupported(3);
}

StreamDecoder::Parse StreamDecoder::Unsupported(size_t known)
{
    // Three bytes name a command well enough; fewer are waited for.
    if (m_buf.size() < known)
        return Parse::NeedMore;
    return Bad(BufStart(), "unsupported command " + Hex(m_buf, known));
}

StreamDecoder::Parse StreamDecoder::Escape()
{
    const size_t start = BufStart();
    if (m_buf[1] == escpos::kDefineNvImagesCode) {
        if (m_buf.size() < 3)
            return Parse::NeedMore;
        const int count = m_buf[2];
        if (count == 0)
            return Bad(start, "FS q with an image count of 0");
        Emit(StreamEventKind::DefineNvImages, 3, count);
        m_recordsOwed = m_recordCount = count;
        return Parse::Done;
    }
    if (m_buf.size() < 4)
        return Parse::NeedMore;
    const int number = m_buf[2];
    const int mode = m_buf[3];
    if (!(mode <= 3 || (mode >= 48 && mode <= 51)))
        return Bad(start, Format("FS p %d with the unknown mode %d", number, mode));
    StreamEvent event;
    event.kind = StreamEventKind::PrintNvImage;
    event.offset = start;
    event.value = number;
    event.mode = mode % 48;
    m_consumed = 4;
    m_handler.OnEvent(event);
    return Parse::Done;
}

StreamDecoder::Parse StreamDecoder::RecordHeader()
{
    if (m_buf.size() < 4)
        return Parse::NeedMore;
    StreamEvent event;
    event.kind = StreamEventKind::NvImageRecord;
    event.offset = BufStart();
    m_payload.image = NvDefinition{};
    m_payload.image.number = m_recordCount - m_recordsOwed + 1;
    m_payload.image.offset = event.offset;
    m_payload.image.xUnits = m_buf[0] | (m_buf[1] << 8);
    m_payload.image.yUnits = m_buf[2] | (m_buf[3] << 8);
    --m_recordsOwed;
    m_consumed = 4;
    m_payload.keyed = false;
    m_payload.skip = false;
    StartPayload(std::move(event), uint64_t{8} * static_cast<uint64_t>(m_payload.image.xUnits) *
                                       static_cast<uint64_t>(m_payload.image.yUnits));
    return Parse::Done;
}

void StreamDecoder::StartPayload(StreamEvent event, uint64_t length)
{
    m_payload.active = true;
    m_payload.event = std::move(event);
    m_payload.event.dataKept = length <= m_options.maxKeptData;
    m_payload.remaining = length;
    m_payload.received = 0;
    if (length == 0)
        EndPayload();
}

void StreamDecoder::TakePayload(const uint8_t* data, size_t size)
{
    if (m_payload.event.dataKept && !m_payload.skip) {
        std::vector<uint8_t>& into = m_payload.keyed ? m_payload.graphic.raster : m_payload.image.raster;
        into.insert(into.end(), data, data + size);
    }
    m_payload.received += size;
    m_payload.remaining -= size;
    if (m_payload.remaining == 0)
        EndPayload();
}

void StreamDecoder::EndPayload()
{
    m_payload.active = false;
    if (m_payload.skip)
        m_handler.OnEvent(m_payload.event);
    else if (m_payload.keyed)
        m_handler.OnKeyedGraphic(m_payload.event, std::move(m_payload.graphic));
    else
        m_handler.OnNvImage(m_payload.event, std::move(m_payload.image));
    m_payload.graphic = KeyedGraphic{};
    m_payload.image = NvDefinition{};
}

void StreamDecoder::Emit(StreamEventKind kind, size_t length, int value, std::string key, std::string text)
{
    StreamEvent event;
    event.kind = kind;
    event.offset = BufStart();
    event.value = value;
    event.key = std::move(key);
    event.text = std::move(text);
    m_consumed = length;
    m_handler.OnEvent(event);
}

void StreamDecoder::TextByte(uint8_t byte)
{
    if (!m_inLine) {
        m_inLine = true;
        m_lineOffset = BufStart();
    }
    if (byte == escpos::LF)
        FlushText(true);
    else if (byte != escpos::CR) {
        m_line += static_cast<char>(byte);
        if (m_line.size() >= m_options.maxLine)
            FlushText(false);
    }
}

void StreamDecoder::FlushText(bool lineEnded)
{
    if (!m_inLine)
        return;
    StreamEvent event;
    event.offset = m_lineOffset;
    event.text = std::move(m_line);
    event.lineEnded = lineEnded;
    m_line.clear();
    m_inLine = false;
    m_handler.OnEvent(event);
}

void StreamDecoder::FlushNuls()
{
    if (m_nuls == 0)
        return;
    StreamEvent event;
    event.kind = StreamEventKind::IgnoredBytes;
    event.offset = m_nulStart;
    event.value = m_nuls;
    m_nuls = 0;
    m_handler.OnEvent(event);
}

StreamDecoder::Parse StreamDecoder::Bad(size_t offset, std::string message)
{
    m_handler.OnError(offset, message);
    if (m_options.onBadByte == OnBadByte::Stop) {
        m_stopped = true;
        m_buf.clear();
        m_payload.active = false;
    }
    return Parse::Bad;
}

bool StreamDecoder::KnownPrefix() const
{
    const uint8_t first = m_buf[0];
    if (m_buf.size() == 1)
        return first == escpos::ESC || first == escpos::GS || first == escpos::FS || first == DLE;
    const uint8_t second = m_buf[1];
    switch (first) {
    case escpos::GS:
        if (second == 'I')
            return m_buf.size() == 2;
        return (second == '(' || second == '8') && (m_buf.size() == 2 || m_buf[2] == 'L');
    case escpos::FS:
        return second == escpos::kDefineNvImagesCode || second == escpos::kPrintNvImageCode;
    case DLE:
        return second == EOT && m_buf.size() == 2;
    default:
        return false;
    }
}

void StreamDecoder::Finish()
{
    if (m_stopped)
        return;
    m_paused = false;
    Drain();
    if (m_stopped)
        return;
    if (m_payload.active) {
        const size_t start = m_payload.event.offset;
        const auto announced = static_cast<unsigned long long>(m_payload.received + m_payload.remaining);
        const auto left = static_cast<unsigned long long>(m_payload.received);
        if (m_payload.skip)
            Bad(start, Format("%s: %llu bytes announced, %llu left in the stream",
                              m_payload.event.text.c_str(), announced, left));
        else if (m_payload.keyed)
            Bad(start, Format("GS ( L fn 67 for %s: %llu data bytes announced, %llu left in the stream",
                              m_payload.event.key.c_str(), announced, left));
        else
            Bad(start, Format("FS q image %d of %d: %llu data bytes announced, %llu left in the stream",
                              m_payload.image.number, m_recordCount, announced, left));
    } else if (m_recordsOwed > 0) {
        Bad(BufStart(), Format("FS q image %d of %d: header cut off (%zu of 4 bytes)",
                               m_recordCount - m_recordsOwed + 1, m_recordCount, m_buf.size()));
    } else if (!m_buf.empty()) {
        const bool fs = m_buf[0] == escpos::FS && m_buf.size() >= 2;
        if (fs && m_buf[1] == escpos::kDefineNvImagesCode)
            Bad(BufStart(), "FS q cut off before its image count");
        else if (fs && m_buf[1] == escpos::kPrintNvImageCode)
            Bad(BufStart(), "FS p cut off before its image number and mode");
        else if (KnownPrefix())
            Bad(BufStart(), "command cut off at the end of the stream");
        else
            Bad(BufStart(), "unsupported command " + Hex(m_buf, 3));
    }
    m_buf.clear();
    m_payload.active = false;
    m_recordsOwed = 0;
    FlushText(false);
    FlushNuls();
}
