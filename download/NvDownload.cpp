#include "download/NvDownload.h"

#include <algorithm>
#include <utility>

#include "logo/ImageFile.h"
#include "platform/Messages.h"
#include "platform/Text.h"

bool NvDefinable(long long widthDots, long long heightDots)
{
    const long long across = widthDots / 8, down = heightDots / 8;
    return across >= 1 && across <= kNvMaxUnitsAcross && down >= 1 && down <= kNvMaxUnitsDown;
}

std::vector<int> BuildDownloadOrder(const LogoList& list)
{
    std::vector<int> order(static_cast<size_t>(std::min(list.Count(), kMaxLogos)));
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(),
                     [&list](int a, int b) { return list.At(a).number < list.At(b).number; });
    return order;
}

std::vector<NvLogoJob> DownloadJobs(const LogoList& list)
{
    std::vector<NvLogoJob> jobs;
    for (const int row : BuildDownloadOrder(list)) {
        const Logo& logo = list.At(row);
        jobs.push_back({row, logo.path, logo.name, logo.nvSize, logo.centre, logo.adjust});
    }
    return jobs;
}

long long ListedRasterLength(const LogoList& list, int row, int maxPrintWidth)
{
    ImageInfo info;
    std::string why;
    if (row < 0 || row >= list.Count() || !ReadImageInfo(list.At(row).path, info, why))
        return -1;
    return NvRasterLength(info.width, info.height, list.At(row).centre, maxPrintWidth);
}

std::string ListedLogoRefusal(const std::vector<NvLogoJob>& jobs, int maxPrintWidth)
{
    for (const NvLogoJob& logo : jobs) {
        const std::string& path = logo.path;
        ImageInfo info;
        std::string why;
        if (!ReadImageInfo(path, info, why))
            return Format(msg::kCannotReadFormat, path.c_str());
        const bool centre = logo.centre;
        const long long length = NvRasterLength(info.width, info.height, centre, maxPrintWidth);
        if (length > kNvRasterCapacity)
            return Format(msg::kTooLargeFormat, path.c_str(), length, kNvRasterCapacity);
        // One byte per column gives the width in dots, centring columns included.
        const long long width = NvRasterLength(info.width, 1, centre, maxPrintWidth);
        const long long height = (static_cast<long long>(info.height) + 7) / 8 * 8;
        if (!NvDefinable(width, height))
            return Format(msg::kNotDefinableFormat, path.c_str(), width, height, kNvMaxUnitsAcross * 8,
                          kNvMaxUnitsDown * 8);
    }
    return {};
}

bool PrepareNvImage(CNvImage& image, const std::string& path, const NvConversion& conversion)
{
    image.LoadFile(path);
    image.BuildRaster(conversion);
    if (image.m_nLength > 0 && NvDefinable(image.m_nWidth, image.m_nHeight))
        return true;
    // A converted image has at least one 8-dot column; anything else goes out empty.
    image.m_nWidth = image.m_nHeight = image.m_nLength = image.m_nCentringBytes = 0;
    return false;
}

std::string EmptyDefinitionsText(const std::vector<std::pair<int, std::string>>& images)
{
    if (images.empty())
        return {};
    std::string lines;
    for (const auto& [number, path] : images)
        lines += Format("NV image %d: %s\r\n", number, path.c_str());
    return Format(msg::kEmptyDefinitionsFormat, lines.c_str());
}
