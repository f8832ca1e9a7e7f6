#include "keyed/KeyedRaster.h"

#include <memory>
#include <nettle/sha2.h>
#include <new>

#include "keyed/KeyedCommands.h"
#include "platform/Text.h"

bool ConvertForKey(const std::string& path, const NvConversion& conversion, KeyedRaster& raster,
                   std::string& why)
{
    try {
        auto image = std::make_unique<CNvImage>(kKeyedRasterCapacity);
        if (!image->LoadFile(path, &why))
            return false;
        image->BuildRaster(conversion);
        if (image->m_nLength == 0 || image->m_nWidth > keyed::kMaxWidthDots ||
            image->m_nHeight > keyed::kMaxHeightDots) {
            why = Format("too large for a key-coded graphic (at most %d x %d dots)", keyed::kMaxWidthDots,
                         keyed::kMaxHeightDots);
            return false;
        }
        raster.width = image->m_nWidth;
        raster.height = image->m_nHeight;
        raster.rows = image->RowRaster();
        raster.sha256 = Sha256Hex(raster.rows);
    } catch (const std::bad_alloc&) {
        why = "out of memory";
        return false;
    }
    return true;
}

DotImage KeyedRaster::Dots() const
{
    return KeyedGraphic{"", 0, width, height, rows}.Dots();
}

std::string Sha256Hex(const std::vector<uint8_t>& bytes)
{
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), bytes.data());
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    std::string hex;
    for (const uint8_t byte : digest)
        hex += Format("%02x", byte);
    return hex;
}
