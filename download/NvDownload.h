#pragma once
// The parts of a download around the stream: the order of the images, the check of the
// listed files before anything is sent, and the preparation of one image. The list is
// read on its own thread (the window's); the jobs are copies a run may take elsewhere.
//
// How files that fail are treated:
// - Before a download starts, ListedLogoRefusal reads every listed file again (its
//   headers; the whole picture when the logo has adjustments, whose size depends on it)
//   and refuses the download, with a message naming the file, when one no longer reads
//   as a picture (BMP, PNG, JPEG or GIF), when its raster as it will be sent (adjusted,
//   centring included) would exceed what one image may take at the printable width
//   (NvRasterCapacity: 147456 bytes up to 512 dots, 165888 at 576), or when FS q cannot
//   describe its size (more than 1023 8-dot units across or 288 down). Nothing has been
//   sent then, so the printer keeps the images it has.
// - A file that fails after that (removed or changed while the download runs) goes out
//   as an empty definition (header 00 00 00 00, no data): FS q n has promised n
//   definitions and the printer counts them, and the images after it keep their NV
//   numbers, so the stored list of logo files still matches the printer. Stopping
//   instead would leave the printer with fewer images than the list says it holds.
//   The caller reports the files afterwards (a box during the run would cancel it).
#include <string>
#include <utility>
#include <vector>

#include "download/NvImage.h"
#include "logo/LogoList.h"

// The largest image FS q can define, in 8-dot units.
inline constexpr int kNvMaxUnitsAcross = 1023;
inline constexpr int kNvMaxUnitsDown = 288;

// True when FS q can define an image of this raster size (dots, multiples of 8).
bool NvDefinable(long long widthDots, long long heightDots);

// The list rows by ascending logo number (a stable order: equal numbers keep their
// rows' order), at most 255.
std::vector<int> BuildDownloadOrder(const LogoList& list);

// One logo of a download, in download order: what the run needs of it, copied, so that
// the run does not depend on the list while it goes.
struct NvLogoJob {
    int row = 0; // in the list
    std::string path;
    std::string name;
    int32_t nvSize = 0; // without centring columns
    bool centre = false;
    Adjustments adjust{};
    // All at once the printer numbers its images: the keys stay out of the stored list.
    StoredLogo Stored() const { return {path, centre, adjust}; }
};
// The listed logos in download order (at most 255).
std::vector<NvLogoJob> DownloadJobs(const LogoList& list);

// Why the logo at path, converted by conversion (its centring and adjustments
// included), cannot go into a download: the message naming it; "" when it can.
std::string LogoRefusal(const std::string& path, const NvConversion& conversion);

// "" when every logo can be converted and defined; otherwise the message naming the
// first file that cannot. settings gives the threshold, printable width and halftone of
// the run; each logo brings its own centring and adjustments. Reads the files (their
// headers; the whole picture of an adjusted logo): off the window's thread.
std::string ListedLogoRefusal(const std::vector<NvLogoJob>& jobs, const NvConversion& settings);

// The raster bytes a listed row will take, adjusted and centred as the download sends
// it; -1 when its file does not read as a picture.
long long ListedRasterLength(const LogoList& list, int row, const NvConversion& settings);

// Reads the logo's file again and converts it into image. False when the image goes
// out as an empty definition instead: the file no longer reads as a picture, or it
// changed into one that no definition can hold.
bool PrepareNvImage(CNvImage& image, const std::string& path, const NvConversion& conversion);

// The message naming the files that went out as empty definitions, each with its NV
// image number, or "" when there are none.
std::string EmptyDefinitionsText(const std::vector<std::pair<int, std::string>>& images);
