// Ports the user may not open: the message names the device and the group to join.
// (What discovery and an open make of them, the ports and check commands show.)
#include "printer/PortAccess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace
