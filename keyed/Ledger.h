#pragma once
// What this program stored in one printer's key-coded memory, since the printer cannot
// give its content back: for each key the SHA-256 of the raster sent, its size and the
// time it was stored; the times of the writes of the last 24 hours (the memory wears,
// printers are rated for about ten writes a day); and whether a key-coded graphic was
// ever stored there (the first one erases, on many printers, the FS q images).
//
// One file per printer in ${XDG_STATE_HOME:-~/.local/state}/nivora/, named after the
// printer (its network address, its device's IEEE 1284 serial number, else its port),
// written atomically. A damaged file is refused with a reason, never half read.
//
// Thread-safety: one thread at a time; two runs on one printer are kept apart by the
// printer's port lock.
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace keyed {

class Ledger {
public:
    struct Entry {
        std::string sha256; // lower-case hexadecimal
        uint64_t bytes = 0;
        std::time_t stored = 0;
        bool operator==(const Entry&) const = default;
    };

    Ledger() = default;
    // path: the file Save writes; empty keeps the ledger in memory only.
    Ledger(std::string printer, std::string path) : m_printer(std::move(printer)), m_path(std::move(path)) {}

    // Reads the file at path; a missing file is an empty ledger. False with the reason
    // in why for a file that cannot be read or is not a ledger of printer.
    bool Load(std::string& why);
    // False with the reason in why; the file is then unchanged.
    bool Save(std::string& why) const;

    const std::string& Printer() const { return m_printer; }
    const std::string& Path() const { return m_path; }
    const Entry* Find(const std::string& key) const;
    void Set(const std::string& key, Entry entry) { m_keys[key] = std::move(entry); }
    void Remove(const std::string& key) { m_keys.erase(key); }
    const std::map<std::string, Entry>& Keys() const { return m_keys; }

    // A write to the printer's memory (a graphic stored, a key or all deleted) at now.
    void CountWrite(std::time_t now);
    // Writes counted within the 24 hours before now.
    int WritesWithin24h(std::time_t now) const;
    bool KeyedUsed() const { return m_keyedUsed; }
    void MarkKeyedUsed() { m_keyedUsed = true; }

private:
    std::string m_printer;
    std::string m_path;
    std::map<std::string, Entry> m_keys;
    std::vector<std::time_t> m_writes; // within the last 24 hours, oldest first
    bool m_keyedUsed = false;
};

// ${XDG_STATE_HOME:-~/.local/state}/nivora for the given environment values (null when
// unset; a relative XDG_STATE_HOME is ignored).
std::string LedgerDir(const char* xdgStateHome, const char* home);
// The ledger file of printer in dir: the name with every byte but letters, digits,
// '.', '-' and '_' written as %XX, so that two printers never share a file.
std::string LedgerPath(const std::string& dir, const std::string& printer);

} // namespace keyed
