// The model rules and the commit are tested through the Setup page (tests/ui); here
// only Device.INI, whose bad contents the page cannot easily reach.
#include <filesystem>
#include <gtest/gtest.h>

#include "printer/DeviceIni.h"
#include "tests/support/TempDir.h"

namespace {

TEST(DeviceIniTest, OnlyALeadingDigitOneToNineMeansParallel)
{
    using namespace std::string_literals;
    const std::pair<std::string, bool> cases[] = {{"1", true},   {"9", true},     {"10", true},
                                                  {"0", false},  {"", false},     {"a", false},
                                                  {" 1", false}, {"\x01", false}, {"\0"s + "1", false}};
    for (const auto& [content, parallel] : cases) {
        testing_support::TempDir dir;
        dir.Write("Device.INI", content);
        EXPECT_EQ(printer::ReadDeviceIni(dir.Path()), parallel) << '"' << content << '"';
    }
    testing_support::TempDir dir;
    std::filesystem::create_directory(dir.File("Device.INI"));
    EXPECT_FALSE(printer::ReadDeviceIni(dir.Path())); // unreadable
}

// Where the Setup page saves Device.INI is tested with the page; here what is written.
TEST(DeviceIniTest, SavingWritesExactlyOneByteOrSilentlyNothing)
{
    testing_support::TempDir dir;
    dir.Write("Device.INI", "1 with a long tail");
    printer::SaveDeviceIni(dir.Path(), false);
    EXPECT_EQ(dir.Read("Device.INI"), "0");
    printer::SaveDeviceIni("/nonexistent-folder", true);
    EXPECT_FALSE(std::filesystem::exists("/nonexistent-folder/Device.INI"));
}

} // namespace
