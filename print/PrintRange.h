#pragma once
// The grammar of the print selection typed on the Print page ("1,3-5,9"): which NV
// images to print, in which order. Shared by the page and the command-line tool.
#include <string>
#include <vector>

// True when the text is a valid selection: only digits, ',' and '-'; not empty and not
// a lone ','; no ",," or "--"; one leading and one trailing ',' ignored; every item a
// number 1..255 or a range low-high of such numbers (low missing: 1; high missing: 255;
// either order). A number too long for an int is refused.
bool CheckPrintRangeText(const std::string& text);

// Parses a valid text into print-list entries, appended to list in text order: a single
// number n as the text of n + 256, a range as two entries, low then high (a range typed
// downwards is stored upwards). Adds the number of images to count. False (nothing
// appended, count unchanged) for an invalid text.
bool ParsePrintRangeText(const std::string& text, std::vector<std::string>& list, int& count);
