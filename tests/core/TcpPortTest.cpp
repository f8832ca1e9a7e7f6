#include "printer/TcpPort.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "printer/Port.h"
#include "printer/StallRule.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"

using namespace std::chrono_literals;
using printer::NetAddress;
using printer::Port;
using testing_support::FakeNetPrinter;
using testing_support::OpenDescriptorCount;
using testing_support::Sequence;

namespace {

NetAddress Loopback(const FakeNetPrinter& printer)
{
    return {"127.0.0.1", printer.Port()};
}

// Every test ends with a leak check: whatever way a connection ended, it is closed.
class TcpPortTest : public ::testing::Test {
protected:
    testing_support::FakePlatform platform;
    const int descriptorsBefore = OpenDescriptorCount();
    Port port;

    void TearDown() override
    {
        port.Close();
        printer::SetStallTimeout(printer::kDefaultStallTimeout);
        printer::SetConnectTimeoutForTesting(std::nullopt);
        EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore);
    }
    Port::WriteOutcome Write(const std::vector<uint8_t>& bytes)
    {
        return port.Write(bytes.data(), bytes.size());
    }
};

TEST_F(TcpPortTest, EveryByteArrivesAndTheCloseWaitsUntilThePrinterHasThem)
{
    FakeNetPrinter printer({.receiveBuffer = 4096}); // the tail is still in flight at the close
    ASSERT_TRUE(port.OpenNetwork(Loopback(printer))) << port.Connection().ErrorText();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(port.IsNetwork());
    EXPECT_FALSE(port.IsTerminal());
    const std::vector<uint8_t> bytes = Sequence(512 * 1024);
    EXPECT_TRUE(port.Write(nullptr, 0).Complete(0));
    EXPECT_TRUE(Write(bytes).Complete(bytes.size()));
    port.Close();
    EXPECT_EQ(printer.Bytes().size(), bytes.size()); // no wait here: the close waited
    EXPECT_EQ(printer.Bytes(), bytes);
    EXPECT_TRUE(printer.WaitUntilClosed());
    EXPECT_EQ(printer.Connections(), 1);
}

TEST_F(TcpPortTest, TheCheckReadsTheAnswerOrWaitsItsTimeForNone)
{
    FakeNetPrinter printer;
    ASSERT_TRUE(port.OpenNetwork(Loopback(printer)));
    const std::vector<uint8_t> request = {0x1D, 0x49, 0x01};
    uint8_t answer = 0;
    ASSERT_TRUE(Write(request).Complete(3));
    EXPECT_EQ(port.ReadByte(answer, 5000), Port::Answer::Byte);
    EXPECT_EQ(answer, 0x20);

    printer.AnswerWith(std::nullopt);
    answer = 0x77;
    ASSERT_TRUE(Write(request).Complete(3));
    EXPECT_EQ(port.ReadByte(answer, 50), Port::Answer::None);
    EXPECT_EQ(answer, 0x77);
    EXPECT_TRUE(port.Deliver());
    EXPECT_EQ(printer.Requests(), 2);
}

struct RefusalCase {
    const char* name;
    int error;
    const char* text;
};

class TcpRefusalTest : public TcpPortTest, public ::testing::WithParamInterface<RefusalCase> {};

// A printer whose queue of connections is full drops further handshakes unanswered,
// which is what an address nobody answers looks like.
NetAddress Unanswering(std::vector<int>& sockets)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 0);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    sockets.push_back(listener);
    for (int i = 0; i < 2; ++i) { // fill the queue
        const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
        sockets.push_back(filler);
    }
    return {"127.0.0.1", ntohs(address.sin_port)};
}

TEST_P(TcpRefusalTest, AFailedConnectSaysWhyAndLeavesNothingOpen)
{
    const RefusalCase& c = GetParam();
    FakeNetPrinter refusing({.refusing = true});
    std::vector<int> unanswering;
    NetAddress address = Loopback(refusing);
    if (c.error == printer::kUnknownHostError)
        address = {"no-such-printer.invalid", 9100};
    if (c.error == ETIMEDOUT) {
        printer::SetConnectTimeoutForTesting(200ms);
        address = Unanswering(unanswering);
    }
    errno = 0;
    EXPECT_FALSE(port.OpenNetwork(address));
    EXPECT_EQ(errno, c.error) << std::strerror(errno);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Connection().ErrorText(), c.text);
    for (const int fd : unanswering)
        ::close(fd);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, TcpRefusalTest,
    ::testing::Values(RefusalCase{"Refused", ECONNREFUSED, "connection refused"},
                      RefusalCase{"UnknownHost", printer::kUnknownHostError, "unknown host"},
                      RefusalCase{"NoAnswer", ETIMEDOUT, "no answer within 0.2 s (time-out)"}),
    [](const auto& param) { return std::string(param.param.name); });

// A printer that stops reading: either the write runs into the shut window, or the
// bytes vanish into the kernel's buffers and only the wait for delivery finds out.
// Either way the stall limit ends it, says so, and the close does not wait again.
TEST_F(TcpPortTest, APrinterThatStopsReadingFailsTheWriteOrTheDeliveryAfterTheStallLimit)
{
    printer::SetStallTimeout(300ms);
    // 64 MB cannot hide in buffers; 12 KB fits the send buffer (16 KB to start with)
    // beside the small window of the printer.
    for (const size_t length : {size_t{64 * 1024 * 1024}, size_t{12 * 1024}}) {
        FakeNetPrinter printer({.receiveBuffer = 4096});
        printer.StallAfter(1000);
        ASSERT_TRUE(port.OpenNetwork(Loopback(printer)));
        const std::vector<uint8_t> bytes(length, 0x55);
        const Port::WriteOutcome outcome = Write(bytes);
        if (length > 12 * 1024) {
            EXPECT_EQ(outcome.error, ETIMEDOUT);
            EXPECT_TRUE(outcome.waited);
            EXPECT_LT(outcome.written, length);
        } else {
            EXPECT_TRUE(outcome.Complete(length));
            EXPECT_FALSE(port.Deliver());
        }
        EXPECT_EQ(port.Connection().ErrorText(), "the printer took nothing for 0.3 s");
        EXPECT_FALSE(Write({0x1B, 0x40}).Complete(2)); // the connection is of no more use
        port.Close();
        EXPECT_EQ(printer.Bytes().size(), 1000u);
    }
}

// The printer resets or closes mid-image: the write fails with the reason, and the
// process survives (a SIGPIPE would end the test program).
TEST_F(TcpPortTest, APrinterThatResetsMidImageFailsTheWriteWithoutASignal)
{
    struct sigaction previous {};
    struct sigaction fatal {};
    fatal.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &fatal, &previous);
    FakeNetPrinter printer({.receiveBuffer = 4096});
    printer.ResetAfter(5000);
    ASSERT_TRUE(port.OpenNetwork(Loopback(printer)));
    const std::vector<uint8_t> image = Sequence(8 * 1024 * 1024);
    Port::WriteOutcome outcome;
    for (int piece = 0; piece < 64 && outcome.error == 0; ++piece)
        outcome = Write(image);
    EXPECT_TRUE(outcome.error == ECONNRESET || outcome.error == EPIPE) << std::strerror(outcome.error);
    const std::string text = port.Connection().ErrorText();
    EXPECT_TRUE(text == "connection reset by the printer" || text == "the printer closed the connection")
        << text;
    EXPECT_FALSE(port.Deliver());
    uint8_t answer = 0;
    EXPECT_EQ(port.ReadByte(answer, 10), Port::Answer::Failed);
    port.Close();
    sigaction(SIGPIPE, &previous, nullptr);
}

} // namespace
