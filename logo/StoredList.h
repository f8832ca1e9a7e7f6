#pragma once
// The stored list in the profile: section "LOG", one row per NV image of the last
// complete download, in NV image order. Each row is the key "Logofile<n>" with the file's
// path, and beside it one key per further field of the row ("Logocenter<n>=1" when the
// logo was centred, "Logoadjust<n>=trim rotate=90 fit" for its adjustments, "Logokey<n>=L1" for a key
// other than its place's default), written only where the field
// differs from its default, so that a list without such choices keeps exactly the keys it always had. A new
// field of the row is one more entry in the table of row fields (StoredList.cpp). Each call reads or replaces
// the file anew and shares nothing with other calls.
#include <string>
#include <vector>

#include "logo/Logo.h"

class PrivateProfile;

inline constexpr char kLogSection[] = "LOG";
std::string LogoFileKey(int number);   // "Logofile%d"
std::string LogoCenterKey(int number); // "Logocenter%d"
std::string LogoAdjustKey(int number); // "Logoadjust%d"
std::string LogoKeyKey(int number);    // "Logokey%d": the key, where it is not its place's default

// Reads the rows from key 1 upward until the first "Logofile" key that is missing or
// empty, in one reading of the file whatever its length.
std::vector<StoredLogo> ReadStoredList(const PrivateProfile& profile);

// Writes rows 1..n and deletes the keys of rows n+1..oldCount, in one replacement of the
// file: all of them change or none does.
bool WriteStoredList(PrivateProfile& profile, const std::vector<StoredLogo>& rows, int oldCount);
