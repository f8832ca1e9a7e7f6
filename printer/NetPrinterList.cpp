#include "printer/NetPrinterList.h"

#include <algorithm>

#include "logo/PrivateProfile.h"

namespace printer {
namespace {

constexpr char kSelectedKey[] = "Selected";

std::string PrinterKey(size_t number)
{
    return "Printer" + std::to_string(number);
}

// The number of PrinterN keys in a row from Printer1, valid or not.
size_t StoredKeys(const PrivateProfile& profile)
{
    size_t count = 0;
    while (!profile.GetProfileString(kNetSection, PrinterKey(count + 1)).empty())
        ++count;
    return count;
}

} // namespace

int NetPrinterList::Find(const NetAddress& address) const
{
    const auto found = std::find(printers.begin(), printers.end(), address);
    return found == printers.end() ? -1 : static_cast<int>(found - printers.begin());
}

int NetPrinterList::Add(const NetAddress& address)
{
    const int index = Find(address);
    if (index >= 0)
        return index;
    printers.push_back(address);
    return static_cast<int>(printers.size()) - 1;
}

NetPrinterList ReadNetPrinters(const PrivateProfile& profile)
{
    NetPrinterList list;
    const size_t count = StoredKeys(profile);
    std::string error;
    for (size_t number = 1; number <= count; ++number) {
        NetAddress address;
        if (ParseNetAddress(profile.GetProfileString(kNetSection, PrinterKey(number)), address, error))
            list.Add(address);
    }
    NetAddress selected;
    if (ParseNetAddress(profile.GetProfileString(kNetSection, kSelectedKey), selected, error))
        list.selected = list.Find(selected);
    return list;
}

bool WriteNetPrinters(PrivateProfile& profile, const NetPrinterList& list)
{
    std::vector<PrivateProfile::KeyValue> entries;
    for (size_t i = 0; i < list.printers.size(); ++i)
        entries.emplace_back(PrinterKey(i + 1), FormatNetAddress(list.printers[i]));
    for (size_t number = list.printers.size() + 1; number <= StoredKeys(profile); ++number)
        entries.emplace_back(PrinterKey(number), std::nullopt);
    const bool chosen = list.selected >= 0 && static_cast<size_t>(list.selected) < list.printers.size();
    entries.emplace_back(kSelectedKey, chosen ? std::optional<std::string>(FormatNetAddress(
                                                    list.printers[static_cast<size_t>(list.selected)]))
                                              : std::nullopt);
    return profile.WriteProfileStrings(kNetSection, entries);
}

} // namespace printer
