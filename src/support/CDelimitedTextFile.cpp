#include "support/CDelimitedTextFile.h"

#include "support/Log.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

// Splits text into rows one character at a time; a small state machine so that
// every byte is looked at once and nothing is read past the end.
class RowParser {
public:
    RowParser(char delimiter, std::vector<CDelimitedTextFile::Row>& rows)
        : m_delimiter(delimiter), m_rows(rows) {}

    // False when the text ends inside a quoted field.
    bool Run(std::string_view text) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (m_inQuotes) {
                TakeQuoted(text, i);
            } else if (c == '"' && m_field.empty() && !m_fieldQuoted) {
                m_inQuotes = true;
                m_fieldQuoted = true;
                m_rowStarted = true;
            } else if (c == m_delimiter) {
                EndField();
            } else if (c == '\r' || c == '\n') {
                if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
                EndRow();
            } else {
                m_field.push_back(c);
                m_rowStarted = true;
            }
        }
        if (m_inQuotes)
            return false;
        EndRow();
        return true;
    }

private:
    void TakeQuoted(std::string_view text, std::size_t& i) {
        if (text[i] != '"') {
            m_field.push_back(text[i]);
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
            m_field.push_back('"');
            ++i;
        } else {
            m_inQuotes = false;
        }
    }

    void EndField() {
        m_row.push_back(std::move(m_field));
        m_field.clear();
        m_fieldQuoted = false;
        m_rowStarted = true;
    }

    void EndRow() {
        if (m_rowStarted) {
            EndField();
            m_rows.push_back(std::move(m_row));
        }
        m_row.clear();
        m_field.clear();
        m_fieldQuoted = false;
        m_rowStarted = false;
    }

    const char m_delimiter;
    std::vector<CDelimitedTextFile::Row>& m_rows;
    CDelimitedTextFile::Row m_row;
    std::string m_field;
    bool m_inQuotes = false;
    bool m_fieldQuoted = false;
    bool m_rowStarted = false;
};

bool ReadWholeFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<unsigned long long>(size) > CDelimitedTextFile::kMaxFileBytes)
        return false;
    in.seekg(0, std::ios::beg);
    out.resize(static_cast<std::size_t>(size));
    in.read(out.data(), size);
    out.resize(static_cast<std::size_t>(in.gcount()));
    return !in.bad();
}

} // namespace

CDelimitedTextFile::CDelimitedTextFile(char delimiter) : m_delimiter(delimiter) {}

bool CDelimitedTextFile::Read(const std::string& path) {
    m_rows.clear();
    std::string text;
    if (!ReadWholeFile(path, text)) {
        LogFmt("CDelimitedTextFile::Read failed on reading %s - returning false!", path.c_str());
        return false;
    }
    if (!Parse(text)) {
        LogFmt("CDelimitedTextFile::Read failed on Parse() of %s - returning false!", path.c_str());
        return false;
    }
    return true;
}

bool CDelimitedTextFile::Parse(std::string_view text) {
    m_rows.clear();
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (text.substr(0, bom.size()) == bom)
        text.remove_prefix(bom.size());
    if (RowParser(m_delimiter, m_rows).Run(text))
        return true;
    m_rows.clear();
    return false;
}

bool CDelimitedTextFile::NeedsQuotes(std::string_view field) const {
    return field.find_first_of(std::string{m_delimiter, '"', '\r', '\n'}) != std::string::npos;
}

void CDelimitedTextFile::AppendField(std::string& out, std::string_view field) const {
    if (!NeedsQuotes(field)) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

std::string CDelimitedTextFile::Format() const {
    std::string out;
    for (const Row& row : m_rows) {
        if (row.empty() || (row.size() == 1 && row[0].empty())) {
            out.append("\"\"\n");
            continue;
        }
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                out.push_back(m_delimiter);
            AppendField(out, row[i]);
        }
        out.push_back('\n');
    }
    return out;
}

bool CDelimitedTextFile::Write(const std::string& path) const {
    const std::string temp = path + ".tmp";
    const std::string text = Format();
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::remove(temp.c_str());
            LogFmt("CDelimitedTextFile::Write failed on writing %s - returning false!",
                   temp.c_str());
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temp, path, error);
    if (error) {
        std::remove(temp.c_str());
        LogFmt("CDelimitedTextFile::Write failed on rename to %s - returning false!", path.c_str());
        return false;
    }
    return true;
}

int CDelimitedTextFile::NumFields(int row) const {
    return (row >= 0 && row < NumRows()) ? static_cast<int>(m_rows[row].size()) : 0;
}

const std::string& CDelimitedTextFile::GetField(int row, int field) const {
    static const std::string empty;
    if (field < 0 || field >= NumFields(row))
        return empty;
    return m_rows[row][field];
}

bool CDelimitedTextFile::SetField(int row, int field, std::string_view text) {
    if (row < 0 || field < 0)
        return false;
    if (row >= NumRows())
        m_rows.resize(static_cast<std::size_t>(row) + 1);
    Row& target = m_rows[row];
    if (field >= static_cast<int>(target.size()))
        target.resize(static_cast<std::size_t>(field) + 1);
    target[field].assign(text);
    return true;
}
