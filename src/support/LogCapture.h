#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// Collects every log line written while it exists, for tests that check what
// the program said. Captures nest: each live capture sees every line.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Lines() const;
    // True when some captured line contains the text.
    bool Contains(std::string_view text) const;

    // Called by the log for each line.
    void Append(const std::string& line);

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
};
