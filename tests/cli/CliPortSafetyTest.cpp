// nivora-cli and the ports it touches: only character devices are ports, a held port
// says so, Ctrl-C ends a download whose printers take nothing, and every signal that
// ends the program hands every port back (closed, lock files gone, not left stopped).
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "print/PrintLink.h"
#include "printer/OpenLink.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/AsNobody.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/Sanitizers.h"
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
    // Each refusal once, each command once: the check before the run is shared.
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"check", dir.File("x"), "is a regular file, not a port; write files with -o"},
        {"print", "/dev/null", "is no printer port"},
        {"download", dir.File("fifo"), "is a FIFO, not a port"},
        {"check", dir.Path(), "is a folder, not a port"},
    };
    for (const auto& [command, path, message] : cases) {
        std::vector<std::string> args = {command, "-p", path};
        if (std::string(command) == "download")
            args.push_back("--erase-all");
        const cli_test::CliResult run = cli_test::RunCli(args);
        EXPECT_EQ(run.status, 1) << command << " " << path;
        EXPECT_THAT(run.err, HasSubstr("'" + path + "' " + message)) << command;
    }
    EXPECT_EQ(dir.Read("x"), "keep me");
}

// A download to twelve printers runs in a child process (on the manual clock, so the
// 3.5 s pause costs nothing) with the program's signal handling; every printer stops
// taking data in the middle of the image, and the test then signals the child.
class CliSignalTest : public ::testing::TestWithParam<int> {
protected:
    static constexpr size_t kPrinters = 12;
    static constexpr size_t kCheckInitFsqHeader = 3 + 2 + 3 + 4;

    CliSignalTest()
    {
        for (auto& printer : printers) {
            printer = std::make_unique<FakePrinter>();
            ::fchmod(printer->PortSideFd(), 0666); // so that an ordinary user can try it later
            printer->StallAfter(kCheckInitFsqHeader + 5000);
        }
    }

    pid_t StartDownload()
    {
        const std::string logo = WriteSolidBmp(dir.File("big.bmp"), 1000, 1100, 0);
        std::vector<std::string> args = {"--stall-timeout", "600", logo};
        for (const auto& printer : printers)
            args.insert(args.end(), {"-p", printer->Path()});
        const pid_t child = ::fork();
        if (child == 0) {
            ::alarm(60); // rather than hang the suite
            std::freopen(dir.File("err.txt").c_str(), "w", stderr);
            std::freopen(dir.File("out.txt").c_str(), "w", stdout);
            FakePlatform platform;
            cli::InstallSignalHandlers();
            platform::OutputFile partial; // as download -o has one while it writes
            std::string error;
            partial.Open(dir.File("out.prn"), error);
            cli_test::InProcess cli;
            cli.context.deviceRoot = root.Path();
            const int status = cli::Registry::Find("download")->Run(cli.context, args);
            std::fflush(stdout);
            std::fflush(stderr);
            ::_exit(status);
        }
        return child;
    }

    TempDir dir;
    platform::Context context;
    FakeDeviceRoot root{context}; // lock files in a temporary folder
    std::array<std::unique_ptr<FakePrinter>, kPrinters> printers;
};

TEST_P(CliSignalTest, TheSignalEndsTheStalledRunAndHandsEveryPortBack)
{
    if (kThreadSanitizer)
        GTEST_SKIP()
            << "ThreadSanitizer does not run a program in a child forked from a process with threads";
    const int signal = GetParam();
    const pid_t child = StartDownload();
    for (const auto& printer : printers)
        ASSERT_TRUE(printer->WaitForBytes(kCheckInitFsqHeader + 5000, 20s));
    ::kill(child, signal);
    int ended = 0;
    ::waitpid(child, &ended, 0);
    // The exit status, or 128 + the signal (SIGALRM: the child hung).
    const int status = WIFEXITED(ended) ? WEXITSTATUS(ended) : 128 + WTERMSIG(ended);
    const std::string err = dir.Read("err.txt");
    if (signal == SIGINT) {
        EXPECT_EQ(status, 130) << err;
        EXPECT_THAT(err, HasSubstr("nivora-cli: stopping (Ctrl-C again ends at once)\n"));
        EXPECT_THAT(dir.Read("out.txt"), HasSubstr("stopped: while the printer was taking nothing"));
    } else {
        EXPECT_EQ(status, 128 + signal) << err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(root.LockDir())) << "a lock file was left behind";
    // A stop the run takes itself (Ctrl-C) ends the program as usual, cleaning up.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_TRUE(signal == SIGINT || entry.path().filename().string().rfind("out.prn", 0) != 0)
            << "a temporary file";
    // Each port works for the next run, also for an ordinary user: not exclusive, not
    // stopped, nothing of the old run in the way.
    for (const auto& printer : printers) {
        SCOPED_TRACE(printer->Path());
        EXPECT_LT(printer->Bytes().size(), kCheckInitFsqHeader + 137500u) << "the download was not cut short";
        const auto ordinary = RunAsNobody([&] {
            const int fd = ::open(printer->Path().c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY);
            return std::string(fd >= 0 ? "opened" : std::strerror(errno));
        });
        if (ordinary) {
            EXPECT_EQ(*ordinary, "opened") << "the port was left exclusive";
        }
        printer->Clear();
        printer->Resume();
        printer::LinkStatus opened;
        std::unique_ptr<printer::Link> next =
            printer::OpenDevice(context, printer->Path(), {}, kPrintLink, true, opened);
        ASSERT_TRUE(next) << opened.Describe();
        EXPECT_TRUE(next->Write(std::vector<uint8_t>{0x1B, 0x40}).Complete(2));
        EXPECT_TRUE(printer->WaitForBytes(2));
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, CliSignalTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& param) { return std::string(strsignal(param.param)); });

} // namespace
