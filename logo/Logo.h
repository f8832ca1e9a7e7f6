#pragma once
// One listed logo: the file it comes from, what the file holds, and what the user chose
// for it. A logo is a plain value; the list it stands in (LogoList) keeps the rules.
//
// More per-logo choices join here as fields; the ones that travel with the stored list
// are kept in the profile beside each file, one key per row (logo/StoredList).
#include <cstdint>
#include <string>

#include "logo/Adjustments.h"
#include "logo/ImageKind.h"

struct Logo {
    int32_t number = 0; // the logo's identity in the list, 1..255 (from the count or a free number)
    std::string path;   // the file as chosen or stored
    std::string name;   // the text after the path's last '/'; the whole path without one
    ImageKind kind = ImageKind::Unknown;
    int32_t width = 0;    // pixels
    int32_t height = 0;   // pixels
    int32_t nvSize = 0;   // NV data bytes: 8-dot bands times the width rounded up to 8
    bool centre = false;  // centred within the printable width when downloaded
    Adjustments adjust{}; // trim, turn, scale, tone, invert; none until chosen
    std::string key{};    // stored by key (GS ( L) under this key; unique in the list

    bool operator==(const Logo&) const = default;
};

// NV data size of a width x height picture: 8-dot bands times the width rounded up to 8.
// Anything past INT32_MAX reads as INT32_MAX (far beyond every capacity).
int32_t NvDataSize(int32_t width, int32_t height);
// KByte, rounded up: what the size counter shows for a number of bytes.
int32_t UsedKByte(int64_t totalBytes);
// The file name part of a path: the text after its last '/'.
std::string FileNameOf(const std::string& path);

// One row of the stored list: a logo the printer holds as of the last complete download,
// in NV image order, with what the download used of the user's choices.
struct StoredLogo {
    std::string path;
    bool centre = false;
    Adjustments adjust{};
    std::string key{}; // empty: the default key of its place (DefaultNvKey)

    bool operator==(const StoredLogo&) const = default;
};
