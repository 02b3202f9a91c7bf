#include "support/LocalizedFormat.h"

#include "support/Log.h"
#include "support/Paths.h"

#include <cstdio>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <vector>

namespace {

// One conversion of a format, with the parts that are passed on to snprintf.
struct Conversion {
    std::string flags;
    int width = -1;
    int precision = -1;
    char letter = 0;  // d u c f s p (the family), see Family()
    char printed = 0; // the letter as written, with S and C folded into s and c
};

// A parsed format: literal text and conversions, in order.
struct Piece {
    std::string literal;
    std::optional<Conversion> conversion;
};

char Family(char letter) {
    switch (letter) {
    case 'd':
    case 'i':
        return 'd';
    case 'u':
    case 'o':
    case 'x':
    case 'X':
        return 'u';
    case 'c':
    case 'C':
        return 'c';
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
        return 'f';
    case 's':
    case 'S':
        return 's';
    case 'p':
        return 'p';
    default:
        return 0;
    }
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a field number at pos; false when it is larger than allowed.
bool ReadNumber(const std::string& format, size_t& pos, int& value) {
    value = 0;
    while (pos < format.size() && IsDigit(format[pos])) {
        value = value * 10 + (format[pos] - '0');
        if (value > kMaxFieldWidth)
            return false;
        ++pos;
    }
    return true;
}

void SkipLengthModifier(const std::string& format, size_t& pos) {
    static constexpr std::string_view kModifiers[] = {"hh", "h", "ll", "l",   "L",   "q",
                                                      "j",  "z", "t",  "I64", "I32", "I"};
    std::string_view rest(format.data() + pos, format.size() - pos);
    for (std::string_view modifier : kModifiers) {
        if (rest.substr(0, modifier.size()) == modifier) {
            pos += modifier.size();
            return;
        }
    }
}

// Parses the conversion whose '%' is at pos - 1; pos ends past it. Nothing when it is refused.
std::optional<Conversion> ParseConversion(const std::string& format, size_t& pos) {
    Conversion conversion;
    while (pos < format.size() &&
           std::string_view("-+ #0'").find(format[pos]) != std::string_view::npos) {
        if (conversion.flags.find(format[pos]) == std::string::npos)
            conversion.flags += format[pos];
        ++pos;
    }
    if (pos < format.size() && IsDigit(format[pos])) {
        if (!ReadNumber(format, pos, conversion.width))
            return std::nullopt;
        if (pos < format.size() && format[pos] == '$')
            return std::nullopt;
    }
    if (pos < format.size() && format[pos] == '.') {
        ++pos;
        if (!ReadNumber(format, pos, conversion.precision))
            return std::nullopt;
    }
    SkipLengthModifier(format, pos);
    if (pos >= format.size())
        return std::nullopt;
    char letter = format[pos++];
    conversion.letter = Family(letter);
    if (conversion.letter == 0)
        return std::nullopt;
    conversion.printed = letter == 'S' ? 's' : letter == 'C' ? 'c' : letter;
    return conversion;
}

std::optional<std::vector<Piece>> Parse(const std::string& format) {
    std::vector<Piece> pieces(1);
    size_t pos = 0;
    while (pos < format.size()) {
        char c = format[pos++];
        if (c != '%') {
            pieces.back().literal += c;
        } else if (pos < format.size() && format[pos] == '%') {
            pieces.back().literal += '%';
            ++pos;
        } else {
            std::optional<Conversion> conversion = ParseConversion(format, pos);
            if (!conversion)
                return std::nullopt;
            pieces.push_back(Piece{"", conversion});
        }
    }
    return pieces;
}

bool IsInteger(const LocalizedArg& arg) {
    return arg.kind == LocalizedArg::Kind::Signed || arg.kind == LocalizedArg::Kind::Unsigned;
}

bool Suits(const Conversion& conversion, const LocalizedArg& arg) {
    switch (conversion.letter) {
    case 'd':
    case 'u':
    case 'c':
        return IsInteger(arg);
    case 'f':
        return arg.kind == LocalizedArg::Kind::Floating;
    case 's':
        return arg.kind == LocalizedArg::Kind::Text;
    case 'p':
        return arg.kind == LocalizedArg::Kind::Pointer;
    default:
        return false;
    }
}

bool Matches(const std::vector<Piece>& pieces, const LocalizedArg* args, size_t count) {
    size_t used = 0;
    for (const Piece& piece : pieces) {
        if (!piece.conversion)
            continue;
        if (used >= count || !Suits(*piece.conversion, args[used]))
            return false;
        ++used;
    }
    return used == count;
}

// The snprintf conversion for the tail ("lld", "Lf", "s", ...). Flags whose meaning C leaves
// undefined for that conversion ('#' on decimal integers, text and pointers; '0' and '\'' on text
// and pointers) are left out, so the C library never sees them.
std::string Directive(const Conversion& conversion, bool withPrecision, std::string_view tail) {
    const char kind = tail.back();
    std::string directive = "%";
    for (char flag : conversion.flags) {
        bool textual = kind == 's' || kind == 'c' || kind == 'p';
        if ((flag == '#' && (textual || kind == 'd' || kind == 'u')) ||
            ((flag == '0' || flag == '\'') && textual))
            continue;
        directive += flag;
    }
    if (conversion.width >= 0)
        directive += std::to_string(conversion.width);
    if (withPrecision && conversion.precision >= 0) {
        directive += '.';
        directive += std::to_string(conversion.precision);
    }
    directive += tail;
    return directive;
}

// The directive is never the translator's text: Directive() builds it from a checked conversion,
// with the length modifier that matches V.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <typename V> std::string Print(const std::string& directive, V value) {
    int length = std::snprintf(nullptr, 0, directive.c_str(), value);
    if (length <= 0)
        return "";
    std::string out(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(out.data(), out.size(), directive.c_str(), value);
    out.resize(static_cast<size_t>(length));
    return out;
}
#pragma GCC diagnostic pop

unsigned long long AsUnsigned(const LocalizedArg& arg) {
    if (arg.kind == LocalizedArg::Kind::Unsigned)
        return arg.unsignedValue;
    auto bits = static_cast<unsigned long long>(arg.signedValue);
    if (arg.byteWidth > 0 && arg.byteWidth < 8)
        bits &= (1ULL << (8 * arg.byteWidth)) - 1;
    return bits;
}

// Cuts UTF-8 text to at most maxBytes without splitting a character.
std::string_view CutText(std::string_view text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

std::string PrintCharacter(const Conversion& conversion, const LocalizedArg& arg) {
    bool negative = arg.kind == LocalizedArg::Kind::Signed && arg.signedValue < 0;
    unsigned long long code = negative ? 0xFFFD : AsUnsigned(arg);
    if (code < 0x80)
        return Print(Directive(conversion, false, "c"), static_cast<int>(code));
    if (code > 0x10FFFF)
        code = 0xFFFD;
    std::string utf8 = ConvertUnicodeToSingleByte(std::wstring(1, static_cast<wchar_t>(code)));
    return Print(Directive(conversion, false, "s"), utf8.c_str());
}

std::string PrintOne(const Conversion& conversion, const LocalizedArg& arg) {
    const std::string letter(1, conversion.printed);
    switch (conversion.letter) {
    case 'd':
        if (arg.kind == LocalizedArg::Kind::Unsigned)
            return Print(Directive(conversion, true, "llu"), arg.unsignedValue);
        return Print(Directive(conversion, true, "lld"), arg.signedValue);
    case 'u':
        return Print(Directive(conversion, true, "ll" + letter), AsUnsigned(arg));
    case 'c':
        return PrintCharacter(conversion, arg);
    case 'f':
        return Print(Directive(conversion, true, "L" + letter), arg.floatingValue);
    case 's': {
        std::string_view text = arg.text;
        if (conversion.precision >= 0)
            text = CutText(text, static_cast<size_t>(conversion.precision));
        return Print(Directive(conversion, false, "s"), std::string(text).c_str());
    }
    default:
        return Print(Directive(conversion, true, "p"), arg.pointer);
    }
}

// Logs a text that did not match its arguments, once per text; a bounded number of texts is
// remembered.
void LogMismatchOnce(const std::string& format) {
    static std::mutex mutex;
    static std::unordered_set<std::string> logged;
    constexpr size_t kMaxRemembered = 256;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (logged.size() >= kMaxRemembered || !logged.insert(format).second)
            return;
    }
    std::string shown = format.substr(0, 200);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    }
    LogFmt("FormatLocalized - text does not match its arguments, shown as written: '%s'",
           shown.c_str());
}

} // namespace

LocalizedArg MakeLocalizedText(std::string_view text) {
    LocalizedArg arg;
    arg.kind = LocalizedArg::Kind::Text;
    arg.text = text;
    return arg;
}

LocalizedArg MakeLocalizedWideText(std::wstring_view text) {
    return MakeLocalizedText(ConvertUnicodeToSingleByte(std::wstring(text)));
}

bool LocalizedFormatMatches(const std::string& format, const LocalizedArg* args, size_t count) {
    std::optional<std::vector<Piece>> pieces = Parse(format);
    return pieces && Matches(*pieces, args, count);
}

std::string FormatLocalizedArgs(const std::string& format, const LocalizedArg* args, size_t count) {
    std::optional<std::vector<Piece>> pieces = Parse(format);
    if (!pieces || !Matches(*pieces, args, count)) {
        LogMismatchOnce(format);
        return format;
    }
    std::string out;
    size_t used = 0;
    for (const Piece& piece : *pieces) {
        if (piece.conversion)
            out += PrintOne(*piece.conversion, args[used++]);
        out += piece.literal;
    }
    return out;
}
