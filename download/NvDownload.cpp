#include "download/NvDownload.h"

#include <algorithm>
#include <utility>

#include "logo/ImageFile.h"
#include "platform/MessageBox.h"
#include "platform/Messages.h"
#include "platform/Text.h"

namespace {

void Warn(const std::string& text)
{
    platform::AfxMessageBox(text, platform::MB_ICONEXCLAMATION);
}

// The NV image number row goes out as in the lists' download order; 0 when none.
int NvNumberOfRow(const LogoListRecord& lists, int row)
{
    const DownloadOrder order = BuildDownloadOrder(lists);
    const int count = std::min(lists.LogoCount(), kMaxLogos);
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

DownloadOrder BuildDownloadOrder(const LogoListRecord& lists)
{
    DownloadOrder order{};
    const size_t count = std::min<size_t>(lists.m_arrNumber.size(), order.size());
    std::vector<int> numbers(count);
    for (size_t i = 0; i < count; ++i) {
        numbers[i] = Atoi(lists.m_arrNumber[i]);
        order[i] = static_cast<int32_t>(i);
    }
    for (size_t i = 0; i < count; ++i)
        for (size_t j = i + 1; j < count; ++j)
            if (numbers[i] > numbers[j]) {
                std::swap(numbers[i], numbers[j]);
                std::swap(order[i], order[j]);
            }
    return order;
}

std::vector<NvLogoJob> DownloadJobs(const LogoListRecord& lists, const DownloadOrder& order)
{
    std::vector<NvLogoJob> jobs;
    const int count = std::min(lists.LogoCount(), kMaxLogos);
    for (int seq = 0; seq < count; ++seq) {
        const int row = order[static_cast<size_t>(seq)];
        jobs.push_back({row, lists.m_arrPath[static_cast<size_t>(row)], lists.CentreRequested(row)});
    }
    return jobs;
}

long long ListedRasterLength(const LogoListRecord& lists, int row, int maxPrintWidth)
{
    ImageInfo info;
    std::string why;
    if (row < 0 || row >= lists.LogoCount() ||
        !ReadImageInfo(lists.m_arrPath[static_cast<size_t>(row)], info, why))
        return -1;
    return NvRasterLength(info.width, info.height, lists.CentreRequested(row), maxPrintWidth);
}

bool CheckListedLogos(const LogoListRecord& lists, int maxPrintWidth)
{
    for (int row = 0; row < lists.LogoCount(); ++row) {
        const std::string& path = lists.m_arrPath[static_cast<size_t>(row)];
        ImageInfo info;
        std::string why;
        if (!ReadImageInfo(path, info, why)) {
            Warn(Format(msg::kCannotReadFormat, path.c_str()));
            return false;
        }
        const bool centre = lists.CentreRequested(row);
        const long long length = NvRasterLength(info.width, info.height, centre, maxPrintWidth);
        if (length > kNvRasterCapacity) {
            Warn(Format(msg::kTooLargeFormat, path.c_str(), length, kNvRasterCapacity));
            return false;
        }
        // One byte per column gives the width in dots, centring columns included.
        const long long width = NvRasterLength(info.width, 1, centre, maxPrintWidth);
        const long long height = (static_cast<long long>(info.height) + 7) / 8 * 8;
        if (!NvDefinable(width, height)) {
            Warn(Format(msg::kNotDefinableFormat, path.c_str(), width, height, kNvMaxUnitsAcross * 8,
                        kNvMaxUnitsDown * 8));
            return false;
        }
    }
    return true;
}

bool PrepareNvImage(CNvImage& image, const std::string& path, const NvConversion& conversion)
{
    image.LoadFile(path);
    image.BuildRaster(conversion);
    if (image.m_nLength > 0 && NvDefinable(image.m_nWidth, image.m_nHeight))
        return true;
    // A converted image has at least one 8-dot column; anything else goes out empty.
    image.m_nWidth = image.m_nHeight = image.m_nLength = 0;
    return false;
}

std::string EmptyDefinitionsText(const LogoListRecord& lists, const std::vector<int>& rows)
{
    if (rows.empty())
        return {};
    std::string lines;
    for (const int row : rows) {
        if (row < 0 || row >= lists.LogoCount())
            continue;
        lines += Format("NV image %d: %s\r\n", NvNumberOfRow(lists, row),
                        lists.m_arrPath[static_cast<size_t>(row)].c_str());
    }
    return Format(msg::kEmptyDefinitionsFormat, lines.c_str());
}
