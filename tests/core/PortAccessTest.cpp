// Ports the user may not open: the message names the device and the group to join,
// discovery lists such ports with the reason, and an open reports EACCES.
#include "printer/PortAccess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "download/DownloadRun.h"
#include "printer/PrinterPort.h"
#include "tests/support/AsNobody.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::HasSubstr;

namespace {

gid_t GroupId(const char* name)
{
    const group* entry = ::getgrnam(name);
    return entry ? entry->gr_gid : 0;
}

TEST(PortAccessTest, TheMessageNamesTheDeviceAndTheGroupReadFromIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving a device to another group needs root";
    ASSERT_NE(GroupId("dialout"), 0u);
    ASSERT_NE(GroupId("lp"), 0u);
    TempDir dir;
    const struct {
        const char* name;
        const char* group;
        mode_t mode;
        int error;
        std::string expected; // empty: no message at all
    } cases[] = {
        {"ttyUSB0", "dialout", 0660, EACCES, "add yourself to the group dialout and log in again"},
        {"lp0", "lp", 0660, EPERM, "add yourself to the group lp and log in again"},
        {"owner-only", "dialout", 0600, EACCES, "ask the administrator for access to"},
        {"roots-group", "root", 0660, EACCES, "ask the administrator for access to"},
        {"busy", "dialout", 0660, EBUSY, ""},
        {"missing", "dialout", 0660, ENOENT, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string device = dir.File(c.name);
        dir.Write(c.name, "");
        ASSERT_EQ(::chown(device.c_str(), 0, GroupId(c.group)), 0);
        ASSERT_EQ(::chmod(device.c_str(), c.mode), 0);
        const std::string message = printer::PermissionMessage(device, c.error);
        if (c.expected.empty()) {
            EXPECT_EQ(message, "");
            continue;
        }
        EXPECT_THAT(message, HasSubstr(device));
        EXPECT_THAT(message, HasSubstr(c.expected));
    }
}

// The whole way a user outside dialout meets it: discovery lists the port as
// forbidden (and not one that everybody may open), and the open fails with EACCES and
// a message naming the device and its group.
TEST(PortAccessTest, AUserOutsideTheGroupIsToldWhichPortAndWhy)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to open the port as the user nobody";
    FakePlatform fake;
    platform::Context context;
    FakeDeviceRoot root{context};
    FakePrinter printer;
    ASSERT_EQ(::chown(printer.Path().c_str(), 0, GroupId("dialout")), 0);
    ASSERT_EQ(::chmod(printer.Path().c_str(), 0660), 0);
    root.Link("ttyS0", printer.Path()); // COM1: the printer, dialout only
    root.Link("ttyUSB0", "/dev/null");  // COM33: open to everyone
    for (const std::string& dir : {root.Path(), root.Path() + "/dev"})
        ASSERT_EQ(::chmod(dir.c_str(), 0755), 0);

    const auto result = RunAsNobody([&] {
        std::string seen;
        for (const printer::PortRefusal& refusal : printer::ProbeForbiddenPorts(context))
            seen += refusal.name + " " + refusal.device + " " + refusal.reason + "\n";
        CPrinterPort port(kDownloadLink);
        if (port.OpenPort(context, "COM1", 115200, 8, 0, 0, 0))
            return seen + "opened";
        return seen + printer::PermissionMessage(printer.Path(), port.m_nOpenError);
    });
    ASSERT_TRUE(result);
    EXPECT_EQ(*result,
              "COM1 " + root.Device("ttyS0") + " Permission denied\nPermission denied: " + printer.Path() +
                  ". To use it, add yourself to the group dialout and log in again (sudo usermod -aG "
                  "dialout \"$USER\").");
}

} // namespace
