#include "support/LocalizedFormat.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

enum class Colour : uint8_t { Red = 2 };

TEST(LocalizedFormat, FillsMatchingConversions) {
    EXPECT_EQ(FormatLocalized("plain text"), "plain text");
    EXPECT_EQ(FormatLocalized(""), "");
    EXPECT_EQ(FormatLocalized("100%%"), "100%");
    EXPECT_EQ(FormatLocalized("%s - %s", "Loomtone", std::string("song.lt4")),
              "Loomtone - song.lt4");
    EXPECT_EQ(FormatLocalized("%d/%02d/%4d", 6, 3, 2026), "6/03/2026");
    EXPECT_EQ(FormatLocalized("%.1f BPM", 120.25), "120.2 BPM");
    EXPECT_EQ(FormatLocalized("%5.2f|%-6s|%+d", 3.14159f, "ab", 7), " 3.14|ab    |+7");
    EXPECT_EQ(FormatLocalized("&%u %s", 3u, "x.lt4"), "&3 x.lt4");
    EXPECT_EQ(FormatLocalized("%c: %s", 'D', "Writer"), "D: Writer");
    EXPECT_EQ(FormatLocalized("%e", 1500.0L), "1.500000e+03");
    EXPECT_EQ(FormatLocalized("%d %d", true, Colour::Red), "1 2");
    EXPECT_EQ(FormatLocalized("%s", std::string_view("view")), "view");
}

TEST(LocalizedFormat, LengthModifiersFollowTheArgument) {
    EXPECT_EQ(FormatLocalized("%ld %lld %hd %I64d %zu", 1, 2, 3, int64_t{1} << 40, size_t{5}),
              "1 2 3 1099511627776 5");
    EXPECT_EQ(FormatLocalized("%lf %Lf", 1.5, 2.5f), "1.500000 2.500000");
    EXPECT_EQ(FormatLocalized("%d", INT64_MAX), "9223372036854775807");
    EXPECT_EQ(FormatLocalized("%d", UINT64_MAX), "18446744073709551615");
    // Negative numbers printed as unsigned keep the width of their own type, as in C.
    EXPECT_EQ(FormatLocalized("%x", -1), "ffffffff");
    EXPECT_EQ(FormatLocalized("%X", int16_t{-1}), "FFFF");
    EXPECT_EQ(FormatLocalized("%u", int64_t{-1}), "18446744073709551615");
    EXPECT_EQ(FormatLocalized("0x%0.8X", 0xBEEFu), "0x0000BEEF");
    EXPECT_EQ(FormatLocalized("%#o %#x", 8, 255), "010 0xff");
}

TEST(LocalizedFormat, TextAndCharacterArguments) {
    EXPECT_EQ(FormatLocalized("%S", L"Gitarre \u00E4"), "Gitarre \xC3\xA4");
    EXPECT_EQ(FormatLocalized("%ls", std::wstring(L"\u266B")), "\xE2\x99\xAB");
    const char* none = nullptr;
    EXPECT_EQ(FormatLocalized("[%s]", none), "[(null)]");
    EXPECT_EQ(FormatLocalized("%c", L'\u00E4'), "\xC3\xA4");
    EXPECT_EQ(FormatLocalized("%3c|", 'x'), "  x|");
    EXPECT_EQ(FormatLocalized("%c", -5), "\xEF\xBF\xBD");
    EXPECT_EQ(FormatLocalized("%c", 0x110000), "\xEF\xBF\xBD");
    // A precision cuts text without splitting a character.
    EXPECT_EQ(FormatLocalized("%.2s|", "\xC3\xA4\xC3\xA4"), "\xC3\xA4|");
    EXPECT_EQ(FormatLocalized("%.1s|", "\xC3\xA4"), "|");
    // Flags that mean nothing for text are dropped rather than passed on.
    EXPECT_EQ(FormatLocalized("%05s|%#s", "ab", "cd"), "   ab|cd");
}

TEST(LocalizedFormat, Pointers) {
    int value = 0;
    EXPECT_NE(FormatLocalized("%p", &value), "%p");
    EXPECT_EQ(FormatLocalized("%p", &value), FormatLocalized("%p", static_cast<void*>(&value)));
    EXPECT_NE(FormatLocalized("%p", nullptr), "%p");
    EXPECT_EQ(FormatLocalized("%d", &value), "%d");
    EXPECT_EQ(FormatLocalized("%p", 5), "%p");
}

TEST(LocalizedFormat, CountMismatchesShowTheTextAsWritten) {
    EXPECT_EQ(FormatLocalized("%s and %s", "one"), "%s and %s");
    EXPECT_EQ(FormatLocalized("only %s", "one", "two"), "only %s");
    EXPECT_EQ(FormatLocalized("no conversions", 1), "no conversions");
    EXPECT_EQ(FormatLocalized("%d"), "%d");
    EXPECT_EQ(FormatLocalized("50%% of %d%%", 10), "50% of 10%");
    EXPECT_EQ(FormatLocalized("50%% of %d%%"), "50%% of %d%%");
}

TEST(LocalizedFormat, TypeMismatchesShowTheTextAsWritten) {
    EXPECT_EQ(FormatLocalized("%d", "text"), "%d");
    EXPECT_EQ(FormatLocalized("%s", 'c'), "%s");
    EXPECT_EQ(FormatLocalized("%f", 5), "%f");
    EXPECT_EQ(FormatLocalized("%c", 1.0), "%c");
    EXPECT_EQ(FormatLocalized("%s %d", 5, "x"), "%s %d");
}

TEST(LocalizedFormat, RefusedConversions) {
    int count = 0;
    EXPECT_EQ(FormatLocalized("abc%n", &count), "abc%n");
    EXPECT_EQ(FormatLocalized("abc%n", 1), "abc%n");
    EXPECT_EQ(FormatLocalized("%hhn", 1), "%hhn");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(FormatLocalized("%*d", 5, 1), "%*d");
    EXPECT_EQ(FormatLocalized("%.*s", 2, "abc"), "%.*s");
    EXPECT_EQ(FormatLocalized("%1$s", "a"), "%1$s");
    EXPECT_EQ(FormatLocalized("%k", 1), "%k");
    EXPECT_EQ(FormatLocalized("%w", 1), "%w");
    EXPECT_EQ(FormatLocalized("trailing %", 1), "trailing %");
    EXPECT_EQ(FormatLocalized("trailing %-0"), "trailing %-0");
    EXPECT_EQ(FormatLocalized("%l", 1), "%l");
    // Huge fields would make huge output.
    EXPECT_EQ(FormatLocalized("%999999999d", 1), "%999999999d");
    EXPECT_EQ(FormatLocalized("%.999999999f", 1.0), "%.999999999f");
    EXPECT_EQ(FormatLocalized("%99999999999999999999d", 1), "%99999999999999999999d");
    EXPECT_EQ(FormatLocalized("%512d", 1).size(), 512u);
    EXPECT_EQ(FormatLocalized("%513d", 1), "%513d");
}

TEST(LocalizedFormat, FlagsWidthAndPrecisionLimits) {
    EXPECT_EQ(FormatLocalized("%-+ #0'5d|", 42), "+42  |");
    EXPECT_EQ(FormatLocalized("%------5d|", 1), "1    |");
    EXPECT_EQ(FormatLocalized("%.d|", 0), "|");
    EXPECT_EQ(FormatLocalized("%.f", 2.5), "2");
    EXPECT_EQ(FormatLocalized("%.0e", 12345.0), "1e+04");
}

TEST(LocalizedFormat, MismatchIsLoggedOncePerText) {
    LogCapture capture;
    const std::string text = "a unique broken text %s %s\nsecond line";
    FormatLocalized(text, 1);
    FormatLocalized(text, 2);
    int lines = 0;
    for (const std::string& line : capture.Lines()) {
        if (line.find("a unique broken text") != std::string::npos) {
            ++lines;
            EXPECT_EQ(line.find('\n'), std::string::npos);
        }
    }
    EXPECT_EQ(lines, 1);
}

TEST(LocalizedFormat, MatchCheckAlone) {
    const LocalizedArg args[] = {MakeLocalizedArg(1), MakeLocalizedArg("x")};
    EXPECT_TRUE(LocalizedFormatMatches("%d %s", args, 2));
    EXPECT_FALSE(LocalizedFormatMatches("%s %d", args, 2));
    EXPECT_FALSE(LocalizedFormatMatches("%d", args, 2));
    EXPECT_TRUE(LocalizedFormatMatches("%%", args, 0));
}

} // namespace
