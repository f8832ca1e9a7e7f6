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
const char* const kNotTransmitted = "Communication error. Can not transimitted.";

} // namespace

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
    const bool centre = row < kMaxLogos && g_Shared.m_arrAutoCenter[static_cast<size_t>(row)] == 1;
    return NvRasterLength(info.width, info.height, centre, g_Shared.m_nMaxPrintWidth);
}

bool CheckListedLogos()
{
    for (int row = 0; row < g_Shared.LogoCount(); ++row) {
        const std::string& path = g_Shared.m_arrPath[static_cast<size_t>(row)];
        const long long length = ListedRasterLength(row);
        if (length < 0) {
            platform::AfxMessageBox(Format(kCannotRead, path.c_str()), platform::MB_ICONEXCLAMATION);
            return false;
        }
        if (length > kNvRasterCapacity) {
            platform::AfxMessageBox(Format(kTooLarge, path.c_str(), length, kNvRasterCapacity),
                                    platform::MB_ICONEXCLAMATION);
            return false;
        }
    }
    return true;
}

bool WriteNvDownload(NvStreamWriter& writer, CNvImage& image, std::vector<int>& emptyRows,
                     const ImageSent& imageSent)
{
    const int count = std::min(g_Shared.LogoCount(), kMaxLogos);
    if (count == 0)
        return writer.WriteDeleteAll();
    BuildDownloadOrder();
    const bool defined = writer.WriteDefine(count);
    if (!defined)
        platform::AfxMessageBox(kNotTransmitted, platform::MB_ICONEXCLAMATION);
    writer.WaitForErase(); // owed after a failed FS q n too: the printer may have begun erasing
    if (!defined)
        return false;
    for (int seq = 0; seq < count; ++seq) {
        const int row = g_Shared.m_arrDownloadOrder[static_cast<size_t>(seq)];
        image.LoadFile(g_Shared.m_arrPath[static_cast<size_t>(row)]);
        image.BuildRaster(row);
        if (image.m_nLength == 0) // a converted image has at least one 8-dot column
            emptyRows.push_back(row);
        if (!writer.WriteImage(image)) {
            platform::AfxMessageBox(kNotTransmitted, platform::MB_ICONEXCLAMATION);
            return false;
        }
        if (imageSent)
            imageSent(row, image);
    }
    return true;
}
