#pragma once

#include "support/CLock.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

// The per-user settings store that stands in for the system registry: a tree of named keys,
// each holding named values of three types (32-bit number, text, bytes), kept in one
// human-readable text file.
//
// File format, one item per line, every line ended by '\n':
//   # comment
//   [SOFTWARE\Veranth\Loomtone4]      a key: its path from the root, levels joined by '\'
//   "name"=num:-42                    a 32-bit number in decimal
//   "name"=str:"text"                 text (UTF-8)
//   "name"=hex:0a1b2c                 bytes, two hex digits each
// Value lines belong to the key line above them; those before any key line belong to the root.
// Names and texts escape \\ \" \n \r \t and other control bytes as \xHH.
//
// Reading a damaged file keeps whatever parses: an unreadable line is skipped, the value lines
// after an unreadable key line are skipped up to the next key line (so they never land in the
// wrong key), and a last line without its '\n' is skipped, since only a cut-off file ends so.
// A file larger than kMaxFileSize is not read at all. A file that was damaged, too large or
// unreadable is kept beside the store, as "<store>.damaged-<date and time>", before the first
// Flush writes over it, and the log names the copy.
//
// Changes stay in memory until Flush, which writes the whole file to a temporary file in the
// same folder, syncs it and renames it over the store, so the file on disk is always either the
// old or the new one. A store that is a symbolic link is written in the folder of the file it
// leads to, which the new file replaces; the link stays. Two processes writing the same store
// never tear it; the last writer wins. Every operation is safe to call from several threads at
// once.
class CRegStore {
public:
    enum class ValueType : uint8_t { Number, String, Blob };
    struct Value {
        ValueType type = ValueType::Number;
        int32_t number = 0;
        std::string bytes; // the text of a String, the bytes of a Blob
        bool operator==(const Value&) const = default;
    };
    // Key names from the root down; empty for the root itself.
    using KeyPath = std::vector<std::string>;

    static constexpr size_t kMaxKeyDepth = 32;
    static constexpr size_t kMaxKeyNameLength = 255;
    // A bigger file is not read.
    static constexpr size_t kMaxFileSize = 16u << 20;

    // A store kept in the file at the path; "" keeps it in memory only. Nothing is read yet.
    explicit CRegStore(std::string filePath);
    ~CRegStore();
    CRegStore(const CRegStore&) = delete;
    CRegStore& operator=(const CRegStore&) = delete;

    // Where the current user's store lives: $XDG_CONFIG_HOME/loomtone/registry, with
    // ~/.config in place of a missing or relative $XDG_CONFIG_HOME. "" when no home is known.
    static std::string CurrentUserPath();
    // The current user's store, shared by every caller. The location is looked up on every
    // call, so a changed $XDG_CONFIG_HOME yields the store found there. A store without unsaved
    // changes is read again when its file was replaced since it was last read or written.
    static std::shared_ptr<CRegStore> ForCurrentUser();

    const std::string& FilePath() const { return m_filePath; }

    // While set, Flush writes nothing and answers true: changes stay in memory for the rest
    // of the process. Commands that only read the settings set it, so that the user's settings
    // stay exactly as they were.
    static void SetReadOnlyProcess(bool readOnly);
    static bool IsReadOnlyProcess();

    // Replaces the contents with what the file holds; a missing file is an empty store.
    // False (and an empty store) when the file exists but cannot be read.
    bool Load();
    // Replaces the contents with what the text holds; the store then counts as changed.
    // Returns the number of lines skipped as unreadable.
    size_t ParseText(std::string_view text);
    // The whole store in the file format.
    std::string Serialize() const;
    // Writes the file when something changed since it was last read or written. False when
    // the store has no file or writing failed; the changes are then still unsaved.
    bool Flush();
    bool IsDirty() const;

    // Not empty, at most kMaxKeyNameLength bytes, no '\' and no control characters.
    static bool IsValidKeyName(std::string_view name);
    // Splits a path of key names joined by '\'; false when a level is not a valid key name or
    // the path is too deep. "" is the root.
    static bool SplitKeyPath(std::string_view text, KeyPath* path);

    bool KeyExists(const KeyPath& key) const;
    // Creates every missing level; true when the key exists afterwards.
    bool CreateKey(const KeyPath& key);
    // Removes the key with all its values and subkeys; the root cannot be removed.
    bool DeleteKey(const KeyPath& key);
    bool GetValue(const KeyPath& key, const std::string& name, Value* value) const;
    // The number of values the key holds (not counting its subkeys); 0 when it does not exist.
    size_t ValueCount(const KeyPath& key) const;
    // False when the key does not exist.
    bool SetValue(const KeyPath& key, const std::string& name, const Value& value);
    bool DeleteValue(const KeyPath& key, const std::string& name);

private:
    struct Key;
    // What identifies one version of the file on disk.
    struct FileStamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const FileStamp& other) const;
    };

    bool LoadLocked();
    bool LoadUnreadable(const char* why);
    void ReloadIfReplaced();
    std::string WritePath() const;
    bool KeepDamagedFile(const std::string& path) const;
    bool WriteFile(const std::string& path, const std::string& text, FileStamp* written) const;
    void RemoveAbandonedTemporaries(const std::string& path) const;
    static FileStamp StampOf(const struct stat& info);
    static FileStamp StampOfPath(const std::string& path);
    Key* Find(const KeyPath& key) const;

    const std::string m_filePath;
    mutable CLock m_lock;
    std::unique_ptr<Key> m_root;
    FileStamp m_stamp;
    bool m_dirty = false;
    // The file on disk could not be taken as it is: it is kept before anything replaces it.
    bool m_keepBeforeWriting = false;
};
