#pragma once
// The one list of logos: what the Selection, Preview and Download pages show and a
// download sends. It keeps the rows in the order they were added, the rules they obey
// (at most 255 files, the NV capacity, the logo numbers with the free and the failed
// ones) and the stored list, what the printer holds as of the last complete download.
// Counter texts are not kept here: they are made where they are shown.
//
// Not thread-safe: a list belongs to one thread (the window's, or one command-line run).
// One observer hears of every change synchronously, before and after it happens, so
// that a view can follow (the window's table model).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "logo/Logo.h"

inline constexpr int kMaxLogos = 255;
inline constexpr int32_t kNvAreaKByte = 384; // the printer's NV graphics area

class LogoListObserver {
public:
    virtual ~LogoListObserver() = default;
    virtual void BeforeAppend(int row) = 0;
    virtual void AfterAppend() = 0;
    virtual void BeforeRemove(int row) = 0;
    virtual void AfterRemove() = 0;
    virtual void BeforeClear() = 0;
    virtual void AfterClear() = 0;
    // A field of the row changed (its centring, its key, its adjustments and size).
    virtual void RowChanged(int row) = 0;
};

class LogoList {
public:
    LogoList() = default;
    LogoList(const LogoList&) = delete;
    LogoList& operator=(const LogoList&) = delete;

    // At most one; null for none. The observer must outlive its registration.
    void SetObserver(LogoListObserver* observer) { m_observer = observer; }

    int Count() const { return static_cast<int>(m_logos.size()); }
    bool Empty() const { return m_logos.empty(); }
    bool Full() const { return Count() >= kMaxLogos; }
    const Logo& At(int row) const { return m_logos.at(static_cast<size_t>(row)); }
    const std::vector<Logo>& Logos() const { return m_logos; }
    // The first row carrying the number; -1 when none does.
    int RowOfNumber(int32_t number) const;

    // The NV data bytes of all rows, without centring columns (those are counted by the
    // download that adds them).
    int64_t TotalBytes() const { return m_totalBytes; }
    int32_t CapacityKByte() const { return m_capacityKByte; }
    void SetCapacityKByte(int32_t kbyte) { m_capacityKByte = kbyte; }
    int64_t CapacityBytes() const { return int64_t{m_capacityKByte} * 1024; }
    // True when size more bytes stay within the capacity (exactly full still fits).
    bool Fits(int64_t size) const { return m_totalBytes + size <= CapacityBytes(); }

    const std::vector<int32_t>& FreeNumbers() const { return m_free; } // ascending
    // Stored files that failed to load, in the order they failed; they wait there until
    // TakeFailedNumbers makes them free for new files. At most 255 are kept.
    const std::vector<int32_t>& FailedNumbers() const { return m_failed; }
    void RecordFailed(int32_t number);
    void TakeFailedNumbers();
    // Forgets the free and the failed numbers (before the stored list is loaded again).
    void ForgetNumbers();

    // Appends a row and gives it its number: the lowest free number when there is one
    // (it is then used up), else storedNumber for a file of the stored list, else the
    // count the list has with the new row. Returns the number. A logo without a key, or
    // with one another row has, gets the default key of its place, or the next one that
    // is free. Strong guarantee: when
    // memory runs out (std::bad_alloc), nothing has changed and the observer heard nothing.
    int32_t Append(Logo logo, int32_t storedNumber = 0);
    // Removes the rows that carry the number, which becomes free again. Of two
    // neighbouring rows with the same number only the first goes. False when none did.
    bool RemoveNumber(int32_t number);
    // Removes every row; the numbers are left as they are.
    void Clear();
    void SetCentre(int row, bool centre);
    // Why key cannot be the row's key ("" when it can): it is no key, or another row's.
    std::string KeyRefusal(int row, const std::string& key) const;
    // Gives the row key when KeyRefusal allows it; false (nothing changed) otherwise.
    bool SetKey(int row, const std::string& key);
    // The row's adjustments, and its NV size once they are made (the total follows).
    void SetAdjust(int row, const Adjustments& adjust, int32_t nvSize);

    // The stored list, in NV image order: NV image n is entry n - 1.
    const std::vector<StoredLogo>& Stored() const { return m_stored; }
    void SetStored(std::vector<StoredLogo> stored) { m_stored = std::move(stored); }

private:
    void FreeNumber(int32_t number);
    // The row other than row that has key; -1 when none.
    int RowOfKey(const std::string& key, int row) const;

    std::vector<Logo> m_logos;
    int64_t m_totalBytes = 0;
    int32_t m_capacityKByte = kNvAreaKByte;
    std::vector<int32_t> m_free;
    std::vector<int32_t> m_failed;
    std::vector<StoredLogo> m_stored;
    LogoListObserver* m_observer = nullptr;
};
