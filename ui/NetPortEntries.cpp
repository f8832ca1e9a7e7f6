#include "ui/NetPortEntries.h"

#include <algorithm>

using namespace printer;

void AppendNetEntries(ListBoxState& box, const NetPrinterList& list, bool chooseSaved)
{
    const size_t first = box.entries.size();
    for (const NetAddress& address : list.printers)
        box.entries.push_back(NetName(address));
    box.entries.emplace_back(kAddNetPrinterEntry);
    box.entries.emplace_back(kFindNetPrintersEntry);
    if (list.selected >= 0 && (chooseSaved || box.selected < 0))
        box.selected = static_cast<int>(first) + list.selected;
}

void RemoveNetEntries(ListBoxState& box)
{
    const auto firstNet = std::find_if(box.entries.begin(), box.entries.end(), [](const std::string& entry) {
        return IsNetName(entry) || IsAddNetPrinterEntry(entry) || IsFindNetPrintersEntry(entry);
    });
    box.entries.erase(firstNet, box.entries.end());
    if (box.selected >= static_cast<int>(box.entries.size()))
        box.selected = -1;
}

void AddNetPrinter(ListBoxState& box, NetPrinterList& list, const NetAddress& address)
{
    RemoveNetEntries(box);
    list.selected = list.Add(address);
    AppendNetEntries(box, list, true);
}

bool IsAddNetPrinterEntry(const std::string& text)
{
    return text == kAddNetPrinterEntry;
}

bool IsFindNetPrintersEntry(const std::string& text)
{
    return text == kFindNetPrintersEntry;
}

int SelectedNetPrinter(const ListBoxState& box, const NetPrinterList& list)
{
    NetAddress address;
    std::string error;
    const std::string text = box.Text();
    if (!IsNetName(text) || !ParseNetPortName(text, address, error))
        return -1;
    return list.Find(address);
}
