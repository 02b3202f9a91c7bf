#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds one JSON text. Commas between members and elements are placed by
// the writer; strings are escaped, and bytes that are not valid UTF-8 become
// U+FFFD, so the result is always valid JSON whatever a file held.
class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the next member of the current object.
    void Key(const std::string& name);
    void String(const std::string& value);
    void Number(double value);
    void Integer(int64_t value);
    void Bool(bool value);

    const std::string& Text() const { return m_text; }

    // The JSON string literal of the text, quotes included.
    static std::string Quote(const std::string& text);

private:
    void BeforeValue();

    std::string m_text;
    // Per open object or array: whether a value was written in it yet.
    std::vector<bool> m_hasValue;
    bool m_afterKey = false;
};
