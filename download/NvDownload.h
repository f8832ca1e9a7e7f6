#pragma once
// The parts of a download that do not depend on the progress dialog: the order of the
// images, the check of the listed files before anything is sent, and the whole stream
// in one go for the command-line tool.
//
// How files that fail are treated:
// - Before a download starts, CheckListedLogos reads every listed file's headers and
//   refuses the download, with a message naming the file, when one no longer reads as
//   a bitmap or its raster (centring included) would exceed the converter's 147456
//   bytes. Nothing has been sent then, so the printer keeps the images it has.
// - A file that fails to load after that (removed or changed while the download runs)
//   goes out as an empty definition (header 00 00 00 00, no data): FS q n has promised
//   n definitions and the printer counts them, and the images after it keep their NV
//   numbers, so the stored list of logo files still matches the printer. Stopping
//   instead would leave the printer with fewer images than the list says it holds.
//   The caller reports the files afterwards (a box during the run would cancel it).
#include <functional>
#include <vector>

class CNvImage;
class NvStreamWriter;

// Fills g_Shared.m_arrDownloadOrder with the list rows by ascending logo number.
void BuildDownloadOrder();

// True when every listed logo can be converted; otherwise shows one message naming the
// first file that cannot and returns false.
bool CheckListedLogos();

// The raster bytes a listed row will take, centring included; -1 when its file does not
// read as a bitmap.
long long ListedRasterLength(int row);

// The whole download of the listed logos without pauses between steps other than the
// writer's own: FS q n, the erase wait, then every image in download order (an empty
// list sends the delete-all stream instead). Rows that went out as empty definitions
// (their file could not be loaded or converted any more) are appended to emptyRows. False when a write whose
// failure stops a download failed (FS q n, an image header, the delete-all stream), after the message the
// window shows for it.
// imageSent, when given, is called after each image record with its row and image.
using ImageSent = std::function<void(int row, const CNvImage& image)>;
bool WriteNvDownload(NvStreamWriter& writer, CNvImage& image, std::vector<int>& emptyRows,
                     const ImageSent& imageSent = {});
