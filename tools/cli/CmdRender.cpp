// nivora-cli render: a virtual printer for a recorded stream. Reads the bytes as the
// printer would and shows what it would store and print.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "download/StreamDecoder.h"
#include "emulator/StreamRenderer.h"
#include "platform/Text.h"
#include "platform/RegularFile.h"
#include "tools/cli/Command.h"
#include "tools/cli/Options.h"

namespace {

const char* const kUsage =
    "Usage: nivora-cli render STREAM -d DIR [--max-images N]\n"
    "\n"
    "A virtual printer: decodes the byte stream STREAM ('-' for standard input) as the\n"
    "printer would and lists what it finds, one line per command with its byte offset:\n"
    "GS I 1, ESC @, DLE EOT, FS q with one line per NV image (number, width x height in\n"
    "dots, data bytes), FS p, the key-coded NV graphics functions of GS ( L and GS 8 L\n"
    "(capacity, free room and key list requests, define, delete, print), text lines, and\n"
    "NUL bytes the printer ignores. Both memories are kept: FS q replaces the NV images,\n"
    "the key-coded graphics stay.\n"
    "\n"
    "  DIR/nv-001.png, nv-002.png, ...  each FS q image definition in stream order,\n"
    "                                   black dots on white, its exact size in dots\n"
    "                                   (an empty definition gets no file)\n"
    "  DIR/key-L1-001.png, ...          each key-coded graphic defined (fn 67), by key\n"
    "                                   (a key that is not two letters or digits is\n"
    "                                   written in hexadecimal)\n"
    "  DIR/print-001.png, ...           each FS p n m or fn 69 that prints a stored\n"
    "                                   image: the image scaled by the mode (1 double\n"
    "                                   width, 2 double height, 3 both)\n"
    "\n"
    "Options:\n"
    "  -d, --dir DIR      folder for the pictures (created if missing; required).\n"
    "  --max-images N     write at most N pictures (default 1000); the commands after\n"
    "                     are still listed, and a note says that the cap was reached.\n"
    "  -h, --help         show this help.\n"
    "\n"
    "Exit status: 0 the stream decoded completely, 1 it is malformed or truncated (the\n"
    "offset is reported; what came before it is still rendered) or a file could not be\n"
    "read or written, 2 wrong usage.\n";

const std::vector<cli::OptionDef> kOptions = {{'d', "dir", true}, {0, "max-images", true}};

// Far more than any stream of this program (a full NV set is 384 KByte), and a bound
// for a pipe that never ends.
constexpr size_t kMaxInputBytes = size_t{256} << 20;

// The input's descriptor ("-": standard input), or -1 with a message in error. A
// named input must be a regular file: a FIFO or a device would be read without end.
int OpenInput(const std::string& path, std::string& error)
{
    if (path == "-")
        return STDIN_FILENO;
    return platform::OpenDataFile(path, error);
}

// Reads fd piece by piece into the decoder. False with a message in error.
bool DecodeInput(int fd, const std::string& name, StreamDecoder& decoder, std::string& error)
{
    std::vector<uint8_t> buffer(size_t{1} << 16);
    size_t total = 0;
    while (true) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = name + ": " + std::strerror(errno);
            return false;
        }
        if (n == 0)
            return true;
        if ((total += static_cast<size_t>(n)) > kMaxInputBytes) {
            error = name + ": more than 256 MiB, not a stream of this program";
            return false;
        }
        decoder.Feed(buffer.data(), static_cast<size_t>(n));
    }
}

int RunRender(const std::vector<std::string>& args)
{
    cli::ParsedOptions parsed;
    std::string error;
    if (!cli::ParseOptions(args, kOptions, parsed, error))
        return cli::UsageError("render", error);
    if (parsed.positional.size() != 1)
        return cli::UsageError("render", parsed.positional.empty() ? "the stream to read is missing"
                                                                   : "only one stream can be read at a time");
    if (parsed.Get("dir").empty())
        return cli::UsageError("render", "the folder for the pictures is missing (-d DIR)");
    int maxImages = 1000;
    if (parsed.Has("max-images") && !cli::ParseNumber(parsed.Get("max-images"), 0, 1000000000, maxImages))
        return cli::UsageError("render", "--max-images takes a number of pictures (0 or more)");
    const std::string input = parsed.positional.front();
    const std::string dir = parsed.Get("dir");

    const int fd = OpenInput(input, error);
    if (fd < 0) {
        std::fprintf(stderr, "nivora-cli render: %s\n", error.c_str());
        return cli::kExitFailed;
    }
    std::error_code failed;
    std::filesystem::create_directories(dir, failed);
    if (failed) {
        std::fprintf(stderr, "nivora-cli render: %s: cannot create the folder\n", dir.c_str());
        if (fd != STDIN_FILENO)
            ::close(fd);
        return cli::kExitFailed;
    }
    // render shows what was sent; a printer model's limits are the virtual printer's.
    NvMemory memory(NvMemory::Options{0, false, 0});
    StreamRenderer::Options options;
    options.dir = dir;
    options.maxPictures = maxImages;
    options.onFailure = [](const std::string& path) {
        std::fprintf(stderr, "nivora-cli render: %s: cannot write the picture\n", path.c_str());
    };
    StreamRenderer renderer(options, memory, [](size_t offset, const std::string& text) {
        std::printf("%8zu  %s\n", offset, text.c_str());
    });
    StreamDecoder decoder(renderer);
    const std::string name = input == "-" ? "standard input" : input;
    const bool read = DecodeInput(fd, name, decoder, error);
    if (fd != STDIN_FILENO)
        ::close(fd);
    if (read)
        decoder.Finish();
    std::fflush(stdout);
    if (!read) {
        std::fprintf(stderr, "nivora-cli render: %s\n", error.c_str());
        return cli::kExitFailed;
    }
    if (renderer.CapReached())
        std::fprintf(
            stderr,
            "nivora-cli render: note: %d pictures written, the most --max-images allows; the later ones "
            "are listed only\n",
            renderer.PicturesWritten());
    if (renderer.HasError()) {
        std::fprintf(stderr, "nivora-cli render: %s: malformed stream at byte %zu of %zu: %s\n", name.c_str(),
                     renderer.ErrorOffset(), decoder.Offset(), renderer.Error().c_str());
        return cli::kExitFailed;
    }
    return renderer.PicturesOk() ? cli::kExitOk : cli::kExitFailed;
}

} // namespace

NIVORA_CLI_COMMAND(render,
                   cli::Command{"render", "decode a byte stream as the printer would (a virtual printer)",
                                kUsage, RunRender});
