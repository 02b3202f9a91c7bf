#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

// Fills a localized text, a printf-style format written by a translator, with the program's
// arguments, safely.
//
// The text is parsed first. It is used as a format only when every conversion in it matches the
// argument in its place: as many conversions as arguments, each of a kind that suits its
// argument. Otherwise the text is returned exactly as written (and the mismatch logged once per
// text), so a faulty translation shows its raw text but never reads a missing argument or
// writes anywhere.
//
// Conversions understood: %d %i (integers), %u %o %x %X (integers, printed as unsigned values of
// the argument's own width), %c (an integer character code, written as UTF-8), %f %F %e %E %g %G
// %a %A (floating point), %s and %S (text), %p (pointers), and %% for a percent sign. Flags
// "-+ #0'", a width and a precision of at most kMaxFieldWidth digits' value are allowed. Length
// modifiers (h hh l ll L q j z t I I32 I64) are accepted and ignored: the argument's real type
// decides how it is printed. Refused, so the text is shown raw: %n, '*' widths or precisions,
// positional arguments ("%1$s"), any other conversion letter and a '%' at the end of the text.
//
// Argument kinds: integers, bool, enums and character types are integers (as in C); float,
// double and long double are floating point; const char*, std::string, std::string_view and
// their wide counterparts (converted to UTF-8) are text, a null text pointer printing "(null)";
// other pointers are pointers.

struct LocalizedArg {
    enum class Kind { Signed, Unsigned, Floating, Text, Pointer };
    Kind kind = Kind::Signed;
    long long signedValue = 0;
    unsigned long long unsignedValue = 0;
    int byteWidth = 0; // size of the original integer type
    long double floatingValue = 0;
    std::string text;
    const void* pointer = nullptr;
};

LocalizedArg MakeLocalizedText(std::string_view text);
LocalizedArg MakeLocalizedWideText(std::wstring_view text);

template <typename T> LocalizedArg MakeLocalizedArg(const T& value) {
    using U = std::remove_cv_t<T>;
    LocalizedArg arg;
    if constexpr (std::is_enum_v<U>) {
        return MakeLocalizedArg(static_cast<std::underlying_type_t<U>>(value));
    } else if constexpr (std::is_integral_v<U>) {
        arg.byteWidth = static_cast<int>(sizeof(U));
        if constexpr (std::is_signed_v<U>) {
            arg.kind = LocalizedArg::Kind::Signed;
            arg.signedValue = static_cast<long long>(value);
        } else {
            arg.kind = LocalizedArg::Kind::Unsigned;
            arg.unsignedValue = static_cast<unsigned long long>(value);
        }
    } else if constexpr (std::is_floating_point_v<U>) {
        arg.kind = LocalizedArg::Kind::Floating;
        arg.floatingValue = static_cast<long double>(value);
    } else if constexpr (std::is_null_pointer_v<U>) {
        arg.kind = LocalizedArg::Kind::Pointer;
    } else if constexpr (std::is_convertible_v<const U&, std::string_view>) {
        if constexpr (std::is_pointer_v<U>) {
            if (value == nullptr)
                return MakeLocalizedText("(null)");
        }
        return MakeLocalizedText(std::string_view(value));
    } else if constexpr (std::is_convertible_v<const U&, std::wstring_view>) {
        if constexpr (std::is_pointer_v<U>) {
            if (value == nullptr)
                return MakeLocalizedText("(null)");
        }
        return MakeLocalizedWideText(std::wstring_view(value));
    } else if constexpr (std::is_pointer_v<U>) {
        arg.kind = LocalizedArg::Kind::Pointer;
        arg.pointer = static_cast<const void*>(value);
    } else {
        static_assert(sizeof(U) == 0, "this type cannot fill a localized text");
    }
    return arg;
}

// Widths and precisions above this make the text show raw instead of producing huge output.
constexpr int kMaxFieldWidth = 512;

// The format filled with the arguments, or the format itself when they do not match.
std::string FormatLocalizedArgs(const std::string& format, const LocalizedArg* args, size_t count);

// True when the format's conversions match the arguments (what FormatLocalizedArgs checks).
bool LocalizedFormatMatches(const std::string& format, const LocalizedArg* args, size_t count);

template <typename... Args>
std::string FormatLocalized(const std::string& format, const Args&... args) {
    const std::array<LocalizedArg, sizeof...(Args)> packed{MakeLocalizedArg(args)...};
    return FormatLocalizedArgs(format, packed.data(), packed.size());
}
