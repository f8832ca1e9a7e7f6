#include "emulator/VirtualPrinter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/Text.h"

namespace {

constexpr const char* kMemoryFile = "nv-memory.bin";
constexpr size_t kKeysPerBlock = 40;
// The memory file holds at most the key-coded capacity and the FS q images.
constexpr size_t kMaxMemoryFile = size_t{256} << 20;

// Fixed bits of every real-time status byte: bit 1 and bit 4 on.
constexpr uint8_t kStatusBase = 0x12;

// FS q image data it keeps: the NV area this program downloads into.
constexpr uint64_t kClassicCapacity = 384 * 1024;

NvMemory::Options MemoryOptions(const VirtualPrinterOptions& options)
{
    return {options.capacity, !options.keepBoth, kClassicCapacity};
}

StreamRenderer::Options RendererOptions(const VirtualPrinterOptions& options)
{
    StreamRenderer::Options out;
    out.dir = options.dir;
    out.maxPictures = options.dir.empty() ? 0 : options.maxPictures;
    out.classic = !options.keyedOnly;
    out.keyed = !options.classicOnly;
    out.paperOut = options.paperOut;
    out.numbered =
        options.dir.empty() ? StreamRenderer::Counters{} : StreamRenderer::CountersInFolder(options.dir);
    return out;
}

std::string Hex(const std::vector<uint8_t>& bytes)
{
    std::string text;
    for (size_t i = 0; i < bytes.size() && i < 16; ++i)
        text += Format(i ? " %02X" : "%02X", bytes[i]);
    return bytes.size() > 16 ? text + " ..." : text;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& why)
{
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0) {
        why = errno == EINVAL ? platform::NotRegularMessage(path) : path + ": " + std::strerror(errno);
        return false;
    }
    uint8_t buffer[65536];
    ssize_t n = 0;
    bool ok = true;
    while (ok && (n = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR)
            continue;
        ok = n > 0 && bytes.size() + static_cast<size_t>(n) <= kMaxMemoryFile;
        if (ok)
            bytes.insert(bytes.end(), buffer, buffer + n);
        else
            why = path + (n < 0 ? ": " + std::string(std::strerror(errno)) : ": too large");
    }
    ::close(fd);
    return ok;
}

} // namespace

VirtualPrinter::VirtualPrinter(VirtualPrinterOptions options, platform::Clock& clock, LogSink log)
    : m_options(std::move(options)), m_clock(clock), m_log(std::move(log)),
      m_memory(MemoryOptions(m_options)),
      m_renderer(RendererOptions(m_options), m_memory,
                 [this](size_t offset, const std::string& text) { Log(offset, text); })
{
    Connect();
}

VirtualPrinter::~VirtualPrinter() = default;

bool VirtualPrinter::LoadMemory(std::string& why)
{
    if (m_options.dir.empty())
        return true;
    const std::string path = platform::JoinPath(m_options.dir, kMemoryFile);
    if (::access(path.c_str(), F_OK) != 0)
        return true;
    std::vector<uint8_t> bytes;
    if (!ReadFile(path, bytes, why))
        return false;
    if (!m_memory.Load(bytes)) {
        why = path + ": not a memory file of the virtual printer";
        return false;
    }
    return true;
}

void VirtualPrinter::SaveMemory()
{
    if (m_options.dir.empty())
        return;
    std::string why;
    if (!platform::WriteFileAtomically(platform::JoinPath(m_options.dir, kMemoryFile), m_memory.Save(), why))
        m_log("error: the memory cannot be kept: " + why);
}

void VirtualPrinter::Log(size_t offset, const std::string& text)
{
    if (m_log)
        m_log(Format("%8zu  %s", offset, text.c_str()));
}

void VirtualPrinter::Connect()
{
    StreamDecoder::Options options;
    options.onBadByte = StreamDecoder::OnBadByte::Resync;
    // Data beyond what either memory can hold is read and dropped, never kept.
    options.maxKeptData = std::max<uint64_t>(m_options.capacity, uint64_t{1} << 22);
    m_decoder = std::make_unique<StreamDecoder>(static_cast<StreamHandler&>(*this), options);
    m_unread.clear();
    m_unreadPos = 0;
    m_listing = false;
}

void VirtualPrinter::Disconnect()
{
    // What came before the host hung up is in the printer's buffer: it is read, once
    // the printer has finished writing.
    while (HasUnread()) {
        m_clock.SleepFor(m_clock.Until(m_busyUntil));
        Process();
    }
    m_decoder->Finish();
    Connect();
}

void VirtualPrinter::Receive(const uint8_t* data, size_t size)
{
    if (m_unreadPos == m_unread.size()) {
        m_unread.clear();
        m_unreadPos = 0;
    }
    m_unread.insert(m_unread.end(), data, data + size);
    Process();
}

void VirtualPrinter::Process()
{
    while (HasUnread() && m_clock.Now() >= m_busyUntil)
        m_unreadPos += m_decoder->Feed(m_unread.data() + m_unreadPos, m_unread.size() - m_unreadPos);
}

std::vector<uint8_t> VirtualPrinter::TakeOutput()
{
    std::vector<uint8_t> out;
    out.swap(m_output);
    return out;
}

void VirtualPrinter::Reply(std::vector<uint8_t> bytes)
{
    if (m_log)
        m_log("          answered " + Hex(bytes));
    m_output.insert(m_output.end(), bytes.begin(), bytes.end());
}

void VirtualPrinter::OnEvent(const StreamEvent& event)
{
    m_renderer.OnEvent(event);
    Answer(event);
    AfterCommand();
}

void VirtualPrinter::OnNvImage(const StreamEvent& event, NvDefinition image)
{
    m_listing = false;
    m_renderer.OnNvImage(event, std::move(image));
    AfterCommand();
}

void VirtualPrinter::OnKeyedGraphic(const StreamEvent& event, KeyedGraphic graphic)
{
    m_listing = false;
    m_renderer.OnKeyedGraphic(event, std::move(graphic));
    AfterCommand();
}

void VirtualPrinter::OnError(size_t offset, const std::string& message)
{
    Log(offset, "skipped a byte: " + message);
}

void VirtualPrinter::AfterCommand()
{
    if (!m_renderer.Wrote())
        return;
    SaveMemory();
    if (m_options.busy.count() > 0) {
        m_busyUntil = m_clock.Now() + m_options.busy;
        m_decoder->Pause();
    }
}

void VirtualPrinter::Answer(const StreamEvent& event)
{
    const bool keyed = !m_options.classicOnly;
    const bool inList = m_listing;
    m_listing = false;
    switch (event.kind) {
    case StreamEventKind::PrinterIdRequest:
        Reply({m_options.modelId});
        break;
    case StreamEventKind::RealTimeStatus: {
        // n = 1 offline, 2 printing stopped by paper end, 4 roll paper near end and end.
        const uint8_t paper[] = {0, 0x08, 0x20, 0x00, 0x6C};
        Reply({static_cast<uint8_t>(kStatusBase |
                                    (m_options.paperOut ? paper[std::clamp(event.value, 0, 4)] : 0))});
        break;
    }
    case StreamEventKind::KeyedCapacity:
    case StreamEventKind::KeyedFreeRoom:
        if (keyed) {
            const bool capacity = event.kind == StreamEventKind::KeyedCapacity;
            const std::string digits = std::to_string(
                capacity ? m_memory.Capacity() : std::min(m_memory.Free(), m_memory.Capacity()));
            std::vector<uint8_t> bytes = {0x37, static_cast<uint8_t>(capacity ? 0x30 : 0x31)};
            bytes.insert(bytes.end(), digits.begin(), digits.end());
            bytes.push_back(0);
            Reply(std::move(bytes));
        }
        break;
    case StreamEventKind::KeyedKeyList:
        if (keyed) {
            m_listKeys.clear();
            for (const auto& [key, graphic] : m_memory.KeyedGraphics())
                m_listKeys.push_back(key);
            m_listBlock = 0;
            SendKeyBlock();
        }
        break;
    case StreamEventKind::HostReply:
        if (inList) {
            const bool lastBlock = (m_listBlock + 1) * kKeysPerBlock >= m_listKeys.size();
            if (event.value == 0x15) {
                SendKeyBlock(); // NAK: the same block again
            } else if (event.value == 0x06 && !lastBlock) {
                ++m_listBlock;
                SendKeyBlock();
            }
        }
        break;
    default:
        break;
    }
}

void VirtualPrinter::SendKeyBlock()
{
    const size_t first = m_listBlock * kKeysPerBlock;
    const size_t end = std::min(first + kKeysPerBlock, m_listKeys.size());
    std::vector<uint8_t> bytes = {0x37, 0x72, static_cast<uint8_t>(end < m_listKeys.size() ? 0x41 : 0x40)};
    for (size_t i = first; i < end; ++i)
        bytes.insert(bytes.end(), m_listKeys[i].begin(), m_listKeys[i].end());
    bytes.push_back(0);
    Reply(std::move(bytes));
    m_listing = true;
}
