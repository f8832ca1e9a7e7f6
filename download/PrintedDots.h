#pragma once
// The dots the printer prints for a logo file, made by the download's own conversion so
// that what is shown before a download is what the printer gets: the raster of
// PrepareNvImage turned back into dots, centring columns and rounding margins included.
#include <cstdint>
#include <memory>
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
// modification time and size are.
class PrintedDotsCache {
public:
    // The dots for path with conversion, valid until the next Get; null with the reason
    // in why when it cannot be converted (a failure is kept too, until the file or the
    // settings change).
    const DotImage* Get(const std::string& path, const NvConversion& conversion, std::string& why);
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

    std::vector<Entry> m_entries; // the most recently used first
    int m_nConversions = 0;
};
