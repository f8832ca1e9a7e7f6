// Logos stored by key: the key each listed logo gets and keeps (defaults in list order,
// refusals of a key that is none or is taken, the stored list's keys in the profile and
// back), and the "NV storage" choice kept in the profile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/Session.h"
#include "keyed/NvKey.h"
#include "logo/LogoList.h"
#include "logo/PrivateProfile.h"
#include "logo/StoredList.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;

namespace {

std::vector<std::string> Keys(const LogoList& list)
{
    std::vector<std::string> keys;
    for (const Logo& logo : list.Logos())
        keys.push_back(logo.key);
    return keys;
}

Logo Named(const std::string& name, const std::string& key = {})
{
    return {.path = "/" + name, .name = name, .key = key};
}

TEST(LogoKeysTest, DefaultsFollowTheListAndRefusalsSayWhy)
{
    EXPECT_EQ(DefaultNvKey(1), "01");
    EXPECT_EQ(DefaultNvKey(99), "99");
    EXPECT_EQ(DefaultNvKey(100), "A0");
    EXPECT_EQ(DefaultNvKey(255), "P5");
    LogoList list;
    list.Append(Named("a.bmp"));
    list.Append(Named("b.bmp", "03")); // a key of its own is kept
    list.Append(Named("c.bmp"));       // its default is taken: the next free one
    list.Append(Named("d.bmp", "01")); // taken: a default
    EXPECT_THAT(Keys(list), ElementsAre("01", "03", "04", "05"));

    EXPECT_EQ(list.KeyRefusal(0, "03"), "The key 03 is taken by b.bmp.");
    EXPECT_THAT(list.KeyRefusal(0, "L"), ::testing::StartsWith("A key is two characters"));
    EXPECT_FALSE(list.SetKey(0, "L\x7f")); // which texts are keys is IsNvKey's test
    EXPECT_EQ(list.At(0).key, "01");
    EXPECT_TRUE(list.SetKey(0, "01")); // its own key again
    EXPECT_TRUE(list.SetKey(0, " ~"));
    EXPECT_TRUE(list.SetKey(2, "01")); // given up by the first row
    EXPECT_THAT(Keys(list), ElementsAre(" ~", "03", "01", "05"));
}

// Only a key that differs from its place's default is written, so that a list stored
// all at once keeps exactly the keys it always had; a list reloaded with keys swapped
// between rows gets them back as they were.
TEST(LogoKeysTest, TheStoredListKeepsTheKeysThatDifferFromTheDefaults)
{
    FakePlatform fake;
    TempDir dir;
    const std::vector<std::string> paths = {WriteSolidBmp(dir.File("a.bmp"), 8, 8, 0),
                                            WriteSolidBmp(dir.File("b.bmp"), 8, 8, 0),
                                            WriteSolidBmp(dir.File("c.bmp"), 8, 8, 0)};
    PrivateProfile profile(dir.File("test.INI"));
    ASSERT_TRUE(WriteStoredList(
        profile, {{paths[0], false, {}, "01"}, {paths[1], false, {}, "03"}, {paths[2], false, {}, "02"}}, 0));
    EXPECT_EQ(profile.GetProfileString(kLogSection, "Logokey1"), "");
    EXPECT_EQ(profile.GetProfileString(kLogSection, "Logokey2"), "03");
    const std::vector<StoredLogo> stored = ReadStoredList(profile);
    EXPECT_EQ(stored[0].key, "");
    EXPECT_EQ(stored[2].key, "02");

    LogoList list;
    CLogoLoader loader(list);
    loader.ReloadStored(stored);
    EXPECT_THAT(Keys(list), ElementsAre("01", "03", "02"));
}

TEST(LogoKeysTest, TheStorageChoiceIsKeptAndAbsentForAllAtOnce)
{
    FakePlatform fake;
    TempDir dir;
    Session session;
    session.m_strProfilePath = dir.File("nivora.INI");
    ASSERT_TRUE(session.SetKeyedStorage(true));
    Session next;
    next.m_strProfilePath = session.m_strProfilePath;
    next.LoadProfile();
    EXPECT_TRUE(next.m_kept.keyedStorage);
    ASSERT_TRUE(next.SetKeyedStorage(false));
    EXPECT_FALSE(ReadKeptSettings(next.Profile()).keyedStorage);
    EXPECT_EQ(dir.Read("nivora.INI").find("NvStorage"), std::string::npos);
}

} // namespace
