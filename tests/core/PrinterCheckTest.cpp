// The check that precedes a run and the Setup page's Apply test, as jobs: what goes on
// the wire, how long the answer is awaited, what the end value says and what the
// window is told of it; and what "FILE" opens.
#include "jobs/PrinterCheck.h"

#include <gtest/gtest.h>

#include "jobs/CheckJob.h"
#include "jobs/DownloadJob.h"
#include "jobs/RunMessages.h"
#include "platform/MessageBox.h"
#include "platform/Version.h"
#include "print/PrintLink.h"
#include "printer/OpenLink.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/NetVirtualPrinter.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

using namespace std::chrono_literals;
using testing_support::FakePrinter;

namespace {

using Bytes = std::vector<uint8_t>;
using Shown = std::vector<jobs::RunMessage>;
const jobs::RunMessage kWriteError = {"ERROR - Write to port.", platform::MB_ICONEXCLAMATION};
const jobs::RunMessage kCommError = {"ERROR - Comm.", platform::MB_ICONEXCLAMATION};

class PrinterCheckTest : public ::testing::Test, protected testing_support::ManualContext {
protected:
    PrinterCheckTest() { clock.SetRealWait(printer::kSlice); } // the fake printer's answers take real time
    static printer::PortRecord Port(const std::string& device)
    {
        printer::PortRecord port;
        port.m_strPortDevice = device;
        port.m_dwBaudRate = 115200;
        port.m_byByteSize = 8;
        return port;
    }
    std::unique_ptr<printer::Link> Open(const std::string& device, const printer::LinkOptions& options)
    {
        printer::LinkStatus status;
        return printer::OpenLink(context, Port(device), options, status);
    }
    jobs::CheckEnd Apply(const std::string& device, bool judging,
                         printer::AskState askState = printer::AskState::ByPort)
    {
        jobs::CheckRequest request;
        request.port = Port(device);
        request.judging = judging;
        request.askState = askState;
        return jobs::RunCheck(context, request, cancel);
    }

    FakePrinter printer;
    printer::CancelToken cancel{false};
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
        {jobs::kDownloadLink, 0x7E, 0ms},
        {jobs::kDownloadLink, std::nullopt, 500ms},
        {jobs::kConnectionTestLink, std::nullopt, 1000ms}};
    for (const auto& [options, answer, wait] : cases) {
        printer.AnswerWith(answer);
        printer.Clear();
        std::unique_ptr<printer::Link> link = Open(printer.Path(), options);
        ASSERT_TRUE(link);
        const std::chrono::milliseconds start = clock.Elapsed();
        const jobs::CheckResult check = jobs::CheckPrinter(*link, options.answerWait);
        EXPECT_TRUE(check.written);
        EXPECT_EQ(check.answer, answer ? *answer : -1); // not judged
        EXPECT_GE(clock.Elapsed() - start, wait);
        // An answer ends the wait before its time, however late the printer's thread sends it.
        EXPECT_LT(clock.Elapsed() - start, answer ? options.answerWait : wait + 50ms);
        EXPECT_EQ(printer.Bytes(), (Bytes{0x1D, 0x49, 0x01}));
    }
}

// A request the printer does not take fails the check; the window says so, and first
// that a wait failed when the write had to wait.
TEST_F(PrinterCheckTest, AFailedRequestSaysSo)
{
    enum Operation { CheckWhileWaiting, Check, Judge };
    clock.SetRealWait(1ms); // no answer is awaited: the stall limit may pass quickly
    for (const Operation operation : {CheckWhileWaiting, Check, Judge}) {
        SCOPED_TRACE(operation);
        FakePrinter gone;
        std::unique_ptr<printer::Link> link = Open(gone.Path(), jobs::kConnectionTestLink);
        ASSERT_TRUE(link);
        if (operation == CheckWhileWaiting)
            gone.Stall(); // the write waits and gives up after the stall limit
        else
            gone.HangUp();
        const jobs::CheckResult check =
            operation == Judge ? jobs::JudgePrinter(*link, 1000ms) : jobs::CheckPrinter(*link, 1000ms);
        EXPECT_FALSE(check.written);
        EXPECT_EQ(check.waited, operation == CheckWhileWaiting);
        EXPECT_EQ(check.failure.Ok(), operation == Judge); // a write that may not wait has no cause
        link->Abandon();
    }
    jobs::CheckEnd end;
    end.result = jobs::CheckEnd::Result::RequestNotWritten;
    EXPECT_EQ(jobs::CheckMessages(end), Shown{kWriteError});
    end.waitedWriteFailed = true;
    EXPECT_EQ(jobs::CheckMessages(end),
              (Shown{{"GetOverlappedResult (write) failed", platform::MB_OK}, kWriteError}));
    EXPECT_EQ(jobs::CheckSummary(end), "The printer did not answer.");
}

// The Apply test waits on this system; on the consumer line it judges, and only the
// answer 0x20 passes. The status line shows the model byte that came.
TEST_F(PrinterCheckTest, TheApplyTestWaitsOnThisSystemAndJudgesOnTheConsumerLine)
{
    EXPECT_FALSE(platform::IsConsumerLine(0x80000003)); // bit 31 below major version 4
    const std::tuple<uint32_t, std::optional<uint8_t>, Shown, std::string> cases[] = {
        {0x0000000A, 0x21, {}, "The printer answered. Model 0x21."},
        {0x0000000A, std::nullopt, {}, "The printer did not answer."},
        {0xC0000004, 0x20, {}, "The printer answered. Model 0x20."},
        {0xC0000004, 0x21, {kCommError}, "The printer answered. Model 0x21."},
        {0xC0000004, 0x1D, {kCommError}, "The printer answered. Model 0x1D."}, // the request's echo
        {0xC0000004, std::nullopt, {kCommError}, "The printer did not answer."}};
    for (const auto& [version, answer, expected, summary] : cases) {
        SCOPED_TRACE(answer.value_or(0xFF));
        printer.AnswerWith(answer);
        printer.Clear();
        const jobs::CheckEnd end = Apply(printer.Path(), platform::IsConsumerLine(version));
        EXPECT_EQ(jobs::CheckMessages(end), expected);
        EXPECT_EQ(jobs::CheckSummary(end), summary);
        printer.WaitForBytes(5);
        EXPECT_EQ(printer.Bytes(), (Bytes{0x1B, 0x40, 0x1D, 0x49, 0x01}));
    }
}

// Asked its state (a network printer always, a serial one when the user wants it),
// the printer's own words and its model byte make Apply's status line.
TEST_F(PrinterCheckTest, TheApplyLineShowsThePrintersStateAndModel)
{
    for (const bool paperOut : {false, true}) {
        testing_support::NetVirtualPrinter network({.dir = "", .paperOut = paperOut, .modelId = 0x21}, clock);
        const jobs::CheckEnd end = Apply("NET:" + network.Port().substr(6), false);
        EXPECT_TRUE(end.state.asked);
        EXPECT_EQ(jobs::CheckSummary(end), paperOut ? "Out of paper. Model 0x21." : "Ready. Model 0x21.");
        EXPECT_TRUE(jobs::CheckMessages(end).empty()); // the test itself went through
    }
    printer.AnswerWith(0x20);
    const jobs::CheckEnd end = Apply(printer.Path(), false, printer::AskState::Always);
    EXPECT_EQ(jobs::CheckSummary(end), "The printer answered. Model 0x20."); // it tells no state
    printer.WaitForBytes(8);
    EXPECT_EQ(printer.Bytes(), (Bytes{0x10, 0x04, 0x01, 0x1B, 0x40, 0x1D, 0x49, 0x01}));
}

// "FILE" is the name the user typed, or temp.prn in the current folder; what cannot be
// opened keeps its error for "ERROR[%d] - ...".
TEST_F(PrinterCheckTest, FileIsTheGivenNameAndFailuresKeepTheirError)
{
    testing_support::TempDir dir;
    testing_support::ScopedCurrentDir cwd(dir.Path());
    dir.Write("temp.prn", std::string(5000, 'x'));
    const Bytes bytes = {0x1B, 0x40, 0x00, 0x0A, 0x0D, 0xFF};
    for (const char* file : {"logos.bin", "temp.prn"}) {
        jobs::StartRequest request{{}, jobs::kDownloadLink, file};
        request.port.m_strPortDevice = "FILE";
        jobs::RunStart start;
        std::unique_ptr<printer::Link> link = jobs::StartRun(context, request, {}, start);
        ASSERT_TRUE(link);
        EXPECT_TRUE(start.toFile);
        EXPECT_TRUE(link->Write(bytes).Complete(bytes.size()));
        EXPECT_TRUE(jobs::EndRun(*link).Ok());
        EXPECT_EQ(dir.Read(file), std::string(bytes.begin(), bytes.end())); // no check, no ESC @
    }
    const std::pair<const char*, printer::LinkOptions> failing[] = {
        {"FILE", jobs::kDownloadLink},
        {"COM1", jobs::kDownloadLink},
        {"LPT1", jobs::kDownloadLink},
        {"FILE", kPrintLink}}; // no device under the root; no file target in a print
    for (const auto& [name, options] : failing) {
        jobs::StartRequest request{{}, options, "no-such-folder/out.prn"};
        request.port.m_strPortDevice = name;
        jobs::RunStart start;
        EXPECT_FALSE(jobs::StartRun(context, request, {}, start)) << name;
        EXPECT_EQ(start.result, jobs::RunStart::Result::NotOpened);
        EXPECT_EQ(start.status.error, ENOENT) << name;
    }
}

} // namespace
