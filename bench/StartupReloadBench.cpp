// Start-up cost of the stored logo list: 255 profile keys naming 512 x 400 24-bit files
// (in the page cache), reloaded through the real path (profile, LoadStoredList, AddFile);
// a profile of 20,000 keys naming files that are gone (one reading of the profile, so
// linear in the keys). Also the reader on its own for the biggest picture a logo can be
// (512 x 2304).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/NvLogoApp.h"
#include "bench/BenchFiles.h"
#include "logo/BmpFile.h"
#include "logo/LogoLoader.h"
#include "logo/PrivateProfile.h"
#include "logo/StoredList.h"
#include "platform/MessageBox.h"
#include "platform/WorkDir.h"

namespace {

constexpr int kStoredLogos = 255;
constexpr int kMissingLogos = 20000;

class SilentBoxes final : public platform::MessageBoxHandler {
public:
    int Show(const std::string&, unsigned, const std::string&) override { return platform::IDOK; }
};

// The working folder with the profile and the 255 logo files, made once.
struct Workspace {
    std::string dir;
    std::string profileBase = platform::ExecutableBaseName() + ".INI";
    std::string missingBase = "missing.INI"; // 20,000 keys of files that are gone
    std::string tall;                        // 512 x 2304

    Workspace()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nivora-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        dir = pattern;
        const std::vector<uint8_t> logo = bench::RandomBmp(512, 400, 24);
        std::string profile = "[LOG]\r\n";
        for (int i = 1; i <= kStoredLogos; ++i) {
            const std::string path = dir + "/logo" + std::to_string(i) + ".bmp";
            bench::WriteBytes(path, logo);
            profile += LogoFileKey(i) + "=" + path + "\r\n";
        }
        std::ofstream(dir + "/" + profileBase, std::ios::binary) << profile;
        std::string missing = "[LOG]\r\n";
        for (int i = 1; i <= kMissingLogos; ++i)
            missing += LogoFileKey(i) + "=" + dir + "/gone" + std::to_string(i) + ".bmp\r\n";
        std::ofstream(dir + "/" + missingBase, std::ios::binary) << missing;
        tall = dir + "/tall.bmp";
        bench::WriteBytes(tall, bench::RandomBmp(512, 2304, 24));
    }
    ~Workspace()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

Workspace& Work()
{
    static Workspace work;
    return work;
}

// LoadStoredList prints the working folder on standard output, as start-up does; the
// benchmark's own output stays readable with it sent to /dev/null meanwhile.
class QuietStdout {
public:
    QuietStdout() : m_saved(::dup(STDOUT_FILENO))
    {
        std::fflush(stdout);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int m_saved;
};

// The whole start-up reload. With the shipped 384 KByte only 15 of these logos fit and
// the rest are refused as not fitting; with room for all of them every file is listed.
// Argument 2: the profile of 20,000 keys naming files that are gone.
void BM_StartupReload(benchmark::State& state)
{
    const bool roomForAll = state.range(0) == 1, missing = state.range(0) == 2;
    Workspace& work = Work();
    SilentBoxes boxes;
    platform::SetMessageBoxHandler(&boxes);
    const std::string previous = std::filesystem::current_path().string();
    platform::ChangeDir(work.dir);
    double listed = 0, refused = 0;
    {
        QuietStdout quiet;
        for (auto _ : state) {
            state.PauseTiming();
            CNvLogoApp app;
            app.m_strProfileBase = missing ? work.missingBase : work.profileBase;
            if (roomForAll)
                app.m_session.m_list.SetCapacityKByte(8 * 1024);
            state.ResumeTiming();
            const ReloadResult result = app.LoadStoredList();
            listed = app.m_session.m_list.Count();
            refused = static_cast<double>(result.failed.size());
        }
    }
    state.counters["listed"] = listed;
    state.counters["refused"] = refused;
    platform::ChangeDir(previous);
    platform::SetMessageBoxHandler(nullptr);
}
BENCHMARK(BM_StartupReload)->Arg(0)->Arg(1)->Arg(2)->ArgNames({"case"})->Unit(benchmark::kMillisecond);

// The profile side alone: the one reading of the 255 keys.
void BM_ProfileKeys(benchmark::State& state)
{
    const PrivateProfile profile(Work().dir + "/" + Work().profileBase);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadStoredList(profile).size());
}
BENCHMARK(BM_ProfileKeys)->Unit(benchmark::kMillisecond);

void BM_ReadBmpInfo512x2304(benchmark::State& state)
{
    const std::string& path = Work().tall;
    for (auto _ : state) {
        BmpInfo info;
        if (!ReadBmpInfo(path, info))
            state.SkipWithError("ReadBmpInfo failed");
        benchmark::DoNotOptimize(info);
    }
}
BENCHMARK(BM_ReadBmpInfo512x2304)->Unit(benchmark::kMicrosecond);

void BM_LoadBmp512x2304(benchmark::State& state)
{
    const std::string& path = Work().tall;
    for (auto _ : state) {
        BmpImage image;
        if (!LoadBmp(path, image))
            state.SkipWithError("LoadBmp failed");
        benchmark::DoNotOptimize(image.Bits());
    }
}
BENCHMARK(BM_LoadBmp512x2304)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
