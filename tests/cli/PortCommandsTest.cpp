#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "tests/cli/CliRunner.h"
#include "tests/support/AsNobody.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"
#include "tools/cli/PortOptions.h"

namespace {

using Args = std::vector<std::string>;

auto Fields(const cli::PortOptions& o)
{
    return std::make_tuple(o.port, o.baud, int{o.byteSize}, int{o.parity}, int{o.stopBits}, o.handshake);
}

TEST(PortOptionsTest, EveryOptionTakesBothSpellingsStoresTheSettingsCodesAndRefusesBadValues)
{
    cli::PortOptions options;
    EXPECT_EQ(Fields(options), Fields({"", 115200, 8, 0, 0, 0})); // the Setup page's defaults
    const Args args = {"-p",   "/dev/pts/4",    "--baud=14400", "--data-bits", "7",           "--parity",
                       "even", "--stop-bits=2", "--handshake",  "xon",         "--port=COM3", "--parity=odd"};
    std::string error;
    for (size_t i = 0; i < args.size(); ++i)
        ASSERT_EQ(cli::TakePortOption(args, i, options, error), cli::OptionResult::Taken) << error;
    EXPECT_EQ(Fields(options), Fields({"COM3", 14400, 7, 1, 2, 1})); // two stop bits are code 2

    // Bad values are refused with the choices, and the options of others are left alone.
    const std::tuple<Args, cli::OptionResult, const char*> cases[] = {
        {{"--baud", "1200"},
         cli::OptionResult::Error,
         "2400, 4800, 9600, 14400, 19200, 38400, 57600 or 115200"},
        {{"--data-bits", "9"}, cli::OptionResult::Error, "7 or 8, not '9'"},
        {{"--parity", "mark"}, cli::OptionResult::Error, "none, odd or even"},
        {{"--stop-bits", "1.5"}, cli::OptionResult::Error, "1 or 2"},
        {{"--handshake"}, cli::OptionResult::Error, "dtr or xon"},
        {{"-p"}, cli::OptionResult::Error, "-p needs"},
        {{"-p", "tcp://[::1"}, cli::OptionResult::Error, "IPv6 address goes in brackets"},
        {{"--port="}, cli::OptionResult::Error, "-p needs"},
        {{"--count", "3"}, cli::OptionResult::NotMine, ""},
    };
    for (const auto& [given, result, errorPart] : cases) {
        error.clear();
        size_t i = 0;
        EXPECT_EQ(cli::TakePortOption(given, i, options, error), result) << given[0];
        EXPECT_NE(error.find(errorPart), std::string::npos) << error;
        EXPECT_TRUE(result != cli::OptionResult::NotMine || i == 0); // others are left alone
    }
}

// Serial and parallel ports in one list; a USB printer names itself. (Which ports can be
// opened, and the models' names: PortDiscoveryTest, UucpLockTest.)
TEST(PortsCommandTest, ListsTheOpenablePortsWithTheirDevicesAndPrinterModels)
{
    testing_support::FakePlatform fake;
    cli_test::InProcess cli;
    testing_support::FakeDeviceRoot root{cli.context};
    root.AddFile("ttyS1");
    root.AddFile("usb/lp1");
    std::filesystem::create_directories(root.Path() + "/sys/class/usbmisc/lp1/device");
    std::ofstream(root.Path() + "/sys/class/usbmisc/lp1/device/ieee1284_id")
        << "MFG:Acme;CMD:ESC/POS;MDL:TM-9;";
    const cli_test::CliResult run = cli.Run("ports", {});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
              "COM2    " + root.Device("ttyS1") + "\nLPT2    " + root.Device("usb/lp1") + "  Acme TM-9\n");
}

// A user outside dialout: the printer's port is named with the group to join, and with
// no port to open the command fails.
TEST(PortsCommandTest, NamesThePortsTheUserMayNotOpenAndFailsWithoutAny)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to list the ports as the user nobody";
    testing_support::FakePlatform fake;
    cli_test::InProcess cli;
    testing_support::FakeDeviceRoot root{cli.context};
    testing_support::FakePrinter printer;
    const group* dialout = ::getgrnam("dialout");
    ASSERT_NE(dialout, nullptr);
    ASSERT_EQ(::chown(printer.Path().c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(::chmod(printer.Path().c_str(), 0660), 0);
    root.Link("ttyUSB0", printer.Path());
    for (const std::string& dir : {root.Path(), root.Path() + "/dev"})
        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);
    const auto seen = testing_support::RunAsNobody([&] {
        const cli_test::CliResult run = cli.Run("ports", {});
        const cli_test::CliResult check = cli.Run("check", {"-p", "COM33"});
        return std::to_string(run.status) + "|" + run.out + "|" + run.err + std::to_string(check.status) +
               "|" + check.err;
    });
    ASSERT_TRUE(seen);
    const std::string advice = "add yourself to the group dialout and log in again (sudo usermod -aG dialout "
                               "\"$USER\")";
    EXPECT_EQ(*seen, "1||nivora-cli ports: COM33 " + root.Device("ttyUSB0") +
                         ": Permission denied; to use it, " + advice +
                         "\nnivora-cli ports: no port can be opened now\n1|nivora-cli check: cannot open "
                         "COM33 (" +
                         root.Device("ttyUSB0") +
                         "): Permission denied\nnivora-cli check: Permission "
                         "denied: " +
                         root.Device("ttyUSB0") + ". To use it, " + advice + ".\n");
}

// Without a daemon (the system bus pointed at nothing) --network says so, lists
// nothing and fails; --network and --table do not go together.
TEST(PortsCommandTest, NetworkSaysWhenNoDaemonRunsAndListsNothing)
{
    testing_support::TempDir dir;
    const testing_support::ScopedEnv bus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + dir.File("no-bus"));
    const std::vector<std::tuple<Args, int, std::string>> cases = {
        {{"--network"},
         1,
         "nivora-cli ports: No Avahi daemon is running: network printers cannot be found.\n"},
        {{"--network", "--table"}, 2, "nivora-cli ports: give --table or --network, not both\n"},
    };
    cli_test::InProcess cli;
    for (const auto& [args, status, err] : cases) {
        const cli_test::CliResult run = cli.Run("ports", args);
        EXPECT_EQ(run.status, status);
        EXPECT_EQ(run.err, err);
        EXPECT_EQ(run.out, "");
    }
}

// A port may also be named by a path from the current folder.
TEST(CheckCommandTest, PrintsTheAnswerByteInHexOrNoAnswerAndFailuresGiveAStatusAndAMessage)
{
    testing_support::FakePrinter answering, relative, silent, gone;
    silent.AnswerWith(std::nullopt);
    gone.HangUp();
    testing_support::TempDir dir;
    const testing_support::ScopedCurrentDir here(dir.Path());
    std::filesystem::create_directory(dir.File("ctl"));
    std::filesystem::create_symlink(relative.Path(), dir.File("ctl/tty"));
    const std::tuple<Args, int, std::string, std::string> cases[] = {
        {{"check", "-p", answering.Path(), "--baud", "9600", "--handshake", "xon"}, 0, "0x20\n", ""},
        {{"check", "-p", "ctl/tty"}, 0, "0x20\n", ""},
        {{"check", "--port=" + silent.Path()}, 3, "no answer\n", ""},
        {{"check", "-p", gone.Path()}, 1, "", ""},
        {{"check"}, 2, "", "-p PORT is required"},
        {{"check", "-p", "/nonexistent-device"},
         1,
         "",
         "cannot open /nonexistent-device: No such file or directory"}};
    for (const auto& [args, status, out, errorPart] : cases) {
        const cli_test::CliResult run = cli_test::RunCli(args);
        EXPECT_EQ(run.status, status) << args.back();
        EXPECT_EQ(run.out, out) << args.back();
        EXPECT_NE(run.err.find(errorPart), std::string::npos) << run.err;
    }
    EXPECT_EQ(answering.Bytes(), (std::vector<uint8_t>{0x1D, 0x49, 0x01}));
}

} // namespace
