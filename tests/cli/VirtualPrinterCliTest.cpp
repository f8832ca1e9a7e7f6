// nivora-cli virtual-printer on loopback, talked to with a raw socket as a program
// would: a graphic stored, the graphic printed, pictures in DIR. (The key list and
// the rest of the protocol are the virtual printer's own test.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "keyed/KeyedCommands.h"
#include "tests/support/PngRead.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using Bytes = std::vector<uint8_t>;

namespace {

// Reads from fd until done(text) or 10 s without a byte; what was read.
template <typename Done> Bytes ReadUntil(int fd, Done done)
{
    Bytes bytes;
    uint8_t buffer[4096];
    while (!done(bytes)) {
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, 10000) <= 0)
            break;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

class VirtualPrinterCliTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (m_child > 0) {
            ::kill(m_child, SIGKILL);
            ::waitpid(m_child, nullptr, 0);
        }
    }
    // Starts the printer; its log comes through log.
    pid_t Start(const std::vector<std::string>& args, int& log)
    {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return -1;
        std::vector<std::string> argv = {NIVORA_CLI_EXE, "virtual-printer"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> pointers;
        for (std::string& arg : argv)
            pointers.push_back(arg.data());
        pointers.push_back(nullptr);
        m_child = ::fork();
        if (m_child == 0) {
            ::dup2(pipeFds[1], STDOUT_FILENO);
            ::close(pipeFds[0]);
            ::execv(pointers[0], pointers.data());
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        log = pipeFds[0];
        return m_child;
    }
    pid_t m_child = -1;
};

TEST_F(VirtualPrinterCliTest, StoreListAndPrintOverLoopback)
{
    TempDir dir;
    int log = -1;
    const pid_t child = Start({"--listen", "127.0.0.1:0", "--dir", dir.File("vp"), "--busy-ms", "20"}, log);
    ASSERT_GT(child, 0);
    const Bytes first =
        ReadUntil(log, [](const Bytes& b) { return std::find(b.begin(), b.end(), '\n') != b.end(); });
    const std::string line(first.begin(), first.end());
    ASSERT_EQ(line.rfind("listening on 127.0.0.1:", 0), 0u) << line;
    const int port = std::stoi(line.substr(line.rfind(':') + 1));

    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const auto exchange = [&](const Bytes& request, size_t answer) {
        EXPECT_EQ(::write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
        return ReadUntil(fd, [&](const Bytes& b) { return b.size() >= answer; });
    };
    Bytes define = keyed::DefineHeader("L1", 16, 8, 16);
    for (int row = 0; row < 8; ++row)
        define.insert(define.end(), {static_cast<uint8_t>(row % 2 ? 0xFF : 0x00), 0x81});
    EXPECT_EQ(exchange(define, 0), Bytes{});
    Bytes print = keyed::PrintKey("L1", 3);
    print.insert(print.end(), {0x1D, 0x49, 0x01});
    EXPECT_EQ(exchange(print, 1), Bytes{0x20}); // answered once the print is done
    ::close(fd);

    // What the pictures show is the virtual printer's own test; here that DIR gets them.
    EXPECT_EQ(ReadPng(dir.File("vp/key-L1-001.png")).width, 16);
    EXPECT_EQ(ReadPng(dir.File("vp/print-001.png")).width, 32); // quadruple

    ::kill(child, SIGTERM);
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    m_child = -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const Bytes rest = ReadUntil(log, [](const Bytes&) { return false; });
    const std::string logged(rest.begin(), rest.end());
    EXPECT_THAT(logged, ::testing::HasSubstr("       0  GS ( L fn 67 define L1: 16 x 8 dots, 16 bytes -> "));
    ::close(log);
}

} // namespace
