// BMP files as another program writes them, at every bit depth and header kind it
// offers, through download and render. The expected dots come from the palette
// indices as Qt's own BMP reader sees them for 1 to 8 bits, and from the colours of
// the source picture for the others (they are far from the threshold, so the grey
// arithmetic is not what is tested here; and this convert writes 16-bit files with a
// 40-byte header that announce bit fields without having them, which Qt misreads).
#include <QImage>
#include <QString>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/cli/CliRunner.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using cli_test::CliResult;
using cli_test::RunCli;

namespace {

struct Variant {
    const char* source;  // "blocks" or "ramp"
    const char* options; // convert options
    const char* target;  // output file, with convert's format prefix
    int bits;            // the depth the file must have
};

const Variant kVariants[] = {
    {"blocks", "-monochrome", "BMP3:mono-info.bmp", 1},
    {"blocks", "-monochrome", "mono-v4.bmp", 1},
    {"blocks", "-monochrome", "BMP2:mono-core.bmp", 1},
    {"blocks", "-type palette", "BMP3:four.bmp", 4},
    {"ramp", "-type palette -compress none", "BMP3:eight.bmp", 8},
    {"ramp", "-type palette", "BMP3:eight-rle.bmp", 8},
    {"ramp", "-type palette", "eight-v5.bmp", 8},
    {"blocks", "-type truecolor -define bmp:subtype=RGB555", "rgb555.bmp", 16},
    {"blocks", "-type truecolor -define bmp:subtype=RGB555", "BMP3:rgb555-info.bmp", 16},
    {"blocks", "-type truecolor -define bmp:subtype=RGB565", "rgb565.bmp", 16},
    {"blocks", "-type truecolor", "BMP3:true-info.bmp", 24},
    {"blocks", "-type truecolor", "true-v5.bmp", 24},
    {"blocks", "-type truecolor", "BMP2:true-core.bmp", 24},
    {"blocks", "-type truecolormatte", "alpha.bmp", 32},
};

void PrintTo(const Variant& v, std::ostream* out)
{
    *out << v.options << " " << v.target;
}

bool HaveConvert()
{
    return std::system("command -v convert >/dev/null 2>&1") == 0;
}

bool Shell(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Quote(const std::string& path)
{
    return "'" + path + "'";
}

int BitsOf(const std::string& file)
{
    const auto byte = [&](size_t at) { return static_cast<uint8_t>(file[at]); };
    const bool core = byte(14) == 12;
    const size_t at = core ? 24 : 28;
    return byte(at) | (byte(at + 1) << 8);
}

// Prints as the printer rules say: by palette index for up to 8 bits (the 1-bit rule
// keyed on file byte 54), by darkness otherwise.
bool Prints(const QImage& source, const QImage& bmp, const std::string& file, int bits, int x, int y)
{
    if (bits > 8)
        return qGray(source.pixel(x, y)) < 128;
    const int index = bmp.pixelIndex(x, y);
    switch (bits) {
    case 1:
        return (index == 1) == (file.size() > 54 && file[54] != 0);
    case 4:
        return index <= 8;
    default:
        return 255 - index >= 128;
    }
}

class CliImageMagickTest : public ::testing::TestWithParam<Variant> {};

TEST_P(CliImageMagickTest, DownloadAndRenderGiveTheThresholdedDots)
{
    if (!HaveConvert())
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const Variant& v = GetParam();
    TempDir dir;
    const std::string source = dir.File("source.png");
    const std::string draw =
        std::string(v.source) == "ramp"
            ? "convert -size 37x21 gradient:white-black " + Quote(source)
            : "convert -size 37x21 xc:white -fill black -draw 'rectangle 2,2 10,18' -fill red "
              "-draw 'rectangle 12,2 18,18' -fill blue -draw 'rectangle 20,2 25,10' -fill yellow "
              "-draw 'rectangle 27,2 35,18' " +
                  Quote(source);
    ASSERT_TRUE(Shell(draw));
    const std::string target = v.target;
    const size_t colon = target.find(':');
    const std::string name = colon == std::string::npos ? target : target.substr(colon + 1);
    const std::string prefix = colon == std::string::npos ? "" : target.substr(0, colon + 1);
    const std::string bmp = dir.File(name);
    ASSERT_TRUE(Shell("convert " + Quote(source) + " " + v.options + " " + Quote(prefix + bmp)));
    const std::string file = cli_test::ReadFileText(bmp);
    ASSERT_GT(file.size(), 54u);
    if (BitsOf(file) != v.bits)
        GTEST_SKIP() << "this convert wrote " << BitsOf(file) << " bits instead of " << v.bits;

    CliResult run = RunCli({"download", "-o", dir.File("s.prn"), bmp});
    ASSERT_EQ(run.status, 0) << run.err;
    run = RunCli({"render", dir.File("s.prn"), "-d", dir.File("out")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, ::testing::HasSubstr("NV image 1: 40 x 24 dots, 120 bytes"));

    const QImage original(QString::fromStdString(bmp)), picture(QString::fromStdString(source));
    ASSERT_FALSE(picture.isNull());
    ASSERT_TRUE(v.bits > 8 || !original.isNull());
    const QImage rendered(QString::fromStdString(dir.File("out/nv-001.png")));
    ASSERT_EQ(rendered.size(), QSize(40, 24));
    int dots = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool expected = x < 37 && y < 21 && Prints(picture, original, file, v.bits, x, y);
            const bool printed = qGray(rendered.pixel(x, y)) < 128;
            dots += printed;
            ASSERT_EQ(printed, expected) << name << " at " << x << "," << y;
        }
    EXPECT_GT(dots, 0);
}

std::string VariantName(const ::testing::TestParamInfo<Variant>& info)
{
    std::string name = info.param.target;
    name = name.substr(name.find(':') + 1);
    name = name.substr(0, name.find('.'));
    for (char& c : name)
        if (c == '-')
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Files, CliImageMagickTest, ::testing::ValuesIn(kVariants), VariantName);

} // namespace
