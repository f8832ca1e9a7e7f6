#pragma once
// Turns one logo file into the column raster of FS q: columns from the left, each column
// top to bottom in bytes of 8 dots, bit 7 the top dot, 1 = print. In the Classic mode a
// BMP pixel's dot is decided in the file's own pixel format (palette index, 5-5-5 word,
// BGR bytes) against the black/white threshold, as the printer has always had it; every
// other file and mode goes through the picture's colours and download/Halftone.
//
// One object serves a whole download: LoadFile, BuildRaster, then read m_nWidth,
// m_nHeight, m_nLength and the first m_nLength bytes of m_raster. The raster holds
// kNvRasterCapacity bytes, what one FS q image can be; a key-coded graphic is converted
// by an object made with a larger capacity, through the same steps, so that it gets
// the same dots.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "logo/Adjustments.h"
#include "download/Halftone.h"
#include "logo/BmpFile.h"
#include "logo/DecodedImage.h"

// Bytes m_raster holds: 576 columns of 2304 dots, the widest paper's logo at FS q's
// greatest height.
inline constexpr int kNvRasterCapacity = 165888;

// The widest printable area a user may set: 80 mm paper at 203 dpi.
inline constexpr int kMaxPrintableWidth = 576;

// The raster one image may take at a printable width: 512 columns of 288 bytes up to
// 512 dots (the historic limit), one column more per dot beyond, up to kNvRasterCapacity.
inline constexpr int NvRasterCapacity(int maxPrintWidth)
{
    const int columns = (maxPrintWidth + 7) / 8 * 8;
    return (columns < 512 ? 512 : columns > kMaxPrintableWidth ? kMaxPrintableWidth : columns) * 288;
}

// The largest raster any logo may have: every dot of the tallest and widest key-coded
// graphic. A loaded picture whose adjusted size is asked for may be this large.
inline constexpr int kMaxAdjustedRasterBytes = 8192 / 8 * 2304;

// How one logo is converted: the Setup page's threshold, printable width and halftone,
// and the logo's own centring tick and adjustments.
struct NvConversion {
    int threshold = 128;     // a dot prints when its grey is below this (0..255)
    int maxPrintWidth = 512; // centred images are centred within this width (dots)
    bool centre = false;
    HalftoneMode halftone = HalftoneMode::Classic;
    Adjustments adjust{}; // none: the picture is converted as it stands
};

// The bitmap's vital data as the platform reports it.
struct BitmapRecord {
    int32_t bmType = 0;
    int32_t bmWidth = 0;      // pixels
    int32_t bmHeight = 0;     // pixels
    int32_t bmWidthBytes = 0; // bytes of one stored pixel row, a multiple of 4
    uint16_t bmPlanes = 0;
    uint16_t bmBitsPixel = 0;
    const uint8_t* bmBits = nullptr; // bottom-up pixel rows
};

// The 14 bytes that start every BMP file, as they stand in the file.
struct BmpFileHeader {
    uint16_t bfType = 0;
    uint32_t bfSize = 0; // the file's length as its writer claimed it; 0 from some encoders
    uint16_t bfReserved1 = 0;
    uint16_t bfReserved2 = 0;
    uint32_t bfOffBits = 0;
};

class CNvImage {
public:
    // capacity: the raster bytes an image may take, centring included.
    explicit CNvImage(int capacity = kNvRasterCapacity);
    virtual ~CNvImage();
    CNvImage(const CNvImage&) = delete;
    CNvImage& operator=(const CNvImage&) = delete;

private:
    int m_nCapacity;
    std::unique_ptr<uint8_t[]> m_rasterBytes;
    std::unique_ptr<uint8_t[]> m_scratchBytes;

public:
    uint8_t* const m_raster;             // the current image, column after column (capacity bytes)
    uint8_t* const m_scratch;            // copy used while centring columns go in
    std::unique_ptr<BmpImage> m_hBitmap; // the loaded BMP file; null when loading failed
    // The colours of a loaded PNG, JPEG or GIF file (m_hBitmap is then null); m_bm holds
    // its width and height with 0 bits per pixel.
    std::unique_ptr<DecodedImage> m_decoded;
    BitmapRecord m_bm;
    BmpFileHeader m_fileHeader;
    // The file after its 14-byte header (info header, colour table, pixels); points into
    // m_hBitmap's copy of the file and is valid until the next LoadFile.
    const uint8_t* m_pFileRest = nullptr;
    size_t m_nFileRestLength = 0;
    int m_nWidth = 0;         // raster width in dots: a multiple of 8, centring columns included
    int m_nHeight = 0;        // raster height in dots: a multiple of 8
    int m_nLength = 0;        // raster bytes in m_raster
    int m_nCentringBytes = 0; // of m_nLength, the blank columns centring added

    // Reads the file again (BMP, PNG, JPEG or GIF, by its first bytes). False when it no
    // longer reads as a picture; the image is then empty (width, height and length 0)
    // so that it goes out as a definition of size 0. why, when given, gets the reason.
    bool LoadFile(const std::string& path, std::string* why = nullptr);
    // 1 when the pixel in column x, row y (0 = top) prints by the Classic rule (for a
    // PNG, JPEG or GIF file: its grey below the threshold). Outside the picture: 0.
    uint8_t GetDot(int x, int y, int threshold) const;
    // Converts the loaded bitmap into m_raster and centres it when asked to
    // (m_nCentringBytes tells how many bytes that added). A bitmap whose raster would
    // not fit m_raster is left empty; ListedLogoRefusal refuses such files before a
    // download starts.
    //
    // With adjustments the picture first becomes grey: a BMP under Classic as its
    // Classic dots (black or white), any other picture as its grey on white paper by the
    // mode's rule. The adjustments work on that grey; then a Classic BMP's pixel prints
    // where the result is darker than mid-grey, any other by the mode and threshold.
    // m_nWidth and m_nHeight then tell the adjusted size.
    void BuildRaster(const NvConversion& conversion);
    // The adjusted grey picture BuildRaster would turn into dots; empty (0 x 0) when
    // nothing is loaded or memory runs out.
    GreyImage AdjustedGrey(const NvConversion& conversion) const;
    // Its first step: the loaded picture's grey as the adjustments start from it (a
    // Classic BMP's dots as black and white, any other picture its grey on white paper
    // by the mode's rule). Empty when nothing is loaded. Throws std::bad_alloc.
    GreyImage PictureGrey(HalftoneMode mode, int threshold) const;
    // Its last step: the raster of grey, a picture adjusted from PictureGrey's, made as
    // BuildRaster makes it for conversion (the loaded picture tells whether a Classic
    // BMP's dots are meant). False, with an empty raster and the picture still loaded,
    // when it does not fit m_raster or memory runs out.
    bool BuildFromGrey(const GreyImage& grey, const NvConversion& conversion);
    int Capacity() const { return m_nCapacity; }
    // The largest picture LoadFile decodes, by its NV size: what the raster holds, or
    // what adjustments (a fit, a scale) may still bring into the largest key-coded
    // graphic, whichever is more.
    int DecodeLimit() const;
    // The raster row by row, as key-coded graphics take it: rows top to bottom,
    // m_nWidth / 8 bytes a row, bit 7 the leftmost dot.
    std::vector<uint8_t> RowRaster() const;

private:
    void Clear();
    bool LoadColours(const std::string& path, std::string* why);
    void BuildClassicBmp(int threshold);
    bool BuildFromColours(HalftoneMode mode, int threshold);
    bool BuildAdjusted(const NvConversion& conversion);
    void Centre(int bytesPerColumn, int maxPrintWidth);
};

// Raster bytes of a width x height bitmap, the blank centring columns included when
// centre is set and the width is below maxPrintWidth. 64-bit: a bitmap may be far
// larger than the raster.
int64_t NvRasterLength(int32_t width, int32_t height, bool centre, int32_t maxPrintWidth);

// The size in dots of path's picture once conversion's adjustments are made (its own
// size without any). False with the reason in why when it does not read as a picture.
bool AdjustedPictureSize(const std::string& path, const NvConversion& conversion, int32_t& width,
                         int32_t& height, std::string& why);

// Packs dots (rows top to bottom, 1 = print) into the column raster: columns from the
// left, bytesPerColumn bytes each, bit 7 the top dot. Dots beyond the matrix are 0.
void PackDotsIntoRaster(const DotMatrix& dots, int bytesPerColumn, uint8_t* raster);

// The grey levels the threshold is compared with, from the channel values of one
// pixel (8 bits each for 24/32 bits, 5 bits each for 16 bits).
int GreyOf24(unsigned blue, unsigned green, unsigned red);
int GreyOf16(unsigned red, unsigned green, unsigned blue);
