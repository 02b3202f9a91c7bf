// Checks the shipped English string file, data/loomstrings.ini, against the list of keys the
// program needs (data/required-strings.txt) and against the keys the source code asks for.

#include "support/CIniFileReader.h"
#include "support/LocalizedFormat.h"
#include "support/LocalizedStrings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::string kStringFile = std::string(LOOMTONE_SOURCE_DIR) + "/data/loomstrings.ini";
const std::string kRequiredList = std::string(LOOMTONE_SOURCE_DIR) + "/data/required-strings.txt";
const std::string kSourceTree = std::string(LOOMTONE_SOURCE_DIR) + "/src";

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Trim(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return "";
    return std::string(text.substr(begin, text.find_last_not_of(" \t") - begin + 1));
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// One line of the required list: a key, and for a text used as a format the kinds of the
// arguments the program passes ("s", "d", "u", "f"; empty for a format without arguments).
struct RequiredKey {
    std::string key;
    std::optional<std::vector<std::string>> argumentKinds;
};

std::vector<RequiredKey> ReadRequiredKeys() {
    std::vector<RequiredKey> keys;
    for (const std::string& raw : Lines(ReadText(kRequiredList))) {
        std::string line = Trim(raw);
        if (line.empty() || line[0] == '#')
            continue;
        RequiredKey required;
        size_t marker = line.rfind(" printf:");
        if (marker == std::string::npos) {
            required.key = line;
        } else {
            required.key = Trim(line.substr(0, marker));
            std::string kinds = line.substr(marker + 8);
            required.argumentKinds.emplace();
            std::istringstream list(kinds == "none" ? "" : kinds);
            for (std::string kind; std::getline(list, kind, ',');)
                required.argumentKinds->push_back(kind);
        }
        keys.push_back(required);
    }
    return keys;
}

LocalizedArg SampleArgument(const std::string& kind) {
    if (kind == "s")
        return MakeLocalizedText("text");
    if (kind == "d")
        return MakeLocalizedArg(-7);
    if (kind == "u")
        return MakeLocalizedArg(7u);
    if (kind == "f")
        return MakeLocalizedArg(2.5);
    ADD_FAILURE() << "unknown argument kind '" << kind << "' in " << kRequiredList;
    return MakeLocalizedArg(nullptr);
}

// --- Scanning the source for keys -----------------------------------------------------------
//
// A key is found where a string literal is passed, in a key position, to one of the lookup or
// message functions below, or to a GuiButton constructor (caption and tooltip keys). Keys built
// at run time ("AudioClipMenuItem%d" and the like) are not literals and are covered by the
// required list instead.

struct KeyCall {
    std::string name;
    bool constructor;              // GuiButton: "GuiButton(", "GuiButton name{", "<GuiButton>("
    std::vector<size_t> positions; // zero-based positions of key arguments
};

const std::vector<KeyCall>& KeyCalls() {
    static const std::vector<KeyCall> calls = {
        {"MyLoadString", false, {0}},
        {"MyLoadFormattedString", false, {0}},
        {"GetLocalizedString", false, {0}},
        {"ShowMessage", false, {1, 3}},          // owner, body, flags, title
        {"ShowFormattedMessage", false, {0, 1}}, // title, body, flags, arguments...
        {"AskWithDontAskAgain", false, {0, 2}},  // title, state, body, flags, arguments...
        {"GuiButton", true, {2, 3}},             // id, skin base, caption, tooltip
    };
    return calls;
}

bool IsIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

size_t SkipBlanks(const std::string& text, size_t pos) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    return pos;
}

// Where the arguments of a call begin, when the name found at pos opens one.
std::optional<size_t> ArgumentsStart(const std::string& text, size_t pos, const KeyCall& call) {
    if (pos > 0 && IsIdentifierChar(text[pos - 1]))
        return std::nullopt;
    pos += call.name.size();
    if (pos < text.size() && IsIdentifierChar(text[pos]))
        return std::nullopt;
    pos = SkipBlanks(text, pos);
    if (call.constructor) {
        if (pos < text.size() && text[pos] == '>')
            pos = SkipBlanks(text, pos + 1);
        while (pos < text.size() && IsIdentifierChar(text[pos]))
            ++pos;
        pos = SkipBlanks(text, pos);
    }
    bool opens = pos < text.size() && (text[pos] == '(' || (call.constructor && text[pos] == '{'));
    return opens ? std::optional<size_t>(pos + 1) : std::nullopt;
}

// Blanks out comments so that commented-out calls are not taken for real ones; string and
// character literals are kept as written.
std::string WithoutComments(const std::string& source) {
    std::string out = source;
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] == '"' || out[i] == '\'') {
            char quote = out[i];
            for (++i; i < out.size() && out[i] != quote && out[i] != '\n'; ++i)
                i += out[i] == '\\';
        } else if (out.compare(i, 2, "//") == 0 || out.compare(i, 2, "/*") == 0) {
            size_t close = out[i + 1] == '/' ? out.find('\n', i) : out.find("*/", i + 2);
            size_t end = close == std::string::npos ? out.size() : close + (out[i + 1] == '*') * 2;
            for (size_t j = i; j < end; ++j)
                out[j] = out[j] == '\n' ? '\n' : ' ';
            i = end - 1;
        }
    }
    return out;
}

// The top-level arguments of the call whose opening bracket is just before begin.
std::vector<std::string> CallArguments(const std::string& text, size_t begin) {
    std::vector<std::string> arguments(1);
    int depth = 0;
    for (size_t i = begin; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"' || c == '\'') {
            size_t start = i;
            for (++i; i < text.size() && text[i] != c; ++i)
                i += text[i] == '\\';
            arguments.back() += text.substr(start, i - start + 1);
            continue;
        }
        if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            if (depth-- == 0)
                break;
        } else if (c == ',' && depth == 0) {
            arguments.emplace_back();
            continue;
        }
        arguments.back() += c;
    }
    return arguments;
}

// The text of an argument that is a single, non-empty string literal.
std::optional<std::string> LiteralKey(const std::string& argument) {
    std::string text = Trim(argument);
    if (text.size() < 3 || text.front() != '"' || text.back() != '"')
        return std::nullopt;
    text = text.substr(1, text.size() - 2);
    if (text.find_first_of("\"\\") != std::string::npos)
        return std::nullopt;
    return text;
}

struct FoundKey {
    std::string key;
    size_t offset;
};

std::vector<FoundKey> KeysAskedFor(const std::string& source) {
    const std::string text = WithoutComments(source);
    std::vector<FoundKey> found;
    for (const KeyCall& call : KeyCalls()) {
        for (size_t at = text.find(call.name); at != std::string::npos;
             at = text.find(call.name, at + 1)) {
            std::optional<size_t> begin = ArgumentsStart(text, at, call);
            if (!begin)
                continue;
            std::vector<std::string> arguments = CallArguments(text, *begin);
            for (size_t position : call.positions) {
                if (position < arguments.size()) {
                    if (std::optional<std::string> key = LiteralKey(arguments[position]))
                        found.push_back({*key, at});
                }
            }
        }
    }
    return found;
}

std::set<std::string> KeyNames(const std::vector<FoundKey>& found) {
    std::set<std::string> names;
    for (const FoundKey& key : found)
        names.insert(key.key);
    return names;
}

int LineOf(const std::string& text, size_t offset) {
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

class StringFile : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SetStringFile(kStringFile)) << kStringFile; }
};

} // namespace

TEST_F(StringFile, EveryRequiredKeyHasAText) {
    std::vector<RequiredKey> required = ReadRequiredKeys();
    ASSERT_GT(required.size(), 500u) << "the required list looks truncated";
    for (const RequiredKey& entry : required) {
        EXPECT_TRUE(HasLocalizedString(entry.key)) << "no text for '" << entry.key << "'";
        EXPECT_FALSE(Trim(MyLoadString(entry.key)).empty()) << "empty text for " << entry.key;
    }
}

TEST_F(StringFile, HoldsEachListedKeyOnceAndNothingElse) {
    std::set<std::string> listed;
    for (const RequiredKey& entry : ReadRequiredKeys())
        EXPECT_TRUE(listed.insert(Lower(entry.key)).second) << "listed twice: " << entry.key;

    // Read the file line by line: the ini reader silently keeps the first of two equal keys.
    std::map<std::string, int> firstLine;
    std::string section;
    int number = 0;
    for (const std::string& raw : Lines(ReadText(kStringFile))) {
        ++number;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            section = line;
            EXPECT_EQ(section, "[Strings]") << "line " << number;
            continue;
        }
        size_t equals = line.find('=');
        ASSERT_NE(equals, std::string::npos) << "line " << number << " is not 'key = text'";
        std::string key = Trim(line.substr(0, equals));
        EXPECT_FALSE(key.empty()) << "line " << number;
        EXPECT_EQ(section, "[Strings]") << "line " << number << " lies outside [Strings]";
        auto [slot, added] = firstLine.emplace(Lower(key), number);
        EXPECT_TRUE(added) << "'" << key << "' on line " << number << " repeats line "
                           << slot->second;
        EXPECT_TRUE(listed.count(Lower(key))) << "'" << key << "' is not in the required list";
    }
    EXPECT_EQ(firstLine.size(), listed.size());
}

TEST_F(StringFile, FormatTextsTakeExactlyTheirArguments) {
    int formats = 0;
    for (const RequiredKey& entry : ReadRequiredKeys()) {
        if (!entry.argumentKinds)
            continue;
        ++formats;
        std::vector<LocalizedArg> arguments;
        for (const std::string& kind : *entry.argumentKinds)
            arguments.push_back(SampleArgument(kind));
        const std::string text = MyLoadString(entry.key);
        EXPECT_TRUE(LocalizedFormatMatches(text, arguments.data(), arguments.size()))
            << entry.key << " = '" << text << "' does not take " << arguments.size()
            << " argument(s) of the listed kinds";
    }
    EXPECT_GT(formats, 0);
    // A text of the wrong shape is refused, so the check above can fail.
    const LocalizedArg number = MakeLocalizedArg(3);
    EXPECT_FALSE(LocalizedFormatMatches(MyLoadString("Err_LoadFailedBody"), &number, 1));
}

TEST_F(StringFile, LineBreakEscapesBecomeLinesAndMissingKeysShowTheirName) {
    CIniFileReader raw;
    ASSERT_TRUE(raw.Init(kStringFile));
    int multiLine = 0;
    for (const std::string& key : raw.GetKeys("Strings")) {
        const std::string written = raw.GetString("Strings", key);
        const std::string shown = MyLoadString(key);
        EXPECT_EQ(shown.find("\\n"), std::string::npos) << key;
        size_t escapes = 0;
        for (size_t at = written.find("\\n"); at != std::string::npos;
             at = written.find("\\n", at + 2))
            ++escapes;
        EXPECT_EQ(static_cast<size_t>(std::count(shown.begin(), shown.end(), '\n')), escapes)
            << key;
        multiLine += escapes > 0;
    }
    EXPECT_GT(multiLine, 0);
    // "...folder.\nContinue?" comes back as two lines of words.
    const std::vector<std::string> lines = Lines(MyLoadString("TransferQuest_Body"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_FALSE(Trim(lines[0]).empty());
    EXPECT_FALSE(Trim(lines[1]).empty());

    EXPECT_EQ(MyLoadString("StringFileTest_NoSuchKey"), "StringFileTest_NoSuchKey");
    EXPECT_FALSE(HasLocalizedString("StringFileTest_NoSuchKey"));
}

TEST(StringFileScan, FindsTheKeyArgumentsOfEachCall) {
    const std::string source = R"src(
        std::string a = MyLoadString("Key_A");
        auto b = MyLoadFormattedString( "Key_B", path, 3);
        GetLocalizedString("Key_C", buffer, sizeof buffer);
        ShowMessage(nullptr, "Key_Body", MB_OK, "Key_Title");
        ShowFormattedMessage("Fmt_Title", "Fmt_Body", 0x30, Describe("not a key"), n);
        AskWithDontAskAgain("Ask_Title", &state, "Ask_Body", MB_YESNO, "not a key");
        GuiButton play(12, "clipPlay", "", "Clip_TT_Play");
        auto zoom = std::make_unique<GuiButton>(28, "toolbar-zoomin", "Zoom_Caption", "MC_Tool_ZoomIn");
        GuiButton* snap = new GuiButton{36, "snap", f(1, 2), "TH_SnapTip"};
        // MyLoadString("Commented_Out");
        /* ShowMessage(nullptr, "Also_Commented", 0, "x"); */
        MyLoadString(key);
        MyLoadString("Half" "Joined");
        Log("MyLoadString(\"Quoted_In_Text\")");
    )src";
    const std::set<std::string> expected = {
        "Key_A",        "Key_B",          "Key_C",     "Key_Body", "Key_Title",
        "Fmt_Title",    "Fmt_Body",       "Ask_Title", "Ask_Body", "Clip_TT_Play",
        "Zoom_Caption", "MC_Tool_ZoomIn", "TH_SnapTip"};
    EXPECT_EQ(KeyNames(KeysAskedFor(source)), expected);
}

TEST_F(StringFile, EveryKeyTheSourceAsksForHasAText) {
    namespace fs = std::filesystem;
    ASSERT_TRUE(fs::is_directory(kSourceTree)) << kSourceTree;
    int files = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kSourceTree)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h"))
            continue;
        ++files;
        const std::string source = ReadText(entry.path().string());
        for (const FoundKey& found : KeysAskedFor(source)) {
            EXPECT_TRUE(HasLocalizedString(found.key))
                << entry.path().string() << ":" << LineOf(source, found.offset) << " asks for '"
                << found.key << "', which " << kStringFile << " lacks";
        }
    }
    EXPECT_GT(files, 0);
}
