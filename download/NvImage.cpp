#include "download/NvImage.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "logo/ImageFile.h"

namespace {

// The grey weights are single-precision values. A channel times a weight is exact in
// double (at most 8 + 24 significant bits), and so is the sum of such a product and a
// single-precision partial sum; rounding that sum to float after every term therefore
// gives exactly the single-precision running sum the printer rules were made with.
// Rounding the products as well, or keeping the sum in double, changes greys such as
// (254, 254, 254) -> 253 and (128, 128, 128) -> 128.
constexpr double kBlueWeight = 0.11f;
constexpr double kGreenWeight = 0.59f;
constexpr double kRedWeight = 0.3f;
constexpr double kScale16 = 8.0f; // 5-bit channels to the 8-bit range

inline int Grey24(unsigned blue, unsigned green, unsigned red)
{
    float sum = static_cast<float>(blue * kBlueWeight);
    sum = static_cast<float>(static_cast<double>(sum) + green * kGreenWeight);
    sum = static_cast<float>(static_cast<double>(sum) + red * kRedWeight);
    return static_cast<int>(sum);
}

inline int Grey16(unsigned red, unsigned green, unsigned blue)
{
    float sum = static_cast<float>(red * kRedWeight * kScale16);
    sum = static_cast<float>(static_cast<double>(sum) + green * kGreenWeight * kScale16);
    sum = static_cast<float>(static_cast<double>(sum) + blue * kBlueWeight * kScale16);
    return static_cast<int>(sum);
}

// The per-format decisions, one functor per bit depth: dot(row, x) is 1 when pixel x
// of the stored row prints.
struct Dot1 {
    bool indexOnePrints;
    uint8_t operator()(const uint8_t* row, int x) const
    {
        const unsigned index = (row[x >> 3] >> (7 - (x & 7))) & 1u;
        return static_cast<uint8_t>((index == 1) == indexOnePrints);
    }
};
struct Dot2 {
    uint8_t operator()(const uint8_t* row, int x) const
    {
        return static_cast<uint8_t>(((row[x >> 2] >> ((3 - (x & 3)) * 2)) & 3u) == 0);
    }
};
struct Dot4 {
    uint8_t operator()(const uint8_t* row, int x) const
    {
        const unsigned index = (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
        return static_cast<uint8_t>(15 - static_cast<int>(index) >= 7);
    }
};
struct Dot8 {
    int threshold;
    uint8_t operator()(const uint8_t* row, int x) const
    {
        return static_cast<uint8_t>(255 - row[x] >= threshold);
    }
};
struct Dot16 {
    int threshold;
    uint8_t operator()(const uint8_t* row, int x) const
    {
        // Always 5-5-5, whatever masks the file declares.
        const unsigned low = row[2 * x], high = row[2 * x + 1];
        const unsigned red = (high & 0x7Fu) >> 2;
        const unsigned green = (low >> 5) + (high & 3u) * 8;
        const unsigned blue = low & 0x1Fu;
        return static_cast<uint8_t>(Grey16(red, green, blue) < threshold);
    }
};
template <int BytesPerPixel> struct DotBgr {
    int threshold;
    uint8_t operator()(const uint8_t* row, int x) const
    {
        const uint8_t* p = row + static_cast<ptrdiff_t>(x) * BytesPerPixel;
        return static_cast<uint8_t>(Grey24(p[0], p[1], p[2]) < threshold);
    }
};
struct DotAlways {
    uint8_t operator()(const uint8_t*, int) const { return 1; }
};

// Calls f with the decision functor of the bitmap's format.
template <typename F> void WithDotRule(const CNvImage& image, int threshold, F&& f)
{
    switch (image.m_bm.bmBitsPixel) {
    case 1: {
        // The first colour-table entry's blue byte with the usual 40-byte info header;
        // read where that byte stands in such a file, whatever header this one has. A
        // file too short to reach it (a tiny one with a 12-byte header) takes the blue
        // byte of its first colour-table entry, which is what the byte means.
        uint8_t key = 0;
        if (image.m_nFileRestLength > 40)
            key = image.m_pFileRest[40];
        else if (!image.m_hBitmap->palette.empty())
            key = static_cast<uint8_t>(image.m_hBitmap->palette[0] & 0xFF);
        f(Dot1{key != 0});
        break;
    }
    case 2:
        f(Dot2{});
        break;
    case 4:
        f(Dot4{});
        break;
    case 8:
        f(Dot8{threshold});
        break;
    case 16:
        f(Dot16{threshold});
        break;
    case 24:
        f(DotBgr<3>{threshold});
        break;
    case 32:
        f(DotBgr<4>{threshold});
        break;
    default:
        f(DotAlways{});
        break;
    }
}

constexpr int kMidGrey = 128;
int RoundUp8(int64_t value)
{
    return static_cast<int>((value + 7) / 8 * 8);
}

uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

} // namespace

int GreyOf24(unsigned blue, unsigned green, unsigned red)
{
    return Grey24(blue, green, red);
}
int GreyOf16(unsigned red, unsigned green, unsigned blue)
{
    return Grey16(red, green, blue);
}

int64_t NvRasterLength(int32_t width, int32_t height, bool centre, int32_t maxPrintWidth)
{
    const int64_t columns = (int64_t{width} + 7) / 8 * 8;
    const int64_t bytesPerColumn = (int64_t{height} + 7) / 8;
    int64_t length = columns * bytesPerColumn;
    if (centre && columns < maxPrintWidth)
        length += RoundUp8((maxPrintWidth - columns) / 2) * bytesPerColumn;
    return length;
}

CNvImage::CNvImage(int capacity)
    : m_nCapacity(capacity), m_rasterBytes(new uint8_t[static_cast<size_t>(capacity)]()),
      m_scratchBytes(new uint8_t[static_cast<size_t>(capacity)]()), m_raster(m_rasterBytes.get()),
      m_scratch(m_scratchBytes.get())
{
}

CNvImage::~CNvImage() = default;

void CNvImage::Clear()
{
    m_hBitmap.reset();
    m_decoded.reset();
    m_bm = BitmapRecord{};
    m_fileHeader = BmpFileHeader{};
    m_pFileRest = nullptr;
    m_nFileRestLength = 0;
    m_nWidth = m_nHeight = m_nLength = 0;
}

bool CNvImage::LoadFile(const std::string& path, std::string* why)
{
    m_nLength = 0;
    const ImageKind kind = SniffImageFile(path);
    if (kind == ImageKind::Png || kind == ImageKind::Jpeg || kind == ImageKind::Gif)
        return LoadColours(path, why);
    auto bitmap = std::make_unique<BmpImage>();
    if (!LoadBmp(path, *bitmap)) {
        // Width and height 0 too: the header then announces the empty definition that
        // keeps the image count of FS q n true.
        Clear();
        ImageInfo info;
        if (why && kind == ImageKind::Bmp)
            *why = "unsupported or damaged BMP file";
        else if (why)
            ReadImageInfo(path, info, *why); // tells a missing file from one of no known kind
        return false;
    }
    m_decoded.reset();
    m_hBitmap = std::move(bitmap);
    const BmpImage& bmp = *m_hBitmap;
    m_bm = BitmapRecord{
        0, bmp.width, bmp.height, bmp.widthBytes, 1, static_cast<uint16_t>(bmp.bitsPerPixel), bmp.Bits()};
    m_nWidth = RoundUp8(bmp.width);
    m_nHeight = RoundUp8(bmp.height);

    // The reader has checked the file against its own headers, so the rest of the file
    // is simply everything after the first 14 bytes. bfSize is kept as read but not
    // trusted: some encoders write 0 there, and a file that lists and previews must
    // download as well.
    const std::vector<uint8_t>& file = bmp.FileBytes();
    const uint8_t* head = file.data();
    m_fileHeader = BmpFileHeader{static_cast<uint16_t>(head[0] | (head[1] << 8)), Le32(head + 2),
                                 static_cast<uint16_t>(head[6] | (head[7] << 8)),
                                 static_cast<uint16_t>(head[8] | (head[9] << 8)), Le32(head + 10)};
    m_pFileRest = file.data() + 14;
    m_nFileRestLength = file.size() - 14;
    return true;
}

bool CNvImage::LoadColours(const std::string& path, std::string* why)
{
    // Bounded: a picture larger than what adjustments can bring into one raster could
    // not be converted anyway.
    auto image = std::make_unique<DecodedImage>();
    std::string reason;
    if (!LoadImageFile(path, *image, reason, DecodeLimit())) {
        Clear();
        if (why)
            *why = reason;
        return false;
    }
    Clear();
    m_decoded = std::move(image);
    m_bm = BitmapRecord{0, m_decoded->width, m_decoded->height, 0, 1, 0, nullptr};
    m_nWidth = RoundUp8(m_decoded->width);
    m_nHeight = RoundUp8(m_decoded->height);
    return true;
}

uint8_t CNvImage::GetDot(int x, int y, int threshold) const
{
    if (m_decoded && x >= 0 && y >= 0 && x < m_decoded->width && y < m_decoded->height) {
        const uint8_t* p = m_decoded->At(x, y);
        if (m_decoded->layout == PixelLayout::GreyAlpha) {
            const auto grey = static_cast<unsigned>(OnWhite(p[0], p[1]));
            return static_cast<uint8_t>(Grey24(grey, grey, grey) < threshold);
        }
        const auto on = [&](int c) { return static_cast<unsigned>(OnWhite(p[c], p[3])); };
        return static_cast<uint8_t>(Grey24(on(2), on(1), on(0)) < threshold);
    }
    if (!m_hBitmap || x < 0 || y < 0 || x >= m_bm.bmWidth || y >= m_bm.bmHeight)
        return 0;
    const uint8_t* row = m_bm.bmBits + static_cast<ptrdiff_t>(m_bm.bmHeight - 1 - y) * m_bm.bmWidthBytes;
    uint8_t dot = 0;
    WithDotRule(*this, threshold, [&](const auto& rule) { dot = rule(row, x); });
    return dot;
}

void CNvImage::BuildRaster(const NvConversion& conversion)
{
    m_nCentringBytes = 0;
    if (!m_hBitmap && !m_decoded)
        return;
    if (conversion.adjust.Any()) {
        if (!BuildAdjusted(conversion))
            Clear();
        return;
    }
    const bool centre = conversion.centre;
    if (NvRasterLength(m_bm.bmWidth, m_bm.bmHeight, centre, conversion.maxPrintWidth) > m_nCapacity) {
        Clear();
        return;
    }
    // The picture's own size: an earlier conversion of it may have been adjusted.
    m_nWidth = RoundUp8(m_bm.bmWidth);
    m_nHeight = RoundUp8(m_bm.bmHeight);
    const int bytesPerColumn = m_nHeight / 8;
    m_nLength = m_nWidth * bytesPerColumn;
    std::memset(m_raster, 0, static_cast<size_t>(m_nLength));
    if (m_hBitmap && conversion.halftone == HalftoneMode::Classic) {
        BuildClassicBmp(conversion.threshold);
    } else if (!BuildFromColours(conversion.halftone, conversion.threshold)) {
        Clear();
        return;
    }
    if (centre && m_nWidth < conversion.maxPrintWidth)
        Centre(bytesPerColumn, conversion.maxPrintWidth);
}

void CNvImage::BuildClassicBmp(int threshold)
{
    // Band by band: the 8 stored rows of a band are read left to right and each column
    // byte is written once. Columns and rows of the rounding margins stay 0 (white).
    const int bytesPerColumn = m_nHeight / 8;
    WithDotRule(*this, threshold, [&](const auto& rule) {
        const int width = m_bm.bmWidth;
        for (int band = 0; band < bytesPerColumn; ++band) {
            const int rows = std::min(8, m_bm.bmHeight - band * 8);
            const uint8_t* bandRows[8];
            for (int i = 0; i < rows; ++i)
                bandRows[i] = m_bm.bmBits +
                              static_cast<ptrdiff_t>(m_bm.bmHeight - 1 - (band * 8 + i)) * m_bm.bmWidthBytes;
            uint8_t* out = m_raster + band;
            for (int x = 0; x < width; ++x, out += bytesPerColumn) {
                unsigned byte = 0;
                for (int i = 0; i < rows; ++i)
                    byte |= static_cast<unsigned>(rule(bandRows[i], x)) << (7 - i);
                *out = static_cast<uint8_t>(byte);
            }
        }
    });
}

bool CNvImage::BuildFromColours(HalftoneMode mode, int threshold)
{
    // PNG, JPEG and GIF files have no historic rule: Classic treats them as Colour does,
    // with the historic grey.
    try {
        DecodedImage bmpColours;
        const DecodedImage* image = m_decoded.get();
        if (!image) {
            std::string why;
            if (!BmpColours(*m_hBitmap, bmpColours, why, DecodeLimit()))
                return false;
            image = &bmpColours;
        }
        PackDotsIntoRaster(Halftone(*image, mode, threshold), m_nHeight / 8, m_raster);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

int CNvImage::DecodeLimit() const
{
    return std::max(m_nCapacity, kMaxAdjustedRasterBytes);
}

GreyImage CNvImage::PictureGrey(HalftoneMode mode, int threshold) const
{
    GreyImage grey;
    if (m_hBitmap && mode == HalftoneMode::Classic) {
        grey = {m_bm.bmWidth, m_bm.bmHeight,
                std::vector<uint8_t>(static_cast<size_t>(m_bm.bmWidth) * static_cast<size_t>(m_bm.bmHeight))};
        WithDotRule(*this, threshold, [&](const auto& rule) {
            for (int y = 0; y < m_bm.bmHeight; ++y) {
                const uint8_t* row =
                    m_bm.bmBits + static_cast<ptrdiff_t>(m_bm.bmHeight - 1 - y) * m_bm.bmWidthBytes;
                uint8_t* out = grey.grey.data() + static_cast<size_t>(y) * static_cast<size_t>(m_bm.bmWidth);
                for (int x = 0; x < m_bm.bmWidth; ++x)
                    out[x] = rule(row, x) ? 0 : 255;
            }
        });
        return grey;
    }
    DecodedImage bmpColours;
    const DecodedImage* image = m_decoded.get();
    if (!image) {
        std::string why;
        if (!BmpColours(*m_hBitmap, bmpColours, why, DecodeLimit()))
            return {};
        image = &bmpColours;
    }
    return {image->width, image->height, GreyOnPaper(*image, GreyRuleOf(mode))};
}

GreyImage CNvImage::AdjustedGrey(const NvConversion& conversion) const
{
    if (!m_hBitmap && !m_decoded)
        return {};
    try {
        return Adjust(PictureGrey(conversion.halftone, conversion.threshold), conversion.adjust,
                      conversion.maxPrintWidth);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool CNvImage::BuildAdjusted(const NvConversion& conversion)
{
    return BuildFromGrey(AdjustedGrey(conversion), conversion);
}

bool CNvImage::BuildFromGrey(const GreyImage& grey, const NvConversion& conversion)
{
    m_nWidth = m_nHeight = m_nLength = m_nCentringBytes = 0;
    if (grey.width <= 0 || grey.height <= 0 || (!m_hBitmap && !m_decoded))
        return false;
    if (NvRasterLength(grey.width, grey.height, conversion.centre, conversion.maxPrintWidth) > m_nCapacity)
        return false;
    m_nWidth = RoundUp8(grey.width);
    m_nHeight = RoundUp8(grey.height);
    const int bytesPerColumn = m_nHeight / 8;
    m_nLength = m_nWidth * bytesPerColumn;
    // A Classic BMP's grey holds its dots already: whatever the adjustments made of
    // them prints where it is darker than mid-grey.
    const bool classicDots = m_hBitmap && conversion.halftone == HalftoneMode::Classic;
    try {
        const DotMatrix dots =
            classicDots
                ? HalftoneGrey(grey.width, grey.height, grey.grey, HalftoneMode::Colour, kMidGrey)
                : HalftoneGrey(grey.width, grey.height, grey.grey, conversion.halftone, conversion.threshold);
        PackDotsIntoRaster(dots, bytesPerColumn, m_raster);
    } catch (const std::bad_alloc&) {
        m_nWidth = m_nHeight = m_nLength = 0;
        return false;
    }
    if (conversion.centre && m_nWidth < conversion.maxPrintWidth)
        Centre(bytesPerColumn, conversion.maxPrintWidth);
    return true;
}

bool AdjustedPictureSize(const std::string& path, const NvConversion& conversion, int32_t& width,
                         int32_t& height, std::string& why)
{
    if (!conversion.adjust.Any()) {
        ImageInfo info;
        if (!ReadImageInfo(path, info, why))
            return false;
        width = info.width;
        height = info.height;
        return true;
    }
    // The largest picture key-coded memory takes; a bigger one is refused later anyway.
    auto image = std::make_unique<CNvImage>(kMaxAdjustedRasterBytes);
    if (!image->LoadFile(path, &why))
        return false;
    const GreyImage grey = image->AdjustedGrey(conversion);
    if (grey.width <= 0 || grey.height <= 0) {
        why = path + ": not enough memory to adjust the picture";
        return false;
    }
    width = grey.width;
    height = grey.height;
    return true;
}

void PackDotsIntoRaster(const DotMatrix& dots, int bytesPerColumn, uint8_t* raster)
{
    const int columns = (dots.width + 7) / 8 * 8;
    std::memset(raster, 0, static_cast<size_t>(columns) * static_cast<size_t>(bytesPerColumn));
    const int rows = std::min(dots.height, bytesPerColumn * 8);
    // Band by band: the 8 rows of a band are read left to right and each column byte is
    // written once, rather than visited again for every row.
    for (int band = 0; band * 8 < rows; ++band) {
        const int bandRows = std::min(8, rows - band * 8);
        const auto stride = static_cast<size_t>(dots.width);
        const uint8_t* top = dots.dots.data() + static_cast<size_t>(band) * 8 * stride;
        uint8_t* out = raster + band;
        for (int x = 0; x < dots.width; ++x, out += bytesPerColumn) {
            unsigned byte = 0;
            const uint8_t* dot = top + x;
            for (int i = 0; i < bandRows; ++i, dot += stride)
                byte |= (*dot ? 1u : 0u) << (7 - i);
            *out = static_cast<uint8_t>(byte);
        }
    }
}

void CNvImage::Centre(int bytesPerColumn, int maxPrintWidth)
{
    const int pad = RoundUp8((maxPrintWidth - m_nWidth) / 2);
    const int padBytes = pad * bytesPerColumn;
    const auto capacity = static_cast<size_t>(m_nCapacity);
    std::memcpy(m_scratch, m_raster, capacity);
    std::memset(m_raster, 0, capacity);
    std::memcpy(m_raster + padBytes, m_scratch, static_cast<size_t>(m_nLength));
    m_nLength += padBytes;
    m_nCentringBytes = padBytes;
    m_nWidth += pad;
}

std::vector<uint8_t> CNvImage::RowRaster() const
{
    const int bytesPerRow = m_nWidth / 8;
    const int bytesPerColumn = m_nHeight / 8;
    std::vector<uint8_t> rows(static_cast<size_t>(bytesPerRow) * static_cast<size_t>(m_nHeight), 0);
    for (int x = 0; x < m_nWidth; ++x) {
        const uint8_t* column = m_raster + static_cast<ptrdiff_t>(x) * bytesPerColumn;
        const auto bit = static_cast<uint8_t>(0x80u >> (x % 8));
        for (int y = 0; y < m_nHeight; ++y)
            if ((column[y / 8] >> (7 - y % 8)) & 1)
                rows[static_cast<size_t>(y) * static_cast<size_t>(bytesPerRow) +
                     static_cast<size_t>(x / 8)] |= bit;
    }
    return rows;
}
