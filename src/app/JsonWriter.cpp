#include "app/JsonWriter.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// The length of the valid UTF-8 sequence at i, 0 when it is not one.
size_t ValidSequenceLength(const std::string& text, size_t i) {
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    size_t length = 0;
    uint32_t low = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        low = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    uint32_t code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < low || code > 0x10FFFF || surrogate ? 0 : length;
}

} // namespace

std::string JsonWriter::Quote(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t length = ValidSequenceLength(text, i);
            out += length ? text.substr(i, length) : kReplacement;
            i += length ? length : 1;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    return out + "\"";
}

void JsonWriter::BeforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasValue.empty()) {
        if (m_hasValue.back())
            m_text += ',';
        m_hasValue.back() = true;
    }
}

void JsonWriter::BeginObject() {
    BeforeValue();
    m_text += '{';
    m_hasValue.push_back(false);
}

void JsonWriter::EndObject() {
    m_text += '}';
    m_hasValue.pop_back();
}

void JsonWriter::BeginArray() {
    BeforeValue();
    m_text += '[';
    m_hasValue.push_back(false);
}

void JsonWriter::EndArray() {
    m_text += ']';
    m_hasValue.pop_back();
}

void JsonWriter::Key(const std::string& name) {
    BeforeValue();
    m_text += Quote(name) + ':';
    m_afterKey = true;
}

void JsonWriter::String(const std::string& value) {
    BeforeValue();
    m_text += Quote(value);
}

void JsonWriter::Number(double value) {
    BeforeValue();
    if (!std::isfinite(value)) {
        // JSON has no infinities; a damaged value shows as null.
        m_text += "null";
        return;
    }
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    m_text += buffer;
}

void JsonWriter::Integer(int64_t value) {
    BeforeValue();
    m_text += std::to_string(value);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    m_text += value ? "true" : "false";
}
