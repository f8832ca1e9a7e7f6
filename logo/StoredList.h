#pragma once
// The list of the last download's logo files, kept in the profile: section "LOG",
// keys "Logofile1" ... "Logofile<n>" with the paths in NV image order.
#include <functional>
#include <string>
#include <vector>

class CLogoLoader;
class PrivateProfile;

inline constexpr char kLogSection[] = "LOG";
std::string LogoFileKey(int number); // "Logofile%d"

// Offers every stored path to loader.AddFile(number, path), from key 1 upward until
// the first missing or empty key; onKey(number) runs before each AddFile. Returns the
// number of keys found.
int ReloadStoredList(CLogoLoader& loader, const PrivateProfile& profile,
                     const std::function<void(int number)>& onKey);

// Writes keys 1..n with the paths in order and deletes the keys n+1..oldCount, in one
// replacement of the file.
bool WriteStoredList(PrivateProfile& profile, const std::vector<std::string>& paths, int oldCount);
