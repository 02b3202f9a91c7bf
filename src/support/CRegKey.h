#pragma once

#include "support/CRegStore.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The roots a key can be opened on. Only the current user's store exists.
enum class RegRoot { CurrentUser };

// One key of the settings store (see CRegStore): reads and writes its named values and opens
// its subkeys. A key handle stays usable while the store changes; once its key is deleted,
// reads find nothing and writes fail.
//
// Writes change the store in memory; Flush writes the whole store to disk atomically. Code that
// changes settings calls Flush when it is done (CPrefs::Save does).
class CRegKey {
public:
    // The root of the current user's store, located when the handle is made.
    explicit CRegKey(RegRoot root);
    // The root of the given store.
    explicit CRegKey(std::shared_ptr<CRegStore> store);

    // The subkey at a path below this key (names joined by '\'), or null when it does not
    // exist or the path is not valid.
    std::unique_ptr<CRegKey> GetSubKey(std::string_view path) const;
    // As GetSubKey, creating every missing level first.
    std::unique_ptr<CRegKey> CreateSubKey(std::string_view path);
    // Removes the subkey at the path with everything below it.
    bool DeleteRegKey(std::string_view path);

    // True when this key holds a value of that name (of any type).
    bool SubKeyExists(const std::string& valueName) const;
    // True when this key holds any value at all.
    bool HasValues() const;

    // Each read fails when the value is missing or of another type.
    bool GetKeyNum(const std::string& name, int32_t* value) const;
    bool GetKeyStringW(const std::string& name, std::wstring* value) const;
    // The text as stored, UTF-8.
    bool GetKeyString(const std::string& name, std::string* value) const;
    bool GetKeyData(const std::string& name, std::vector<uint8_t>* data) const;

    // Each write replaces a value of any type; it fails when this key no longer exists.
    bool SetKeyNum(const std::string& name, int32_t value);
    bool SetKeyStringW(const std::string& name, const std::wstring& value);
    bool SetKeyString(const std::string& name, const std::string& value);
    bool SetKeyData(const std::string& name, const void* data, size_t size);
    bool DeleteRegValue(const std::string& name);

    // Writes the store to disk when it changed. False when writing failed.
    bool Flush();

    // The file that holds the store, "" for a store in memory.
    const std::string& StoreFilePath() const { return m_store->FilePath(); }
    // The path of this key from the root, levels joined by '\'.
    std::string KeyPathText() const;

private:
    CRegKey(std::shared_ptr<CRegStore> store, CRegStore::KeyPath path);
    bool ChildPath(std::string_view path, CRegStore::KeyPath* child) const;
    bool GetTyped(const std::string& name, CRegStore::ValueType type,
                  CRegStore::Value* value) const;

    std::shared_ptr<CRegStore> m_store;
    CRegStore::KeyPath m_path;
};
