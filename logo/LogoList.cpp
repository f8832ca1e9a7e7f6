#include "logo/LogoList.h"

#include <algorithm>
#include <climits>

#include "keyed/NvKey.h"

int32_t NvDataSize(int32_t width, int32_t height)
{
    const int64_t bands = height / 8 + (height % 8 ? 1 : 0);
    const int64_t columns = (static_cast<int64_t>(width) + 7) / 8 * 8;
    const int64_t size = bands * columns;
    return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
}

int32_t UsedKByte(int64_t totalBytes)
{
    return static_cast<int32_t>(totalBytes / 1024 + (totalBytes % 1024 ? 1 : 0));
}

std::string FileNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int LogoList::RowOfNumber(int32_t number) const
{
    const auto found = std::find_if(m_logos.begin(), m_logos.end(),
                                    [number](const Logo& logo) { return logo.number == number; });
    return found == m_logos.end() ? -1 : static_cast<int>(found - m_logos.begin());
}

void LogoList::FreeNumber(int32_t number)
{
    m_free.insert(std::upper_bound(m_free.begin(), m_free.end(), number), number);
}

void LogoList::RecordFailed(int32_t number)
{
    // A number past the 255 kept is simply not offered again: new files then take their
    // number from the count.
    if (m_failed.size() < static_cast<size_t>(kMaxLogos))
        m_failed.push_back(number);
}

void LogoList::TakeFailedNumbers()
{
    // Numbers still free from removed rows stay: the failed ones join them.
    for (const int32_t number : m_failed)
        FreeNumber(number);
    m_failed.clear();
}

void LogoList::ForgetNumbers()
{
    m_free.clear();
    m_failed.clear();
}

int32_t LogoList::Append(Logo logo, int32_t storedNumber)
{
    m_logos.reserve(m_logos.size() + 1); // the only step that can fail
    if (!m_free.empty()) {
        logo.number = m_free.front();
        m_free.erase(m_free.begin());
    } else {
        logo.number = storedNumber >= 1 ? storedNumber : Count() + 1;
    }
    if (logo.key.empty() || RowOfKey(logo.key, -1) >= 0) {
        int place = Count() + 1;
        do
            logo.key = DefaultNvKey(place++);
        while (RowOfKey(logo.key, -1) >= 0 && place <= 2 * kMaxLogos);
    }
    if (m_observer)
        m_observer->BeforeAppend(Count());
    m_totalBytes += logo.nvSize;
    m_logos.push_back(std::move(logo));
    if (m_observer)
        m_observer->AfterAppend();
    return m_logos.back().number;
}

bool LogoList::RemoveNumber(int32_t number)
{
    bool removed = false;
    for (size_t i = 0; i < m_logos.size(); ++i) {
        if (m_logos[i].number != number)
            continue;
        if (m_observer)
            m_observer->BeforeRemove(static_cast<int>(i));
        m_totalBytes -= m_logos[i].nvSize;
        m_logos.erase(m_logos.begin() + static_cast<std::ptrdiff_t>(i));
        FreeNumber(number);
        removed = true;
        if (m_observer)
            m_observer->AfterRemove();
    }
    return removed;
}

void LogoList::Clear()
{
    if (m_observer)
        m_observer->BeforeClear();
    m_logos.clear();
    m_totalBytes = 0;
    if (m_observer)
        m_observer->AfterClear();
}

void LogoList::SetAdjust(int row, const Adjustments& adjust, int32_t nvSize)
{
    Logo& logo = m_logos.at(static_cast<size_t>(row));
    if (logo.adjust == adjust && logo.nvSize == nvSize)
        return;
    m_totalBytes += int64_t{nvSize} - logo.nvSize;
    logo.adjust = adjust;
    logo.nvSize = nvSize;
    if (m_observer)
        m_observer->RowChanged(row);
}

void LogoList::SetCentre(int row, bool centre)
{
    Logo& logo = m_logos.at(static_cast<size_t>(row));
    if (logo.centre == centre)
        return;
    logo.centre = centre;
    if (m_observer)
        m_observer->RowChanged(row);
}

int LogoList::RowOfKey(const std::string& key, int row) const
{
    for (int other = 0; other < Count(); ++other)
        if (other != row && m_logos[static_cast<size_t>(other)].key == key)
            return other;
    return -1;
}

std::string LogoList::KeyRefusal(int row, const std::string& key) const
{
    if (!IsNvKey(key))
        return "A key is two characters, each a letter, a digit, a space or another printable ASCII "
               "character (such as L1).";
    if (const int other = RowOfKey(key, row); other >= 0)
        return "The key " + KeyText(key) + " is taken by " + At(other).name + ".";
    return {};
}

bool LogoList::SetKey(int row, const std::string& key)
{
    Logo& logo = m_logos.at(static_cast<size_t>(row));
    if (!KeyRefusal(row, key).empty())
        return false;
    if (logo.key != key) {
        logo.key = key;
        if (m_observer)
            m_observer->RowChanged(row);
    }
    return true;
}
