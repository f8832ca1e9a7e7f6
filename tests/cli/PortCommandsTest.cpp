#include <cstdio>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"
#include "tools/cli/Command.h"
#include "tools/cli/PortOptions.h"

namespace {

using Args = std::vector<std::string>;

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun RunCli(const std::string& args)
{
    testing_support::TempDir dir;
    const std::string command = std::string(NIVORA_CLI_EXE) + " " + args + " 2>" + dir.File("err");
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[256];
    while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, n);
    const int status = ::pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out, dir.Read("err")};
}

cli::OptionResult Parse(const Args& args, cli::PortOptions& options, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const cli::OptionResult result = cli::TakePortOption(args, i, options, error);
        if (result != cli::OptionResult::Taken)
            return result;
    }
    return cli::OptionResult::Taken;
}

TEST(PortOptionsTest, DefaultsAreTheSetupPagesDefaults)
{
    const cli::PortOptions options;
    EXPECT_EQ(options.baud, 115200u);
    EXPECT_EQ(options.byteSize, 8);
    EXPECT_EQ(options.parity, 0);
    EXPECT_EQ(options.stopBits, 0);
    EXPECT_EQ(options.handshake, 0);
}

TEST(PortOptionsTest, EveryOptionTakesBothSpellingsAndStoresTheSettingsCodes)
{
    cli::PortOptions options;
    std::string error;
    ASSERT_EQ(Parse({"-p", "/dev/pts/4", "--baud=14400", "--data-bits", "7", "--parity", "even",
                     "--stop-bits=2", "--handshake", "xon"},
                    options, error),
              cli::OptionResult::Taken)
        << error;
    EXPECT_EQ(options.port, "/dev/pts/4");
    EXPECT_EQ(options.baud, 14400u);
    EXPECT_EQ(options.byteSize, 7);
    EXPECT_EQ(options.parity, 2);
    EXPECT_EQ(options.stopBits, 2); // two stop bits are code 2
    EXPECT_EQ(options.handshake, 1);
    ASSERT_EQ(Parse({"--port=COM3", "--parity=odd"}, options, error), cli::OptionResult::Taken);
    EXPECT_EQ(options.port, "COM3");
    EXPECT_EQ(options.parity, 1);
}

TEST(PortOptionsTest, BadValuesAreRefusedWithTheChoicesAndOthersAreLeftAlone)
{
    struct Case {
        Args args;
        cli::OptionResult result;
        const char* errorPart;
    };
    const Case cases[] = {
        {{"--baud", "1200"},
         cli::OptionResult::Error,
         "2400, 4800, 9600, 14400, 19200, 38400, 57600 or 115200"},
        {{"--data-bits", "9"}, cli::OptionResult::Error, "7 or 8, not '9'"},
        {{"--parity", "mark"}, cli::OptionResult::Error, "none, odd or even"},
        {{"--stop-bits", "1.5"}, cli::OptionResult::Error, "1 or 2"},
        {{"--handshake"}, cli::OptionResult::Error, "dtr or xon"},
        {{"-p"}, cli::OptionResult::Error, "-p needs"},
        {{"--port="}, cli::OptionResult::Error, "-p needs"},
        {{"--count", "3"}, cli::OptionResult::NotMine, ""},
        {{"--baudrate", "9600"}, cli::OptionResult::NotMine, ""},
    };
    for (const Case& c : cases) {
        cli::PortOptions options;
        std::string error;
        size_t i = 0;
        EXPECT_EQ(cli::TakePortOption(c.args, i, options, error), c.result) << c.args[0];
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << error;
        if (c.result == cli::OptionResult::NotMine) {
            EXPECT_EQ(i, 0u);
        }
    }
}

TEST(PortsCommandTest, ListsTheOpenablePortsWithTheirDevices)
{
    testing_support::FakePlatform platform;
    testing_support::FakeDeviceRoot root;
    root.AddFile("ttyS1");
    root.AddFile("ttyUSB0");
    root.AddFile("ttyS2");
    root.SetTtyType("ttyS2", "0");
    root.AddFile("lp0");
    testing::internal::CaptureStdout();
    EXPECT_EQ(cli::Registry::Find("ports")->run({}), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "COM2    " + root.Device("ttyS1") + "\nCOM33   " +
                                                          root.Device("ttyUSB0") + "\nLPT1    " +
                                                          root.Device("lp0") + "\n");
}

TEST(PortsCommandTest, TheTableOptionShowsTheFixedNames)
{
    const CliRun run = RunCli("ports --table");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("COM33-COM96    /dev/ttyUSB0-63"), std::string::npos) << run.out;
    EXPECT_EQ(RunCli("ports --everything").status, 2);
}

TEST(CheckCommandTest, PrintsTheAnswerByteInHex)
{
    testing_support::FakePrinter printer;
    printer.AnswerWith(0x20);
    const CliRun run = RunCli("check -p " + printer.Path() + " --baud 9600 --handshake xon");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "0x20\n");
    EXPECT_EQ(printer.Bytes(), (std::vector<uint8_t>{0x1D, 0x49, 0x01}));
}

TEST(CheckCommandTest, SaysNoAnswerWhenThePrinterStaysSilent)
{
    testing_support::FakePrinter printer;
    printer.AnswerWith(std::nullopt);
    const CliRun run = RunCli("check --port=" + printer.Path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "no answer\n");
}

TEST(CheckCommandTest, FailuresGiveAStatusAndAMessage)
{
    const CliRun missing = RunCli("check");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("-p PORT is required"), std::string::npos);
    const CliRun bad = RunCli("check -p COM1 --parity mark");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("none, odd or even"), std::string::npos);
    const CliRun absent = RunCli("check -p /nonexistent-device");
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find("cannot open /nonexistent-device: No such file or directory"),
              std::string::npos)
        << absent.err;
    testing_support::FakePrinter printer;
    printer.HangUp();
    const CliRun gone = RunCli("check -p " + printer.Path());
    EXPECT_NE(gone.status, 0);
    EXPECT_TRUE(gone.out.empty());
}

} // namespace
