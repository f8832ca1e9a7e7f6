#include "download/StreamDecoder.h"

#include "platform/Text.h"
#include "printer/EscPos.h"

namespace {

class Decoder {
public:
    Decoder(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    DecodedStream Run();

private:
    size_t Left() const { return m_size - m_pos; }
    bool Fail(size_t offset, std::string message);
    bool Matches(const uint8_t* command, size_t length) const;
    bool Command();
    bool DefineNvImages();
    bool ImageRecord(int number, int count);
    bool PrintNvImage();
    void Text();
    void FlushText(bool lineEnded);
    void Add(StreamEventKind kind, size_t offset, int value = 0);

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    std::string m_line;
    size_t m_lineOffset = 0;
    bool m_inLine = false;
    DecodedStream m_out;
};

bool Decoder::Fail(size_t offset, std::string message)
{
    m_out.complete = false;
    m_out.errorOffset = offset;
    m_out.error = std::move(message);
    return false;
}

void Decoder::Add(StreamEventKind kind, size_t offset, int value)
{
    StreamEvent event;
    event.kind = kind;
    event.offset = offset;
    event.value = value;
    m_out.events.push_back(std::move(event));
}

bool Decoder::Matches(const uint8_t* command, size_t length) const
{
    for (size_t i = 0; i < length; ++i)
        if (m_pos + i >= m_size || m_data[m_pos + i] != command[i])
            return false;
    return true;
}

DecodedStream Decoder::Run()
{
    while (m_pos < m_size) {
        const uint8_t byte = m_data[m_pos];
        if (byte == escpos::ESC || byte == escpos::GS || byte == escpos::FS) {
            FlushText(false);
            if (!Command())
                break;
        } else if (byte == 0) {
            FlushText(false);
            const size_t start = m_pos;
            while (m_pos < m_size && m_data[m_pos] == 0)
                ++m_pos;
            Add(StreamEventKind::IgnoredBytes, start, static_cast<int>(m_pos - start));
        } else if (byte < 0x20 && byte != escpos::LF && byte != escpos::CR && byte != escpos::HT) {
            FlushText(false);
            Fail(m_pos, Format("unsupported control byte %02X", byte));
            break;
        } else {
            Text();
        }
    }
    FlushText(false);
    return std::move(m_out);
}

bool Decoder::Command()
{
    const size_t start = m_pos;
    if (Matches(escpos::kTransmitPrinterId.data(), escpos::kTransmitPrinterId.size())) {
        m_pos += escpos::kTransmitPrinterId.size();
        Add(StreamEventKind::PrinterIdRequest, start);
        return true;
    }
    if (Matches(escpos::kInitialize.data(), escpos::kInitialize.size())) {
        m_pos += escpos::kInitialize.size();
        Add(StreamEventKind::Initialize, start);
        return true;
    }
    if (Left() >= 2 && m_data[m_pos] == escpos::FS && m_data[m_pos + 1] == escpos::kDefineNvImagesCode)
        return DefineNvImages();
    if (Left() >= 2 && m_data[m_pos] == escpos::FS && m_data[m_pos + 1] == escpos::kPrintNvImageCode)
        return PrintNvImage();
    if (Left() < 2 || (m_data[m_pos] == escpos::GS && Left() < 3 && m_data[m_pos + 1] == 'I'))
        return Fail(start, "command cut off at the end of the stream");
    std::string bytes;
    for (size_t i = 0; i < 3 && i < Left(); ++i)
        bytes += Format(i ? " %02X" : "%02X", m_data[m_pos + i]);
    return Fail(start, "unsupported command " + bytes);
}

bool Decoder::DefineNvImages()
{
    const size_t start = m_pos;
    if (Left() < 3)
        return Fail(start, "FS q cut off before its image count");
    const int count = m_data[m_pos + 2];
    if (count == 0)
        return Fail(start, "FS q with an image count of 0");
    m_pos += 3;
    Add(StreamEventKind::DefineNvImages, start, count);
    m_out.stored.clear(); // the printer erases its NV memory first
    for (int number = 1; number <= count; ++number)
        if (!ImageRecord(number, count))
            return false;
    return true;
}

bool Decoder::ImageRecord(int number, int count)
{
    const size_t start = m_pos;
    if (Left() < 4)
        return Fail(start,
                    Format("FS q image %d of %d: header cut off (%zu of 4 bytes)", number, count, Left()));
    NvDefinition definition;
    definition.number = number;
    definition.offset = start;
    definition.xUnits = m_data[m_pos] | (m_data[m_pos + 1] << 8);
    definition.yUnits = m_data[m_pos + 2] | (m_data[m_pos + 3] << 8);
    m_pos += 4;
    // Compared before anything is taken: a header may announce gigabytes.
    const uint64_t length =
        uint64_t{8} * static_cast<uint64_t>(definition.xUnits) * static_cast<uint64_t>(definition.yUnits);
    if (length > Left())
        return Fail(start, Format("FS q image %d of %d: %llu data bytes announced, %zu left in the stream",
                                  number, count, static_cast<unsigned long long>(length), Left()));
    definition.raster.assign(m_data + m_pos, m_data + m_pos + length);
    m_pos += static_cast<size_t>(length);
    m_out.definitions.push_back(std::move(definition));
    const int index = static_cast<int>(m_out.definitions.size()) - 1;
    m_out.stored.push_back(index);
    Add(StreamEventKind::NvImageRecord, start, index);
    return true;
}

bool Decoder::PrintNvImage()
{
    const size_t start = m_pos;
    if (Left() < 4)
        return Fail(start, "FS p cut off before its image number and mode");
    const int number = m_data[m_pos + 2];
    const int mode = m_data[m_pos + 3];
    if (!(mode <= 3 || (mode >= 48 && mode <= 51)))
        return Fail(start, Format("FS p %d with the unknown mode %d", number, mode));
    m_pos += 4;
    Add(StreamEventKind::PrintNvImage, start, number);
    StreamEvent& event = m_out.events.back();
    event.mode = mode % 48;
    if (number >= 1 && static_cast<size_t>(number) <= m_out.stored.size())
        event.definition = m_out.stored[static_cast<size_t>(number) - 1];
    return true;
}

void Decoder::Text()
{
    const uint8_t byte = m_data[m_pos];
    if (!m_inLine) {
        m_inLine = true;
        m_lineOffset = m_pos;
    }
    ++m_pos;
    if (byte == escpos::LF)
        FlushText(true);
    else if (byte != escpos::CR)
        m_line += static_cast<char>(byte);
}

void Decoder::FlushText(bool lineEnded)
{
    if (!m_inLine)
        return;
    StreamEvent event;
    event.offset = m_lineOffset;
    event.text = std::move(m_line);
    event.lineEnded = lineEnded;
    m_out.events.push_back(std::move(event));
    m_line.clear();
    m_inLine = false;
}

} // namespace

DotImage NvDefinition::Dots() const
{
    DotImage image;
    image.width = WidthDots();
    image.height = HeightDots();
    image.dots.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height), 0);
    for (int x = 0; x < image.width; ++x)
        for (int y = 0; y < image.height; ++y) {
            const uint8_t byte =
                raster[static_cast<size_t>(x) * static_cast<size_t>(yUnits) + static_cast<size_t>(y / 8)];
            image.dots[static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x)] =
                static_cast<uint8_t>((byte >> (7 - y % 8)) & 1);
        }
    return image;
}

DecodedStream DecodeStream(const uint8_t* data, size_t size)
{
    return Decoder(data, size).Run();
}

DotImage ScaleForPrint(const DotImage& image, int mode)
{
    const int sx = (mode % 48) & 1 ? 2 : 1;
    const int sy = (mode % 48) & 2 ? 2 : 1;
    DotImage out;
    out.width = image.width * sx;
    out.height = image.height * sy;
    out.dots.resize(static_cast<size_t>(out.width) * static_cast<size_t>(out.height));
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.dots[static_cast<size_t>(y) * static_cast<size_t>(out.width) + static_cast<size_t>(x)] =
                image.Dot(x / sx, y / sy);
    return out;
}
