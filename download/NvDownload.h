#pragma once
// The parts of a download that do not depend on the progress dialog: the order of the
// images, the check of the listed files before anything is sent, the preparation of
// one image, and the whole stream in one go for the command-line tool.
//
// How files that fail are treated:
// - Before a download starts, CheckListedLogos reads every listed file's headers and
//   refuses the download, with a message naming the file, when one no longer reads as
//   a bitmap, when its raster (centring included) would exceed the converter's 147456
//   bytes, or when FS q cannot describe its size (more than 1023 8-dot units across or
//   288 down). Nothing has been sent then, so the printer keeps the images it has.
// - A file that fails after that (removed or changed while the download runs) goes out
//   as an empty definition (header 00 00 00 00, no data): FS q n has promised n
//   definitions and the printer counts them, and the images after it keep their NV
//   numbers, so the stored list of logo files still matches the printer. Stopping
//   instead would leave the printer with fewer images than the list says it holds.
//   The caller reports the files afterwards (a box during the run would cancel it).
#include <functional>
#include <string>
#include <vector>

class CNvImage;
class NvStreamWriter;

// The largest image FS q can define, in 8-dot units.
inline constexpr int kNvMaxUnitsAcross = 1023;
inline constexpr int kNvMaxUnitsDown = 288;

// True when FS q can define an image of this raster size (dots, multiples of 8).
bool NvDefinable(long long widthDots, long long heightDots);

// Fills g_Shared.m_arrDownloadOrder with the list rows by ascending logo number.
void BuildDownloadOrder();

// True when every listed logo can be converted and defined; otherwise shows one
// message naming the first file that cannot and returns false.
bool CheckListedLogos();

// The raster bytes a listed row will take, centring included; -1 when its file does not
// read as a bitmap.
long long ListedRasterLength(int row);

// Reads list row `row`'s file again and converts it into image. False when the image
// goes out as an empty definition instead: the file no longer reads as a bitmap, or it
// changed into one that no definition can hold.
bool PrepareNvImage(CNvImage& image, int row);

// What a whole download did.
struct NvDownloadProgress {
    std::vector<int> emptyRows; // rows that went out as empty definitions
    int started = 0;            // image records begun (header written or tried)
    bool stopped = false;       // stopRequested ended the run between two images
};

// The whole download of the listed logos without pauses between steps other than the
// writer's own: FS q n, the erase wait, then every image in download order (an empty
// list sends the delete-all stream instead). False when a write whose failure stops a
// download failed (FS q n, an image header, the delete-all stream), after the message
// the window shows for it.
// imageSent, when given, is called after each image record with its row and image;
// stopRequested, when given, is asked before every image, and a true answer ends the
// run there (the caller then owes the printer the completion groups).
using ImageSent = std::function<void(int row, const CNvImage& image)>;
using StopRequested = std::function<bool()>;
bool WriteNvDownload(NvStreamWriter& writer, CNvImage& image, NvDownloadProgress& progress,
                     const ImageSent& imageSent = {}, const StopRequested& stopRequested = {});
// The same, reporting only the rows that went out empty.
bool WriteNvDownload(NvStreamWriter& writer, CNvImage& image, std::vector<int>& emptyRows,
                     const ImageSent& imageSent = {});

// The message naming the listed files that went out as empty definitions (rows of the
// shared lists), or "" when there are none.
std::string EmptyDefinitionsText(const std::vector<int>& rows);
