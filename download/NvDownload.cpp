#include "download/NvDownload.h"

#include <algorithm>
#include <utility>

#include "platform/Messages.h"
#include "platform/Text.h"

namespace {

// How a download converts this logo: the run's settings with the logo's own centring and
// adjustments.
NvConversion ConversionOf(bool centre, const Adjustments& adjust, const NvConversion& settings)
{
    NvConversion conversion = settings;
    conversion.centre = centre;
    conversion.adjust = adjust;
    return conversion;
}

} // namespace

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

long long ListedRasterLength(const LogoList& list, int row, const NvConversion& settings)
{
    if (row < 0 || row >= list.Count())
        return -1;
    const NvConversion conversion = ConversionOf(list.At(row).centre, list.At(row).adjust, settings);
    int32_t width = 0, height = 0;
    std::string why;
    if (!AdjustedPictureSize(list.At(row).path, conversion, width, height, why))
        return -1;
    return NvRasterLength(width, height, conversion.centre, conversion.maxPrintWidth);
}

std::string LogoRefusal(const std::string& path, const NvConversion& conversion)
{
    const int maxPrintWidth = conversion.maxPrintWidth;
    int32_t pictureWidth = 0, pictureHeight = 0;
    std::string why;
    if (!AdjustedPictureSize(path, conversion, pictureWidth, pictureHeight, why))
        return Format(msg::kCannotReadFormat, path.c_str());
    const bool centre = conversion.centre;
    const long long length = NvRasterLength(pictureWidth, pictureHeight, centre, maxPrintWidth);
    if (const int capacity = NvRasterCapacity(maxPrintWidth); length > capacity)
        return Format(msg::kTooLargeFormat, path.c_str(), length, capacity);
    // One byte per column gives the width in dots, centring columns included.
    const long long width = NvRasterLength(pictureWidth, 1, centre, maxPrintWidth);
    const long long height = (static_cast<long long>(pictureHeight) + 7) / 8 * 8;
    if (!NvDefinable(width, height))
        return Format(msg::kNotDefinableFormat, path.c_str(), width, height, kNvMaxUnitsAcross * 8,
                      kNvMaxUnitsDown * 8);
    return {};
}

std::string ListedLogoRefusal(const std::vector<NvLogoJob>& jobs, const NvConversion& settings)
{
    for (const NvLogoJob& logo : jobs)
        if (std::string refusal = LogoRefusal(logo.path, ConversionOf(logo.centre, logo.adjust, settings));
            !refusal.empty())
            return refusal;
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
