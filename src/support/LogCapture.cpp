#include "support/LogCapture.h"

#include "support/Log.h"

#include <algorithm>

// Captures register with the log under its lock, so they see whole lines only.
LogCapture::LogCapture() {
    LogAttachCapture(this);
}

LogCapture::~LogCapture() {
    LogDetachCapture(this);
}
std::vector<std::string> LogCapture::Lines() const {
    std::lock_guard guard(m_mutex);
    return m_lines;
}

bool LogCapture::Contains(std::string_view text) const {
    std::lock_guard guard(m_mutex);
    return std::any_of(m_lines.begin(), m_lines.end(), [&](const std::string& line) {
        return line.find(text) != std::string::npos;
    });
}

void LogCapture::Append(const std::string& line) {
    std::lock_guard guard(m_mutex);
    m_lines.push_back(line);
}
