// Raster conversion and whole downloads at their largest.
//   cmake --preset bench && cmake --build --preset bench -j2 && build/bench/bench/NvImageBench
// Goals: BuildRaster of 512 x 2304 dots from a 24-bit file under 5 ms; a whole
// `nivora-cli download -o` of a full 384 KByte set under 100 ms.
#include <benchmark/benchmark.h>

#include "bench/BenchFiles.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "download/DownloadWalk.h"
#include "download/NvDownload.h"
#include "download/NvImage.h"
#include "download/NvStream.h"
#include "logo/LogoLoader.h"
#include "printer/ByteSink.h"

namespace {

using bench::RandomBmp;

class Files {
public:
    Files()
    {
        char pattern[] = "/tmp/nivora-bench-XXXXXX";
        m_dir = ::mkdtemp(pattern) ? pattern : "/tmp";
    }
    ~Files()
    {
        for (const std::string& path : m_paths)
            std::remove(path.c_str());
        ::rmdir(m_dir.c_str());
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        const std::string path = m_dir + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        m_paths.push_back(path);
        return path;
    }
    const std::string& Dir() const { return m_dir; }

private:
    std::string m_dir;
    std::vector<std::string> m_paths;
};

Files& TheFiles()
{
    static Files files;
    return files;
}

void BM_BuildRaster(benchmark::State& state)
{
    const int bits = static_cast<int>(state.range(0));
    const std::string path =
        TheFiles().Write("raster" + std::to_string(bits) + ".bmp", RandomBmp(512, 2304, bits, 1));
    auto image = std::make_unique<CNvImage>();
    if (!image->LoadFile(path))
        state.SkipWithError("cannot load the bitmap");
    for (auto _ : state) {
        image->BuildRaster({128, 512, false});
        benchmark::DoNotOptimize(image->m_raster[image->m_nLength - 1]);
    }
    state.SetBytesProcessed(state.iterations() * kNvRasterCapacity);
}
BENCHMARK(BM_BuildRaster)->Arg(24)->Arg(32)->Arg(16)->Arg(8)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadFile24(benchmark::State& state)
{
    const std::string path = TheFiles().Write("load24.bmp", RandomBmp(512, 2304, 24, 2));
    auto image = std::make_unique<CNvImage>();
    for (auto _ : state)
        benchmark::DoNotOptimize(image->LoadFile(path));
}
BENCHMARK(BM_LoadFile24)->Unit(benchmark::kMillisecond);

// 393216 bytes of NV data: 512 x 2304, 512 x 2304 and 512 x 1536 dots.
std::vector<std::string> FullSet(int bits)
{
    const std::string tag = std::to_string(bits);
    return {TheFiles().Write("full" + tag + "a.bmp", RandomBmp(512, 2304, bits, 3)),
            TheFiles().Write("full" + tag + "b.bmp", RandomBmp(512, 2304, bits, 4)),
            TheFiles().Write("full" + tag + "c.bmp", RandomBmp(512, 1536, bits, 5))};
}

// The work of `download -o` inside one process: list, check, convert, write the file.
void BM_DownloadFullSetInProcess(benchmark::State& state)
{
    const std::vector<std::string> files = FullSet(static_cast<int>(state.range(0)));
    const std::string out = TheFiles().Write("inprocess.prn", {});
    for (auto _ : state) {
        LogoList list;
        CLogoLoader loader(list);
        for (const std::string& path : files)
            loader.AddFile(0, path);
        MemorySink sink;
        CSinkDownload download(list, {}, sink);
        if (!ListedLogoRefusal(DownloadJobs(list), {128, 512}).empty() || !download.RunToEnd() ||
            sink.bytes.size() != 393216 + 3 + 12)
            state.SkipWithError("the download did not come out whole");
        std::ofstream(out, std::ios::binary)
            .write(reinterpret_cast<const char*>(sink.bytes.data()),
                   static_cast<std::streamsize>(sink.bytes.size()));
    }
}
BENCHMARK(BM_DownloadFullSetInProcess)->Arg(24)->Arg(1)->Unit(benchmark::kMillisecond);

// The real program, started as a user would start it (process start-up included).
void BM_CliDownloadFullSet(benchmark::State& state)
{
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string exe = n > 0 ? std::string(self, static_cast<size_t>(n)) : "";
    const std::string cli = exe.substr(0, exe.rfind('/')) + "/../tools/nivora-cli";
    if (::access(cli.c_str(), X_OK) != 0) {
        state.SkipWithError("nivora-cli is not built beside the benchmarks");
        return;
    }
    const std::vector<std::string> files = FullSet(static_cast<int>(state.range(0)));
    const std::string out = TheFiles().Write("cli.prn", {});
    for (auto _ : state) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl(cli.c_str(), cli.c_str(), "download", "-o", out.c_str(), files[0].c_str(),
                    files[1].c_str(), files[2].c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("nivora-cli download failed");
    }
}
BENCHMARK(BM_CliDownloadFullSet)->Arg(24)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
