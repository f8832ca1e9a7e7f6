// The window's port operations over a link: the printer check that precedes a run,
// the Setup page's connection test on either line of systems, and what "FILE" opens.
#include "printer/PrinterPort.h"

#include <gtest/gtest.h>

#include "download/DownloadRun.h"
#include "platform/Version.h"
#include "print/PrintLink.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

using namespace std::chrono_literals;
using testing_support::FakePrinter;

namespace {

using Bytes = std::vector<uint8_t>;
using Shown = std::vector<std::pair<std::string, unsigned>>;
const std::pair<std::string, unsigned> kWriteError = {"ERROR - Write to port.", platform::MB_ICONEXCLAMATION};
const std::pair<std::string, unsigned> kCommError = {"ERROR - Comm.", platform::MB_ICONEXCLAMATION};

class PrinterCheckTest : public ::testing::Test {
protected:
    PrinterCheckTest()
    {
        context.clock = &clock;
        clock.SetRealWait(printer::kSlice); // the fake printer's answers take real time
    }
    Shown Boxes() const
    {
        Shown shown;
        for (const testing_support::ShownBox& box : fake.boxes.shown)
            shown.emplace_back(box.text, box.flags);
        return shown;
    }

    testing_support::FakePlatform fake;
    testing_support::ManualClock clock;
    platform::Context context;
    testing_support::FakeDeviceRoot root{context};
    FakePrinter printer;
};

TEST(WriteTimeoutTest, MIsTheBaudRateBelow9600AndHalfOfItFromThere)
{
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(4800), 4800);
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(9600), 4800);
    EXPECT_EQ(printer::WriteTimeoutPerByteMs(115200), 57600);
}

// Any answer or none: the check only waits its time (500 ms, the test 1 s) for it.
TEST_F(PrinterCheckTest, TheCheckSendsTheRequestAndWaitsItsTimeForAnyAnswer)
{
    const std::tuple<printer::LinkOptions, std::optional<uint8_t>, std::chrono::milliseconds> cases[] = {
        {kDownloadLink, 0x7E, 0ms},
        {kDownloadLink, std::nullopt, 500ms},
        {kConnectionTestLink, std::nullopt, 1000ms}};
    for (const auto& [options, answer, wait] : cases) {
        printer.AnswerWith(answer);
        printer.Clear();
        CPrinterPort port(options);
        ASSERT_TRUE(port.OpenPort(context, printer.Path(), 115200, 8, 0, 0, 0));
        const std::chrono::milliseconds start = clock.Elapsed();
        EXPECT_TRUE(port.CheckPrinter());
        EXPECT_EQ(port.m_nAnswer, answer ? *answer : -1); // not judged
        EXPECT_GE(clock.Elapsed() - start, wait);
        EXPECT_LT(clock.Elapsed() - start, wait + 50ms);
        EXPECT_EQ(printer.Bytes(), (Bytes{0x1D, 0x49, 0x01}));
    }
    EXPECT_TRUE(fake.boxes.shown.empty());
}

TEST_F(PrinterCheckTest, AFailedRequestSaysSoAndFails)
{
    enum Operation { Check, CheckWhileWaiting, Judge };
    const std::pair<Operation, Shown> cases[] = {
        {Check, {kWriteError}},
        {CheckWhileWaiting, {{"GetOverlappedResult (write) failed", platform::MB_OK}, kWriteError}},
        {Judge, {kWriteError}}};
    clock.SetRealWait(1ms); // no answer is awaited: the stall limit may pass quickly
    for (const auto& [operation, expected] : cases) {
        SCOPED_TRACE(operation);
        FakePrinter gone;
        fake.boxes.shown.clear();
        CPrinterPort port(kConnectionTestLink, CPrinterPort::WriteReport::BoxWhenAWaitFails);
        ASSERT_TRUE(port.OpenPort(context, gone.Path(), 115200, 8, 0, 0, 0));
        if (operation == CheckWhileWaiting)
            gone.Stall(); // the write waits and gives up after the stall limit
        else
            gone.HangUp();
        EXPECT_FALSE(operation == Judge ? port.JudgePrinter() : port.CheckPrinter());
        EXPECT_EQ(Boxes(), expected);
        port.Abandon();
    }
}

// The Apply test waits on this system; on the consumer line it judges, and only the
// answer 0x20 passes.
TEST_F(PrinterCheckTest, TheApplyTestWaitsOnThisSystemAndJudgesOnTheConsumerLine)
{
    EXPECT_FALSE(platform::IsConsumerLine(0x80000003)); // bit 31 below major version 4
    const std::tuple<uint32_t, std::optional<uint8_t>, Shown> cases[] = {
        {0x0000000A, 0x21, {}},
        {0xC0000004, 0x20, {}},
        {0xC0000004, 0x21, {kCommError}},
        {0xC0000004, 0x1D, {kCommError}}, // the request's echo
        {0xC0000004, std::nullopt, {kCommError}}};
    for (const auto& [version, answer, expected] : cases) {
        SCOPED_TRACE(answer.value_or(0xFF));
        context.platformVersion = version;
        printer.AnswerWith(answer);
        printer.Clear();
        fake.boxes.shown.clear();
        CPrinterPort port(kConnectionTestLink, CPrinterPort::WriteReport::BoxWhenAWaitFails);
        ASSERT_TRUE(port.OpenPort(context, printer.Path(), 115200, 8, 0, 0, 0));
        EXPECT_EQ(RunPrinterTest(port), expected.empty());
        EXPECT_EQ(Boxes(), expected);
        printer.WaitForBytes(5);
        EXPECT_EQ(printer.Bytes(), (Bytes{0x1B, 0x40, 0x1D, 0x49, 0x01}));
    }
}

// "FILE" asks for a name and takes "temp.prn" in the current folder when the question
// is cancelled; what cannot be opened keeps its error for "ERROR[%d] - ...".
TEST_F(PrinterCheckTest, FileIsTheTypedNameOrTempPrnAndFailuresKeepTheirError)
{
    testing_support::TempDir dir;
    testing_support::ScopedCurrentDir cwd(dir.Path());
    dir.Write("temp.prn", std::string(5000, 'x'));
    const Bytes bytes = {0x1B, 0x40, 0x00, 0x0A, 0x0D, 0xFF};
    fake.files.outputChoices.push_back({true, {"logos.bin"}});
    for (const char* file : {"logos.bin", "temp.prn"}) {
        CPrinterPort port(kDownloadLink, CPrinterPort::WriteReport::Traced);
        ASSERT_TRUE(port.OpenPort(context, "FILE", 115200, 8, 0, 0, 0));
        EXPECT_TRUE(port.m_bToFile);
        EXPECT_TRUE(port.WriteBuffer(bytes.data(), bytes.size()));
        EXPECT_TRUE(port.ClosePort());
        EXPECT_EQ(dir.Read(file), std::string(bytes.begin(), bytes.end()));
    }
    CPrinterPort download(kDownloadLink), print(kPrintLink);
    fake.files.outputChoices.push_back({true, {"no-such-folder/out.prn"}});
    EXPECT_FALSE(download.OpenPort(context, "FILE", 115200, 8, 0, 0, 0));
    EXPECT_EQ(download.m_nOpenError, ENOENT);
    for (const char* name : {"COM1", "LPT1"}) { // no device under the root
        EXPECT_FALSE(download.OpenPort(context, name, 115200, 8, 0, 0, 0)) << name;
        EXPECT_EQ(download.m_nOpenError, ENOENT) << name;
    }
    EXPECT_FALSE(print.OpenPort(context, "FILE", 115200, 8, 0, 0, 0)); // no file target in a print
    EXPECT_EQ(print.m_nOpenError, ENOENT);
}

} // namespace
