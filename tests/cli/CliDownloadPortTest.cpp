// nivora-cli download -p: the window's whole download on a port, run in this process
// against a virtual printer with the virtual clock (the real program would pause 3.5 s).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>

#include "app/SharedRecord.h"
#include "download/StreamDecoder.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"
#include "tools/cli/Command.h"

using namespace testing_support;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

struct InProcessRun {
    int status;
    std::string out;
    std::string err;
};

class CliDownloadPortTest : public ::testing::Test {
protected:
    CliDownloadPortTest() { root.Link("ttyS0", printer.Path()); }

    // Each run starts from the record the program starts with.
    InProcessRun Download(std::vector<std::string> args)
    {
        ResetSharedRecord();
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = cli::Registry::Find("download")->run(args);
        return {status, ::testing::internal::GetCapturedStdout(), ::testing::internal::GetCapturedStderr()};
    }
    // A black picture.
    std::string Bmp(const std::string& name, int width, int height)
    {
        WriteSolidBmp(dir.File(name), width, height, 0);
        return dir.File(name);
    }
    DecodedStream Received(size_t bytes)
    {
        printer.WaitForBytes(bytes);
        return DecodeStream(printer.Bytes());
    }

    FakePlatform fake;
    FakeDeviceRoot root;
    FakePrinter printer;
    TempDir dir;
};

TEST_F(CliDownloadPortTest, SendsTheWindowsDownloadToASerialPrinter)
{
    const std::string a = Bmp("a.bmp", 100, 50), b = Bmp("b.bmp", 8, 8);
    for (const std::string& port : {std::string("COM1"), printer.Path()}) {
        printer.Clear();
        fake.clock.sleeps.clear();
        const InProcessRun run = Download({"-p", port, "--baud", "9600", "-v", a, b});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "NV image 1: 104 x 56 dots, 728 bytes, " + a +
                               "\nNV image 2: 8 x 8 dots, 8 bytes, " + b + "\n");
        EXPECT_THAT(run.err,
                    HasSubstr("Complete the NV bit image definition.\nPlease wait some paper feed.\n"));
        const DecodedStream stream = Received(5 + 3 + 4 + 728 + 4 + 8);
        ASSERT_TRUE(stream.complete);
        ASSERT_EQ(stream.events.size(), 5u);
        EXPECT_EQ(stream.events[0].kind, StreamEventKind::PrinterIdRequest);
        EXPECT_EQ(stream.events[1].kind, StreamEventKind::Initialize);
        EXPECT_EQ(stream.events[2].value, 2);
        EXPECT_EQ(stream.definitions[0].WidthDots(), 104);
        EXPECT_EQ(stream.definitions[1].raster, Bytes(8, 0xFF));
        EXPECT_THAT(fake.clock.sleeps, ElementsAre(3500, 10, 10, 10));
    }
}

TEST_F(CliDownloadPortTest, TheParallelPortGetsNoReset)
{
    const std::string device = root.AddFile("usb/lp0");
    ASSERT_EQ(Download({"-p", "LPT1", Bmp("a.bmp", 8, 8)}).status, 0);
    const std::string text = cli_test::ReadFileText(device);
    EXPECT_EQ(Bytes(text.begin(), text.end()), Bytes({0x1D, 0x49, 0x01, 0x1C, 0x71, 0x01, 0x01, 0x00, 0x01,
                                                      0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(CliDownloadPortTest, WithoutFilesEveryImageIsDeleted)
{
    const InProcessRun run = Download({"-p", "COM1"});
    ASSERT_EQ(run.status, 0) << run.err;
    printer.WaitForBytes(12);
    EXPECT_EQ(printer.Bytes(), Bytes({0x1D, 0x49, 0x01, 0x1B, 0x40, 0x1C, 0x71, 0x01, 0, 0, 0, 0}));
    EXPECT_TRUE(fake.clock.sleeps.empty());
}

TEST_F(CliDownloadPortTest, APortThatCannotBeOpenedIsNamedWithTheWindowsMessage)
{
    InProcessRun run = Download({"-p", "COM7", Bmp("a.bmp", 8, 8)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "nivora-cli: COM7 (" + root.Device("ttyS6") + "): ERROR[2] - Open port or file.\n");
    run = Download({"-p", "COM7"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("ERROR - Open port."));
    EXPECT_TRUE(printer.Bytes().empty());
}

// Ctrl-C stops between two images; the printer gets the definitions it is owed.
TEST_F(CliDownloadPortTest, ControlCStopsBetweenImagesAndCompletesTheDefinitions)
{
    class InterruptingClock final : public platform::Waiter {
    public:
        void Sleep(int ms) override
        {
            if (ms == 10 && ++pieces == 2)
                std::raise(SIGINT);
        }
        int pieces = 0;
    } clock;
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
    platform::SetWaiter(&clock);
    std::vector<std::string> args = {"-p", "COM1"};
    for (int i = 0; i < 5; ++i)
        args.push_back(Bmp("l" + std::to_string(i) + ".bmp", 8, 8));
    const InProcessRun run = Download(args);
    platform::SetWaiter(&fake.clock);

    EXPECT_EQ(run.status, 130);
    EXPECT_THAT(run.err, HasSubstr("stopped after 2 of 5 images"));
    const size_t sent = 5 + 3 + 2 * 12;
    printer.WaitForBytes(sent + 16);
    const Bytes bytes = printer.Bytes();
    ASSERT_EQ(bytes.size(), sent + 16);
    EXPECT_EQ(Bytes(bytes.begin() + sent, bytes.end()), Bytes(16, 0));
    struct sigaction now {};
    sigaction(SIGINT, nullptr, &now);
    EXPECT_EQ(now.sa_handler, before.sa_handler); // put back as it was
}

TEST_F(CliDownloadPortTest, PortAndFileOptionsMustAgree)
{
    const std::string a = Bmp("a.bmp", 8, 8);
    const std::vector<std::vector<std::string>> cases = {
        {a},
        {"-p", "COM1", "-o", dir.File("out.prn"), a},
        {"-p", "FILE", a},
        {"-o", dir.File("out.prn"), "--baud", "9600", a},
        {"-p", "COM1", "--parity", "mark", a},
    };
    for (const auto& args : cases) {
        const InProcessRun run = Download(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
        EXPECT_THAT(run.err, HasSubstr("nivora-cli download --help"));
    }
    EXPECT_TRUE(printer.Bytes().empty());
}

// The built program, for what the in-process runs cannot show: the help and a refusal
// before any port is touched.
TEST(CliDownloadPortProgramTest, HelpAndARefusedFile)
{
    const cli_test::CliResult help = cli_test::RunCli({"download", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"-p, --port PORT", "--baud N", "Ctrl-C", "130"})
        EXPECT_THAT(help.out, HasSubstr(part));
    TempDir dir;
    WriteSolidBmp(dir.File("tall.bmp"), 8, 2312);
    const cli_test::CliResult refused =
        cli_test::RunCli({"download", "-p", "/nonexistent", dir.File("tall.bmp")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.err, HasSubstr("8 x 2312 dots"));
}

} // namespace
