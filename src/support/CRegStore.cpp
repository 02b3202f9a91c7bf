#include "support/CRegStore.h"

#include "support/Log.h"
#include "support/Paths.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

struct CRegStore::Key {
    std::map<std::string, Value> values;
    std::map<std::string, std::unique_ptr<Key>> subkeys;
};

namespace {

constexpr std::string_view kFileHeader =
    "# Loomtone settings, written by the program. Edit only while it is not running.\n";
// A temporary file is named after the store plus this and six random characters.
constexpr std::string_view kTemporaryInfix = ".tmp-";
// A temporary file this old was left behind by a writer that died.
constexpr auto kAbandonedAfter = std::chrono::hours(1);
// Links followed to find the file a store stands for; a longer chain is a loop.
constexpr int kMaxLinkHops = 40;

std::atomic<bool> g_readOnlyProcess{false};

std::string_view Trim(std::string_view text) {
    const std::string_view blanks = " \t\r";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
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
            if (byte < 0x20 || byte == 0x7f) {
                char escape[5];
                std::snprintf(escape, sizeof escape, "\\x%02x", byte);
                out += escape;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// Reads the escape after a backslash at text[pos]; pos is left on its last character.
bool ParseEscape(std::string_view text, size_t& pos, std::string* out) {
    switch (text[pos]) {
    case '\\':
    case '"':
        out->push_back(text[pos]);
        return true;
    case 'n':
        out->push_back('\n');
        return true;
    case 'r':
        out->push_back('\r');
        return true;
    case 't':
        out->push_back('\t');
        return true;
    case 'x': {
        if (pos + 2 >= text.size())
            return false;
        const int high = HexDigit(text[pos + 1]);
        const int low = HexDigit(text[pos + 2]);
        if (high < 0 || low < 0)
            return false;
        out->push_back(static_cast<char>(high * 16 + low));
        pos += 2;
        return true;
    }
    default:
        return false;
    }
}

// Reads a quoted text that starts at text[pos]; pos ends just after the closing quote.
bool ParseQuoted(std::string_view text, size_t& pos, std::string* out) {
    if (pos >= text.size() || text[pos] != '"')
        return false;
    out->clear();
    for (++pos; pos < text.size(); ++pos) {
        const size_t special = text.find_first_of("\"\\", pos);
        if (special == std::string_view::npos)
            return false;
        out->append(text.substr(pos, special - pos));
        pos = special;
        if (text[pos] == '"') {
            ++pos;
            return true;
        }
        if (++pos >= text.size() || !ParseEscape(text, pos, out))
            return false;
    }
    return false;
}

// A 32-bit number written in decimal, signed, or unsigned up to 4294967295.
bool ParseNumber(std::string_view text, int32_t* number) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
        return false;
    if (value < INT32_MIN || value > static_cast<long long>(UINT32_MAX))
        return false;
    *number = static_cast<int32_t>(static_cast<uint32_t>(value));
    return true;
}

bool ParseHex(std::string_view text, std::string* bytes) {
    if (text.size() % 2 != 0)
        return false;
    bytes->clear();
    bytes->reserve(text.size() / 2);
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes->push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}

void AppendHex(std::string& out, std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += kDigits[byte >> 4];
        out += kDigits[byte & 15];
    }
}

bool ParseValueLine(std::string_view line, std::string* name, CRegStore::Value* value) {
    size_t pos = 0;
    if (!ParseQuoted(line, pos, name) || pos >= line.size() || line[pos] != '=')
        return false;
    const std::string_view data = line.substr(pos + 1);
    *value = {};
    if (data.starts_with("num:")) {
        value->type = CRegStore::ValueType::Number;
        return ParseNumber(data.substr(4), &value->number);
    }
    if (data.starts_with("str:")) {
        value->type = CRegStore::ValueType::String;
        size_t textPos = 4;
        return ParseQuoted(data, textPos, &value->bytes) && textPos == data.size();
    }
    if (data.starts_with("hex:")) {
        value->type = CRegStore::ValueType::Blob;
        return ParseHex(data.substr(4), &value->bytes);
    }
    return false;
}

void AppendValueLine(std::string& out, const std::string& name, const CRegStore::Value& value) {
    AppendQuoted(out, name);
    switch (value.type) {
    case CRegStore::ValueType::Number:
        out += "=num:";
        out += std::to_string(value.number);
        break;
    case CRegStore::ValueType::String:
        out += "=str:";
        AppendQuoted(out, value.bytes);
        break;
    case CRegStore::ValueType::Blob:
        out += "=hex:";
        AppendHex(out, value.bytes);
        break;
    }
    out += '\n';
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool ReadUpTo(int fd, size_t limit, std::string* text) {
    text->clear();
    char buffer[65536];
    while (text->size() < limit) {
        const size_t wanted = std::min(sizeof buffer, limit - text->size());
        const ssize_t got = read(fd, buffer, wanted);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        text->append(buffer, static_cast<size_t>(got));
    }
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// Makes a rename in the folder survive a power cut.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

} // namespace

bool CRegStore::FileStamp::operator==(const FileStamp& other) const {
    if (!exists || !other.exists)
        return exists == other.exists;
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

CRegStore::CRegStore(std::string filePath)
    : m_filePath(std::move(filePath)), m_root(std::make_unique<Key>()) {}

CRegStore::~CRegStore() = default;

std::string CRegStore::CurrentUserPath() {
    std::string folder;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        folder = configHome;
        if (folder.back() != '/')
            folder += '/';
    } else {
        const std::string home = GetHomeDirectory();
        if (home.empty())
            return "";
        folder = home + ".config/";
    }
    return folder + "loomtone/registry";
}

std::shared_ptr<CRegStore> CRegStore::ForCurrentUser() {
    static std::mutex mutex;
    static std::shared_ptr<CRegStore> current;
    std::lock_guard guard(mutex);
    const std::string path = CurrentUserPath();
    if (current == nullptr || current->FilePath() != path) {
        current = std::make_shared<CRegStore>(path);
        current->Load();
    } else {
        current->ReloadIfReplaced();
    }
    return current;
}

bool CRegStore::Load() {
    std::lock_guard guard(m_lock);
    return LoadLocked();
}

bool CRegStore::LoadLocked() {
    m_root = std::make_unique<Key>();
    m_stamp = {};
    m_dirty = false;
    m_keepBeforeWriting = false;
    if (m_filePath.empty())
        return true;
    // Non-blocking, so that a named pipe put in the store's place cannot hang the program.
    const int fd = open(m_filePath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT)
            return true;
        return LoadUnreadable(std::strerror(errno));
    }
    struct stat info;
    std::string text;
    const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    // One byte more than the limit tells a file that grew past it while being read.
    const bool read = regular && static_cast<uint64_t>(info.st_size) <= kMaxFileSize &&
                      ReadUpTo(fd, kMaxFileSize + 1, &text);
    close(fd);
    if (!regular) {
        LogFmt("CRegStore::Load() - '%s' is not a file - returning false!", m_filePath.c_str());
        return false;
    }
    if (!read || text.size() > kMaxFileSize)
        return LoadUnreadable(read || static_cast<uint64_t>(info.st_size) > kMaxFileSize
                                  ? "larger than the settings may be"
                                  : "reading failed");
    m_stamp = StampOf(info);
    const size_t skipped = ParseText(text);
    m_dirty = false;
    if (skipped > 0) {
        LogFmt("CRegStore::Load() - skipped %zu unreadable lines of '%s'", skipped,
               m_filePath.c_str());
        m_keepBeforeWriting = true;
    }
    return true;
}

// Nothing of the file is taken, and the file itself is kept aside before a Flush replaces it.
bool CRegStore::LoadUnreadable(const char* why) {
    LogFmt("CRegStore::Load() - cannot read '%s': %s - returning false!", m_filePath.c_str(), why);
    m_root = std::make_unique<Key>();
    m_stamp = StampOfPath(m_filePath);
    m_keepBeforeWriting = true;
    return false;
}

void CRegStore::ReloadIfReplaced() {
    std::lock_guard guard(m_lock);
    if (!m_dirty && !(StampOfPath(m_filePath) == m_stamp))
        LoadLocked();
}

size_t CRegStore::ParseText(std::string_view text) {
    std::lock_guard guard(m_lock);
    m_root = std::make_unique<Key>();
    m_dirty = true;
    Key* current = m_root.get();
    size_t skipped = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            skipped += Trim(text.substr(start)).empty() ? 0 : 1;
            break;
        }
        const std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line[0] == '[') {
            KeyPath path;
            const bool isKeyLine = line.size() >= 2 && line.back() == ']' &&
                                   SplitKeyPath(line.substr(1, line.size() - 2), &path);
            current = isKeyLine && CreateKey(path) ? Find(path) : nullptr;
            skipped += current == nullptr ? 1 : 0;
            continue;
        }
        std::string name;
        Value value;
        if (current == nullptr || !ParseValueLine(line, &name, &value)) {
            ++skipped;
            continue;
        }
        current->values.insert_or_assign(std::move(name), std::move(value));
    }
    return skipped;
}

namespace {

void AppendValues(std::string& out, const std::map<std::string, CRegStore::Value>& values) {
    for (const auto& [name, value] : values)
        AppendValueLine(out, name, value);
}

} // namespace

std::string CRegStore::Serialize() const {
    std::lock_guard guard(m_lock);
    std::string out(kFileHeader);
    AppendValues(out, m_root->values);
    // Depth first, each key followed by its subkeys.
    struct Pending {
        const Key* key;
        std::string path;
    };
    std::vector<Pending> stack;
    for (auto it = m_root->subkeys.rbegin(); it != m_root->subkeys.rend(); ++it)
        stack.push_back({it->second.get(), it->first});
    while (!stack.empty()) {
        const Pending item = std::move(stack.back());
        stack.pop_back();
        out += "\n[" + item.path + "]\n";
        AppendValues(out, item.key->values);
        for (auto it = item.key->subkeys.rbegin(); it != item.key->subkeys.rend(); ++it)
            stack.push_back({it->second.get(), item.path + "\\" + it->first});
    }
    return out;
}

void CRegStore::SetReadOnlyProcess(bool readOnly) {
    g_readOnlyProcess = readOnly;
}

bool CRegStore::IsReadOnlyProcess() {
    return g_readOnlyProcess;
}

bool CRegStore::Flush() {
    std::lock_guard guard(m_lock);
    if (!m_dirty)
        return true;
    if (m_filePath.empty())
        return false;
    if (g_readOnlyProcess)
        return true;
    const std::string path = WritePath();
    if (m_keepBeforeWriting) {
        if (!KeepDamagedFile(path))
            return false;
        m_keepBeforeWriting = false;
    }
    FileStamp written;
    if (!WriteFile(path, Serialize(), &written))
        return false;
    m_stamp = written;
    m_dirty = false;
    RemoveAbandonedTemporaries(path);
    return true;
}

bool CRegStore::IsDirty() const {
    std::lock_guard guard(m_lock);
    return m_dirty;
}

// The file the store stands for: a symbolic link is followed to its target, so that writing
// replaces the target and leaves the link in place.
std::string CRegStore::WritePath() const {
    namespace fs = std::filesystem;
    fs::path path(m_filePath);
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error)))
            break;
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path.string();
}

// Keeps the file at the path under a name of its own (a second link to it, or a copy where
// links are not possible). True when it is kept, or when there is no file to keep.
bool CRegStore::KeepDamagedFile(const std::string& path) const {
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(path, error)))
        return true;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string reason = "no free name";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string copy = path + ".damaged-" + stamp +
                                 (attempt > 0 ? "-" + std::to_string(attempt) : std::string());
        const bool linked = link(path.c_str(), copy.c_str()) == 0;
        if (!linked && errno == EEXIST)
            continue;
        if (linked || fs::copy_file(path, copy, error)) {
            LogFmt("CRegStore::Flush() - the damaged settings file '%s' was copied to '%s'",
                   path.c_str(), copy.c_str());
            return true;
        }
        if (error != std::errc::file_exists) {
            reason = error.message();
            break;
        }
        error.clear();
    }
    LogFmt("CRegStore::Flush() - cannot keep a copy of the damaged '%s': %s - returning false!",
           path.c_str(), reason.c_str());
    return false;
}

bool CRegStore::WriteFile(const std::string& path, const std::string& text,
                          FileStamp* written) const {
    const std::string folder = FolderOf(path);
    CreateMultiLevelDir(folder);
    std::string temporary = path + std::string(kTemporaryInfix) + "XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        LogFmt("CRegStore::Flush() - cannot create a file in '%s': %s - returning false!",
               folder.c_str(), std::strerror(errno));
        return false;
    }
    struct stat info;
    bool ok = WriteAll(fd, text) && fsync(fd) == 0 && fstat(fd, &info) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) {
        const int error = errno;
        unlink(temporary.c_str());
        LogFmt("CRegStore::Flush() - cannot write '%s': %s - returning false!", path.c_str(),
               std::strerror(error));
        return false;
    }
    SyncFolder(folder);
    *written = StampOf(info);
    return true;
}

void CRegStore::RemoveAbandonedTemporaries(const std::string& path) const {
    namespace fs = std::filesystem;
    const fs::path store(path);
    const std::string prefix = store.filename().string() + std::string(kTemporaryInfix);
    const auto cutoff = fs::file_time_type::clock::now() - kAbandonedAfter;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(store.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix))
            continue;
        const auto modified = entry.last_write_time(error);
        if (!error && modified < cutoff)
            fs::remove(entry.path(), error);
    }
}

CRegStore::FileStamp CRegStore::StampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified = info.st_mtim;
    return stamp;
}

CRegStore::FileStamp CRegStore::StampOfPath(const std::string& path) {
    struct stat info;
    if (path.empty() || stat(path.c_str(), &info) != 0)
        return {};
    return StampOf(info);
}

bool CRegStore::IsValidKeyName(std::string_view name) {
    if (name.empty() || name.size() > kMaxKeyNameLength)
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || byte < 0x20 || byte == 0x7f)
            return false;
    }
    return true;
}

bool CRegStore::SplitKeyPath(std::string_view text, KeyPath* path) {
    path->clear();
    if (text.empty())
        return true;
    for (size_t start = 0;;) {
        const size_t end = text.find('\\', start);
        const std::string_view name = text.substr(start, end - start);
        if (!IsValidKeyName(name) || path->size() >= kMaxKeyDepth)
            return false;
        path->emplace_back(name);
        if (end == std::string_view::npos)
            return true;
        start = end + 1;
    }
}

CRegStore::Key* CRegStore::Find(const KeyPath& key) const {
    Key* current = m_root.get();
    for (const std::string& name : key) {
        const auto it = current->subkeys.find(name);
        if (it == current->subkeys.end())
            return nullptr;
        current = it->second.get();
    }
    return current;
}

bool CRegStore::KeyExists(const KeyPath& key) const {
    std::lock_guard guard(m_lock);
    return Find(key) != nullptr;
}

bool CRegStore::CreateKey(const KeyPath& key) {
    if (key.size() > kMaxKeyDepth)
        return false;
    for (const std::string& name : key) {
        if (!IsValidKeyName(name))
            return false;
    }
    std::lock_guard guard(m_lock);
    Key* current = m_root.get();
    for (const std::string& name : key) {
        std::unique_ptr<Key>& child = current->subkeys[name];
        if (child == nullptr) {
            child = std::make_unique<Key>();
            m_dirty = true;
        }
        current = child.get();
    }
    return true;
}

bool CRegStore::DeleteKey(const KeyPath& key) {
    if (key.empty())
        return false;
    std::lock_guard guard(m_lock);
    Key* parent = Find(KeyPath(key.begin(), key.end() - 1));
    if (parent == nullptr || parent->subkeys.erase(key.back()) == 0)
        return false;
    m_dirty = true;
    return true;
}

bool CRegStore::GetValue(const KeyPath& key, const std::string& name, Value* value) const {
    std::lock_guard guard(m_lock);
    const Key* found = Find(key);
    if (found == nullptr)
        return false;
    const auto it = found->values.find(name);
    if (it == found->values.end())
        return false;
    *value = it->second;
    return true;
}

size_t CRegStore::ValueCount(const KeyPath& key) const {
    std::lock_guard guard(m_lock);
    const Key* found = Find(key);
    return found == nullptr ? 0 : found->values.size();
}

bool CRegStore::SetValue(const KeyPath& key, const std::string& name, const Value& value) {
    Value stored = value;
    if (stored.type == ValueType::Number)
        stored.bytes.clear();
    else
        stored.number = 0;
    std::lock_guard guard(m_lock);
    Key* found = Find(key);
    if (found == nullptr)
        return false;
    const auto it = found->values.find(name);
    if (it != found->values.end() && it->second == stored)
        return true;
    found->values.insert_or_assign(name, std::move(stored));
    m_dirty = true;
    return true;
}

bool CRegStore::DeleteValue(const KeyPath& key, const std::string& name) {
    std::lock_guard guard(m_lock);
    Key* found = Find(key);
    if (found == nullptr || found->values.erase(name) == 0)
        return false;
    m_dirty = true;
    return true;
}
