#include "app/Session.h"

#include <optional>

#include "logo/StoredList.h"
#include "platform/Text.h"

namespace {

constexpr char kSetupSection[] = "SETUP";
constexpr char kNvStorageKey[] = "NvStorage";
constexpr char kByKey[] = "ByKey";

// The profile's number for key, or fallback when it is missing or outside low..high.
int32_t Number(const PrivateProfile& profile, const char* key, int32_t low, int32_t high, int32_t fallback)
{
    const std::string text = profile.GetProfileString(kSetupSection, key);
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return fallback;
    const int value = Atoi(text);
    return value >= low && value <= high ? value : fallback;
}

} // namespace

KeptSettings ReadKeptSettings(const PrivateProfile& profile)
{
    KeptSettings kept;
    kept.maxPrintWidth = Number(profile, "Width", 1, kMaxPrintableWidth, kept.maxPrintWidth);
    kept.threshold = Number(profile, "Threshold", 0, 255, kept.threshold);
    HalftoneMode mode;
    if (ParseHalftoneOption(profile.GetProfileString(kSetupSection, "Halftone"), mode))
        kept.halftone = mode;
    kept.askState = profile.GetProfileString(kSetupSection, "AskState") == "1";
    kept.keyedStorage = profile.GetProfileString(kSetupSection, kNvStorageKey) == kByKey;
    return kept;
}

bool WriteKeptSettings(PrivateProfile& profile, const KeptSettings& kept)
{
    return profile.WriteProfileStrings(
        kSetupSection,
        {{"Width", std::to_string(kept.maxPrintWidth)},
         {"Threshold", std::to_string(kept.threshold)},
         {"Halftone", HalftoneOptionName(kept.halftone)},
         {"AskState", kept.askState ? "1" : "0"},
         {kNvStorageKey, kept.keyedStorage ? std::optional<std::string>(kByKey) : std::nullopt}});
}

Session::Session()
{
    // An adjusted logo's size follows the conversion the profile keeps (a trim looks at
    // its dots, a fit at the printable width).
    m_loader.SetAdjustedSizeFn([this](const std::string& path, const Adjustments& adjust, int32_t& width,
                                      int32_t& height, std::string& why) {
        return AdjustedPictureSize(path, Conversion(adjust), width, height, why);
    });
}

NvConversion Session::Conversion(const Adjustments& adjust) const
{
    // Until the Setup page has committed its settings, those the profile keeps apply:
    // the page starts from them.
    NvConversion conversion;
    const bool committed = m_settings.m_nMaxPrintWidth > 0;
    conversion.threshold = committed ? m_settings.m_nThreshold : m_kept.threshold;
    conversion.maxPrintWidth = committed ? m_settings.m_nMaxPrintWidth : m_kept.maxPrintWidth;
    conversion.halftone = committed ? static_cast<HalftoneMode>(m_settings.m_nHalftone) : m_kept.halftone;
    conversion.adjust = adjust;
    return conversion;
}

ReloadResult Session::LoadProfile()
{
    const PrivateProfile profile = Profile();
    m_kept = ReadKeptSettings(profile);
    m_loader.SetPrintableWidth(m_kept.maxPrintWidth);
    return ReloadStoredList();
}

ReloadResult Session::ReloadStoredList()
{
    std::vector<StoredLogo> stored = ReadStoredList(Profile());
    m_nProfileCount = static_cast<int>(stored.size());
    return m_loader.ReloadStored(stored);
}

bool Session::StoreDownload(std::vector<StoredLogo> sent)
{
    PrivateProfile profile = Profile();
    const bool written = WriteStoredList(profile, sent, m_nProfileCount);
    if (written)
        m_nProfileCount = static_cast<int>(sent.size());
    m_list.SetStored(std::move(sent));
    return written;
}

bool Session::CommitSettings(const printer::SetupRecord& settings)
{
    const bool conversionChanged = settings.m_nMaxPrintWidth != m_settings.m_nMaxPrintWidth ||
                                   settings.m_nThreshold != m_settings.m_nThreshold ||
                                   settings.m_nHalftone != m_settings.m_nHalftone;
    m_settings = settings;
    m_loader.SetPrintableWidth(settings.m_nMaxPrintWidth);
    // Adjusted logos take the size the new conversion gives them.
    if (conversionChanged)
        m_loader.RefreshAdjustedSizes();
    KeptSettings kept = m_kept;
    kept.maxPrintWidth = settings.m_nMaxPrintWidth;
    kept.threshold = settings.m_nThreshold;
    kept.halftone = static_cast<HalftoneMode>(settings.m_nHalftone);
    if (kept == m_kept)
        return true;
    PrivateProfile profile = Profile();
    if (!WriteKeptSettings(profile, kept))
        return false;
    m_kept = kept;
    return true;
}

bool Session::Keep(const KeptSettings& kept)
{
    if (kept == m_kept)
        return true;
    PrivateProfile profile = Profile();
    const bool written = WriteKeptSettings(profile, kept);
    m_kept = kept;
    return written;
}

bool Session::SetAskState(bool ask)
{
    KeptSettings kept = m_kept;
    kept.askState = ask;
    return Keep(kept);
}

bool Session::SetKeyedStorage(bool keyed)
{
    KeptSettings kept = m_kept;
    kept.keyedStorage = keyed;
    return Keep(kept);
}
