#pragma once
// The network printers the user added on the Setup page, kept in the profile's [NET]
// section: Printer1, Printer2, ... hold "HOST:PORT" in the order they were added, and
// Selected names the one chosen when the page was last closed (empty when the chosen
// port was no network printer). Device.INI stays the one byte it always was.
#include <string>
#include <vector>

#include "printer/NetAddress.h"

class PrivateProfile;

namespace printer {

inline constexpr char kNetSection[] = "NET";

struct NetPrinterList {
    std::vector<NetAddress> printers;
    int selected = -1; // index into printers, -1 for none

    // The index of address, adding it at the end when it is not listed yet.
    int Add(const NetAddress& address);
    int Find(const NetAddress& address) const;
};

// Reads Printer1, Printer2, ... up to the first missing key. An entry that does not
// parse (edited by hand) or repeats an earlier one is skipped; Selected counts only when
// it names a listed printer.
NetPrinterList ReadNetPrinters(const PrivateProfile& profile);
// Rewrites the section in one replacement of the file, dropping keys of printers no
// longer listed. False when the file could not be replaced.
bool WriteNetPrinters(PrivateProfile& profile, const NetPrinterList& list);

} // namespace printer
