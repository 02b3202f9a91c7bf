// Feeds arbitrary bytes to the ini reader and to the localized-text formatter.
#include "support/CIniFileReader.h"
#include "support/LocalizedFormat.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    CIniFileReader ini;
    ini.InitFromMemory(bytes);
    for (const std::string& section : ini.GetSectionNames()) {
        for (const std::string& key : ini.GetKeys(section)) {
            std::string value = ini.GetString(section, key);
            int number = 0;
            ini.TryGetInt(section, key, number);
            // Every text of the file is also a format a translator might have written.
            FormatLocalized(value, 42, "text", 2.5);
        }
    }
    ini.GetString("Strings", "OK", "OK");
    ini.GetInt("caret color", "solid color.r", 0);

    int target = 0;
    FormatLocalized(bytes);
    FormatLocalized(bytes, -7);
    FormatLocalized(bytes, "text", std::string_view("view"), L"wide");
    FormatLocalized(bytes, 3.25, 'c', static_cast<const void*>(&target), 18446744073709551615ULL);
    FormatLocalized(bytes, static_cast<const char*>(nullptr), int16_t{-1}, 1.0L, true);
    return 0;
}
