#pragma once
// The grammar of the print selection typed on the Print page ("1,3-5,9"): which NV
// images to print, in which order. Shared by the page and the command-line tool.
#include <string>
#include <vector>

// One item of a selection: a single NV image number (low == high) or a range of them,
// always stored upwards, in 1..255.
struct PrintItem {
    int low = 0;
    int high = 0;
    bool operator==(const PrintItem&) const = default;
};
// The items in the order they were typed; a number may come more than once.
using PrintList = std::vector<PrintItem>;

// True when the text is a valid selection: only digits, ',' and '-'; not empty and not
// a lone ','; no ",," or "--"; one leading and one trailing ',' ignored; every item a
// number 1..255 or a range low-high of such numbers (low missing: 1; high missing: 255;
// either order). A number too long for an int is refused.
bool CheckPrintRangeText(const std::string& text);

// Parses a valid text into items appended to list in text order (a range typed
// downwards is stored upwards) and adds the number of images they print to count. False
// (nothing appended, count unchanged) for an invalid text.
bool ParsePrintRangeText(const std::string& text, PrintList& list, int& count);
