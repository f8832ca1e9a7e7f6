#include "emulator/StreamRenderer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>

#include "keyed/NvKey.h"
#include "logo/PngWrite.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace {

const char* const kModeNames[] = {"normal", "double width", "double height", "quadruple"};

// Black dots on white, one grey sample per dot.
bool SavePng(const DotImage& dots, const std::string& path)
{
    std::vector<uint8_t> samples(dots.dots.size());
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = dots.dots[i] ? 0 : 255;
    std::string error;
    return WritePng(path, {dots.width, dots.height, PngColour::Grey, samples}, error);
}

std::string Name(const char* command)
{
    return Format("%-13s", command);
}

} // namespace

StreamRenderer::StreamRenderer(Options options, NvMemory& memory, LineSink sink)
    : m_options(std::move(options)), m_memory(memory), m_sink(std::move(sink)), m_numbers(m_options.numbered)
{
}

std::string StreamRenderer::Save(const std::function<DotImage()>& image, const std::string& name)
{
    if (m_written >= m_options.maxPictures) {
        m_capReached = true;
        return Format(" (picture not saved: %d written)", m_written);
    }
    const std::string path = platform::JoinPath(m_options.dir, name);
    bool saved = false;
    try {
        saved = SavePng(image(), path);
    } catch (const std::bad_alloc&) {
        saved = false;
    }
    if (!saved) {
        ++m_failures;
        if (m_options.onFailure)
            m_options.onFailure(path);
        return "";
    }
    ++m_written;
    return " -> " + path;
}

void StreamRenderer::OnEvent(const StreamEvent& event)
{
    m_wrote = false;
    std::string line;
    switch (event.kind) {
    case StreamEventKind::PrinterIdRequest:
        line = Name("GS I 1") + "printer ID request";
        break;
    case StreamEventKind::Initialize:
        line = Name("ESC @") + "initialise";
        break;
    case StreamEventKind::DefineNvImages:
        line = Format("FS q %-7d define %d NV bit image%s", event.value, event.value,
                      event.value == 1 ? "" : "s");
        m_recordsLeft = event.value;
        if (!m_options.classic)
            line += " (ignored: no FS q memory)";
        else
            m_memory.BeginClassic();
        m_printed.clear();
        break;
    case StreamEventKind::PrintNvImage:
        line = ClassicPrint(event);
        break;
    case StreamEventKind::TextLine:
        line = "text         \"" + event.text + (event.lineEnded ? "\"" : "\" (no line feed)");
        break;
    case StreamEventKind::IgnoredBytes:
        line = Format("00 x %-7d ignored", event.value);
        break;
    case StreamEventKind::RealTimeStatus:
        line = Name(Format("DLE EOT %d", event.value).c_str()) + "real-time status request";
        break;
    case StreamEventKind::HostReply:
        line = event.value == 0x06   ? Name("ACK") + "key list block taken"
               : event.value == 0x15 ? Name("NAK") + "key list block asked for again"
                                     : Name("CAN") + "key list cancelled";
        break;
    case StreamEventKind::SkippedCommand:
        line = Format("%s skipped (%d bytes)", event.text.c_str(), event.value);
        break;
    default:
        line = Keyed(event);
        break;
    }
    List(event.offset, line);
}

std::string StreamRenderer::Keyed(const StreamEvent& event)
{
    const auto name = [&](int fn) { return Format("%s fn %d ", event.text.c_str(), fn); };
    std::string line;
    bool write = false;
    switch (event.kind) {
    case StreamEventKind::KeyedCapacity:
        return name(48) + "capacity request";
    case StreamEventKind::KeyedFreeRoom:
        return name(51) + "free room request";
    case StreamEventKind::KeyedKeyList:
        return name(64) + "key list request";
    case StreamEventKind::KeyedDeleteAll:
        line = name(65) + "delete every key-coded graphic";
        if (m_options.keyed)
            m_memory.DeleteAll();
        write = true;
        break;
    case StreamEventKind::KeyedDelete:
        line = name(66) + "delete " + KeyText(event.key);
        write = m_options.keyed && m_memory.Delete(event.key);
        if (m_options.keyed && !write)
            line += " (not stored)";
        break;
    case StreamEventKind::KeyedPrint:
        return KeyedPrint(event);
    default:
        return name(0) + "?";
    }
    if (!m_options.keyed)
        return line + " (ignored: no key-coded memory)";
    m_wrote = write;
    if (write)
        m_printed.clear();
    return line;
}

void StreamRenderer::OnNvImage(const StreamEvent& event, NvDefinition image)
{
    m_wrote = false;
    const int number = ++m_numbers.nv;
    std::string line = Format("  NV image %d: %d x %d dots, %zu bytes", image.number, image.WidthDots(),
                              image.HeightDots(), static_cast<size_t>(image.xUnits) * image.yUnits * 8);
    if (!m_options.classic) {
        line += " (ignored)";
    } else if (image.xUnits == 0 || image.yUnits == 0) {
        line += " (empty definition)";
        m_memory.AddClassic(std::move(image));
    } else if (!event.dataKept || !m_memory.AddClassic(std::move(image))) {
        line += " (too large: not stored)";
        if (!event.dataKept)
            m_memory.AddClassic(NvDefinition{});
    } else {
        const NvDefinition* stored = m_memory.Classic(static_cast<int>(m_memory.ClassicImages().size()));
        line += Save([&] { return stored->Dots(); }, Format("nv-%03d.png", number));
    }
    m_printed.clear();
    List(event.offset, line);
    m_wrote = m_options.classic && --m_recordsLeft == 0;
}

void StreamRenderer::OnKeyedGraphic(const StreamEvent& event, KeyedGraphic graphic)
{
    m_wrote = false;
    std::string line =
        Format("%s fn 67 define %s: %d x %d dots, %zu bytes", event.text.c_str(), KeyText(event.key).c_str(),
               graphic.width, graphic.height,
               static_cast<size_t>(graphic.BytesPerRow()) * static_cast<size_t>(graphic.height));
    if (!m_options.keyed) {
        line += " (ignored: no key-coded memory)";
    } else if (!event.dataKept || !m_memory.Define(std::move(graphic))) {
        line += Format(" (ignored: does not fit the %llu bytes free)",
                       static_cast<unsigned long long>(m_memory.Free()));
    } else {
        m_printed.clear();
        const int number = ++m_numbers.keyed;
        const KeyedGraphic* stored = m_memory.Keyed(event.key);
        line += Save([&] { return stored->Dots(); },
                     Format("key-%s-%03d.png", KeyFileName(event.key).c_str(), number));
        m_wrote = true;
    }
    List(event.offset, line);
}

std::string StreamRenderer::ClassicPrint(const StreamEvent& event)
{
    std::string line = Format("FS p %d %d     print NV image %d, %s", event.value, event.mode, event.value,
                              kModeNames[event.mode & 3]);
    if (!m_options.classic)
        return line + " (ignored: no FS q memory)";
    const NvDefinition* image = m_memory.Classic(event.value);
    if (!image)
        return line + " (no such image stored)";
    if (image->raster.empty())
        return line + " (the stored image is empty)";
    if (m_options.paperOut)
        return line + " (not printed: out of paper)";
    return line + Printed(Format("%d", event.value), image->Dots(), event.mode);
}

std::string StreamRenderer::KeyedPrint(const StreamEvent& event)
{
    std::string line = Format("%s fn 69 print %s, %s", event.text.c_str(), KeyText(event.key).c_str(),
                              kModeNames[event.mode & 3]);
    if (!m_options.keyed)
        return line + " (ignored: no key-coded memory)";
    const KeyedGraphic* graphic = m_memory.Keyed(event.key);
    if (!graphic)
        return line + " (no such graphic stored)";
    if (m_options.paperOut)
        return line + " (not printed: out of paper)";
    return line + Printed("key " + event.key, graphic->Dots(), event.mode);
}

std::string StreamRenderer::Printed(const std::string& id, const DotImage& stored, int mode)
{
    const std::string key = Format("%d ", mode & 3) + id;
    const auto found = m_printed.find(key);
    if (found != m_printed.end())
        return " -> " + found->second + " (as printed before)";
    const std::string saved =
        Save([&] { return ScaleForPrint(stored, mode); }, Format("print-%03d.png", m_numbers.print + 1));
    if (saved.rfind(" -> ", 0) == 0) {
        ++m_numbers.print;
        m_printed[key] = saved.substr(4);
    }
    return saved;
}

void StreamRenderer::OnError(size_t offset, const std::string& message)
{
    m_wrote = false;
    m_hasError = true;
    m_errorOffset = offset;
    m_error = message;
}

StreamRenderer::Counters StreamRenderer::CountersInFolder(const std::string& dir)
{
    Counters counters;
    std::error_code failed;
    for (auto it = std::filesystem::directory_iterator(dir, failed);
         !failed && it != std::filesystem::directory_iterator(); it.increment(failed)) {
        const std::string name = it->path().filename().string();
        int number = 0;
        char key[5] = {};
        if (std::sscanf(name.c_str(), "nv-%d.png", &number) == 1)
            counters.nv = std::max(counters.nv, number);
        else if (std::sscanf(name.c_str(), "print-%d.png", &number) == 1)
            counters.print = std::max(counters.print, number);
        else if (std::sscanf(name.c_str(), "key-%4[0-9A-Za-z]-%d.png", key, &number) == 2)
            counters.keyed = std::max(counters.keyed, number);
    }
    return counters;
}
