#pragma once
// A receipt printer in software, for trying everything without one: it reads what the
// host sends as a printer does, keeps both NV memories (FS q images and key-coded
// graphics) across connections and, in its folder, across restarts, and answers:
// GS I 1 with its model byte, DLE EOT 1 to 4 with its status, and the key-coded
// requests (capacity, free room, the key list with its ACK / NAK / CAN handshake).
// Like many printers it erases the FS q images when a key-coded graphic is defined and
// the other way round (unless keepBoth), ignores a definition that does not fit without
// a word, and stops reading for busy after every write to its memory. It saves every
// stored image and every print as a PNG picture in its folder and logs each command
// with its offset in the connection.
//
// No byte stream makes it fail: a byte that fits no command is logged and skipped.
//
// Thread-safety: one thread at a time (the one that serves the connection).
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "download/StreamDecoder.h"
#include "emulator/NvMemory.h"
#include "emulator/StreamRenderer.h"
#include "platform/Clock.h"

struct VirtualPrinterOptions {
    std::string dir;            // memory file and pictures; "" keeps everything in memory, no pictures
    uint64_t capacity = 262144; // key-coded memory in bytes
    std::chrono::milliseconds busy{0};
    bool classicOnly = false; // answers no key-coded request, ignores key-coded commands
    bool keyedOnly = false;   // ignores FS q and FS p
    bool keepBoth = false;    // no erasure across the two memories
    bool paperOut = false;    // DLE EOT tells paper end; prints are not printed
    uint8_t modelId = 0x20;   // the answer to GS I 1
    int maxPictures = 1000;   // pictures written at most while it runs
};

class VirtualPrinter final : private StreamHandler {
public:
    using LogSink = std::function<void(const std::string& line)>;

    VirtualPrinter(VirtualPrinterOptions options, platform::Clock& clock, LogSink log);
    ~VirtualPrinter() override;

    // Reads the memory kept in the folder (none there: empty). False with the reason
    // in why when the file is damaged; the printer then starts empty.
    bool LoadMemory(std::string& why);
    // A new connection: offsets start at 0 again. Disconnect reads what the host sent
    // before it went (waiting out a busy time) and logs a command cut off.
    void Connect();
    void Disconnect();
    // Bytes from the host, in order; read as far as the printer reads now (Process).
    void Receive(const uint8_t* data, size_t size);
    // Reads what was received and not yet read, unless busy.
    void Process();
    // The time the printer reads again (in the past when it reads now).
    platform::Clock::TimePoint BusyUntil() const { return m_busyUntil; }
    bool HasUnread() const { return m_unreadPos < m_unread.size(); }
    // What the printer sent since the last call.
    std::vector<uint8_t> TakeOutput();

    const NvMemory& Memory() const { return m_memory; }

private:
    void OnEvent(const StreamEvent& event) override;
    void OnNvImage(const StreamEvent& event, NvDefinition image) override;
    void OnKeyedGraphic(const StreamEvent& event, KeyedGraphic graphic) override;
    void OnError(size_t offset, const std::string& message) override;

    void Answer(const StreamEvent& event);
    void SendKeyBlock();
    void Reply(std::vector<uint8_t> bytes);
    void AfterCommand();
    void SaveMemory();
    void Log(size_t offset, const std::string& text);

    VirtualPrinterOptions m_options;
    platform::Clock& m_clock;
    LogSink m_log;
    NvMemory m_memory;
    StreamRenderer m_renderer;
    std::unique_ptr<StreamDecoder> m_decoder;
    std::vector<uint8_t> m_unread;
    size_t m_unreadPos = 0;
    std::vector<uint8_t> m_output;
    platform::Clock::TimePoint m_busyUntil{};
    // The key-list handshake: the keys as listed, the block awaiting ACK / NAK / CAN.
    std::vector<std::string> m_listKeys;
    size_t m_listBlock = 0;
    bool m_listing = false;
};
