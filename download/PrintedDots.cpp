#include "download/PrintedDots.h"

#include <algorithm>
#include <new>
#include <sys/stat.h>

#include "download/NvDownload.h"

bool ConvertToDots(const std::string& path, const NvConversion& conversion, DotImage& dots, std::string& why)
{
    try {
        auto image = std::make_unique<CNvImage>();
        if (!image->LoadFile(path, &why))
            return false;
        image->BuildRaster(conversion);
        if (image->m_nLength == 0 || !NvDefinable(image->m_nWidth, image->m_nHeight)) {
            why = "too large for one NV bit image";
            return false;
        }
        NvDefinition definition;
        definition.xUnits = image->m_nWidth / 8;
        definition.yUnits = image->m_nHeight / 8;
        definition.raster.assign(image->m_raster, image->m_raster + image->m_nLength);
        dots = definition.Dots();
    } catch (const std::bad_alloc&) {
        why = "out of memory";
        return false;
    }
    return true;
}

const DotImage* PrintedDotsCache::Get(const std::string& path, const NvConversion& conversion,
                                      std::string& why)
{
    Key key{
        path, -1, -1, conversion.threshold, conversion.halftone, conversion.maxPrintWidth, conversion.centre};
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        key.mtimeNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
        key.size = st.st_size;
    }
    auto found =
        std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.key == key; });
    if (found == m_entries.end()) {
        // A changed file or other settings replace what was kept for the same path.
        std::erase_if(m_entries, [&](const Entry& e) { return e.key.path == path; });
        if (m_entries.size() >= kKept)
            m_entries.pop_back();
        Entry entry{key, false, {}, {}};
        ++m_nConversions;
        entry.converted = ConvertToDots(path, conversion, entry.dots, entry.why);
        if (!entry.converted)
            entry.dots = DotImage{};
        m_entries.insert(m_entries.begin(), std::move(entry));
    } else if (found != m_entries.begin()) {
        std::rotate(m_entries.begin(), found, found + 1);
    }
    const Entry& entry = m_entries.front();
    why = entry.why;
    return entry.converted ? &entry.dots : nullptr;
}
