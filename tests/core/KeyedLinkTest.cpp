// The key-coded runs and the printer's state over a printer link: the busy time of a
// printer that takes nothing while it writes its memory, the state and model requests
// against printers that answer all, part or nothing, and the name of a printer's ledger.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "keyed/KeyedCommands.h"
#include "keyed/KeyedRuns.h"
#include "keyed/LedgerName.h"
#include "keyed/LinkChannel.h"
#include "keyed/PrinterSurvey.h"
#include "printer/OpenLink.h"
#include "printer/StateQuery.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/KeyedChannels.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A link to a scripted printer that, once a graphic or a delete has reached it, takes
// nothing for `busy`: a write meanwhile waits under the link's stall policy, as a
// serial line with DSR held low or a USB transfer left pending does. Reads end at once
// on a cancel, as every link's do.
class BusyLink final : public printer::Link {
public:
    BusyLink(const platform::Context& context, ScriptedPrinter& printer, std::chrono::milliseconds busy)
        : Link(Kind::Serial, "busy", context, {}), m_printer(printer), m_busy(busy)
    {
    }
    Written Write(std::span<const uint8_t> bytes) override
    {
        platform::Clock& clock = m_policy.Clock();
        m_policy.Begin(printer::WaitKind::Write);
        while (clock.Now() < m_busyUntil) {
            if (whileBusy)
                whileBusy();
            clock.SleepFor(printer::kSlice);
            if (const auto verdict = m_policy.Check(); verdict != printer::StallPolicy::Verdict::Wait)
                return {0, true, Note(Ended(verdict))};
        }
        m_printer.Send(bytes);
        m_written += bytes.size();
        // fn 65, 66 and the data after a define's header (fn 67) make the printer write.
        const bool memoryCommand =
            bytes.size() > 6 && bytes[0] == 0x1D && bytes[6] >= 0x41 && bytes[6] <= 0x43;
        if ((memoryCommand && bytes[6] != 0x43) || m_defineHeader)
            m_busyUntil = clock.Now() + m_busy;
        m_defineHeader = memoryCommand && bytes[6] == 0x43;
        return {bytes.size(), false, {}};
    }
    bool WriteAtOnce(std::span<const uint8_t> bytes) override { return Write(bytes).Complete(bytes.size()); }
    long Read(std::span<uint8_t> into, std::chrono::milliseconds wait) override
    {
        return m_policy.CancelledNow() ? 0 : m_printer.Receive(into, wait);
    }
    printer::LinkStatus Drain() override { return {}; }
    printer::LinkStatus Close() override { return {}; }
    void Abandon() override {}
    bool IsOpen() const override { return true; }

    std::function<void()> whileBusy;

private:
    ScriptedPrinter& m_printer;
    std::chrono::milliseconds m_busy;
    platform::Clock::TimePoint m_busyUntil{};
    bool m_defineHeader = false;
};

printer::PortRecord Port(const std::string& name)
{
    printer::PortRecord port;
    port.m_strPortDevice = name;
    return port;
}

class KeyedLinkTest : public ::testing::Test, protected ManualContext { // the stall limit stays 30 s
protected:
    keyed::RunResult Store(BusyLink& link, const std::vector<std::string>& keys)
    {
        keyed::LinkChannel channel(link, {nullptr, &cancel});
        keyed::RunContext run(channel, clock, cancel);
        std::vector<keyed::KeyedLogo> logos;
        for (const std::string& key : keys)
            logos.push_back({key, WriteSolidBmp(dir.File(key + ".bmp"), 64, 16), {}});
        keyed::Ledger ledger("busy", "");
        return keyed::StoreLogos(run, logos, ledger);
    }

    ScriptedPrinter printer{clock};
    printer::CancelToken cancel{false};
    TempDir dir;
};

TEST_F(KeyedLinkTest, ABusyTimeBeyondTheStallLimitIsWaitedOutAndAStopWaitsForIt)
{
    printer.Holds(200000, {});
    printer.Answer({keyed::RequestFreeRoom(), {NumberReply(0x31, 199000)}});
    printer.Holds(200000, {"L1"});
    BusyLink link(context, printer, 35s);
    keyed::RunResult result = Store(link, {"L1"});
    EXPECT_EQ(result.outcome, keyed::Outcome::Done) << result.message;
    EXPECT_THAT(result.stored, ElementsAre("L1"));
    EXPECT_EQ(link.Policy().Supervision().patience, 0ms); // the stall limit is back

    // A stop while the printer writes L1: L1 is finished and verified, L2 never sent.
    printer.Holds(200000, {});
    printer.Answer({keyed::RequestFreeRoom(), {NumberReply(0x31, 199000)}});
    printer.Holds(200000, {"L1"});
    BusyLink stopped(context, printer, 35s);
    stopped.whileBusy = [this] { cancel = true; };
    result = Store(stopped, {"L1", "L2"});
    EXPECT_EQ(result.outcome, keyed::Outcome::Stopped) << result.message;
    EXPECT_THAT(result.message, HasSubstr("Stopped after the printer had finished writing L1."));
    EXPECT_THAT(result.stored, ElementsAre("L1"));

    // Beyond the busy limit the printer is given up on.
    cancel = false;
    printer.Holds(200000, {});
    BusyLink stuck(context, printer, 200s);
    result = Store(stuck, {"L1"});
    EXPECT_EQ(result.outcome, keyed::Outcome::Failed);
    EXPECT_THAT(result.message, HasSubstr("did not finish writing its memory within 150 s"));
}

// A printer that takes nothing before the busy time is a stalled printer: the stall
// limit applies, and a stop ends the send, naming the logo it cut.
TEST_F(KeyedLinkTest, AStopWhileThePrinterTakesNothingEndsTheSend)
{
    BusyLink link(context, printer, 35s);
    keyed::LinkChannel channel(link, {nullptr, &cancel});
    ASSERT_TRUE(channel.Send(keyed::DeleteKey("L9"))); // the printer is busy from now on
    link.whileBusy = [this] { cancel = true; };
    EXPECT_FALSE(channel.Send(keyed::RequestCapacity()));
    EXPECT_EQ(link.LastFailure().code, printer::LinkStatus::Code::Cancelled);
}

class PrinterQueryTest : public ::testing::Test, protected ManualContext {
protected:
    PrinterQueryTest() { clock.SetRealWait(20ms); } // the fake printers answer in real time
};

// Printers on a serial line that answer DLE EOT fully, in part, after noise, or not
// at all; the raw answers are kept.
TEST_F(PrinterQueryTest, AnswersAreAwaitedOneByOneAndNoiseIsSkipped)
{
    const auto ask = [&](FakePrinter& fake, std::optional<uint8_t>* model = nullptr) {
        printer::LinkStatus status;
        auto link = printer::OpenDevice(context, fake.Port(), {}, {}, true, status);
        EXPECT_TRUE(link) << status.Describe();
        printer::PrinterState state = link ? printer::AskPrinterState(*link) : printer::PrinterState{};
        if (link && model)
            *model = printer::AskModelId(*link);
        return state;
    };
    FakePrinter all;
    all.AnswerStatus({0x16, 0x32, 0x12, 0x1E}, {0x20, 0x11, 0x00});
    std::optional<uint8_t> model;
    printer::PrinterState state = ask(all, &model);
    EXPECT_THAT(state.raw, ElementsAre(0x16, 0x32, 0x12, 0x1E));
    EXPECT_EQ(model, 0x20); // GS I 1's answer, after the state answers and their noise

    FakePrinter partial;
    partial.AnswerStatus({0x12, 0x16, std::nullopt, std::nullopt});
    state = ask(partial);
    EXPECT_TRUE(state.Answered());
    EXPECT_THAT(state.raw, ElementsAre(0x12, 0x16, std::nullopt, std::nullopt));

    FakePrinter silent;
    const auto before = clock.Now();
    state = ask(silent);
    EXPECT_FALSE(state.Answered());
    ASSERT_TRUE(silent.Drain());
    EXPECT_EQ(silent.Bytes(), (Bytes{0x10, 0x04, 0x01})); // no time spent on 2, 3 and 4
    EXPECT_LT(clock.Now() - before, 1s);
}

// A printer that answers the real-time requests but processes nothing else (its
// buffer is stalled): its state comes, the model and the memory do not, and the
// survey ends within its deadlines.
TEST_F(PrinterQueryTest, APrinterThatAnswersStatusButStallsOnDataIsSurveyedInTime)
{
    FakeNetPrinter fake;
    fake.AnswerWith(std::nullopt);
    fake.AnswerStatus({0x12, 0x12, 0x12, 0x12});
    printer::LinkStatus status;
    auto link = printer::OpenLink(context, Port(fake.Port()), {}, status);
    ASSERT_TRUE(link) << status.Describe();
    const keyed::Survey survey = keyed::SurveyPrinter(*link, {});
    EXPECT_EQ(printer::StateSummary(survey.state), "Ready.");
    EXPECT_FALSE(survey.model);
    EXPECT_FALSE(survey.memory);
    EXPECT_LE(survey.took, 500ms + 500ms + 1000ms + 4 * printer::kSlice);
}

TEST_F(PrinterQueryTest, WhichRunsAskFirst)
{
    using printer::AskState;
    using Kind = printer::Link::Kind;
    for (const Kind kind : {Kind::Serial, Kind::PrinterDevice}) {
        EXPECT_FALSE(printer::AsksStateFirst(kind, false, AskState::ByPort)); // the old bytes exactly
        EXPECT_TRUE(printer::AsksStateFirst(kind, true, AskState::ByPort));
        EXPECT_TRUE(printer::AsksStateFirst(kind, false, AskState::Always));
    }
    EXPECT_TRUE(printer::AsksStateFirst(Kind::Network, false, AskState::ByPort));
    EXPECT_FALSE(printer::AsksStateFirst(Kind::Network, true, AskState::Never));
    EXPECT_FALSE(printer::AsksStateFirst(Kind::File, true, AskState::Always));
}

TEST_F(PrinterQueryTest, TheLedgerIsNamedByAddressThenUsbSerialNumberThenPort)
{
    const std::string device = root.AddFile("usb/lp0");
    std::filesystem::create_directories(root.Path() + "/sys/class/usbmisc/lp0/device");
    std::ofstream(root.Path() + "/sys/class/usbmisc/lp0/device/ieee1284_id")
        << "MFG:Acme;CMD:ESC/POS;MDL:TM-1;SERIALNUMBER:X2HF012345;";
    printer::LinkStatus status;
    auto usb = printer::OpenDevice(context, device, {}, {}, true, status);
    ASSERT_TRUE(usb) << status.Describe();
    EXPECT_EQ(keyed::LedgerName(context, *usb, "LPT1"), "Acme TM-1 SN:X2HF012345");
    std::ofstream(root.Path() + "/sys/class/usbmisc/lp0/device/ieee1284_id") << "MFG:Acme;MDL:TM-1;";
    EXPECT_EQ(keyed::LedgerName(context, *usb, "LPT1"), "LPT1");

    FakeNetPrinter net;
    auto tcp = printer::OpenLink(context, Port(net.Port()), {}, status);
    ASSERT_TRUE(tcp) << status.Describe();
    EXPECT_EQ(keyed::LedgerName(context, *tcp, "whatever"),
              "tcp://127.0.0.1:" + std::to_string(net.TcpPort()));
}

} // namespace
