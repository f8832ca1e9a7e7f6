#pragma once
// The key of a key-coded NV graphic: two bytes, each 32 to 126 (printable ASCII and the
// space), such as "L1". Keys are kept as two-character strings.
// Thread-safety: plain functions, safe from any thread.
#include <string>
#include <string_view>
#include <vector>

// True when text is a key.
bool IsNvKey(std::string_view text);
// The key as a file name part: itself when both bytes are letters or digits, else the
// two bytes in hexadecimal ("2F41" for "/A"); either way one name per key.
std::string KeyFileName(std::string_view key);
// The key for messages: "L1", or with a space or a quote shown as "\" 1\"".
std::string KeyText(std::string_view key);
// Keys for messages, separated by commas: "L1, L2, \" 1\"".
std::string JoinKeys(const std::vector<std::string>& keys);
// The key a logo gets at place number (1..255) of its list: "01" .. "99", then "A0" ..
// "P5", so that every place has a key of its own.
std::string DefaultNvKey(int number);
