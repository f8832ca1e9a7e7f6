#include "download/PrintedDots.h"

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
    if (!m_bValid || !(key == m_key)) {
        m_key = key;
        m_bValid = true;
        ++m_nConversions;
        m_strWhy.clear();
        m_bConverted = ConvertToDots(path, conversion, m_dots, m_strWhy);
        if (!m_bConverted)
            m_dots = DotImage{};
    }
    why = m_strWhy;
    return m_bConverted ? &m_dots : nullptr;
}
