#pragma once
// The dots the printer prints for a logo file, made by the download's own conversion so
// that what is shown before a download is what the printer gets: the raster of
// PrepareNvImage turned back into dots, centring columns and rounding margins included.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/NvImage.h"
#include "download/StreamDecoder.h"

// The stored image's dots (FS q's raster, unscaled). False with the reason in why when
// the file does not read as a picture or its raster exceeds one NV image.
bool ConvertToDots(const std::string& path, const NvConversion& conversion, DotImage& dots, std::string& why);

// The last few conversions, kept while the file and the settings stay the same: a
// redraw at another print size, a repaint, or a return to a logo just looked at does
// not read and convert the file again. A file counts as the same while its path,
// modification time and size are. Prefetch converts from another thread (the logo about
// to be shown, those the user is likely to look at next), Find only looks: a window
// that draws from Find never waits for a conversion. Every member may run at the same
// time as the others.
class PrintedDotsCache {
public:
    // The dots for path with conversion; null with the reason in why when it cannot be
    // converted (a failure is kept too, until the file or the settings change).
    std::shared_ptr<const DotImage> Get(const std::string& path, const NvConversion& conversion,
                                        std::string& why);
    // Converts and keeps path's dots unless they are kept already.
    void Prefetch(const std::string& path, const NvConversion& conversion);
    // True when path's dots with conversion are kept (converted or failed); dots is
    // then set (null for a failure, with why).
    bool Find(const std::string& path, const NvConversion& conversion, std::shared_ptr<const DotImage>& dots,
              std::string& why);
    // Conversions made so far, by Get and Prefetch.
    int Conversions() const { return m_nConversions; }

    // Logos kept: a 512 x 2304 logo takes 1.2 MB.
    static constexpr size_t kKept = 4;

private:
    struct Key {
        std::string path;
        int64_t mtimeNs = -1;
        int64_t size = -1;
        int threshold = 0;
        HalftoneMode halftone = HalftoneMode::Classic;
        int maxPrintWidth = 0;
        bool centre = false;
        bool operator==(const Key&) const = default;
    };

    struct Entry {
        Key key;
        bool converted = false;
        DotImage dots;
        std::string why;
    };
    using EntryPtr = std::shared_ptr<const Entry>;

    static Key KeyOf(const std::string& path, const NvConversion& conversion);
    static EntryPtr Convert(const Key& key, const NvConversion& conversion);
    // Under the lock: the kept entry for key, moved to the front, or null.
    EntryPtr FindLocked(const Key& key);
    // Under the lock: keeps entry first, in place of what was kept for its path.
    void KeepLocked(EntryPtr entry);

    std::mutex m_mutex;
    std::vector<EntryPtr> m_entries; // the most recently used first
    std::atomic<int> m_nConversions{0};
};
