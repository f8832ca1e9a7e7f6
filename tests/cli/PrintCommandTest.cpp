// nivora-cli print: the print stream into a file, the whole run on a (fake) printer,
// and what it refuses.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/PrintBytes.h"
#include "tests/support/TempDir.h"
#include "tools/cli/Command.h"

using namespace testing_support;

namespace {

using Args = std::vector<std::string>;
using Bytes = std::vector<uint8_t>;

int RunPrint(const Args& args)
{
    return cli::Registry::Find("print")->run(args);
}

Bytes FileBytes(const TempDir& dir, const std::string& name)
{
    const std::string text = dir.Read(name);
    return Bytes(text.begin(), text.end());
}

// The built program, for what a script sees: exit status and standard error.
struct BinaryRun {
    int status;
    std::string err;
};
BinaryRun RunBinary(const std::string& args, const TempDir& dir)
{
    const std::string command =
        std::string(NIVORA_CLI_EXE) + " print " + args + " >/dev/null 2>" + dir.File("err");
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, dir.Read("err")};
}

class PrintCommandTest : public ::testing::Test {
protected:
    FakePlatform platform;
    TempDir dir;
};

TEST_F(PrintCommandTest, AFileGetsTheHeaderLinesAndCommandsAndNothingElse)
{
    struct Case {
        Args options;
        std::vector<int> numbers;
        int mode;
        bool header;
    };
    const Case cases[] = {
        {{"-r", "1,3-5,9", "-m", "double-height", "--header"}, {1, 3, 4, 5, 9}, 2, true},
        {{}, NumberRange(1, 255), 0, false},
        {{"-r", "3-1", "-m", "3"}, {1, 2, 3}, 3, false},
        {{"--range=5,5", "--mode=double-width"}, {5, 5}, 1, false},
        {{"--header", "-m", "quadruple", "-r", "254-"}, {254, 255}, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        Args args = {"-o", dir.File("out.prn")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(RunPrint(args), 0);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(),
                  "Printed " + std::to_string(c.numbers.size()) + " images.\n");
        EXPECT_EQ(FileBytes(dir, "out.prn"), PrintedImages(c.numbers, c.mode, c.header));
    }
    EXPECT_TRUE(platform.clock.sleeps.empty()); // a file is not paced
    EXPECT_TRUE(platform.boxes.shown.empty());
}

TEST_F(PrintCommandTest, AnInvalidRangeIsRefusedBeforeAnythingIsOpened)
{
    for (const char* range : {"'1,,2'", "0", "256", "'1, 3'", "''", "4294967297"}) {
        SCOPED_TRACE(range);
        const BinaryRun run = RunBinary("-o " + dir.File("out.prn") + " -r " + range, dir);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find("NV image number is incorrect."), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.prn")));
    }
    FakePrinter printer;
    ::testing::internal::CaptureStderr();
    EXPECT_NE(RunPrint({"-p", printer.Path(), "-r", "1--2"}), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("NV image number is incorrect."),
              std::string::npos);
    EXPECT_FALSE(printer.WaitForBytes(1, std::chrono::milliseconds(200))); // not even the check
}

TEST_F(PrintCommandTest, ASerialPrinterGetsTheWholeSequencePacedLikeTheWindow)
{
    FakePrinter printer;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunPrint({"-p", printer.Path(), "--baud", "9600", "-r", "1,3-4", "-m", "2", "--header"}), 0);
    ::testing::internal::GetCapturedStdout();
    const Bytes expected = Joined(kSerialPreamble, PrintedImages({1, 3, 4}, 2, true));
    printer.WaitForBytes(expected.size());
    EXPECT_EQ(printer.Bytes(), expected);
    // A tick before each image and one that finds the run complete.
    EXPECT_EQ(platform.clock.sleeps, (std::vector<int>{300, 300, 300, 300}));
}

TEST_F(PrintCommandTest, TheParallelPortGetsNoInitialise)
{
    FakePrinter printer;
    FakeDeviceRoot root;
    root.Link("usb/lp0", printer.Path());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(RunPrint({"-p", "LPT1", "-r", "2"}), 0);
    ::testing::internal::GetCapturedStdout();
    const Bytes expected = Joined(kParallelPreamble, PrintedImages({2}, 0, false));
    printer.WaitForBytes(expected.size());
    EXPECT_EQ(printer.Bytes(), expected);
}

// Pauses cost no time; the printer goes away during the third one.
class HangUpOnThirdTick final : public platform::Waiter {
public:
    HangUpOnThirdTick(FakePrinter& printer, size_t before) : m_printer(printer), m_before(before) {}
    void Sleep(int) override
    {
        if (++m_sleeps == 3) {
            m_printer.WaitForBytes(m_before);
            m_printer.HangUp();
        }
    }

private:
    FakePrinter& m_printer;
    size_t m_before;
    int m_sleeps = 0;
};

TEST_F(PrintCommandTest, AFailedWriteEndsTheRunWithTheMessage)
{
    FakePrinter printer;
    const Bytes firstTwo = Joined(kSerialPreamble, PrintedImages({1, 2}, 0, false));
    HangUpOnThirdTick waiter(printer, firstTwo.size());
    platform::SetWaiter(&waiter);
    EXPECT_EQ(RunPrint({"-p", printer.Path()}), 1);
    platform::SetWaiter(&platform.clock);
    EXPECT_EQ(printer.Bytes(), firstTwo);
    EXPECT_EQ(platform.boxes.Texts(), std::vector<std::string>{"Communication error. Can not transimitted."});
}

TEST_F(PrintCommandTest, BadOptionsAndPortsAreNamed)
{
    FakeDeviceRoot root; // no devices at all
    struct Case {
        Args args;
        int status;
        const char* errorPart;
    };
    const Case cases[] = {
        {{}, 2, "either -o OUT or -p PORT"},
        {{"-o", "x.prn", "-p", "COM1"}, 2, "either -o OUT or -p PORT"},
        {{"-o"}, 2, "-o needs a value"},
        {{"-o", "x.prn", "-m", "huge"}, 2, "not 'huge'"},
        {{"-o", "x.prn", "-r"}, 2, "-r needs a value"},
        {{"-o", "x.prn", "--copies", "2"}, 2, "unknown option '--copies'"},
        {{"-p", "FILE"}, 2, "use -o OUT"},
        {{"-p", "COM9"}, 1, "cannot open COM9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(RunPrint(c.args), c.status);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(c.errorPart), std::string::npos) << err;
    }
}

} // namespace
