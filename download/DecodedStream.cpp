// A whole stream decoded at once, and the dots of what it defines.
#include "download/StreamDecoder.h"

namespace {

// Collects a whole stream and keeps the printer's memory as it goes.
class Collector final : public StreamHandler {
public:
    explicit Collector(DecodedStream& out) : m_out(out) {}

    void OnEvent(const StreamEvent& event) override
    {
        StreamEvent copy = event;
        switch (event.kind) {
        case StreamEventKind::DefineNvImages:
            m_out.stored.clear(); // the printer erases its NV memory first
            break;
        case StreamEventKind::PrintNvImage:
            if (event.value >= 1 && static_cast<size_t>(event.value) <= m_out.stored.size())
                copy.definition = m_out.stored[static_cast<size_t>(event.value) - 1];
            break;
        case StreamEventKind::KeyedPrint: {
            const auto found = m_out.keyed.find(event.key);
            copy.definition = found == m_out.keyed.end() ? -1 : found->second;
            break;
        }
        case StreamEventKind::KeyedDelete:
            m_out.keyed.erase(event.key);
            break;
        case StreamEventKind::KeyedDeleteAll:
            m_out.keyed.clear();
            break;
        default:
            break;
        }
        m_out.events.push_back(std::move(copy));
    }

    void OnNvImage(const StreamEvent& event, NvDefinition image) override
    {
        m_out.definitions.push_back(std::move(image));
        const int index = static_cast<int>(m_out.definitions.size()) - 1;
        m_out.stored.push_back(index);
        StreamEvent copy = event;
        copy.value = index;
        m_out.events.push_back(std::move(copy));
    }

    void OnKeyedGraphic(const StreamEvent& event, KeyedGraphic graphic) override
    {
        m_out.keyedDefinitions.push_back(std::move(graphic));
        const int index = static_cast<int>(m_out.keyedDefinitions.size()) - 1;
        m_out.keyed[event.key] = index;
        StreamEvent copy = event;
        copy.value = index;
        m_out.events.push_back(std::move(copy));
    }

    void OnError(size_t offset, const std::string& message) override
    {
        m_out.complete = false;
        m_out.errorOffset = offset;
        m_out.error = message;
    }

private:
    DecodedStream& m_out;
};

} // namespace

DecodedStream DecodeStream(const uint8_t* data, size_t size)
{
    DecodedStream out;
    Collector collector(out);
    StreamDecoder decoder(collector);
    decoder.Feed(data, size);
    decoder.Finish();
    return out;
}

DotImage NvDefinition::Dots() const
{
    DotImage image;
    image.width = WidthDots();
    image.height = HeightDots();
    image.dots.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height), 0);
    if (raster.size() < static_cast<size_t>(xUnits) * static_cast<size_t>(yUnits) * 8)
        return image; // data not kept
    // Band by band, so that the 8 rows being written stay in the cache.
    const size_t width = static_cast<size_t>(image.width);
    for (int band = 0; band < yUnits; ++band) {
        uint8_t* rows = image.dots.data() + static_cast<size_t>(band) * 8 * width;
        for (size_t x = 0; x < width; ++x) {
            const uint8_t byte = raster[x * static_cast<size_t>(yUnits) + static_cast<size_t>(band)];
            for (size_t i = 0; i < 8; ++i)
                rows[i * width + x] = static_cast<uint8_t>((byte >> (7 - i)) & 1);
        }
    }
    return image;
}

DotImage KeyedGraphic::Dots() const
{
    DotImage image;
    image.width = width;
    image.height = height;
    image.dots.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    const size_t row = static_cast<size_t>(BytesPerRow());
    if (raster.size() < row * static_cast<size_t>(height))
        return image; // data not kept
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.dots[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                static_cast<uint8_t>(
                    (raster[static_cast<size_t>(y) * row + static_cast<size_t>(x / 8)] >> (7 - x % 8)) & 1);
    return image;
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
