// libFuzzer target for the virtual printer and the stream decoder it shares with
// render: any bytes, in pieces whose sizes the input chooses, must be read without a
// fault, and the printer must answer the same whether the bytes come whole or in
// pieces.
//   cmake --preset fuzz && cmake --build --preset fuzz --target VirtualPrinterFuzz
//   build/fuzz/tests/fuzz/VirtualPrinterFuzz -max_total_time=300 <corpus folder>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "download/StreamDecoder.h"
#include "emulator/VirtualPrinter.h"

namespace {

// Time stands still: the printer is never busy for the fuzzer.
class StillClock final : public platform::Clock {
public:
    TimePoint Now() const override { return TimePoint{}; }
    void SleepFor(std::chrono::milliseconds) override {}
    int Poll(int, short, std::chrono::milliseconds) override { return 0; }
};

std::vector<uint8_t> Serve(const uint8_t* data, size_t size, size_t piece, std::vector<std::string>& log)
{
    StillClock clock;
    VirtualPrinterOptions options;
    options.capacity = 4096;
    VirtualPrinter printer(options, clock, [&](const std::string& line) { log.push_back(line); });
    for (size_t at = 0; at < size; at += piece)
        printer.Receive(data + at, std::min(piece, size - at));
    printer.Disconnect();
    return printer.TakeOutput();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t piece = 1 + data[0] % 16;
    std::vector<std::string> wholeLog, piecesLog;
    const std::vector<uint8_t> whole = Serve(data + 1, size - 1, size, wholeLog);
    const std::vector<uint8_t> pieces = Serve(data + 1, size - 1, piece, piecesLog);
    if (whole != pieces || wholeLog != piecesLog)
        std::abort();
    const DecodedStream decoded = DecodeStream(data + 1, size - 1);
    if (!decoded.complete && decoded.errorOffset >= size)
        std::abort();
    return 0;
}
