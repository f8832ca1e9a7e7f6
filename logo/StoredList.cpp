#include "logo/StoredList.h"

#include "platform/Text.h"
#include "logo/LogoLoader.h"
#include "logo/PrivateProfile.h"

std::string LogoFileKey(int number)
{
    return Format("Logofile%d", number);
}

int ReloadStoredList(CLogoLoader& loader, const PrivateProfile& profile,
                     const std::function<void(int number)>& onKey)
{
    int found = 0;
    for (int i = 1;; ++i) {
        const std::string path = profile.GetProfileString(kLogSection, LogoFileKey(i));
        if (path.empty())
            break;
        found = i;
        if (onKey)
            onKey(i);
        loader.AddFile(i, path);
    }
    return found;
}

bool WriteStoredList(PrivateProfile& profile, const std::vector<std::string>& paths, int oldCount)
{
    std::vector<PrivateProfile::KeyValue> entries;
    const int count = static_cast<int>(paths.size());
    for (int i = 0; i < count; ++i)
        entries.emplace_back(LogoFileKey(i + 1), paths[static_cast<size_t>(i)]);
    for (int i = count + 1; i <= oldCount; ++i)
        entries.emplace_back(LogoFileKey(i), std::nullopt);
    return profile.WriteProfileStrings(kLogSection, entries);
}
