// nivora-cli status on a hundred printers at once, ten of them silent and one out of
// paper: a line or a JSON object per printer, the exit status, and the exposition file
// for node_exporter checked line by line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>

#include "tests/cli/CliRunner.h"
#include "tests/support/FakeNetPrinter.h"
#include "tests/support/NetVirtualPrinter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using cli_test::Lines;
using ::testing::HasSubstr;

namespace {

TEST(StatusCommandTest, AHundredPrintersAreAskedAtOnce)
{
    cli_test::InProcess cli;
    cli.context.clock = &platform::SteadyClock(); // the printers' threads answer in real time
    TempDir dir;
    std::vector<std::unique_ptr<NetVirtualPrinter>> answering;
    std::vector<std::unique_ptr<FakeNetPrinter>> silent;
    std::string list;
    VirtualPrinterOptions paperOut;
    paperOut.paperOut = true;
    for (int i = 0; i < 90; ++i) {
        answering.push_back(std::make_unique<NetVirtualPrinter>(i == 0 ? paperOut : VirtualPrinterOptions{},
                                                                platform::SteadyClock()));
        list += answering.back()->Port() + "\n";
    }
    for (int i = 0; i < 10; ++i) {
        silent.push_back(std::make_unique<FakeNetPrinter>());
        silent.back()->AnswerWith(std::nullopt);
        list += silent.back()->Port() + "\n";
    }
    std::ofstream(dir.File("printers.txt")) << list;
    auto run =
        cli.Run("status", {"--printers", dir.File("printers.txt"), "--prometheus", dir.File("nivora.prom")});
    EXPECT_EQ(run.status, 3) << run.err; // some do not answer
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 100u) << run.out;
    const std::string ready =
        ": Ready. model 0x20, online, cover closed, paper ok, no error; Key-coded memory: "
        "262,144 bytes, 262,144 free, 0 logos stored";
    for (size_t i = 1; i < 90; ++i)
        EXPECT_THAT(run.out, HasSubstr(answering[i]->Port() + ready + "\n"));
    EXPECT_THAT(run.out, HasSubstr(answering[0]->Port() + ": Out of paper. model ?, off-line, cover closed, "
                                                          "paper out, no error\n"));
    for (const auto& printer : silent)
        EXPECT_THAT(run.out, HasSubstr(printer->Port() + ": No answer.\n"));

    // The exposition file (its layout is MetricsText's): which metrics, of which printers.
    const std::string prom = dir.Read("nivora.prom");
    const auto sample = [](const std::string& metric, const std::string& printer, const std::string& value) {
        return metric + "{printer=\"" + printer + "\"} " + value + "\n";
    };
    const auto samples = [&prom](const std::string& metric) {
        return cli_test::Occurrences(prom, metric + "{");
    };
    EXPECT_EQ(samples("nivora_printer_up"), 100);
    for (const auto& printer : silent)
        EXPECT_THAT(prom, HasSubstr(sample("nivora_printer_up", printer->Port(), "0")));
    const std::string out = answering[0]->Port(), fine = answering[1]->Port();
    EXPECT_THAT(prom, HasSubstr(sample("nivora_printer_up", out, "1")));
    EXPECT_THAT(prom, HasSubstr(sample("nivora_printer_paper_end", out, "1")));
    EXPECT_THAT(prom, HasSubstr(sample("nivora_printer_paper_end", fine, "0")));
    EXPECT_EQ(samples("nivora_printer_paper_end"), 90);
    EXPECT_THAT(prom, HasSubstr(sample("nivora_nv_free_bytes", fine, "262144")));
    EXPECT_EQ(samples("nivora_nv_capacity_bytes"), 89); // the printer out of paper is not asked
    EXPECT_THAT(prom, HasSubstr(sample("nivora_nv_stored_logos", fine, "0")));

    run = cli.Run("status", {"-p", out, "-p", fine, "--json", "--no-memory"});
    EXPECT_EQ(run.status, 1); // one needs attention
    std::map<std::string, nlohmann::json> objects;
    for (const std::string& line : Lines(run.out)) {
        const nlohmann::json object = nlohmann::json::parse(line);
        objects[object["printer"]] = object;
    }
    EXPECT_EQ(objects[out]["paper"], "out");
    EXPECT_EQ(objects[out]["online"], false);
    EXPECT_EQ(objects[fine]["raw"], nlohmann::json({0x12, 0x12, 0x12, 0x12}));
    EXPECT_EQ(objects[fine]["model"], 0x20);
    EXPECT_FALSE(objects[fine].contains("capacity"));
}

} // namespace
