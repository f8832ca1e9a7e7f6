#pragma once
// The manifest of a key-coded sync: the logos a printer should hold, one a line:
//
//   # the shop's logos
//   L1 logos/coffee.bmp
//   L2 "logos/new bakery.png" threshold=100 halftone=atkinson centre
//   L3 logos/banner.png trim rotate=90 fit gamma=1.4
//
// KEY IMAGE, then optionally threshold=N (0..255), halftone=MODE (classic, colour,
// floyd-steinberg, atkinson), centre, and the logo's adjustments in the words of
// Adjustments::ToText (trim, rotate=N, fit or scale=N, brightness=N, contrast=N,
// gamma=G, invert). A key is two characters from '!' to '~' (a
// key with a space cannot be written here); IMAGE may be double-quoted, and a relative
// path is taken from the manifest's folder. '#' starts a comment at the start of a
// line or after a space. A key listed twice is an error.
//
// Thread-safety: plain functions, safe from any thread.
#include <string>
#include <vector>

#include "download/NvImage.h"

namespace keyed {

struct ManifestEntry {
    int line = 0;
    std::string key;
    std::string path;
    NvConversion conversion;
};

// Parses text; every line that cannot be read adds "LINE: reason" to errors (named
// with name: "shop.txt, line 3: ..."). defaults gives what a line leaves out.
std::vector<ManifestEntry> ParseManifest(const std::string& text, const std::string& name,
                                         const std::string& baseDir, const NvConversion& defaults,
                                         std::vector<std::string>& errors);

// Reads and parses the file at path (at most 1 MiB, a regular file).
std::vector<ManifestEntry> ReadManifest(const std::string& path, const NvConversion& defaults,
                                        std::vector<std::string>& errors);

} // namespace keyed
