#include "platform/key_store.h"

#include <system_error>

#include "platform/atomic_file.h"
#include "platform/regular_file.h"
#include "platform/user_folders.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

} // namespace

std::string FullKeyPath(std::string_view path)
{
    std::string full(kRootName);
    size_t position = 0;
    while (position <= path.size()) {
        size_t end = path.find('\\', position);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > position) {
            full.push_back('\\');
            full.append(path.substr(position, end - position));
        }
        position = end + 1;
    }
    return full;
}

RegFileKeyStore::RegFileKeyStore(fs::path file)
    : m_file(std::move(file))
{
}

bool RegFileKeyStore::readDocument(RegDocument& document)
{
    document = {};
    m_problem.clear();
    std::string text;
    const RegularFileRead result = ReadRegularFile(m_file, kMaxRegTextBytes, text);
    if (result == RegularFileRead::Missing)
        return true;
    if (result != RegularFileRead::Ok) {
        m_problem = "the settings store " + m_file.string() + " " + DescribeRegularFileRead(result);
        if (result == RegularFileRead::TooLarge)
            m_problem += " (over " + std::to_string(kMaxRegTextBytes >> 20) + " MiB)";
        return false;
    }
    document = ParseRegText(text);
    return true;
}

RegFileKeyStore::OpenedKey* RegFileKeyStore::find(KeyHandle key)
{
    const auto found = m_open.find(key);
    return found == m_open.end() ? nullptr : &found->second;
}

KeyHandle RegFileKeyStore::OpenKey(std::string_view path, bool create)
{
    const std::string full = FullKeyPath(path);
    if (full.size() == kRootName.size())
        return kNoKey;
    RegDocument document;
    if (!readDocument(document))
        return kNoKey;
    OpenedKey opened;
    if (const RegKey* key = document.Find(full)) {
        opened.key = *key;
    } else if (create) {
        opened.key.path = full;
        opened.created = true;
    } else {
        return kNoKey;
    }
    const KeyHandle handle = m_nextHandle++;
    m_open.emplace(handle, std::move(opened));
    return handle;
}

ValueRead RegFileKeyStore::ReadInteger(KeyHandle key, std::string_view name, int32_t& value)
{
    const OpenedKey* opened = find(key);
    const RegValue* stored = opened ? opened->key.Find(name) : nullptr;
    if (!stored || stored->kind == RegValue::Kind::Unreadable)
        return ValueRead::Missing;
    if (stored->kind != RegValue::Kind::Integer)
        return ValueRead::WrongType;
    value = static_cast<int32_t>(stored->integer);
    return ValueRead::Ok;
}

ValueRead RegFileKeyStore::ReadString(KeyHandle key, std::string_view name, std::string& value)
{
    const OpenedKey* opened = find(key);
    const RegValue* stored = opened ? opened->key.Find(name) : nullptr;
    if (!stored || stored->kind == RegValue::Kind::Unreadable)
        return ValueRead::Missing;
    if (stored->kind != RegValue::Kind::String)
        return ValueRead::WrongType;
    value = stored->text;
    return ValueRead::Ok;
}

bool RegFileKeyStore::WriteInteger(KeyHandle key, std::string_view name, int32_t value)
{
    OpenedKey* opened = find(key);
    if (!opened || name.empty() || !IsStorableRegString(name))
        return false;
    RegValue stored { std::string(name), RegValue::Kind::Integer, static_cast<uint32_t>(value), {} };
    opened->key.Set(stored);
    opened->writes.push_back(std::move(stored));
    return true;
}

bool RegFileKeyStore::WriteString(KeyHandle key, std::string_view name, std::string_view value)
{
    OpenedKey* opened = find(key);
    // A line break cannot be written in this layout; refuse rather than store something else.
    if (!opened || name.empty() || !IsStorableRegString(name) || !IsStorableRegString(value))
        return false;
    RegValue stored { std::string(name), RegValue::Kind::String, 0, std::string(value) };
    opened->key.Set(stored);
    opened->writes.push_back(std::move(stored));
    return true;
}

bool RegFileKeyStore::CloseKey(KeyHandle key)
{
    const auto found = m_open.find(key);
    if (found == m_open.end())
        return false;
    OpenedKey opened = std::move(found->second);
    m_open.erase(found);
    if (opened.writes.empty() && !opened.created)
        return true;

    // What cannot be read is not written over: the writes would replace it whole.
    RegDocument document;
    if (!readDocument(document))
        return false;
    RegKey& stored = document.FindOrAdd(opened.key.path);
    for (RegValue& value : opened.writes)
        stored.Set(std::move(value));
    return EnsureFolder(m_file.parent_path()) && WriteFileAtomically(m_file, FormatRegText(document));
}

fs::path KeyStoreFilePath()
{
    return OpalConfigFolder() / "registry.reg";
}

std::unique_ptr<KeyStore> OpenUserKeyStore()
{
    return std::make_unique<RegFileKeyStore>(KeyStoreFilePath());
}
