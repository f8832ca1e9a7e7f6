#include "emulator/NvMemory.h"

#include <cstring>

#include "keyed/NvKey.h"

namespace {

constexpr char kMagic[] = "NIVORA-NV-MEMORY 1\n";
constexpr size_t kMagicSize = sizeof kMagic - 1;

void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>(value >> 8 & 0xFF));
}

void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// Reads little-endian numbers and byte runs, refusing to run past the end.
class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}
    bool Take(size_t count, const uint8_t*& at)
    {
        if (m_bytes.size() - m_pos < count)
            return false;
        at = m_bytes.data() + m_pos;
        m_pos += count;
        return true;
    }
    bool Number(size_t size, uint32_t& value)
    {
        const uint8_t* at = nullptr;
        if (!Take(size, at))
            return false;
        value = 0;
        for (size_t i = size; i-- > 0;)
            value = value << 8 | at[i];
        return true;
    }
    bool AtEnd() const { return m_pos == m_bytes.size(); }

private:
    const std::vector<uint8_t>& m_bytes;
    size_t m_pos = 0;
};

} // namespace

void NvMemory::BeginClassic()
{
    m_classic.clear();
    m_classicUsed = 0;
    if (m_options.eraseAcross)
        DeleteAll();
}

bool NvMemory::AddClassic(NvDefinition image)
{
    image.number = static_cast<int>(m_classic.size()) + 1;
    const bool fits =
        m_options.classicCapacity == 0 || m_classicUsed + image.raster.size() <= m_options.classicCapacity;
    if (!fits)
        image.raster.clear();
    m_classicUsed += image.raster.size();
    m_classic.push_back(std::move(image));
    return fits;
}

const NvDefinition* NvMemory::Classic(int number) const
{
    if (number < 1 || static_cast<size_t>(number) > m_classic.size())
        return nullptr;
    return &m_classic[static_cast<size_t>(number) - 1];
}

uint64_t NvMemory::Free() const
{
    if (m_options.capacity == 0)
        return UINT64_MAX;
    return m_used >= m_options.capacity ? 0 : m_options.capacity - m_used;
}

bool NvMemory::Define(KeyedGraphic graphic)
{
    const auto old = m_keyed.find(graphic.key);
    const uint64_t freed = old == m_keyed.end() ? 0 : Footprint(old->second.raster.size());
    const uint64_t needed = Footprint(graphic.raster.size());
    if (m_options.capacity != 0 && needed > Free() + freed)
        return false;
    if (m_options.eraseAcross) {
        m_classic.clear();
        m_classicUsed = 0;
    }
    m_used = m_used - freed + needed;
    const std::string key = graphic.key;
    m_keyed[key] = std::move(graphic);
    return true;
}

bool NvMemory::Delete(const std::string& key)
{
    const auto found = m_keyed.find(key);
    if (found == m_keyed.end())
        return false;
    m_used -= Footprint(found->second.raster.size());
    m_keyed.erase(found);
    return true;
}

void NvMemory::DeleteAll()
{
    m_keyed.clear();
    m_used = 0;
}

const KeyedGraphic* NvMemory::Keyed(const std::string& key) const
{
    const auto found = m_keyed.find(key);
    return found == m_keyed.end() ? nullptr : &found->second;
}

std::vector<uint8_t> NvMemory::Save() const
{
    std::vector<uint8_t> out(kMagic, kMagic + kMagicSize);
    Put32(out, static_cast<uint32_t>(m_classic.size()));
    for (const NvDefinition& image : m_classic) {
        Put16(out, static_cast<uint32_t>(image.xUnits));
        Put16(out, static_cast<uint32_t>(image.yUnits));
        Put32(out, static_cast<uint32_t>(image.raster.size()));
        out.insert(out.end(), image.raster.begin(), image.raster.end());
    }
    Put32(out, static_cast<uint32_t>(m_keyed.size()));
    for (const auto& [key, graphic] : m_keyed) {
        out.insert(out.end(), key.begin(), key.end());
        Put16(out, static_cast<uint32_t>(graphic.width));
        Put16(out, static_cast<uint32_t>(graphic.height));
        Put32(out, static_cast<uint32_t>(graphic.raster.size()));
        out.insert(out.end(), graphic.raster.begin(), graphic.raster.end());
    }
    return out;
}

bool NvMemory::Load(const std::vector<uint8_t>& bytes)
{
    Reader in(bytes);
    const uint8_t* at = nullptr;
    if (!in.Take(kMagicSize, at) || std::memcmp(at, kMagic, kMagicSize) != 0)
        return false;
    std::vector<NvDefinition> classic;
    std::map<std::string, KeyedGraphic> keyed;
    uint64_t used = 0;
    uint32_t count = 0, x = 0, y = 0, size = 0;
    if (!in.Number(4, count))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        NvDefinition image;
        if (!in.Number(2, x) || !in.Number(2, y) || !in.Number(4, size) ||
            (size != 0 && size != uint64_t{8} * x * y) || !in.Take(size, at))
            return false;
        image.number = static_cast<int>(i) + 1;
        image.xUnits = static_cast<int>(x);
        image.yUnits = static_cast<int>(y);
        image.raster.assign(at, at + size);
        classic.push_back(std::move(image));
    }
    if (!in.Number(4, count))
        return false;
    for (uint32_t i = 0; i < count; ++i) {
        KeyedGraphic graphic;
        if (!in.Take(2, at))
            return false;
        graphic.key = std::string{static_cast<char>(at[0]), static_cast<char>(at[1])};
        if (!in.Number(2, x) || !in.Number(2, y) || !in.Number(4, size) || x < 1 || x > 8192 || y < 1 ||
            y > 2304 || size != uint64_t{(x + 7) / 8} * y || !in.Take(size, at) || !IsNvKey(graphic.key) ||
            keyed.count(graphic.key))
            return false;
        graphic.width = static_cast<int>(x);
        graphic.height = static_cast<int>(y);
        graphic.raster.assign(at, at + size);
        used += Footprint(size);
        keyed.emplace(graphic.key, std::move(graphic));
    }
    if (!in.AtEnd())
        return false;
    m_classicUsed = 0;
    for (const NvDefinition& image : classic)
        m_classicUsed += image.raster.size();
    m_classic = std::move(classic);
    m_keyed = std::move(keyed);
    m_used = used;
    return true;
}
