#include "support/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string WithTrailingSeparator(std::string path) {
    if (!path.empty() && !IsSeparator(path.back()))
        path += '/';
    return path;
}

// An environment variable holding an absolute path; "" when unset, empty or relative (the XDG
// rules say such values are to be ignored).
std::string AbsoluteEnvPath(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return "";
    return value;
}

bool IsDriveRoot(const std::string& path) {
    return path.size() >= 3 &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
           path[1] == ':' && IsSeparator(path[2]);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// The root of a path ("/", "C:/" or "" for a relative path) and its segments.
struct SplitPath {
    std::string root;
    std::vector<std::string> segments;
    bool trailingSeparator = false;
};

SplitPath Split(const std::string& path) {
    SplitPath split;
    std::string native = ToNativeSeparators(path);
    size_t pos = 0;
    if (IsDriveRoot(native)) {
        split.root = native.substr(0, 3);
        pos = 3;
    } else if (!native.empty() && native[0] == '/') {
        split.root.push_back('/');
        pos = 1;
    }
    split.trailingSeparator = native.size() > pos && native.back() == '/';
    while (pos < native.size()) {
        size_t end = native.find('/', pos);
        if (end == std::string::npos)
            end = native.size();
        std::string segment = native.substr(pos, end - pos);
        if (segment == "..") {
            if (!split.segments.empty() && split.segments.back() != "..")
                split.segments.pop_back();
            else if (split.root.empty())
                split.segments.push_back(segment);
        } else if (!segment.empty() && segment != ".") {
            split.segments.push_back(std::move(segment));
        }
        pos = end + 1;
    }
    return split;
}

std::string Join(const SplitPath& split) {
    std::string out = split.root;
    for (size_t i = 0; i < split.segments.size(); ++i) {
        if (i > 0)
            out += '/';
        out += split.segments[i];
    }
    if (out.empty())
        return ".";
    if (split.trailingSeparator && !split.segments.empty())
        out += '/';
    return out;
}

// The folder a base stands for: itself when it ends in a separator or is an existing folder,
// otherwise the folder of the file it names.
std::string BaseFolder(const std::string& base) {
    if (IsSeparator(base.back()) || IsValidDirectory(base))
        return WithTrailingSeparator(base);
    return ExtractDirectory(base);
}

// Where the file name begins: just past the last separator.
size_t FileNameStart(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? 0 : slash + 1;
}

// Index of the period that begins the extension, or npos. A period that begins the name (dot
// files) does not begin an extension.
size_t ExtensionPeriod(const std::string& path) {
    size_t nameStart = FileNameStart(path);
    size_t period = path.find_last_of('.');
    if (period == std::string::npos || period <= nameStart)
        return std::string::npos;
    return period;
}

bool PathExists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// The value of one "NAME=value" line of user-dirs.dirs, with "$HOME" expanded; "" when the line
// is not that entry.
std::string UserDirsEntry(const std::string& line, const std::string& name,
                          const std::string& home) {
    if (line.compare(0, name.size() + 1, name + "=") != 0)
        return "";
    std::string value = line.substr(name.size() + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0)
        value = home + value.substr(5);
    return value.empty() || value[0] != '/' ? "" : NormalizePath(value);
}

std::string DocumentsFromUserDirs(const std::string& home) {
    std::string config = AbsoluteEnvPath("XDG_CONFIG_HOME");
    if (config.empty())
        config = home + ".config";
    std::ifstream file(WithTrailingSeparator(config) + "user-dirs.dirs");
    std::string line;
    while (std::getline(file, line)) {
        std::string value = UserDirsEntry(line, "XDG_DOCUMENTS_DIR", home);
        if (!value.empty() && IsValidDirectory(value))
            return WithTrailingSeparator(value);
    }
    return "";
}

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsValidCodePoint(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (!IsValidCodePoint(c))
        c = kReplacementCharacter;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[pos], advancing pos; an invalid, overlong or truncated
// sequence yields the replacement character and consumes one byte.
char32_t DecodeUtf8(const std::string& text, size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return kReplacementCharacter;
    }
    if (text.size() - pos < length) {
        ++pos;
        return kReplacementCharacter;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return kReplacementCharacter;
        }
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || !IsValidCodePoint(c)) {
        ++pos;
        return kReplacementCharacter;
    }
    pos += length;
    return c;
}

bool IsForbiddenInFileName(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
           std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
}

// Cuts text to at most maxBytes without splitting a UTF-8 sequence.
std::string CutAtCharacterBoundary(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

std::string GetHomeDirectory() {
    std::string home = AbsoluteEnvPath("HOME");
    if (home.empty()) {
        const passwd* entry = getpwuid(getuid());
        if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] == '/')
            home = entry->pw_dir;
    }
    return WithTrailingSeparator(home);
}

std::string GetExeDirectory() {
    std::vector<char> buffer(4096);
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || static_cast<size_t>(length) >= buffer.size())
        return "";
    return ExtractDirectory(std::string(buffer.data(), static_cast<size_t>(length)));
}

std::string GetMyDocumentsPath() {
    std::string home = GetHomeDirectory();
    if (home.empty())
        return "";
    std::string documents = DocumentsFromUserDirs(home);
    if (!documents.empty())
        return documents;
    if (IsValidDirectory(home + "Documents"))
        return home + "Documents/";
    return home;
}

std::string GetCurrentUserAppDataPath() {
    std::string data = AbsoluteEnvPath("XDG_DATA_HOME");
    if (!data.empty())
        return WithTrailingSeparator(data);
    std::string home = GetHomeDirectory();
    return home.empty() ? "" : home + ".local/share/";
}

std::string GetCommonAppDataPath() {
    return "/usr/local/share/";
}

bool CreateMultiLevelDir(const std::string& path) {
    if (path.empty())
        return false;
    std::string native = ToNativeSeparators(path);
    for (size_t pos = native.find('/', 1); pos != std::string::npos;
         pos = native.find('/', pos + 1)) {
        std::string level = native.substr(0, pos);
        if (mkdir(level.c_str(), 0777) != 0 && errno != EEXIST)
            return false;
    }
    if (mkdir(native.c_str(), 0777) != 0 && errno != EEXIST)
        return false;
    return IsValidDirectory(native);
}

bool IsValidDirectory(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(ToNativeSeparators(path).c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

bool DoesFileExist(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(ToNativeSeparators(path).c_str(), &info) == 0 &&
           !S_ISDIR(info.st_mode);
}

int64_t GetKBFree(const std::string& path) {
    std::string probe = NormalizePath(path);
    while (!probe.empty()) {
        struct statvfs info;
        if (statvfs(probe.c_str(), &info) == 0)
            return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize) / 1024;
        if (errno != ENOENT && errno != ENOTDIR)
            return -1;
        std::string parent = ExtractDirectory(probe);
        if (parent.empty())
            parent.push_back('.');
        else if (parent.size() > 1)
            parent.pop_back();
        if (parent == probe)
            break;
        probe = parent;
    }
    return -1;
}

std::string ConvertUnicodeToSingleByte(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text)
        AppendUtf8(out, static_cast<char32_t>(c));
    return out;
}

std::wstring ConvertSingleByteToUnicode(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size())
        out += static_cast<wchar_t>(DecodeUtf8(text, pos));
    return out;
}

std::string ToNativeSeparators(const std::string& path) {
    std::string out = path;
    for (char& c : out) {
        if (c == '\\')
            c = '/';
    }
    return out;
}

std::string NormalizePath(const std::string& path) {
    if (path.empty())
        return "";
    return Join(Split(path));
}

bool IsAbsolutePath(const std::string& path) {
    return (!path.empty() && IsSeparator(path[0]) && path.compare(0, 2, "\\\\") != 0) ||
           IsDriveRoot(path);
}

std::string RelativeToAbsolute(const std::string& relative, const std::string& base) {
    if (relative.empty())
        return "";
    if (IsAbsolutePath(relative))
        return NormalizePath(relative);
    if (!IsAbsolutePath(base))
        return "";
    return NormalizePath(BaseFolder(base) + relative);
}

std::string MakeAbsolutePath(const std::string& path) {
    if (path.empty() || IsAbsolutePath(path))
        return path;
    std::error_code error;
    const std::string folder = std::filesystem::current_path(error).string();
    if (error || !IsAbsolutePath(folder))
        return path;
    return RelativeToAbsolute(path, folder + "/");
}

std::string AbsoluteToRelative(const std::string& absolute, const std::string& base) {
    if (!IsAbsolutePath(absolute) || !IsAbsolutePath(base))
        return "";
    SplitPath target = Split(absolute);
    SplitPath from = Split(BaseFolder(base));
    if (!EqualsIgnoringCase(target.root, from.root))
        return "";
    size_t common = 0;
    while (common < target.segments.size() && common < from.segments.size() &&
           target.segments[common] == from.segments[common])
        ++common;
    SplitPath relative;
    relative.trailingSeparator = target.trailingSeparator;
    relative.segments.assign(from.segments.size() - common, "..");
    relative.segments.insert(relative.segments.end(), target.segments.begin() + common,
                             target.segments.end());
    return Join(relative);
}

std::string ExtractDirectory(const std::string& path) {
    return ToNativeSeparators(path.substr(0, FileNameStart(path)));
}

std::string ExtractFileName(const std::string& path) {
    return path.substr(FileNameStart(path));
}

std::string ExtractExtension(const std::string& path) {
    size_t period = ExtensionPeriod(path);
    return period == std::string::npos ? "" : path.substr(period + 1);
}

bool HasFileExtension(const std::string& path, const std::string& ext) {
    std::string wanted = (!ext.empty() && ext[0] == '.') ? ext.substr(1) : ext;
    return EqualsIgnoringCase(ExtractExtension(path), wanted);
}

std::string RemoveExtensionFromFile(const std::string& path, bool removePeriod) {
    const std::string native = ToNativeSeparators(path);
    size_t period = ExtensionPeriod(native);
    if (period == std::string::npos || period + 1 == native.size())
        return native;
    return native.substr(0, removePeriod ? period : period + 1);
}

std::string UniqueFileName(const std::string& path, int firstNumber, char separator) {
    if (path.empty() || ExtractFileName(path).empty())
        return "";
    std::string native = ToNativeSeparators(path);
    if (!PathExists(native))
        return native;
    size_t period = ExtensionPeriod(native);
    std::string stem = period == std::string::npos ? native : native.substr(0, period);
    std::string extension = period == std::string::npos ? "" : native.substr(period);
    constexpr int kAttempts = 10000;
    for (long long n = firstNumber; n < static_cast<long long>(firstNumber) + kAttempts; ++n) {
        std::string candidate = stem + separator + std::to_string(n) + extension;
        if (!PathExists(candidate))
            return candidate;
    }
    return "";
}

std::string ValidateFileName(const std::string& name, char replacement) {
    if (IsForbiddenInFileName(replacement))
        replacement = '_';
    std::string out = name;
    for (char& c : out) {
        if (IsForbiddenInFileName(c))
            c = replacement;
    }
    out = CutAtCharacterBoundary(out, 255);
    if (out.find_first_not_of('.') == std::string::npos)
        return "_";
    return out;
}
