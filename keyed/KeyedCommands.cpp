#include "keyed/KeyedCommands.h"

#include "printer/EscPos.h"

namespace keyed {
namespace {

constexpr uint8_t kM = 48;

// GS ( L pL pH m fn, then body.
Bytes Function(uint8_t fn, std::initializer_list<uint8_t> body)
{
    const size_t length = 2 + body.size();
    Bytes bytes;
    bytes.reserve(5 + length);
    for (const uint8_t byte : {escpos::GS, uint8_t{'('}, uint8_t{'L'}, static_cast<uint8_t>(length & 0xFF),
                               static_cast<uint8_t>(length >> 8), kM, fn})
        bytes.push_back(byte);
    for (const uint8_t byte : body)
        bytes.push_back(byte);
    return bytes;
}

uint8_t Low(int value)
{
    return static_cast<uint8_t>(value & 0xFF);
}

uint8_t High(int value)
{
    return static_cast<uint8_t>((value >> 8) & 0xFF);
}

} // namespace

Bytes RequestCapacity()
{
    return Function(48, {});
}

Bytes RequestFreeRoom()
{
    return Function(51, {});
}

Bytes RequestKeyList()
{
    return Function(64, {'K', 'C'});
}

Bytes DeleteAll()
{
    return Function(65, {'C', 'L', 'R'});
}

Bytes DeleteKey(const std::string& key)
{
    return Function(66, {static_cast<uint8_t>(key[0]), static_cast<uint8_t>(key[1])});
}

Bytes DefineHeader(const std::string& key, int width, int height, size_t dataBytes)
{
    // m fn a kc1 kc2 b xL xH yL yH c: 11 bytes before the data.
    const uint64_t length = 11 + uint64_t{dataBytes};
    Bytes bytes;
    if (length <= kMaxShortLength) {
        bytes = {escpos::GS, '(', 'L', static_cast<uint8_t>(length & 0xFF),
                 static_cast<uint8_t>(length >> 8)};
    } else {
        bytes = {escpos::GS, '8', 'L'};
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>((length >> shift) & 0xFF));
    }
    const Bytes body = {kM,
                        67,
                        48,
                        static_cast<uint8_t>(key[0]),
                        static_cast<uint8_t>(key[1]),
                        1,
                        Low(width),
                        High(width),
                        Low(height),
                        High(height),
                        49};
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

Bytes PrintKey(const std::string& key, int printMode)
{
    const uint8_t x = (printMode & 1) ? 2 : 1;
    const uint8_t y = (printMode & 2) ? 2 : 1;
    return Function(69, {static_cast<uint8_t>(key[0]), static_cast<uint8_t>(key[1]), x, y});
}

} // namespace keyed
