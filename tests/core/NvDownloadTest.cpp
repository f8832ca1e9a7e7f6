// The parts of a download around the stream: the check of the listed files, the
// preparation of one image, stopping between images, and opening the port.
#include "download/NvDownload.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/SharedRecord.h"
#include "download/DownloadRun.h"
#include "download/NvImage.h"
#include "download/NvStream.h"
#include "tests/support/BmpWriter.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/FakePrinter.h"
#include "tests/support/TempDir.h"

using namespace testing_support;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

namespace {

class NvDownloadTest : public ::testing::Test {
protected:
    NvDownloadTest()
    {
        g_Shared.m_nThreshold = 128;
        g_Shared.m_nMaxPrintWidth = 512;
    }

    // A black picture in a 1-bit file: large sizes stay small on disk.
    std::string Bmp(const std::string& name, int width, int height)
    {
        BmpParams params;
        params.width = width;
        params.height = height;
        params.bitsPerPixel = 1;
        params.palette = {0x000000, 0xFFFFFF};
        WriteFile(dir.File(name), MakeBmp(params, [](int, int) { return 0u; }));
        return dir.File(name);
    }
    // Lists a file the way the loader does, without its capacity accounting.
    void List(const std::string& path, int number, bool centre = false)
    {
        const int row = g_Shared.LogoCount();
        g_Shared.m_arrNumber.push_back(std::to_string(number));
        g_Shared.m_arrName.push_back(path.substr(path.rfind('/') + 1));
        g_Shared.m_arrSize.push_back("8");
        g_Shared.m_arrPath.push_back(path);
        g_Shared.m_arrAutoCenter[static_cast<size_t>(row)] = centre ? 1 : 0;
    }

    FakePlatform fake;
    TempDir dir;
    MemorySink sink;
    std::unique_ptr<CNvImage> image = std::make_unique<CNvImage>();
};

// Everything FS q and the converter can take passes; the first file beyond either is
// named in one message, before anything is sent.
TEST_F(NvDownloadTest, TheCheckNamesTheFirstFileThatCannotBeDefined)
{
    struct Case {
        const char* name;
        int width, height;
        bool centre;
        const char* message; // nullptr: accepted
    };
    const Case cases[] = {
        {"full.bmp", 512, 2304, false, nullptr},         // the whole raster, 288 units down
        {"tall.bmp", 8, 2312, false, "8 x 2312 dots"},   // 289 units down
        {"widest.bmp", 8184, 8, false, nullptr},         // 1023 units across
        {"wider.bmp", 8185, 8, false, "8192 x 8 dots"},  // 1024 units across
        {"centred.bmp", 8, 2304, true, nullptr},         // 264 columns once centred
        {"heavy.bmp", 600, 2304, false, "172800 bytes"}, // within FS q, beyond the raster
    };
    for (const Case& c : cases) {
        ResetSharedRecord();
        g_Shared.m_nMaxPrintWidth = 512;
        fake.boxes.shown.clear();
        List(Bmp("ok.bmp", 8, 8), 1);
        List(Bmp(c.name, c.width, c.height), 2, c.centre);
        const bool accepted = CheckListedLogos();
        EXPECT_EQ(accepted, c.message == nullptr) << c.name;
        if (c.message == nullptr) {
            EXPECT_TRUE(fake.boxes.shown.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(fake.boxes.shown.size(), 1u) << c.name;
        EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr(dir.File(c.name)));
        EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr(c.message));
        EXPECT_EQ(fake.boxes.shown[0].flags, 0x30u);
    }
}

TEST_F(NvDownloadTest, TheCheckNamesAFileThatNoLongerReads)
{
    List(Bmp("a.bmp", 8, 8), 1);
    List(dir.File("gone.bmp"), 2);
    EXPECT_FALSE(CheckListedLogos());
    ASSERT_EQ(fake.boxes.shown.size(), 1u);
    EXPECT_THAT(fake.boxes.shown[0].text, HasSubstr(dir.File("gone.bmp")));
}

// A file that changed after the check goes out as an empty definition, whatever made
// it unusable.
TEST_F(NvDownloadTest, AnImageThatCannotBeDefinedAnyMoreIsPreparedEmpty)
{
    List(Bmp("a.bmp", 20, 10), 1);
    ASSERT_TRUE(PrepareNvImage(*image, 0));
    EXPECT_EQ(image->m_nWidth, 24);
    EXPECT_EQ(image->m_nHeight, 16);
    EXPECT_EQ(image->m_nLength, 48);

    for (const auto& [width, height] : {std::pair{8, 2312}, std::pair{8192, 8}, std::pair{600, 2304}}) {
        Bmp("a.bmp", width, height);
        EXPECT_FALSE(PrepareNvImage(*image, 0)) << width << " x " << height;
        EXPECT_EQ(image->m_nWidth, 0);
        EXPECT_EQ(image->m_nHeight, 0);
        EXPECT_EQ(image->m_nLength, 0);
    }
    std::remove(dir.File("a.bmp").c_str());
    EXPECT_FALSE(PrepareNvImage(*image, 0));
}

// Stopping between images: the images already begun went out whole, and the printer
// is owed one group more than the definitions still missing.
TEST_F(NvDownloadTest, AStopBetweenImagesLeavesTheRestToTheCompletionGroups)
{
    for (int i = 0; i < 5; ++i)
        List(Bmp("l" + std::to_string(i) + ".bmp", 8, 8), 5 - i);
    struct Case {
        int stopAfter;
        size_t groups;
    };
    for (const Case c : {Case{0, 6}, Case{2, 4}, Case{4, 2}}) {
        sink.bytes.clear();
        fake.clock.sleeps.clear();
        NvStreamWriter writer(sink);
        NvDownloadProgress progress;
        int sent = 0;
        ASSERT_TRUE(WriteNvDownload(
            writer, *image, progress, [&](int, const CNvImage&) { ++sent; },
            [&] { return sent == c.stopAfter; }));
        EXPECT_TRUE(progress.stopped);
        EXPECT_EQ(progress.started, c.stopAfter);
        const size_t sentBytes = sink.bytes.size();
        EXPECT_EQ(sentBytes, 3 + static_cast<size_t>(c.stopAfter) * 12);

        ASSERT_TRUE(CompleteStoppedDownload(sink, 5, progress.started, 30));
        EXPECT_EQ(sink.bytes.size() - sentBytes, 4 * c.groups) << c.stopAfter;
        EXPECT_EQ(Bytes(sink.bytes.begin() + static_cast<long>(sentBytes), sink.bytes.end()),
                  Bytes(4 * c.groups, 0));
        EXPECT_EQ(fake.clock.sleeps.back(), 30); // the settle wait comes last
    }
    EXPECT_TRUE(fake.boxes.shown.empty());
}

TEST_F(NvDownloadTest, AFailedCompletionGroupSkipsTheSettleWait)
{
    class FailingSink final : public ByteSink {
    public:
        bool WriteBuffer(const uint8_t*, uint32_t) override { return false; }
    } failing;
    EXPECT_FALSE(CompleteStoppedDownload(failing, 3, 1, 500));
    EXPECT_THAT(fake.boxes.Texts(),
                ElementsAre("ERROR - Write to port.", "ERROR - Write to port.", "ERROR - Write to port."));
    EXPECT_TRUE(fake.clock.sleeps.empty());
}

TEST_F(NvDownloadTest, TheEmptyDefinitionsAreNamedWithTheirNvNumbers)
{
    List(dir.File("c.bmp"), 3);
    List(dir.File("a.bmp"), 1);
    List(dir.File("b.bmp"), 2);
    BuildDownloadOrder();
    EXPECT_EQ(EmptyDefinitionsText({}), "");
    const std::string text = EmptyDefinitionsText({2, 0});
    EXPECT_THAT(text, HasSubstr("NV image 2: " + dir.File("b.bmp") + "\r\nNV image 3: " + dir.File("c.bmp")));
    EXPECT_EQ(text.find(dir.File("a.bmp")), std::string::npos);
}

// The port as the Download button prepares it: what each kind of port receives before
// the images, and which message a failed open shows.
class DownloadPortTest : public ::testing::Test {
protected:
    DownloadPortTest()
    {
        g_Shared.m_dwBaudRate = 115200;
        g_Shared.m_byByteSize = 8;
    }
    bool Open(int portType, const std::string& device,
              OpenFailureMessage message = OpenFailureMessage::Numbered)
    {
        g_Shared.m_nPortType = portType;
        g_Shared.m_strPortDevice = device;
        return OpenDownloadPort(port, message, opened);
    }

    FakePlatform fake;
    FakeDeviceRoot root;
    TempDir dir;
    ScopedCurrentDir here{dir.Path()};
    CPrinterPort port{printer::kDownloadVariant};
    bool opened = false;
};

TEST_F(DownloadPortTest, ASerialPortIsCheckedAndInitialised)
{
    FakePrinter printer;
    root.Link("ttyS0", printer.Path());
    ASSERT_TRUE(Open(0, "COM1"));
    EXPECT_TRUE(opened);
    ASSERT_TRUE(printer.WaitForBytes(5));
    EXPECT_EQ(printer.Bytes(), Bytes({0x1D, 0x49, 0x01, 0x1B, 0x40}));
    EXPECT_TRUE(fake.boxes.shown.empty());
}

TEST_F(DownloadPortTest, TheParallelPortIsCheckedButNotInitialised)
{
    const std::string device = root.AddFile("usb/lp0");
    ASSERT_TRUE(Open(1, "LPT1"));
    EXPECT_TRUE(opened);
    port.ClosePort();
    std::ifstream in(device, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\x1D\x49\x01");
}

TEST_F(DownloadPortTest, AnOutputFileGetsNothingBeforeTheImages)
{
    fake.files.outputChoices.push_back({true, {"out.prn"}});
    ASSERT_TRUE(Open(2, "FILE"));
    EXPECT_TRUE(opened);
    EXPECT_TRUE(port.m_bToFile);
    port.ClosePort();
    EXPECT_EQ(dir.Read("out.prn"), "");
}

TEST_F(DownloadPortTest, FailedOpensShowTheirMessage)
{
    struct Case {
        int portType;
        const char* device;
        OpenFailureMessage message;
        const char* text;
    };
    const Case cases[] = {
        {0, "COM7", OpenFailureMessage::Numbered, "ERROR[2] - Open port or file."},
        {0, "COM7", OpenFailureMessage::Plain, "ERROR - Open port."},
        {1, "LPT1", OpenFailureMessage::Numbered, "ERROR - Open port."},
    };
    for (const Case& c : cases) {
        fake.boxes.shown.clear();
        EXPECT_FALSE(Open(c.portType, c.device, c.message));
        EXPECT_FALSE(opened);
        EXPECT_FALSE(port.m_hPort.IsOpen());
        EXPECT_THAT(fake.boxes.Texts(), ElementsAre(c.text)) << c.device;
        EXPECT_EQ(fake.boxes.shown[0].flags, 0x30u);
    }
}

// A device that opens but takes nothing (/dev/full): the check says so itself, and the
// port stays open for the caller to close.
TEST_F(DownloadPortTest, AFailedCheckLeavesThePortOpenForTheCaller)
{
    root.Link("ttyS0", "/dev/full");
    root.Link("usb/lp0", "/dev/full");
    for (const auto& [portType, device] : {std::pair{0, "COM1"}, std::pair{1, "LPT1"}}) {
        fake.boxes.shown.clear();
        EXPECT_FALSE(Open(portType, device));
        EXPECT_TRUE(opened) << device;
        EXPECT_TRUE(port.m_hPort.IsOpen());
        EXPECT_THAT(fake.boxes.Texts(), ElementsAre("ERROR - Write to port."));
        port.ClosePort();
    }
}

} // namespace
