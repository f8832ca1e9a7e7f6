#pragma once
// The network printers in the Setup page's PortName box: after the COM or LPT names,
// one "NET:HOST:PORT" entry per added printer, then "Add network printer...", which
// asks for a new one instead of choosing a port, and "Find network printers...", which
// offers those that announce themselves on the local network.
#include <string>

#include "printer/NetPrinterList.h"
#include "ui/SetupState.h"

inline constexpr char kAddNetPrinterEntry[] = "Add network printer...";
inline constexpr char kFindNetPrintersEntry[] = "Find network printers...";

// Appends the entries of list, the add entry and the find entry to the box. The box's selection stays
// on a COM or LPT name; when there is none (nothing selected) or chooseSaved is set
// and list.selected names a printer, that printer's entry is selected instead. The add
// entry is never selected by this.
void AppendNetEntries(ListBoxState& box, const printer::NetPrinterList& list, bool chooseSaved);
// Removes the entries AppendNetEntries added.
void RemoveNetEntries(ListBoxState& box);
// Adds address to list (once), rebuilds the box's network entries and selects its entry.
void AddNetPrinter(ListBoxState& box, printer::NetPrinterList& list, const printer::NetAddress& address);

bool IsAddNetPrinterEntry(const std::string& text);
bool IsFindNetPrintersEntry(const std::string& text);
// The index in list of the printer the box's selected entry names; -1 for other entries.
int SelectedNetPrinter(const ListBoxState& box, const printer::NetPrinterList& list);
