#include "download/NvDownload.h"

#include <algorithm>
#include <utility>

#include "app/SharedRecord.h"
#include "app/Text.h"
#include "download/NvImage.h"
#include "download/NvStream.h"
#include "logo/BmpFile.h"
#include "platform/MessageBox.h"

namespace {

const char* const kCannotRead = "Cannot read the bitmap file\r\n%s\r\nThe download was not started.";
const char* const kTooLarge =
    "The bitmap is too large for one NV bit image:\r\n%s\r\n"
    "It needs %lld bytes of raster data (centring columns included), at most %d fit.\r\n"
    "The download was not started.";
const char* const kNotDefinable =
    "The bitmap is too large for one NV bit image:\r\n%s\r\n"
    "It is %lld x %lld dots (centring columns included); the printer takes at most %d dots\r\n"
    "across and %d dots down.\r\n"
    "The download was not started.";
const char* const kNotTransmitted = "Communication error. Can not transimitted.";
const char* const kEmptyDefinitions = "These bitmap files could not be read any more while they were "
                                      "downloaded:\r\n%s"
                                      "The printer holds an empty image in their place. Check the files "
                                      "and download again.";

bool CentreRequested(int row)
{
    return row >= 0 && row < kMaxLogos && g_Shared.m_arrAutoCenter[static_cast<size_t>(row)] == 1;
}

void Warn(const std::string& text)
{
    platform::AfxMessageBox(text, platform::MB_ICONEXCLAMATION);
}

// The NV image number row went out as in the current download order; 0 when none.
int NvNumberOfRow(int row)
{
    const auto& order = g_Shared.m_arrDownloadOrder;
    const int count = std::min(g_Shared.LogoCount(), kMaxLogos);
    for (int seq = 0; seq < count; ++seq)
        if (order[static_cast<size_t>(seq)] == row)
            return seq + 1;
    return 0;
}

} // namespace

bool NvDefinable(long long widthDots, long long heightDots)
{
    const long long across = widthDots / 8, down = heightDots / 8;
    return across >= 1 && across <= kNvMaxUnitsAcross && down >= 1 && down <= kNvMaxUnitsDown;
}

void BuildDownloadOrder()
{
    auto& order = g_Shared.m_arrDownloadOrder;
    order.fill(0);
    const size_t count = std::min<size_t>(g_Shared.m_arrNumber.size(), order.size());
    std::vector<int> numbers(count);
    for (size_t i = 0; i < count; ++i) {
        numbers[i] = Atoi(g_Shared.m_arrNumber[i]);
        order[i] = static_cast<int32_t>(i);
    }
    for (size_t i = 0; i < count; ++i)
        for (size_t j = i + 1; j < count; ++j)
            if (numbers[i] > numbers[j]) {
                std::swap(numbers[i], numbers[j]);
                std::swap(order[i], order[j]);
            }
}

long long ListedRasterLength(int row)
{
    BmpInfo info;
    if (row < 0 || row >= g_Shared.LogoCount() ||
        !ReadBmpInfo(g_Shared.m_arrPath[static_cast<size_t>(row)], info))
        return -1;
    return NvRasterLength(info.width, info.height, CentreRequested(row), g_Shared.m_nMaxPrintWidth);
}

bool CheckListedLogos()
{
    for (int row = 0; row < g_Shared.LogoCount(); ++row) {
        const std::string& path = g_Shared.m_arrPath[static_cast<size_t>(row)];
        BmpInfo info;
        if (!ReadBmpInfo(path, info)) {
            Warn(Format(kCannotRead, path.c_str()));
            return false;
        }
        const bool centre = CentreRequested(row);
        const long long length = NvRasterLength(info.width, info.height, centre, g_Shared.m_nMaxPrintWidth);
        if (length > kNvRasterCapacity) {
            Warn(Format(kTooLarge, path.c_str(), length, kNvRasterCapacity));
            return false;
        }
        // One byte per column gives the width in dots, centring columns included.
        const long long width = NvRasterLength(info.width, 1, centre, g_Shared.m_nMaxPrintWidth);
        const long long height = (static_cast<long long>(info.height) + 7) / 8 * 8;
        if (!NvDefinable(width, height)) {
            Warn(Format(kNotDefinable, path.c_str(), width, height, kNvMaxUnitsAcross * 8,
                        kNvMaxUnitsDown * 8));
            return false;
        }
    }
    return true;
}

bool PrepareNvImage(CNvImage& image, int row)
{
    image.LoadFile(g_Shared.m_arrPath[static_cast<size_t>(row)]);
    image.BuildRaster(row);
    if (image.m_nLength > 0 && NvDefinable(image.m_nWidth, image.m_nHeight))
        return true;
    // A converted image has at least one 8-dot column; anything else goes out empty.
    image.m_nWidth = image.m_nHeight = image.m_nLength = 0;
    return false;
}

bool WriteNvDownload(NvStreamWriter& writer, CNvImage& image, NvDownloadProgress& progress,
                     const ImageSent& imageSent, const StopRequested& stopRequested)
{
    const int count = std::min(g_Shared.LogoCount(), kMaxLogos);
    if (count == 0)
        return writer.WriteDeleteAll();
    BuildDownloadOrder();
    const bool defined = writer.WriteDefine(count);
    if (!defined)
        Warn(kNotTransmitted);
    writer.WaitForErase(); // owed after a failed FS q n too: the printer may have begun erasing
    if (!defined)
        return false;
    for (int seq = 0; seq < count; ++seq) {
        if (stopRequested && stopRequested()) {
            progress.stopped = true;
            return true;
        }
        const int row = g_Shared.m_arrDownloadOrder[static_cast<size_t>(seq)];
        if (!PrepareNvImage(image, row))
            progress.emptyRows.push_back(row);
        ++progress.started;
        if (!writer.WriteImage(image)) {
            Warn(kNotTransmitted);
            return false;
        }
        if (imageSent)
            imageSent(row, image);
    }
    return true;
}

bool WriteNvDownload(NvStreamWriter& writer, CNvImage& image, std::vector<int>& emptyRows,
                     const ImageSent& imageSent)
{
    NvDownloadProgress progress;
    const bool sent = WriteNvDownload(writer, image, progress, imageSent);
    emptyRows.insert(emptyRows.end(), progress.emptyRows.begin(), progress.emptyRows.end());
    return sent;
}

std::string EmptyDefinitionsText(const std::vector<int>& rows)
{
    if (rows.empty())
        return {};
    std::string lines;
    for (const int row : rows) {
        if (row < 0 || row >= g_Shared.LogoCount())
            continue;
        lines += Format("NV image %d: %s\r\n", NvNumberOfRow(row),
                        g_Shared.m_arrPath[static_cast<size_t>(row)].c_str());
    }
    return Format(kEmptyDefinitions, lines.c_str());
}
