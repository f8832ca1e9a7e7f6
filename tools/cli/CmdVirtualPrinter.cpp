// nivora-cli virtual-printer: a printer that remembers and answers, on a TCP port or a
// pseudo-terminal, for trying everything without hardware.
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <netdb.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "emulator/PrinterServer.h"
#include "emulator/VirtualPrinter.h"
#include "platform/Clock.h"
#include "tools/cli/Command.h"
#include "tools/cli/Options.h"

namespace {

const char* const kUsage =
    "Usage: nivora-cli virtual-printer (--listen [HOST:]PORT | --pty LINK) --dir DIR\n"
    "                                  [--capacity BYTES] [--busy-ms N]\n"
    "                                  [--classic-only | --keyed-only] [--keep-both]\n"
    "                                  [--paper-out] [--max-images N]\n"
    "\n"
    "A receipt printer in software. It reads what a program sends as a printer does and\n"
    "answers: GS I 1 with its model byte (0x20), DLE EOT 1 to 4 with its status, and the\n"
    "key-coded NV graphics requests of GS ( L (capacity, free room, the key list with its\n"
    "ACK / NAK / CAN handshake). It keeps both NV memories, the FS q images and the\n"
    "key-coded graphics, across connections and across restarts (in DIR); like many\n"
    "printers, defining a key-coded graphic erases the FS q images and FS q erases the\n"
    "key-coded graphics. A graphic that does not fit the free room is ignored without a\n"
    "word, and so is the data of FS q images beyond 384 KiB. After every write to its\n"
    "memory it reads nothing for --busy-ms.\n"
    "\n"
    "Every command it reads is logged on standard output with its offset in the\n"
    "connection; every stored image and every print is saved in DIR as a PNG picture\n"
    "(nv-001.png, key-L1-001.png, print-001.png, ..., as nivora-cli render names them).\n"
    "It serves one connection at a time, for ever, until SIGINT or SIGTERM.\n"
    "\n"
    "Options:\n"
    "  --listen [HOST:]PORT  listen on a TCP port (HOST 127.0.0.1 when left out;\n"
    "                        0.0.0.0 for every address; PORT 0 takes a free one).\n"
    "                        The first line says where it listens.\n"
    "  --pty LINK            make a pseudo-terminal and a symbolic link LINK to it, to be\n"
    "                        opened as a serial printer at the port LINK.\n"
    "  -d, --dir DIR         folder for the memory and the pictures (required).\n"
    "  --capacity BYTES      key-coded memory (default 262144).\n"
    "  --busy-ms N           milliseconds it reads nothing after a write (default 0).\n"
    "  --classic-only        a printer without key-coded memory: answers no key-coded\n"
    "                        request and ignores key-coded commands.\n"
    "  --keyed-only          a printer without FS q: ignores FS q and FS p.\n"
    "  --keep-both           keep both memories (no erasure across them).\n"
    "  --paper-out           DLE EOT reports paper end; prints are not printed.\n"
    "  --max-images N        save at most N pictures while it runs (default 1000).\n"
    "  -h, --help            show this help.\n"
    "\n"
    "Exit status: 0 stopped by a signal, 1 it cannot listen, make the pseudo-terminal or\n"
    "use DIR, 2 wrong usage.\n";

const std::vector<cli::OptionDef> kOptions = {
    {0, "listen", true},     {0, "pty", true},           {'d', "dir", true},       {0, "capacity", true},
    {0, "busy-ms", true},    {0, "classic-only", false}, {0, "keyed-only", false}, {0, "keep-both", false},
    {0, "paper-out", false}, {0, "max-images", true}};

volatile std::sig_atomic_t g_stop = 0;

extern "C" void OnStopSignal(int)
{
    g_stop = 1;
}

void CatchStopSignals()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void LogLine(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// Serving ends at SIGINT or SIGTERM and logs each connection.
ServeHooks SignalStops()
{
    ServeHooks hooks;
    hooks.stop = [] { return g_stop != 0; };
    hooks.log = LogLine;
    return hooks;
}

// "[HOST:]PORT" -> a listening socket, or -1 with the reason in error.
int Listen(const std::string& text, std::string& where, std::string& error)
{
    std::string host = "127.0.0.1", port = text;
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
            host = host.substr(1, host.size() - 2);
    }
    int number = 0;
    if (host.empty() || !cli::ParseNumber(port, 0, 65535, number)) {
        error = "--listen takes [HOST:]PORT, not \"" + text + "\"";
        return -1;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (const int failed = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); failed != 0) {
        error = host + ": " + ::gai_strerror(failed);
        return -1;
    }
    int fd = -1;
    for (addrinfo* at = found; at && fd < 0; at = at->ai_next) {
        fd = ::socket(at->ai_family, at->ai_socktype | SOCK_CLOEXEC, at->ai_protocol);
        const int yes = 1;
        if (fd >= 0 && (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
                        ::bind(fd, at->ai_addr, at->ai_addrlen) != 0 || ::listen(fd, 8) != 0)) {
            error = text + ": " + std::strerror(errno);
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    if (fd < 0)
        return -1;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    char name[NI_MAXHOST] = "", service[NI_MAXSERV] = "";
    ::getnameinfo(reinterpret_cast<sockaddr*>(&bound), length, name, sizeof name, service, sizeof service,
                  NI_NUMERICHOST | NI_NUMERICSERV);
    where = bound.ss_family == AF_INET6 ? "[" + std::string(name) + "]:" + service
                                        : std::string(name) + ":" + service;
    return fd;
}

// A pseudo-terminal whose other side LINK points to; -1 with the reason in error.
int OpenPty(const std::string& link, int& keepOpen, std::string& error)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        error = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return -1;
    }
    const std::string slave = ::ptsname(master);
    // The printer holds its own end open, so that a program closing the port does not
    // hang the line up for the next one.
    keepOpen = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (keepOpen >= 0 && ::tcgetattr(keepOpen, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::tcsetattr(keepOpen, TCSANOW, &settings);
    }
    std::error_code failed;
    if (std::filesystem::is_symlink(link, failed))
        std::filesystem::remove(link, failed);
    if (::symlink(slave.c_str(), link.c_str()) != 0) {
        error = link + ": " + std::strerror(errno);
        ::close(master);
        return -1;
    }
    return master;
}

bool ReadOptions(const cli::ParsedOptions& parsed, VirtualPrinterOptions& options, std::string& error)
{
    int number = 0;
    if (parsed.Has("capacity")) {
        if (!cli::ParseNumber(parsed.Get("capacity"), 0, 99999999, number)) {
            error = "--capacity takes a number of bytes up to 99999999";
            return false;
        }
        options.capacity = static_cast<uint64_t>(number);
    }
    if (parsed.Has("busy-ms")) {
        if (!cli::ParseNumber(parsed.Get("busy-ms"), 0, 600000, number)) {
            error = "--busy-ms takes 0 to 600000 milliseconds";
            return false;
        }
        options.busy = std::chrono::milliseconds(number);
    }
    if (parsed.Has("max-images") &&
        !cli::ParseNumber(parsed.Get("max-images"), 0, 1000000000, options.maxPictures)) {
        error = "--max-images takes a number of pictures (0 or more)";
        return false;
    }
    options.classicOnly = parsed.Has("classic-only");
    options.keyedOnly = parsed.Has("keyed-only");
    options.keepBoth = parsed.Has("keep-both");
    options.paperOut = parsed.Has("paper-out");
    if (options.classicOnly && options.keyedOnly) {
        error = "--classic-only and --keyed-only exclude each other";
        return false;
    }
    return true;
}

int RunVirtualPrinter(const std::vector<std::string>& args)
{
    cli::ParsedOptions parsed;
    std::string error;
    if (!cli::ParseOptions(args, kOptions, parsed, error))
        return cli::UsageError("virtual-printer", error);
    if (!parsed.positional.empty())
        return cli::UsageError("virtual-printer",
                               "unexpected argument \"" + parsed.positional.front() + "\"");
    if (parsed.Has("listen") == parsed.Has("pty"))
        return cli::UsageError("virtual-printer", "give either --listen [HOST:]PORT or --pty LINK");
    VirtualPrinterOptions options;
    options.dir = parsed.Get("dir");
    if (options.dir.empty())
        return cli::UsageError("virtual-printer", "the folder is missing (--dir DIR)");
    if (!ReadOptions(parsed, options, error))
        return cli::UsageError("virtual-printer", error);
    std::error_code failed;
    std::filesystem::create_directories(options.dir, failed);
    if (failed) {
        std::fprintf(stderr, "nivora-cli virtual-printer: %s: cannot create the folder\n",
                     options.dir.c_str());
        return cli::kExitFailed;
    }
    CatchStopSignals();
    platform::Clock& clock = platform::SteadyClock();
    VirtualPrinter printer(options, clock, LogLine);
    if (!printer.LoadMemory(error))
        std::fprintf(stderr, "nivora-cli virtual-printer: %s; starting with an empty memory\n",
                     error.c_str());
    if (parsed.Has("listen")) {
        std::string where;
        const int listener = Listen(parsed.Get("listen"), where, error);
        if (listener < 0) {
            std::fprintf(stderr, "nivora-cli virtual-printer: %s\n", error.c_str());
            return cli::kExitFailed;
        }
        LogLine("listening on " + where);
        ServeListener(listener, printer, clock, SignalStops());
        LogLine("stopped");
        ::close(listener);
        return cli::kExitOk;
    }
    const std::string link = parsed.Get("pty");
    int keepOpen = -1;
    const int master = OpenPty(link, keepOpen, error);
    if (master < 0) {
        std::fprintf(stderr, "nivora-cli virtual-printer: %s\n", error.c_str());
        return cli::kExitFailed;
    }
    LogLine("serial printer at " + link);
    ServeConnection(master, printer, clock, SignalStops());
    printer.Disconnect();
    ::unlink(link.c_str());
    ::close(keepOpen);
    ::close(master);
    return cli::kExitOk;
}

} // namespace

NIVORA_CLI_COMMAND(virtual_printer,
                   cli::Command{"virtual-printer",
                                "a printer that remembers and answers, for trying without one", kUsage,
                                RunVirtualPrinter});
