#include "support/CRegKey.h"

#include "support/Paths.h"

CRegKey::CRegKey(RegRoot) : m_store(CRegStore::ForCurrentUser()) {}

CRegKey::CRegKey(std::shared_ptr<CRegStore> store) : m_store(std::move(store)) {}

CRegKey::CRegKey(std::shared_ptr<CRegStore> store, CRegStore::KeyPath path)
    : m_store(std::move(store)), m_path(std::move(path)) {}

bool CRegKey::ChildPath(std::string_view path, CRegStore::KeyPath* child) const {
    CRegStore::KeyPath below;
    if (path.empty() || !CRegStore::SplitKeyPath(path, &below) ||
        m_path.size() + below.size() > CRegStore::kMaxKeyDepth)
        return false;
    *child = m_path;
    child->insert(child->end(), below.begin(), below.end());
    return true;
}

std::unique_ptr<CRegKey> CRegKey::GetSubKey(std::string_view path) const {
    CRegStore::KeyPath child;
    if (!ChildPath(path, &child) || !m_store->KeyExists(child))
        return nullptr;
    return std::unique_ptr<CRegKey>(new CRegKey(m_store, std::move(child)));
}

std::unique_ptr<CRegKey> CRegKey::CreateSubKey(std::string_view path) {
    CRegStore::KeyPath child;
    if (!ChildPath(path, &child) || !m_store->KeyExists(m_path) || !m_store->CreateKey(child))
        return nullptr;
    return std::unique_ptr<CRegKey>(new CRegKey(m_store, std::move(child)));
}

bool CRegKey::DeleteRegKey(std::string_view path) {
    CRegStore::KeyPath child;
    return ChildPath(path, &child) && m_store->DeleteKey(child);
}

bool CRegKey::SubKeyExists(const std::string& valueName) const {
    CRegStore::Value value;
    return m_store->GetValue(m_path, valueName, &value);
}

bool CRegKey::HasValues() const {
    return m_store->ValueCount(m_path) > 0;
}

bool CRegKey::GetTyped(const std::string& name, CRegStore::ValueType type,
                       CRegStore::Value* value) const {
    return m_store->GetValue(m_path, name, value) && value->type == type;
}

bool CRegKey::GetKeyNum(const std::string& name, int32_t* value) const {
    CRegStore::Value stored;
    if (!GetTyped(name, CRegStore::ValueType::Number, &stored))
        return false;
    *value = stored.number;
    return true;
}

bool CRegKey::GetKeyStringW(const std::string& name, std::wstring* value) const {
    std::string text;
    if (!GetKeyString(name, &text))
        return false;
    *value = ConvertSingleByteToUnicode(text);
    return true;
}

bool CRegKey::GetKeyString(const std::string& name, std::string* value) const {
    CRegStore::Value stored;
    if (!GetTyped(name, CRegStore::ValueType::String, &stored))
        return false;
    *value = std::move(stored.bytes);
    return true;
}

bool CRegKey::GetKeyData(const std::string& name, std::vector<uint8_t>* data) const {
    CRegStore::Value stored;
    if (!GetTyped(name, CRegStore::ValueType::Blob, &stored))
        return false;
    data->assign(stored.bytes.begin(), stored.bytes.end());
    return true;
}

bool CRegKey::SetKeyNum(const std::string& name, int32_t value) {
    CRegStore::Value stored;
    stored.type = CRegStore::ValueType::Number;
    stored.number = value;
    return m_store->SetValue(m_path, name, stored);
}

bool CRegKey::SetKeyStringW(const std::string& name, const std::wstring& value) {
    return SetKeyString(name, ConvertUnicodeToSingleByte(value));
}

bool CRegKey::SetKeyString(const std::string& name, const std::string& value) {
    CRegStore::Value stored;
    stored.type = CRegStore::ValueType::String;
    stored.bytes = value;
    return m_store->SetValue(m_path, name, stored);
}

bool CRegKey::SetKeyData(const std::string& name, const void* data, size_t size) {
    if (data == nullptr && size > 0)
        return false;
    CRegStore::Value stored;
    stored.type = CRegStore::ValueType::Blob;
    if (size > 0)
        stored.bytes.assign(static_cast<const char*>(data), size);
    return m_store->SetValue(m_path, name, stored);
}

bool CRegKey::DeleteRegValue(const std::string& name) {
    return m_store->DeleteValue(m_path, name);
}

bool CRegKey::Flush() {
    return m_store->Flush();
}

std::string CRegKey::KeyPathText() const {
    std::string text;
    for (const std::string& name : m_path) {
        if (!text.empty())
            text += '\\';
        text += name;
    }
    return text;
}
