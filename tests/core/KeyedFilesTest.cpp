// The manifest of a sync and the ledger of a printer: what they read, and what they
// refuse, named by line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "keyed/Ledger.h"
#include "keyed/Manifest.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;

namespace {

TEST(ManifestTest, LinesOptionsAndMistakes)
{
    const NvConversion defaults{128, 576, false, HalftoneMode::Classic, {}};
    std::vector<std::string> errors;
    const auto entries =
        keyed::ParseManifest("# logos\n"
                             "L1 coffee.bmp\n"
                             "\n"
                             "  L2 \"new bakery.png\" threshold=90 halftone=atkinson centre # ok\n"
                             "L3 /abs/x.gif threshold=256\n"
                             "L1 again.bmp\n"
                             "LONG x.bmp\n"
                             "L4\n"
                             "L5 \"open.bmp\n"
                             "L6 y.bmp center\r\n"
                             "L7 z.bmp halftone=dots\n"
                             "#L8 ignored.bmp\n"
                             "A1 a.png trim rotate=90 fit brightness=10 contrast=-5 gamma=1.4 invert\n"
                             "A3 c.png rotate=45\n"
                             "A4 d.png fit scale=150\n"
                             "A5 e.png trim=1\n",
                             "shop.txt", "/shop", defaults, errors);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].line, 2);
    EXPECT_EQ(entries[0].path, "/shop/coffee.bmp");
    EXPECT_EQ(entries[0].conversion.threshold, 128);
    EXPECT_EQ(entries[0].conversion.maxPrintWidth, 576);
    EXPECT_EQ(entries[1].key, "L2");
    EXPECT_EQ(entries[1].path, "/shop/new bakery.png");
    EXPECT_EQ(entries[1].conversion.threshold, 90);
    EXPECT_EQ(entries[1].conversion.halftone, HalftoneMode::Atkinson);
    EXPECT_TRUE(entries[1].conversion.centre);
    EXPECT_FALSE(entries[1].conversion.adjust.Any());
    // Adjustments are read as Adjustments::Parse reads them (its own test has the values).
    EXPECT_EQ(entries[2].conversion.adjust,
              Adjustments::Parse("trim rotate=90 fit brightness=10 contrast=-5 gamma=1.4 invert"));
    EXPECT_EQ(entries[2].conversion.threshold, 128);
    EXPECT_THAT(errors,
                ElementsAre("shop.txt, line 5: threshold= takes 0 to 255, not \"256\"",
                            "shop.txt, line 6: L1 is listed twice",
                            "shop.txt, line 7: \"LONG\" is not a key (two characters from ! to ~)",
                            "shop.txt, line 8: the image of L4 is missing",
                            "shop.txt, line 9: a quote is not closed",
                            "shop.txt, line 10: \"center\" is not threshold=N, halftone=MODE, centre or an "
                            "adjustment",
                            "shop.txt, line 11: halftone= takes classic, colour, floyd-steinberg or "
                            "atkinson, not \"dots\"",
                            "shop.txt, line 14: rotate= takes 0, 90, 180 or 270, not \"45\"",
                            "shop.txt, line 15: fit and scale= do not go together",
                            "shop.txt, line 16: trim takes no value"));
}

TEST(LedgerTest, KeptAcrossRunsAndRefusedWhenDamaged)
{
    TempDir dir;
    const std::string path = keyed::LedgerPath(dir.File("state/nivora"), "tcp://10.0.0.7:9100");
    EXPECT_EQ(path, dir.File("state/nivora/tcp%3A%2F%2F10.0.0.7%3A9100.ledger"));
    keyed::Ledger ledger("tcp://10.0.0.7:9100", path);
    std::string why;
    ASSERT_TRUE(ledger.Load(why)) << why; // none yet: empty
    const std::string sha(64, 'a');
    ledger.Set("L1", {sha, 25600, 1'700'000'000});
    ledger.Set(" #", {std::string(64, '0'), 8, 1'700'000'001});
    ledger.MarkKeyedUsed();
    const std::time_t now = 1'700'100'000;
    ledger.CountWrite(now - 86400); // a day old: gone with the next write
    ledger.CountWrite(now - 86399);
    ledger.CountWrite(now);
    ASSERT_TRUE(ledger.Save(why)) << why;

    keyed::Ledger read("tcp://10.0.0.7:9100", path);
    ASSERT_TRUE(read.Load(why)) << why;
    EXPECT_EQ(read.Keys(), ledger.Keys());
    EXPECT_TRUE(read.KeyedUsed());
    EXPECT_EQ(read.WritesWithin24h(now), 2);
    EXPECT_EQ(read.WritesWithin24h(now + 1), 1); // exactly a day old: no longer counted

    keyed::Ledger other("COM1", path);
    EXPECT_FALSE(other.Load(why));
    EXPECT_THAT(why, ::testing::HasSubstr("line 2: a ledger of another printer, tcp://10.0.0.7:9100"));
    for (const char* damaged : {"key 4C31 abc 1 2\n",
                                "key 1F31 "
                                "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa 1 2\n",
                                "write\n", "size 3\n"}) {
        dir.Write("bad.ledger", std::string("printer COM1\n") + damaged);
        keyed::Ledger bad("COM1", dir.File("bad.ledger"));
        EXPECT_FALSE(bad.Load(why)) << damaged;
        EXPECT_THAT(why, ::testing::HasSubstr("bad.ledger, line 2: ")) << damaged;
    }

    EXPECT_EQ(keyed::LedgerDir("/x/state", "/home/a"), "/x/state/nivora");
    EXPECT_EQ(keyed::LedgerDir("relative", "/home/a"), "/home/a/.local/state/nivora");
    EXPECT_EQ(keyed::LedgerDir(nullptr, "/home/a"), "/home/a/.local/state/nivora");
}

} // namespace
