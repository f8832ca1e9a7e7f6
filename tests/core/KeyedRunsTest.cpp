// The key-coded runs against the virtual printer in the same process: what it ends up
// holding, bit for bit, and what each run writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "download/PrintedDots.h"
#include "keyed/KeyedSync.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/KeyedChannels.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr std::time_t kNow = 1'700'000'000;

class KeyedRunsTest : public ::testing::Test {
protected:
    KeyedRunsTest() { Restart(); }

    // The printer as it would come up again with the same folder.
    void Restart()
    {
        const VirtualPrinterOptions options{.dir = dir.File("printer"), .busy = 2s};
        std::filesystem::create_directories(options.dir);
        printer = std::make_unique<VirtualPrinter>(options, clock, nullptr);
        std::string why;
        ASSERT_TRUE(printer->LoadMemory(why)) << why;
        channel = std::make_unique<VirtualPrinterChannel>(*printer, clock);
    }
    keyed::RunContext Context()
    {
        keyed::RunContext context(*channel, clock, stop);
        context.ask = [this](keyed::Question question, const std::string& text) {
            asked.push_back(question == keyed::Question::Wear ? "wear" : text);
            return answer;
        };
        context.wallClock = [] { return kNow; };
        return context;
    }
    // A logo whose dots depend on its seed; width x height pixels.
    std::string Logo(const std::string& name, int width, int height, int seed)
    {
        WriteFile(dir.File(name), MakeBmp({width, height}, [seed](int x, int y) {
                      return ((x * 7 + y * 3 + seed) % 11 < 5) ? 0x000000u : 0xFFFFFFu;
                  }));
        return dir.File(name);
    }
    // The defines (fn 67) among what the runs sent: "GS ( L L1", ...
    std::vector<std::string> Defines() const
    {
        const DecodedStream sent = DecodeStream(channel->Sent());
        EXPECT_TRUE(sent.complete) << sent.error;
        std::vector<std::string> defines;
        for (const StreamEvent& event : sent.events)
            if (event.kind == StreamEventKind::KeyedDefine)
                defines.push_back(event.text + " " + event.key);
        return defines;
    }
    keyed::SyncResult Sync(const std::string& manifest, keyed::SyncOptions options = {})
    {
        dir.Write("shop.txt", manifest);
        std::vector<std::string> errors;
        const auto entries = keyed::ReadManifest(dir.File("shop.txt"), NvConversion{}, errors);
        EXPECT_THAT(errors, IsEmpty());
        keyed::RunContext context = Context();
        return keyed::SyncKeys(context, entries, ledger, options);
    }

    TempDir dir;
    ManualClock clock;
    std::atomic<bool> stop{false};
    std::unique_ptr<VirtualPrinter> printer;
    std::unique_ptr<VirtualPrinterChannel> channel;
    keyed::Ledger ledger{"tcp://till-1:9100", dir.File("state/till.ledger")};
    std::vector<std::string> asked;
    bool answer = true;
};

// The printer stores the dots of the printed-dots preview bit for bit, centring and
// halftone included, and a logo beyond 65,535 bytes goes through GS 8 L.
TEST_F(KeyedRunsTest, StoredGraphicsAreThePreviewsDots)
{
    const NvConversion centred{100, 512, true, HalftoneMode::FloydSteinberg, {}};
    const std::vector<keyed::KeyedLogo> logos = {{"L1", Logo("a.bmp", 100, 50, 1), centred},
                                                 {"/A", Logo("b.bmp", 512, 2304, 2), NvConversion{}}};
    keyed::RunContext context = Context();
    const keyed::RunResult result = keyed::StoreLogos(context, logos, ledger);
    ASSERT_EQ(result.outcome, keyed::Outcome::Done) << result.message;
    EXPECT_THAT(result.stored, ElementsAre("L1", "/A"));
    for (const keyed::KeyedLogo& logo : logos) {
        DotImage preview;
        std::string why;
        ASSERT_TRUE(ConvertToDots(logo.path, logo.conversion, preview, why)) << why;
        const KeyedGraphic* stored = printer->Memory().Keyed(logo.key);
        ASSERT_NE(stored, nullptr) << logo.key;
        EXPECT_EQ(stored->Dots(), preview) << logo.key;
    }
    EXPECT_THAT(Defines(), ElementsAre("GS ( L L1", "GS 8 L /A"));
    // Each graphic's busy time was waited out before anything else was sent.
    EXPECT_GE(clock.Elapsed(), 4s);
    EXPECT_EQ(result.memory.free, 262144u - (312 / 8 * 56 + 24) - (512 / 8 * 2304 + 24));
    EXPECT_EQ(ledger.Find("/A")->bytes, 147456u);
    EXPECT_TRUE(std::filesystem::exists(dir.File("printer/key-2F41-002.png")));
}

// The second sync of the same manifest writes nothing; a changed file is stored again,
// a key the ledger does not know is stored once, prune deletes what is not listed, and
// a dry run only reads.
TEST_F(KeyedRunsTest, SyncWritesOnlyWhatChanged)
{
    Logo("a.bmp", 64, 32, 1);
    Logo("b.bmp", 64, 32, 2);
    const std::string manifest = "# the shop\nL1 a.bmp\nL2 \"b.bmp\" threshold=90 centre  # the bakery\n";
    keyed::SyncResult first = Sync(manifest);
    ASSERT_EQ(first.run.outcome, keyed::Outcome::Done) << first.run.message;
    EXPECT_THAT(first.run.stored, ElementsAre("L1", "L2"));
    ASSERT_EQ(first.plan.size(), 2u);
    EXPECT_EQ(first.plan[0].reason, "missing");
    EXPECT_EQ(Defines().size(), 2u);

    keyed::Ledger reread("tcp://till-1:9100", ledger.Path());
    std::string why;
    ASSERT_TRUE(reread.Load(why)) << why;
    EXPECT_EQ(reread.Keys(), ledger.Keys());
    EXPECT_EQ(reread.WritesWithin24h(kNow), 2);

    keyed::SyncResult second = Sync(manifest);
    EXPECT_EQ(second.run.outcome, keyed::Outcome::Done) << second.run.message;
    EXPECT_THAT(second.run.skipped, ElementsAre("L1", "L2"));
    EXPECT_EQ(Defines().size(), 2u);
    EXPECT_EQ(second.run.writesToday, 2);

    keyed::SyncResult again = Sync(manifest, {.storeAll = true}); // "Store all again"
    EXPECT_THAT(again.run.stored, ElementsAre("L1", "L2"));
    EXPECT_EQ(Defines().size(), 4u);

    Logo("b.bmp", 64, 32, 3);
    ledger.Remove("L1"); // as if another program had stored L1
    keyed::SyncResult third = Sync(manifest + "L3 a.bmp\n", {false, true, false});
    EXPECT_EQ(third.plan[0].reason, "not in the ledger");
    EXPECT_EQ(third.plan[1].reason, "changed");
    EXPECT_EQ(third.plan[2].reason, "missing");
    EXPECT_EQ(Defines().size(), 4u); // dry run
    EXPECT_EQ(ledger.Find("L1"), nullptr);

    keyed::SyncResult pruned = Sync("L2 b.bmp threshold=90 centre\n", {true, false, false});
    ASSERT_EQ(pruned.run.outcome, keyed::Outcome::Done) << pruned.run.message;
    EXPECT_THAT(pruned.run.deleted, ElementsAre("L1"));
    EXPECT_THAT(pruned.run.stored, ElementsAre("L2"));
    EXPECT_EQ(printer->Memory().KeyedGraphics().size(), 1u);
    EXPECT_EQ(ledger.Keys().count("L1"), 0u);
}

// The first store to a printer asks about the FS q images; more than ten writes a day
// asks again; a no stops before the next write.
TEST_F(KeyedRunsTest, ErasureAndWearAreAskedBeforeWriting)
{
    const std::string logo = Logo("a.bmp", 16, 8, 1);
    keyed::RunContext context = Context();
    answer = false;
    keyed::RunResult result = keyed::StoreLogos(context, {{"L1", logo, {}}}, ledger);
    EXPECT_EQ(result.outcome, keyed::Outcome::Declined);
    EXPECT_THAT(asked,
                ElementsAre("Storing logos by key erases, on many printers, the logos stored all at once "
                            "(FS q). Go on?"));
    EXPECT_EQ(Defines().size(), 0u);

    answer = true;
    asked.clear();
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(keyed::StoreLogos(context, {{"L1", logo, {}}}, ledger).outcome, keyed::Outcome::Done);
    EXPECT_EQ(asked.size(), 1u); // the erasure, once
    answer = false;
    result = keyed::StoreLogos(context, {{"L1", logo, {}}}, ledger);
    EXPECT_EQ(result.outcome, keyed::Outcome::Declined);
    EXPECT_EQ(asked.back(), "wear");
    EXPECT_EQ(Defines().size(), 10u);
    EXPECT_EQ(result.writesToday, 10);
}

TEST_F(KeyedRunsTest, DeletePrintAndAPrinterThatForgetsNothingOnRestart)
{
    keyed::RunContext context = Context();
    const std::string logo = Logo("a.bmp", 16, 8, 1);
    ASSERT_EQ(
        keyed::StoreLogos(context, {{"L1", logo, {}}, {"L2", logo, {}}, {"L3", logo, {}}}, ledger).outcome,
        keyed::Outcome::Done);
    Restart();
    keyed::RunContext again = Context();
    keyed::RunResult result = keyed::DeleteKeys(again, {"L2", "XX"}, false, ledger);
    EXPECT_EQ(result.outcome, keyed::Outcome::Done) << result.message;
    EXPECT_THAT(result.deleted, ElementsAre("L2"));
    EXPECT_THAT(result.skipped, ElementsAre("XX"));
    EXPECT_THAT(result.memory.keys, ElementsAre("L1", "L3"));

    result = keyed::PrintKeys(again, {"L3", "L1"}, 1);
    EXPECT_THAT(result.printed, ElementsAre("L3", "L1"));
    printer->Process();
    EXPECT_TRUE(std::filesystem::exists(dir.File("printer/print-002.png")));
    result = keyed::PrintKeys(again, {"L1", "L2"}, 0);
    EXPECT_EQ(result.outcome, keyed::Outcome::Failed);
    EXPECT_EQ(result.message, "Nothing printed: the printer does not hold L2.");

    result = keyed::DeleteKeys(again, {}, true, ledger);
    EXPECT_EQ(result.outcome, keyed::Outcome::Done) << result.message;
    EXPECT_THAT(result.deleted, ElementsAre("L1", "L3"));
    EXPECT_TRUE(printer->Memory().KeyedGraphics().empty());
    EXPECT_TRUE(ledger.Keys().empty());
}

} // namespace
