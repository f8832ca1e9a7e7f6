#include "print/PrintRange.h"

#include <algorithm>

#include "platform/Text.h"

namespace {

constexpr int kLowest = 1;
constexpr int kHighest = 255;

// The decimal value of the digits at the start of text, as atoi reads it; values too
// large for an int come out above 255, so they are refused like any other.
int Value(const std::string& text)
{
    return Atoi(text);
}

bool InBounds(int value)
{
    return value >= kLowest && value <= kHighest;
}

// One item between commas; false when it breaks a rule.
bool ReadItem(const std::string& item, PrintItem& out)
{
    const auto dash = item.find('-');
    if (dash == std::string::npos) {
        out = {Value(item), Value(item)};
        return InBounds(out.low);
    }
    const std::string before = item.substr(0, dash);
    out.low = before.empty() ? kLowest : Value(before);
    out.high = dash + 1 == item.size() ? kHighest : Value(item.substr(dash + 1));
    return InBounds(out.low) && InBounds(out.high);
}

// Splits a text that passed the character rules into its items; false on a bad item.
bool ReadItems(std::string text, PrintList& items)
{
    if (!text.empty() && text.front() == ',')
        text.erase(0, 1);
    if (!text.empty() && text.back() == ',')
        text.pop_back();
    bool ok = true;
    size_t start = 0;
    for (;;) {
        const size_t comma = text.find(',', start);
        PrintItem item;
        ok = ReadItem(text.substr(start, comma - start), item) && ok;
        items.push_back(item);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return ok;
}

} // namespace

bool CheckPrintRangeText(const std::string& text)
{
    if (text.empty() || text == ",")
        return false;
    if (!std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || c == ',' || c == '-'; }))
        return false;
    if (text.find(",,") != std::string::npos || text.find("--") != std::string::npos)
        return false;
    PrintList items;
    return ReadItems(text, items);
}

bool ParsePrintRangeText(const std::string& text, PrintList& list, int& count)
{
    PrintList items;
    if (!CheckPrintRangeText(text) || !ReadItems(text, items))
        return false;
    for (const PrintItem& item : items) {
        const int low = std::min(item.low, item.high), high = std::max(item.low, item.high);
        list.push_back({low, high});
        count += 1 + (high - low);
    }
    return true;
}
