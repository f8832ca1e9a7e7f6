#include "logo/PrivateProfile.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/TempDir.h"

using testing_support::TempDir;

namespace {

class PrivateProfileTest : public ::testing::Test {
protected:
    TempDir dir;
    PrivateProfile profile{dir.File("nivora.INI")};
};

TEST_F(PrivateProfileTest, WrittenValuesReadBackAsWrittenWithAnyLetterCase)
{
    EXPECT_EQ(profile.GetProfileString("LOG", "Logofile1", "dflt"), "dflt"); // no file yet
    const std::string path = "/home/me/Logos und Bilder/Café 1.bmp";
    ASSERT_TRUE(profile.WriteProfileString("LOG", "Logofile1", path));
    EXPECT_EQ(profile.GetProfileString("LOG", "Logofile1"), path);
    EXPECT_EQ(profile.GetProfileString("log", "LOGOFILE1"), path);
    EXPECT_EQ(profile.GetProfileString("LOG", "Logofile2", "dflt"), "dflt");
    ASSERT_TRUE(profile.WriteProfileString("Log", "logofile1", std::string("/b.bmp")));
    EXPECT_EQ(profile.GetProfileString("LOG", "Logofile1"), "/b.bmp");
    // One key, not two.
    EXPECT_EQ(dir.Read("nivora.INI"), "[LOG]\r\nLogofile1=/b.bmp\r\n");
}

TEST_F(PrivateProfileTest, WritingWithoutValueDeletesOnlyThatKey)
{
    ASSERT_TRUE(profile.WriteProfileStrings(
        "LOG", {{"Logofile1", "/a.bmp"}, {"Logofile2", "/b.bmp"}, {"Logofile3", "/c.bmp"}}));
    ASSERT_TRUE(profile.WriteProfileString("LOG", "Logofile2", std::nullopt));
    // Deleting a key that is not there changes nothing.
    ASSERT_TRUE(profile.WriteProfileString("LOG", "Logofile9", std::nullopt));
    EXPECT_EQ(dir.Read("nivora.INI"), "[LOG]\r\nLogofile1=/a.bmp\r\nLogofile3=/c.bmp\r\n");
}

TEST_F(PrivateProfileTest, OtherSectionsKeysCommentsAndOrderAreKept)
{
    dir.Write("nivora.INI",
              "; written by hand\n[First]\nA = 1\n\n[LOG]\n# old\nLogofile1=/old.bmp\nExtra=keep\n\n"
              "[Last]\nB=2\n");
    ASSERT_TRUE(profile.WriteProfileStrings("LOG", {{"Logofile1", "/new.bmp"}, {"Logofile2", "/two.bmp"}}));
    EXPECT_EQ(dir.Read("nivora.INI"),
              "; written by hand\r\n[First]\r\nA = 1\r\n\r\n[LOG]\r\n# old\r\nLogofile1=/new.bmp\r\n"
              "Extra=keep\r\nLogofile2=/two.bmp\r\n\r\n[Last]\r\nB=2\r\n");
}

TEST_F(PrivateProfileTest, AFailedReplacementLeavesThePreviousFileIntact)
{
    ASSERT_TRUE(profile.WriteProfileString("LOG", "Logofile1", std::string("/a.bmp")));
    const std::string before = dir.Read("nivora.INI");
    // A disk that takes no more: the new file cannot be written whole.
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{4, 4};
        ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(profile.WriteProfileStrings("LOG", {{"Logofile1", "/x.bmp"}, {"Logofile2", "/y.bmp"}}) ? 1
                                                                                                       : 0);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(dir.Read("nivora.INI"), before);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    EXPECT_FALSE(
        PrivateProfile(dir.File("missing-folder/nivora.INI")).WriteProfileString("LOG", "A", "/a.bmp"));
}

} // namespace
