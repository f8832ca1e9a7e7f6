#pragma once
// Turns one BMP file into the column raster of FS q: columns from the left, each column
// top to bottom in bytes of 8 dots, bit 7 the top dot, 1 = print. Whether a pixel
// prints is decided in the file's own pixel format (palette index, 5-5-5 word, BGR
// bytes) against the black/white threshold it is given.
//
// One object serves a whole download: LoadFile, BuildRaster, then read m_nWidth,
// m_nHeight, m_nLength and the first m_nLength bytes of m_raster. The object is large
// (two 144 KiB buffers): keep it on the heap or as a member of a heap object.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "logo/BmpFile.h"

// Bytes m_raster holds: 512 columns of 2304 dots.
inline constexpr int kNvRasterCapacity = 147456;

// How one logo is converted: the Setup page's threshold and printable width, and the
// logo's own centring tick.
struct NvConversion {
    int threshold = 128;     // a dot prints when its grey is below this (0..255)
    int maxPrintWidth = 512; // centred images are centred within this width (dots)
    bool centre = false;
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
    CNvImage();
    virtual ~CNvImage();
    CNvImage(const CNvImage&) = delete;
    CNvImage& operator=(const CNvImage&) = delete;

    uint8_t m_raster[kNvRasterCapacity];  // the current image, column after column
    uint8_t m_scratch[kNvRasterCapacity]; // copy used while centring columns go in
    std::unique_ptr<BmpImage> m_hBitmap;  // the loaded bitmap; null when loading failed
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

    // Reads the file again. False when it no longer reads as a bitmap; the image is then
    // empty (width, height and length 0) so that it goes out as a definition of size 0.
    bool LoadFile(const std::string& path);
    // 1 when the pixel in column x, row y (0 = top) prints. Outside the bitmap: 0.
    uint8_t GetDot(int x, int y, int threshold) const;
    // Converts the loaded bitmap into m_raster and centres it when asked to
    // (m_nCentringBytes tells how many bytes that added). A bitmap whose raster would
    // not fit m_raster is left empty; CheckListedLogos refuses such files before a
    // download starts.
    void BuildRaster(const NvConversion& conversion);

private:
    void Clear();
    void Centre(int bytesPerColumn, int maxPrintWidth);
};

// Raster bytes of a width x height bitmap, the blank centring columns included when
// centre is set and the width is below maxPrintWidth. 64-bit: a bitmap may be far
// larger than the raster.
int64_t NvRasterLength(int32_t width, int32_t height, bool centre, int32_t maxPrintWidth);

// The grey levels the threshold is compared with, from the channel values of one
// pixel (8 bits each for 24/32 bits, 5 bits each for 16 bits).
int GreyOf24(unsigned blue, unsigned green, unsigned red);
int GreyOf16(unsigned red, unsigned green, unsigned blue);
