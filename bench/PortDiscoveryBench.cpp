// Probing every port name, as the Setup page does at start-up and at every change to
// a serial model. Runs on a device tree of its own (a temporary folder as the device
// root), so it never opens the machine's real ports.
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <unistd.h>

#include "printer/PortDiscovery.h"
#include "platform/Context.h"

namespace {

class DeviceTree {
public:
    explicit DeviceTree(int terminals)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nivora-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        m_root = pattern;
        std::filesystem::create_directories(m_root + "/dev/usb");
        std::filesystem::create_directories(m_root + "/sys/class/tty");
        // A machine with few devices: some built-in UARTs without hardware, one USB
        // printer, and a few serial adapters (pseudo-terminals stand in for them).
        for (int n = 0; n < 4; ++n) {
            const std::string tty = "ttyS" + std::to_string(n);
            std::ofstream(m_root + "/dev/" + tty);
            std::filesystem::create_directories(m_root + "/sys/class/tty/" + tty);
            std::ofstream(m_root + "/sys/class/tty/" + tty + "/type") << (n == 0 ? "4\n" : "0\n");
        }
        std::ofstream(m_root + "/dev/usb/lp0");
        for (int n = 0; n < terminals; ++n) {
            int master = -1, slave = -1;
            char name[128] = {};
            if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
                std::abort();
            ::close(slave);
            m_masters.push_back(master);
            std::filesystem::create_symlink(name, m_root + "/dev/ttyUSB" + std::to_string(n));
        }
        context.deviceRoot = m_root;
    }
    ~DeviceTree()
    {
        for (int master : m_masters)
            ::close(master);
        std::filesystem::remove_all(m_root);
    }

    platform::Context context;

private:
    std::string m_root;
    std::vector<int> m_masters;
};

void BM_ProbeAllComNames(benchmark::State& state)
{
    DeviceTree tree(static_cast<int>(state.range(0)));
    size_t listed = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(listed = printer::ProbeComPorts(tree.context).size());
    state.counters["listed"] = static_cast<double>(listed);
}
BENCHMARK(BM_ProbeAllComNames)->Arg(0)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_ProbeLptNames(benchmark::State& state)
{
    DeviceTree tree(0);
    for (auto _ : state)
        benchmark::DoNotOptimize(printer::ProbeLptPorts(tree.context));
}
BENCHMARK(BM_ProbeLptNames)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
