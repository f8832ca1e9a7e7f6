#pragma once
// A private INI file with the semantics the program relies on: a missing key or
// section reads as the default; section and key names match without regard to case;
// writing a key without a value deletes it; every other section, key, comment and
// their order are kept. Each read goes to the file on disk; each write replaces the
// file atomically (temporary file in the same folder, then rename), so a failure
// never leaves a half-written file and never loses the previous one; the temporary
// files a killed writer left behind are removed by the next write that succeeds. A
// profile this user may not write, or something other than a regular file (or a link)
// in its place, is never replaced: the write fails.
#include <optional>
#include <string>
#include <utility>
#include <vector>

class PrivateProfile {
public:
    explicit PrivateProfile(std::string path = {});

    void SetPath(std::string path) { m_path = std::move(path); }
    const std::string& Path() const { return m_path; }

    std::string GetProfileString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue = {}) const;
    // Every key of the section with its value, in the file's order, in one reading of
    // the file (sections of the same name count as one). What GetProfileString would
    // give for a key is the first entry of that name, compared without regard to case.
    using Entry = std::pair<std::string, std::string>;
    std::vector<Entry> GetProfileSection(const std::string& section) const;

    // value nullopt deletes the key. False when the file could not be replaced, when
    // it exists but cannot be read (it is then left as it is), or when a text holds
    // a line break.
    bool WriteProfileString(const std::string& section, const std::string& key,
                            const std::optional<std::string>& value);

    // Several keys of one section in one replacement of the file: either all of them
    // change or none does.
    using KeyValue = std::pair<std::string, std::optional<std::string>>;
    bool WriteProfileStrings(const std::string& section, const std::vector<KeyValue>& entries);

    // False when the file exists but cannot be read (no permission, not a regular
    // file): reads then give the defaults and writes leave it alone.
    bool Readable() const;

private:
    // Replaces the file with content in one rename, or leaves it as it was; false then.
    bool ReplaceFile(const std::string& content) const;
    std::string m_path;
};
