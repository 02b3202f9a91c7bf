#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Reads an ini file (skin description, string file) into memory once and answers lookups.
//
// The format follows the usual Windows rules:
// - "[name]" begins a section; the name is everything between '[' and the first ']', trimmed.
//   A line beginning with '[' without a ']' is ignored.
// - "key = value" lines: the key is split from the value at the first '='; both are trimmed of
//   spaces and tabs, and keys may contain spaces ("caret color"). A value wrapped in one pair of
//   double quotes loses them, so a value can keep leading or trailing spaces. There are no
//   inline comments: ';' and '#' inside a value belong to it.
// - Lines whose first non-blank character is ';' or '#' are comments; lines without '=' and
//   lines with an empty key are ignored.
// - Section and key names are matched ignoring ASCII case.
// - When a key appears twice in a section, the first one wins. A section that appears twice is
//   one section: keys of the later part are added, again without replacing earlier ones.
// - Keys before the first section header belong to the section named "".
// - A UTF-8 byte order mark is skipped; lines end with LF, CR LF or CR; lines have no length
//   limit; NUL bytes are kept as part of the text.
//
// After Init the reader is not changed, so any number of threads may read it at once.
class CIniFileReader {
public:
    // Files larger than this are refused rather than read into memory.
    static constexpr size_t kMaxFileSize = 64 * 1024 * 1024;

    // Reads and parses the whole file. False (and the reader empty) when it cannot be read.
    bool Init(const std::string& path);
    // Parses text held in memory, as if it were a file's contents.
    void InitFromMemory(std::string_view text);

    const std::string& GetPath() const { return m_path; }

    // The value of the key, or the default when the section or key is missing.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue = "") const;
    // The value of the key, or nothing when it is missing.
    std::optional<std::string> FindString(const std::string& section, const std::string& key) const;
    bool HasKey(const std::string& section, const std::string& key) const;

    // True and the number when the key's whole value is a decimal integer (optional sign) or a
    // hexadecimal one ("0x1F") that fits an int; false when it is missing or anything else.
    bool TryGetInt(const std::string& section, const std::string& key, int& value) const;
    // The key's number, or the default when TryGetInt fails.
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;

    bool HasSection(const std::string& section) const;
    // Section names in the order they first appear, as written in the file.
    std::vector<std::string> GetSectionNames() const;
    // The section's keys in file order, as written in the file; empty when it is missing.
    std::vector<std::string> GetKeys(const std::string& section) const;

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
        std::unordered_map<std::string, size_t> index; // lower-case key -> entry
    };

    void Clear();
    void ParseLine(std::string_view line, size_t& current);
    size_t SectionNamed(std::string_view name);
    const Section* FindSection(const std::string& section) const;

    std::string m_path;
    std::vector<Section> m_sections;
    std::unordered_map<std::string, size_t> m_sectionIndex; // lower-case name -> section
};
