#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A table of text fields kept in a delimited text file (comma- or tab-separated).
//
// Reading: a field that starts with a double quote runs to the matching quote and
// may hold delimiters, line breaks and doubled quotes (""); text after its closing
// quote up to the next delimiter is kept as written. Rows end at LF, CRLF or CR;
// blank lines are skipped; a leading UTF-8 byte order mark is ignored.
// Writing: fields holding the delimiter, a quote, CR or LF are quoted; rows end in
// LF; a row whose only field is empty is written as "" so it reads back.
class CDelimitedTextFile {
public:
    using Row = std::vector<std::string>;

    // Files larger than this are refused rather than read into memory.
    static constexpr std::size_t kMaxFileBytes = 64u * 1024 * 1024;

    explicit CDelimitedTextFile(char delimiter = ',');

    // Replaces the rows with the file's. False (and no rows) when the file cannot be
    // read, is too large, or ends inside a quoted field.
    bool Read(const std::string& path);
    // The same from text in memory.
    bool Parse(std::string_view text);
    // Writes every row, replacing the file only once the whole text is written.
    bool Write(const std::string& path) const;
    std::string Format() const;

    int NumRows() const { return static_cast<int>(m_rows.size()); }
    // Fields in a row, 0 when the row does not exist.
    int NumFields(int row) const;
    // The field's text, "" when the row or field does not exist.
    const std::string& GetField(int row, int field) const;
    const std::vector<Row>& Rows() const { return m_rows; }

    void AddRow(Row row) { m_rows.push_back(std::move(row)); }
    // Sets a field, adding empty rows and fields up to it; false for a negative index.
    bool SetField(int row, int field, std::string_view text);
    void Clear() { m_rows.clear(); }

    char Delimiter() const { return m_delimiter; }

private:
    bool NeedsQuotes(std::string_view field) const;
    void AppendField(std::string& out, std::string_view field) const;

    char m_delimiter;
    std::vector<Row> m_rows;
};
