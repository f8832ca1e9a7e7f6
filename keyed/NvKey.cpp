#include "keyed/NvKey.h"

#include <cctype>

#include "platform/Text.h"

bool IsNvKey(std::string_view text)
{
    if (text.size() != 2)
        return false;
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126)
            return false;
    return true;
}

std::string KeyFileName(std::string_view key)
{
    bool plain = true;
    for (const char c : key)
        plain = plain && std::isalnum(static_cast<unsigned char>(c));
    if (plain)
        return std::string(key);
    std::string hex;
    for (const char c : key)
        hex += Format("%02X", static_cast<unsigned char>(c));
    return hex;
}

std::string KeyText(std::string_view key)
{
    bool plain = true;
    for (const char c : key)
        plain = plain && c != ' ' && c != '"';
    return plain ? std::string(key) : "\"" + std::string(key) + "\"";
}

std::string JoinKeys(const std::vector<std::string>& keys)
{
    std::string text;
    for (const std::string& key : keys)
        text += (text.empty() ? "" : ", ") + KeyText(key);
    return text;
}

std::string DefaultNvKey(int number)
{
    if (number < 100)
        return {static_cast<char>('0' + number / 10 % 10), static_cast<char>('0' + number % 10)};
    const int beyond = number - 100;
    return {static_cast<char>('A' + beyond / 10), static_cast<char>('0' + beyond % 10)};
}
