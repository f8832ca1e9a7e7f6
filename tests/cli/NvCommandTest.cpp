// nivora-cli nv end to end, in this process, against virtual printers on loopback: the
// lines and the JSON of store, info, print, sync and delete on two printers, a printer
// without key-coded memory, paper out, and Ctrl-C while the printer writes its memory.
// What a run stores, skips and refuses is the keyed runs' own test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <nlohmann/json.hpp>

#include "keyed/KeyedCommands.h"
#include "keyed/KeyedRun.h"
#include "tests/cli/CliRunner.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/NetVirtualPrinter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

class NvCommandTest : public ::testing::Test {
protected:
    // The printers' threads answer in real time; the busy times pass on the clock.
    NvCommandTest() { cli.clock.SetRealWait(20ms); }

    // A logo of stripes and a diagonal, so that a dot out of place shows.
    std::string Logo(const std::string& name, int width, int height)
    {
        const std::string path = dir.File(name + ".bmp");
        WriteFile(path,
                  MakeBmp({width, height}, [](int x, int y) { return (x / 3 + y) % 4 == 0 ? 0 : 0xFFFFFF; }));
        return path;
    }
    cli_test::CliResult Nv(const std::vector<std::string>& args) { return cli.Run("nv", args); }

    cli_test::InProcess cli;
    TempDir dir;
    ScopedEnv state{"XDG_STATE_HOME", dir.File("state")}; // the ledgers
};

TEST_F(NvCommandTest, StoreInfoPrintSyncAndDeleteOnTwoPrinters)
{
    NetVirtualPrinter a({}, cli.clock), b({}, cli.clock);
    const std::string coffee = Logo("coffee", 100, 40), bakery = Logo("bakery", 64, 24);
    auto run = Nv({"store", "-p", a.Port(), "-p", b.Port(), "-c", "L1=" + coffee, "L2=" + bakery});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr(a.Port() + ": stored L1, L2; Key-coded memory: 262,144 bytes, "));
    EXPECT_THAT(run.out, HasSubstr(b.Port() + ": stored L1, L2;"));
    const std::string erasure =
        "nivora-cli nv: warning: Storing logos by key erases, on many printers, the logos "
        "stored all at once (FS q).\n";
    EXPECT_EQ(cli_test::Occurrences(run.err, erasure), 1) << run.err; // once for both printers
    ASSERT_NE(b.Memory().Keyed("L1"), nullptr);
    EXPECT_EQ(b.Memory().Keyed("L1")->width, 312); // -c: centred on 512 dots (104 wide without)

    run = Nv({"info", "-p", a.Port(), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json info = nlohmann::json::parse(run.out);
    EXPECT_EQ(info["keys"], nlohmann::json({"L1", "L2"}));
    EXPECT_EQ(info["capacity"], 262144);
    EXPECT_EQ(info["free"], a.Memory().Free());

    run = Nv({"print", "-p", a.Port(), "-m", "quadruple", "L2", "L1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, a.Port() + ": printed L2, L1\n");
    std::vector<uint8_t> prints = keyed::PrintKey("L2", 3);
    const std::vector<uint8_t> second = keyed::PrintKey("L1", 3);
    prints.insert(prints.end(), second.begin(), second.end());
    const std::vector<uint8_t> received = a.Received();
    EXPECT_NE(std::search(received.begin(), received.end(), prints.begin(), prints.end()), received.end());

    // Sync: L1 kept as it is, L3 stored, L2 pruned.
    dir.Write("shop.txt", "L1 coffee.bmp centre\nL3 bakery.bmp threshold=100\n");
    run = Nv({"sync", "-p", a.Port(), "--prune", "--json", dir.File("shop.txt")});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json synced = nlohmann::json::parse(run.out);
    EXPECT_EQ(synced["stored"], nlohmann::json({"L3"}));
    EXPECT_EQ(synced["skipped"], nlohmann::json({"L1"}));
    EXPECT_EQ(synced["deleted"], nlohmann::json({"L2"}));
    EXPECT_EQ(synced["writesToday"], 4);

    run = Nv({"delete", "-p", a.Port(), "--all"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out,
                HasSubstr("deleted L1, L3; Key-coded memory: 262,144 bytes, 262,144 free, 0 logos stored"));
    EXPECT_TRUE(a.Memory().KeyedGraphics().empty());
}

// A printer out of paper is told so before anything is sent; one that keeps no logo by
// key ends the run with 3.
TEST_F(NvCommandTest, APrinterOutOfPaperOrWithoutKeyCodedMemoryGetsOnlyTheQuestions)
{
    VirtualPrinterOptions paperOut, classic;
    paperOut.paperOut = true;
    classic.classicOnly = true;
    NetVirtualPrinter empty(paperOut, cli.clock), printer(classic, cli.clock);
    auto run = Nv({"store", "-p", empty.Port(), "L1=" + Logo("small", 16, 16)});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("The printer is out of paper. Nothing was sent."));
    EXPECT_EQ(empty.Received(), (std::vector<uint8_t>{0x10, 4, 1, 0x10, 4, 2, 0x10, 4, 3, 0x10, 4, 4}));

    // Without the state asked, the printer is only told what it can answer.
    run = Nv({"info", "-p", empty.Port(), "--no-ask-state"});
    EXPECT_EQ(run.status, 0) << run.err;

    run = Nv({"info", "-p", printer.Port()});
    EXPECT_EQ(run.status, 3);
    EXPECT_THAT(run.err, HasSubstr(std::string(keyed::kNoAnswerText) + "\n"));
}

// Ctrl-C while the printer writes L1: it finishes L1, which is verified; L2 is never sent.
TEST_F(NvCommandTest, CtrlCWhileThePrinterWritesStopsOnceItHasFinished)
{
    VirtualPrinterOptions options;
    options.busy = 5s;
    NetVirtualPrinter printer(options, cli.clock);
    bool raised = false;
    printer.OnBusy([&] {
        if (!std::exchange(raised, true))
            std::raise(SIGINT);
    });
    const auto run =
        Nv({"store", "-p", printer.Port(), "L1=" + Logo("one", 32, 8), "L2=" + Logo("two", 32, 8)});
    EXPECT_EQ(run.status, 130);
    EXPECT_THAT(run.err, HasSubstr("Stopped after the printer had finished writing L1."));
    EXPECT_THAT(run.out, HasSubstr(": Stopped after the printer had finished writing L1.; stored L1;"));
    EXPECT_NE(printer.Memory().Keyed("L1"), nullptr);
    EXPECT_EQ(printer.Memory().Keyed("L2"), nullptr);
}

} // namespace
