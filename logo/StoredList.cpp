#include "logo/StoredList.h"

#include <optional>
#include <unordered_map>

#include "keyed/NvKey.h"
#include "logo/PrivateProfile.h"
#include "platform/Text.h"

namespace {

// The fields of a row beside its path: each key's name, its text for a row (none when
// the field has its default, so that no key is written) and how a text is read back.
struct RowField {
    std::string (*key)(int number);
    std::optional<std::string> (*write)(const StoredLogo& row, int number);
    void (*read)(StoredLogo& row, const std::string& text);
};

const RowField kRowFields[] = {
    {LogoCenterKey,
     [](const StoredLogo& row, int) { return row.centre ? std::optional<std::string>("1") : std::nullopt; },
     [](StoredLogo& row, const std::string& text) { row.centre = Atoi(text) == 1; }},
    // A text that no adjustment reads back as (a newer or a damaged profile) is taken
    // as no adjustment: the logo is listed as its file stands.
    {LogoAdjustKey,
     [](const StoredLogo& row, int) {
         return row.adjust.Any() ? std::optional<std::string>(row.adjust.ToText()) : std::nullopt;
     },
     [](StoredLogo& row, const std::string& text) {
         row.adjust = Adjustments::Parse(text).value_or(Adjustments{});
     }},
    // A text that is no key is taken as none: the row gets its place's default.
    {LogoKeyKey,
     [](const StoredLogo& row, int number) {
         return row.key.empty() || row.key == DefaultNvKey(number) ? std::nullopt
                                                                   : std::optional<std::string>(row.key);
     },
     [](StoredLogo& row, const std::string& text) { row.key = IsNvKey(text) ? text : std::string(); }},
};

// Profile key names compare without regard to case.
std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::string LogoFileKey(int number)
{
    return Format("Logofile%d", number);
}

std::string LogoCenterKey(int number)
{
    return Format("Logocenter%d", number);
}

std::string LogoAdjustKey(int number)
{
    return Format("Logoadjust%d", number);
}

std::string LogoKeyKey(int number)
{
    return Format("Logokey%d", number);
}

std::vector<StoredLogo> ReadStoredList(const PrivateProfile& profile)
{
    std::unordered_map<std::string, std::string> values;
    for (auto& [key, value] : profile.GetProfileSection(kLogSection))
        values.emplace(Lower(key), std::move(value)); // the first of a name counts
    const auto value = [&values](const std::string& key) -> std::string {
        const auto found = values.find(Lower(key));
        return found == values.end() ? std::string() : found->second;
    };
    std::vector<StoredLogo> rows;
    for (int number = 1;; ++number) {
        StoredLogo row;
        row.path = value(LogoFileKey(number));
        if (row.path.empty())
            break;
        for (const RowField& field : kRowFields)
            field.read(row, value(field.key(number)));
        rows.push_back(std::move(row));
    }
    return rows;
}

bool WriteStoredList(PrivateProfile& profile, const std::vector<StoredLogo>& rows, int oldCount)
{
    std::vector<PrivateProfile::KeyValue> entries;
    const int count = static_cast<int>(rows.size());
    for (int number = 1; number <= count || number <= oldCount; ++number) {
        const StoredLogo* row = number <= count ? &rows[static_cast<size_t>(number - 1)] : nullptr;
        entries.emplace_back(LogoFileKey(number), row ? std::optional<std::string>(row->path) : std::nullopt);
        for (const RowField& field : kRowFields)
            entries.emplace_back(field.key(number), row ? field.write(*row, number) : std::nullopt);
    }
    return profile.WriteProfileStrings(kLogSection, entries);
}
