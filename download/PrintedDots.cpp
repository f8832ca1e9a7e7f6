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

PrintedDotsCache::Key PrintedDotsCache::KeyOf(const std::string& path, const NvConversion& conversion)
{
    Key key{
        path, -1, -1, conversion.threshold, conversion.halftone, conversion.maxPrintWidth, conversion.centre};
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        key.mtimeNs = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
        key.size = st.st_size;
    }
    return key;
}

PrintedDotsCache::EntryPtr PrintedDotsCache::Convert(const Key& key, const NvConversion& conversion)
{
    auto entry = std::make_shared<Entry>();
    entry->key = key;
    entry->converted = ConvertToDots(key.path, conversion, entry->dots, entry->why);
    if (!entry->converted)
        entry->dots = DotImage{};
    return entry;
}

PrintedDotsCache::EntryPtr PrintedDotsCache::FindLocked(const Key& key)
{
    const auto found =
        std::find_if(m_entries.begin(), m_entries.end(), [&](const EntryPtr& e) { return e->key == key; });
    if (found == m_entries.end())
        return nullptr;
    std::rotate(m_entries.begin(), found, found + 1);
    return m_entries.front();
}

void PrintedDotsCache::KeepLocked(EntryPtr entry)
{
    // A changed file or other settings replace what was kept for the same path.
    std::erase_if(m_entries, [&](const EntryPtr& e) { return e->key.path == entry->key.path; });
    if (m_entries.size() >= kKept)
        m_entries.pop_back();
    m_entries.insert(m_entries.begin(), std::move(entry));
}

std::shared_ptr<const DotImage> PrintedDotsCache::Get(const std::string& path, const NvConversion& conversion,
                                                      std::string& why)
{
    const Key key = KeyOf(path, conversion);
    EntryPtr entry;
    {
        const std::lock_guard lock(m_mutex);
        entry = FindLocked(key);
    }
    if (!entry) {
        // Converted outside the lock: a prefetch of another logo goes on meanwhile.
        ++m_nConversions;
        entry = Convert(key, conversion);
        const std::lock_guard lock(m_mutex);
        KeepLocked(entry);
    }
    why = entry->why;
    return entry->converted ? std::shared_ptr<const DotImage>(entry, &entry->dots) : nullptr;
}

void PrintedDotsCache::Prefetch(const std::string& path, const NvConversion& conversion)
{
    const Key key = KeyOf(path, conversion);
    {
        const std::lock_guard lock(m_mutex);
        if (std::any_of(m_entries.begin(), m_entries.end(), [&](const EntryPtr& e) { return e->key == key; }))
            return;
    }
    ++m_nConversions;
    EntryPtr entry = Convert(key, conversion);
    const std::lock_guard lock(m_mutex);
    KeepLocked(std::move(entry));
}

bool PrintedDotsCache::Find(const std::string& path, const NvConversion& conversion,
                            std::shared_ptr<const DotImage>& dots, std::string& why)
{
    const Key key = KeyOf(path, conversion);
    const std::lock_guard lock(m_mutex);
    const EntryPtr entry = FindLocked(key);
    if (!entry)
        return false;
    why = entry->why;
    dots = entry->converted ? std::shared_ptr<const DotImage>(entry, &entry->dots) : nullptr;
    return true;
}
