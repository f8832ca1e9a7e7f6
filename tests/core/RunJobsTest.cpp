// The download and print jobs on a printer: what a stop owes the printer, Cancel while
// it writes, in the erase pause and in the drain (in the lookup and the connect: the
// link's test), the printer's state before anything is sent, and what the window and the
// command line are told of each end, in order.
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "download/StreamDecoder.h"
#include "jobs/DownloadJob.h"
#include "jobs/KeyedJob.h"
#include "jobs/PrintJob.h"
#include "jobs/RunMessages.h"
#include "platform/MessageBox.h"
#include "printer/PortNames.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/NetVirtualPrinter.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

using namespace std::chrono_literals;
using namespace testing_support;
using ::testing::ElementsAre;
using Bytes = std::vector<uint8_t>;
using Result = jobs::DownloadEnd::Result;

namespace {

const jobs::RunMessage kWriteError = {"ERROR - Write to port.", platform::MB_ICONEXCLAMATION};

// Calls what the test wants at the job's moments, on the job's thread.
class Hooks final : public jobs::RunObserver {
public:
    void OnStatus(const std::string& text) override
    {
        if (onStatus)
            onStatus(text);
    }
    void OnImageSent(int number, int, int, int, const std::string&) override
    {
        if (onImageSent)
            onImageSent(number);
    }
    void OnNotTakingData(const printer::WaitReport& report) override
    {
        notTakingData = printer::NotTakingDataText(report);
        if (onNotTakingData)
            onNotTakingData();
    }
    std::function<void(const std::string&)> onStatus;
    std::function<void(int)> onImageSent;
    std::function<void()> onNotTakingData;
    std::string notTakingData;
};

class RunJobsTest : public ::testing::Test, protected ManualContext {
protected:
    RunJobsTest()
    {
        context.stallLimit = 10min; // a stall ends only by Cancel
        clock.SetRealWait(printer::kSlice);
    }
    // Five black 8 x 8 logos for the serial printer (COM1 of the device tree).
    jobs::DownloadRequest FiveLogos(const std::string& device)
    {
        jobs::DownloadRequest request;
        request.start.port.m_strPortDevice = device;
        request.start.port.m_dwBaudRate = 115200;
        request.start.port.m_byByteSize = 8;
        for (int i = 1; i <= 5; ++i) {
            const std::string name = std::to_string(i) + ".bmp";
            request.logos.push_back({i - 1, WriteSolidBmp(dir.File(name), 8, 8), name, 8, false, {}});
        }
        return request;
    }
    jobs::DownloadEnd Run(const jobs::DownloadRequest& request, Hooks* hooks = nullptr)
    {
        return jobs::RunDownload(context, request, cancel, hooks);
    }

    TempDir dir;
    printer::CancelToken cancel{false};
};

// Stopped after image k (or during the erase pause, before any): the images begun went
// out whole, then one group of 00 00 00 00 more than the definitions still owed, then
// a pause of no length.
TEST_F(RunJobsTest, AStopCompletesTheDefinitionsOwed)
{
    for (const int after : {0, 2, 5}) {
        SCOPED_TRACE(after);
        FakePrinter printer;
        const jobs::DownloadRequest request = FiveLogos(printer.Path());
        Hooks hooks;
        hooks.onStatus = [&](const std::string& text) {
            if (after == 0 && text == "Erasing...")
                cancel.store(true);
        };
        hooks.onImageSent = [&](int number) {
            if (number == after)
                cancel.store(true);
        };
        clock.ClearSleeps();
        cancel.store(false);
        const jobs::DownloadEnd end = Run(request, &hooks);
        const size_t sent = 5 + 3 + static_cast<size_t>(after) * 12;
        if (after == 5) { // nothing more to stop: the run is complete
            EXPECT_EQ(end.result, Result::Completed);
            EXPECT_EQ(end.stored.size(), 5u);
            continue;
        }
        EXPECT_EQ(end.result, Result::Stopped);
        EXPECT_EQ(end.groups, 5 - after + 1);
        EXPECT_TRUE(jobs::DownloadMessages(end).empty());
        EXPECT_TRUE(end.stored.empty());
        ASSERT_TRUE(printer.WaitForBytes(sent + 4 * static_cast<size_t>(end.groups)));
        const Bytes bytes = printer.Bytes();
        EXPECT_EQ(Bytes(bytes.begin() + static_cast<long>(sent), bytes.end()),
                  Bytes(4 * static_cast<size_t>(end.groups), 0));
        std::vector<int> pauses = {3500};
        pauses.insert(pauses.end(), static_cast<size_t>(after), 10);
        pauses.push_back(0);
        EXPECT_EQ(clock.Sleeps(), pauses);
    }
}

// A printer that stops taking data in the middle of an image, or once everything is
// written (the drain before the close): the run says why, and Cancel ends it at once,
// with nothing owed and no message.
TEST_F(RunJobsTest, CancelEndsARunWhosePrinterTakesNothing)
{
    context.slowPrinterAfter = 50ms;
    for (const bool inTheDrain : {false, true}) {
        SCOPED_TRACE(inTheDrain);
        FakeNetPrinter network({.receiveBuffer = 4096});
        FakePrinter serial;
        jobs::DownloadRequest request = FiveLogos(inTheDrain ? serial.Path() : "NET:" + network.Address());
        if (inTheDrain) { // everything written, but the line's queue never empties
            context.outputQueue = [](int) { return 1; };
        } else {
            request.logos.resize(1);
            request.logos[0].path = WriteSolidBmp(dir.File("big.bmp"), 2048, 160); // 40960 bytes
            network.StallAfter(3 + 5 + 3 + 4 + 1000);
        }
        Hooks hooks;
        hooks.onNotTakingData = [&] { cancel.store(true); };
        cancel.store(false);
        const std::chrono::milliseconds start = clock.Elapsed();
        const jobs::DownloadEnd end = Run(request, &hooks);
        EXPECT_EQ(end.result, Result::GaveUp);
        EXPECT_THAT(hooks.notTakingData, ::testing::StartsWith("The printer is not taking data"));
        EXPECT_LT(clock.Elapsed() - start, 10s); // far inside the stall limit
        EXPECT_TRUE(jobs::DownloadMessages(end).empty());
    }
}

// Paper out, as the network printer tells it: nothing but the state question is sent,
// and the window says why.
TEST_F(RunJobsTest, APrinterOutOfPaperIsSentNothingButTheQuestion)
{
    NetVirtualPrinter network({.dir = "", .paperOut = true}, clock);
    const jobs::DownloadEnd refused = Run(FiveLogos(network.Port()));
    EXPECT_EQ(refused.result, Result::NotStarted);
    EXPECT_EQ(refused.start.result, jobs::RunStart::Result::Blocked);
    EXPECT_THAT(jobs::DownloadMessages(refused),
                ElementsAre(jobs::RunMessage{"The printer is out of paper.", platform::MB_ICONEXCLAMATION}));
    const Bytes received = network.Received();
    ASSERT_FALSE(received.empty());
    for (size_t i = 0; i < received.size(); i += 3)
        EXPECT_EQ(Bytes(received.begin() + static_cast<long>(i), received.begin() + static_cast<long>(i) + 2),
                  (Bytes{0x10, 0x04}));
}

// An output file cannot answer key-coded requests: such a run is refused before any file
// is made, and says what to change.
TEST_F(RunJobsTest, AKeyedRunIntoAFileIsRefusedBeforeTheFileIsMade)
{
    jobs::KeyedRequest request;
    request.action = jobs::KeyedAction::Store;
    request.start.port.m_strPortDevice = printer::kFileDevice;
    request.start.outputFile = dir.File("temp.prn");
    request.ledgerDir = dir.File("ledgers");
    const jobs::KeyedEnd end = jobs::RunKeyed(context, request, cancel);
    EXPECT_TRUE(end.toFile);
    EXPECT_FALSE(end.ran);
    EXPECT_FALSE(std::filesystem::exists(dir.File("temp.prn")));
    const std::vector<jobs::RunMessage> messages = jobs::KeyedMessages(end);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_THAT(messages[0].text, ::testing::HasSubstr("\"Print To File\" off"));
}

// What the window shows after each end, in order, and the command line prints.
TEST(RunMessagesTest, EachEndSaysWhatHappenedInOrder)
{
    jobs::DownloadEnd end;
    end.result = Result::Completed;
    end.emptyImages = {{3, "/logos/gone.bmp"}};
    const auto texts = [](const std::vector<jobs::RunMessage>& messages) {
        std::vector<std::string> all;
        for (const jobs::RunMessage& message : messages) {
            EXPECT_EQ(message.flags, platform::MB_ICONEXCLAMATION);
            all.push_back(message.text);
        }
        return all;
    };
    EXPECT_THAT(texts(jobs::DownloadMessages(end, "/work/NvLogo.ini")),
                ElementsAre("Complete the NV bit image definition.\r\nPlease wait some paper feed.",
                            ::testing::HasSubstr("NV image 3: /logos/gone.bmp\r\n"),
                            ::testing::HasSubstr("/work/NvLogo.ini")));
    end.result = Result::Stopped;
    end.groupsFailed = 2;
    EXPECT_THAT(jobs::DownloadMessages(end, "/work/NvLogo.ini"),
                ElementsAre(kWriteError, kWriteError,
                            ::testing::Field(&jobs::RunMessage::text, ::testing::HasSubstr("gone.bmp"))));

    jobs::DownloadEnd notOpened;
    notOpened.start.status.error = ENOENT;
    EXPECT_THAT(texts(jobs::DownloadMessages(notOpened)), ElementsAre("ERROR[2] - Open port or file."));
    notOpened.deleteAll = true;
    EXPECT_THAT(texts(jobs::DownloadMessages(notOpened)), ElementsAre("ERROR - Open port."));
    notOpened.start.status.code = printer::LinkStatus::Code::Cancelled;
    EXPECT_TRUE(jobs::DownloadMessages(notOpened).empty());

    jobs::PrintEnd print;
    print.result = jobs::PrintEnd::Result::NotStarted;
    EXPECT_THAT(texts(jobs::PrintMessages(print)), ElementsAre("ERROR - Port open."));
    print.start.result = jobs::RunStart::Result::InitNotWritten;
    EXPECT_THAT(texts(jobs::PrintMessages(print)), ElementsAre("ERROR - Write to port."));
    print.result = jobs::PrintEnd::Result::WriteFailed;
    EXPECT_THAT(texts(jobs::PrintMessages(print)), ElementsAre("Communication error. Can not transimitted."));
}

} // namespace
