#pragma once
// Hosts the Download page as the program does (after the Selection and Preview pages)
// with a virtual serial printer as COM1, the virtual clock, and logos whose dots the
// tests know independently of the converter.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "download/StreamDecoder.h"
#include "platform/Wait.h"
#include "tests/support/FakePrinter.h"
#include "tests/ui/support/PageHarness.h"

class CPage3Upload;
class CPrograss;

namespace testing_support {

// The virtual clock with a hook that runs at every pause, before the pause is taken;
// the hook sees the running progress dialog (null outside a run).
class HookedClock final : public platform::Waiter {
public:
    explicit HookedClock(VirtualClock& clock) : m_clock(clock) {}
    void Sleep(int ms) override;
    void KeepAlive() override { m_clock.KeepAlive(); }
    std::function<void(int ms, CPrograss* dialog)> onSleep;

private:
    VirtualClock& m_clock;
};

class DownloadHarness {
public:
    DownloadHarness();
    ~DownloadHarness();

    PageHarness page; // brings the fake platform, the working folder and the app
    FakeDeviceRoot root;
    FakePrinter printer;
    HookedClock clock{page.fake.clock};
    CPage3Upload* upload = nullptr;

    // Shows the sheet with the three list pages, on the Download page.
    void Show();
    // A 24-bit logo of width x height whose pixel (x, y) is dark where dark(x, y) says
    // so (two greys well away from the threshold of 128).
    std::string Logo(const std::string& name, int width, int height,
                     const std::function<bool(int, int)>& dark);
    // What the printer must print for that logo: the rounded size, the same dots.
    static DotImage Expected(int width, int height, const std::function<bool(int, int)>& dark);
    // Lists a file with this logo number, as start-up does.
    void List(const std::string& path, int number);
    // Port settings as the Setup page commits them.
    void UseSerialPrinter(); // COM1, the virtual printer
    void UseFile();
    // Presses Download; the run (dialog included) is over when it returns.
    void Download();
    // Waits until the printer has everything that was sent, then decodes it.
    DecodedStream Received(size_t atLeast = 1);
    std::string Key(int number) const; // "Logofile<number>" of section LOG, "" when absent
};

} // namespace testing_support
