// nivora-cli render: a virtual printer. Reads a byte stream as the printer would and
// shows what it would store and print.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "platform/Text.h"
#include "download/StreamDecoder.h"
#include "logo/PngWrite.h"
#include "tools/cli/Command.h"
#include "tools/cli/OutputFile.h"
#include "tools/cli/Options.h"

namespace {

const char* const kUsage =
    "Usage: nivora-cli render STREAM -d DIR\n"
    "\n"
    "A virtual printer: decodes the byte stream STREAM ('-' for standard input) as the\n"
    "printer would and lists what it finds, one line per command with its byte offset:\n"
    "GS I 1, ESC @, FS q with one line per NV image (number, width x height in dots,\n"
    "data bytes), FS p, text lines, and NUL bytes the printer ignores.\n"
    "\n"
    "  DIR/nv-001.png, nv-002.png, ...  each FS q image definition in stream order,\n"
    "                                   black dots on white, its exact size in dots\n"
    "                                   (an empty definition gets no file)\n"
    "  DIR/print-001.png, ...           each FS p n m that prints a stored image: the\n"
    "                                   image scaled by the mode (1 double width,\n"
    "                                   2 double height, 3 both)\n"
    "\n"
    "Options:\n"
    "  -d, --dir DIR    folder for the pictures (created if missing; required).\n"
    "  -h, --help       show this help.\n"
    "\n"
    "Exit status: 0 the stream decoded completely, 1 it is malformed or truncated (the\n"
    "offset is reported; what came before it is still rendered) or a file could not be\n"
    "read or written, 2 wrong usage.\n";

const std::vector<cli::OptionDef> kOptions = {{'d', "dir", true}};

const char* const kModeNames[] = {"normal", "double width", "double height", "quadruple"};

// Black dots on white, one grey sample per dot.
bool SavePng(const DotImage& dots, const std::string& path)
{
    std::vector<uint8_t> samples(dots.dots.size());
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = dots.dots[i] ? 0 : 255;
    std::string error;
    return WritePng(path, {dots.width, dots.height, PngColour::Grey, samples}, error);
}

class Renderer {
public:
    explicit Renderer(std::string dir) : m_dir(std::move(dir)) {}
    // False when a picture could not be written.
    bool List(const DecodedStream& stream);

private:
    std::string Picture(const char* prefix, int number) const
    {
        return platform::JoinPath(m_dir, Format("%s-%03d.png", prefix, number));
    }
    bool Save(const DotImage& image, const std::string& path);
    std::string Record(const DecodedStream& stream, const StreamEvent& event);
    std::string Print(const DecodedStream& stream, const StreamEvent& event);

    std::string m_dir;
    int m_prints = 0;
    bool m_ok = true;
};

bool Renderer::Save(const DotImage& image, const std::string& path)
{
    if (SavePng(image, path))
        return true;
    std::fprintf(stderr, "nivora-cli render: %s: cannot write the picture\n", path.c_str());
    m_ok = false;
    return false;
}

std::string Renderer::Record(const DecodedStream& stream, const StreamEvent& event)
{
    const NvDefinition& image = stream.definitions[static_cast<size_t>(event.value)];
    std::string line = Format("NV image %d: %d x %d dots, %zu bytes", image.number, image.WidthDots(),
                              image.HeightDots(), image.raster.size());
    if (image.raster.empty())
        return line + " (empty definition)";
    const std::string path = Picture("nv", event.value + 1);
    return Save(image.Dots(), path) ? line + " -> " + path : line;
}

std::string Renderer::Print(const DecodedStream& stream, const StreamEvent& event)
{
    std::string line = Format("FS p %d %d     print NV image %d, %s", event.value, event.mode, event.value,
                              kModeNames[event.mode & 3]);
    if (event.definition < 0)
        return line + " (no such image stored)";
    const NvDefinition& image = stream.definitions[static_cast<size_t>(event.definition)];
    if (image.raster.empty())
        return line + " (the stored image is empty)";
    const std::string path = Picture("print", ++m_prints);
    return Save(ScaleForPrint(image.Dots(), event.mode), path) ? line + " -> " + path : line;
}

bool Renderer::List(const DecodedStream& stream)
{
    for (const StreamEvent& event : stream.events) {
        std::string line;
        switch (event.kind) {
        case StreamEventKind::PrinterIdRequest:
            line = "GS I 1       printer ID request";
            break;
        case StreamEventKind::Initialize:
            line = "ESC @        initialise";
            break;
        case StreamEventKind::DefineNvImages:
            line = Format("FS q %-7d define %d NV bit image%s", event.value, event.value,
                          event.value == 1 ? "" : "s");
            break;
        case StreamEventKind::NvImageRecord:
            line = "  " + Record(stream, event);
            break;
        case StreamEventKind::PrintNvImage:
            line = Print(stream, event);
            break;
        case StreamEventKind::TextLine:
            line = "text         \"" + event.text + (event.lineEnded ? "\"" : "\" (no line feed)");
            break;
        case StreamEventKind::IgnoredBytes:
            line = Format("00 x %-7d ignored", event.value);
            break;
        }
        std::printf("%8zu  %s\n", event.offset, line.c_str());
    }
    return m_ok;
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
    const std::string input = parsed.positional.front();
    const std::string dir = parsed.Get("dir");

    std::vector<uint8_t> bytes;
    if (!cli::ReadWholeInput(input, bytes, error)) {
        std::fprintf(stderr, "nivora-cli render: %s\n", error.c_str());
        return cli::kExitFailed;
    }
    std::error_code failed;
    std::filesystem::create_directories(dir, failed);
    if (failed) {
        std::fprintf(stderr, "nivora-cli render: %s: cannot create the folder\n", dir.c_str());
        return cli::kExitFailed;
    }
    const DecodedStream stream = DecodeStream(bytes);
    Renderer renderer(dir);
    const bool saved = renderer.List(stream);
    std::fflush(stdout);
    if (!stream.complete) {
        std::fprintf(stderr, "nivora-cli render: %s: malformed stream at byte %zu of %zu: %s\n",
                     input == "-" ? "standard input" : input.c_str(), stream.errorOffset, bytes.size(),
                     stream.error.c_str());
        return cli::kExitFailed;
    }
    return saved ? cli::kExitOk : cli::kExitFailed;
}

} // namespace

NIVORA_CLI_COMMAND(render,
                   cli::Command{"render", "decode a byte stream as the printer would (a virtual printer)",
                                kUsage, RunRender});
