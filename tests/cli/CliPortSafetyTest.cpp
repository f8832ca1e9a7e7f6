// nivora-cli and the ports it touches: only character devices are ports, a held port
// says so, Ctrl-C ends a download whose printer takes nothing, and every signal that
// ends the program hands the port back (exclusive mode off, lock file gone).
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

#include "printer/Port.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"
#include "tools/cli/Command.h"
#include "tools/cli/Signals.h"

using namespace testing_support;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

TEST(CliPortPathTest, OnlyCharacterDevicesThatArePrintersServeAsPorts)
{
    TempDir dir;
    dir.Write("x", "keep me");
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    const std::tuple<std::string, const char*> cases[] = {
        {dir.File("x"), "is a regular file, not a port; write files with -o"},
        {"/dev/null", "is no printer port"},
        {"/dev/zero", "is no printer port"},
        {dir.File("fifo"), "is a FIFO, not a port"},
        {dir.Path(), "is a folder, not a port"},
    };
    for (const auto& [path, message] : cases)
        for (const char* command : {"check", "print", "download"}) {
            std::vector<std::string> args = {command, "-p", path};
            if (std::string(command) == "download")
                args.push_back("--erase-all");
            const cli_test::CliResult run = cli_test::RunCli(args);
            EXPECT_EQ(run.status, 1) << command << " " << path;
            EXPECT_THAT(run.err, HasSubstr("'" + path + "' " + message)) << command;
        }
    EXPECT_EQ(dir.Read("x"), "keep me");
}

// Another program holds the port by flock (another run) or by a UUCP lock file.
TEST(CliPortPathTest, AHeldPortIsInUseByAnotherProgram)
{
    FakePrinter printer;
    FakeDeviceRoot root;
    printer::Port otherRun;
    ASSERT_TRUE(otherRun.OpenPrinterDevice(printer.Path(), false));
    const cli_test::CliResult check = cli_test::RunCli({"check", "-p", printer.Path()});
    EXPECT_EQ(check.status, 1);
    EXPECT_THAT(check.err, HasSubstr("cannot open " + printer.Path() + ": in use by another program"));
    otherRun.Close();

    const std::string base = printer.Path().substr(printer.Path().rfind('/') + 1);
    std::ofstream("/run/lock/LCK.." + base) << "         1\n"; // init holds it
    const cli_test::CliResult print = cli_test::RunCli({"print", "-p", printer.Path()});
    const cli_test::CliResult download = cli_test::RunCli({"download", "-p", printer.Path(), "--erase-all"});
    std::filesystem::remove("/run/lock/LCK.." + base);
    EXPECT_EQ(print.status, 1);
    EXPECT_THAT(print.err, HasSubstr("in use by another program"));
    EXPECT_EQ(download.status, 1);
    EXPECT_THAT(download.err, HasSubstr(printer.Path() + ": in use by another program"));
    EXPECT_TRUE(printer.Bytes().empty());
}

// A download runs in a child process (on the virtual clock, so the 3.5 s pause costs
// nothing) with the program's signal handling; the printer stops taking data in the
// middle of the image, and the test then signals the child.
class CliSignalTest : public ::testing::TestWithParam<int> {
protected:
    pid_t StartDownload()
    {
        ::fchmod(printer.PortSideFd(), 0666); // so that an ordinary user can try it later
        const std::string logo = WriteSolidBmp(dir.File("big.bmp"), 1000, 1100, 0);
        const pid_t child = ::fork();
        if (child == 0) {
            std::freopen(dir.File("err.txt").c_str(), "w", stderr);
            std::freopen("/dev/null", "w", stdout);
            FakePlatform platform;
            cli::InstallSignalHandlers();
            const int status =
                cli::Registry::Find("download")->run({"-p", printer.Path(), "--stall-timeout", "600", logo});
            std::fflush(stderr);
            ::_exit(status);
        }
        return child;
    }

    // The exit status, or 128 + the signal; -1 when the child did not end in time.
    static int WaitForEnd(pid_t child)
    {
        for (int tries = 0; tries < 2000; ++tries) {
            int status = 0;
            if (::waitpid(child, &status, WNOHANG) == child)
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            std::this_thread::sleep_for(10ms);
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        return -1;
    }

    // errno of an ordinary user's open of the port, 0 when it opened.
    int OpenAsOrdinaryUser() const
    {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(255);
            const int fd = ::open(printer.Path().c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY);
            ::_exit(fd >= 0 ? 0 : errno);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WEXITSTATUS(status);
    }

    TempDir dir;
    FakeDeviceRoot root; // lock files in a temporary folder, inherited by the child
    FakePrinter printer;
};

TEST_P(CliSignalTest, TheSignalEndsTheStalledDownloadAndLeavesThePortOpenToOthers)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to try the port as an ordinary user afterwards";
    const int signal = GetParam();
    constexpr size_t kCheckInitFsqHeader = 3 + 2 + 3 + 4;
    printer.StallAfter(kCheckInitFsqHeader + 5000);
    const pid_t child = StartDownload();
    ASSERT_TRUE(printer.WaitForBytes(kCheckInitFsqHeader + 5000, 20s));
    ::kill(child, signal);
    const int status = WaitForEnd(child);
    const std::string err = dir.Read("err.txt");
    if (signal == SIGINT) {
        EXPECT_EQ(status, 130) << err;
        EXPECT_THAT(err, HasSubstr("nivora-cli: stopping (Ctrl-C again ends at once)\n"));
        EXPECT_THAT(err, HasSubstr("stopped while the printer was taking nothing"));
    } else {
        EXPECT_EQ(status, 128 + signal) << err;
    }
    EXPECT_EQ(OpenAsOrdinaryUser(), 0) << "the port was left exclusive";
    EXPECT_LT(printer.Bytes().size(), kCheckInitFsqHeader + 137500u) << "the download was not cut short";
    EXPECT_TRUE(std::filesystem::is_empty(root.Path() + "/run/lock")) << "a lock file was left behind";
}

INSTANTIATE_TEST_SUITE_P(Signals, CliSignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& param) { return std::string(strsignal(param.param)); });

} // namespace
