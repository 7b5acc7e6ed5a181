#include "platform/key_store.h"

#include <system_error>

#include "platform/atomic_file.h"
#include "platform/regular_file.h"
#include "platform/user_folders.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";

} // namespace

std::string fullKeyPath(std::string_view path)
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
    const RegularFileRead result = readRegularFile(m_file, kMaxRegTextBytes, text);
    if (result == RegularFileRead::Missing)
        return true;
    if (result != RegularFileRead::Ok) {
        m_problem = "the settings store " + m_file.string() + " " + describeRegularFileRead(result);
        if (result == RegularFileRead::TooLarge)
            m_problem += " (over " + std::to_string(kMaxRegTextBytes >> 20) + " MiB)";
        return false;
    }
    document = parseRegText(text);
    return true;
}

RegFileKeyStore::OpenedKey* RegFileKeyStore::find(KeyHandle key)
{
    const auto found = m_open.find(key);
    return found == m_open.end() ? nullptr : &found->second;
}

KeyHandle RegFileKeyStore::openKey(std::string_view path, bool create)
{
    const std::string full = fullKeyPath(path);
    if (full.size() == kRootName.size())
        return kNoKey;
    RegDocument document;
    if (!readDocument(document))
        return kNoKey;
    OpenedKey opened;
    if (const RegKey* key = document.find(full)) {
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

ValueRead RegFileKeyStore::readInteger(KeyHandle key, std::string_view name, int32_t& value)
{
    const OpenedKey* opened = find(key);
    const RegValue* stored = opened ? opened->key.find(name) : nullptr;
    if (!stored || stored->kind == RegValue::Kind::Unreadable)
        return ValueRead::Missing;
    if (stored->kind != RegValue::Kind::Integer)
        return ValueRead::WrongType;
    value = static_cast<int32_t>(stored->integer);
    return ValueRead::Ok;
}

ValueRead RegFileKeyStore::readString(KeyHandle key, std::string_view name, std::string& value)
{
    const OpenedKey* opened = find(key);
    const RegValue* stored = opened ? opened->key.find(name) : nullptr;
    if (!stored || stored->kind == RegValue::Kind::Unreadable)
        return ValueRead::Missing;
    if (stored->kind != RegValue::Kind::String)
        return ValueRead::WrongType;
    value = stored->text;
    return ValueRead::Ok;
}

bool RegFileKeyStore::writeInteger(KeyHandle key, std::string_view name, int32_t value)
{
    OpenedKey* opened = find(key);
    if (!opened || name.empty() || !isStorableRegString(name))
        return false;
    RegValue stored { std::string(name), RegValue::Kind::Integer, static_cast<uint32_t>(value), {} };
    opened->key.set(stored);
    opened->writes.push_back(std::move(stored));
    return true;
}

bool RegFileKeyStore::writeString(KeyHandle key, std::string_view name, std::string_view value)
{
    OpenedKey* opened = find(key);
    // A line break cannot be written in this layout; refuse rather than store something else.
    if (!opened || name.empty() || !isStorableRegString(name) || !isStorableRegString(value))
        return false;
    RegValue stored { std::string(name), RegValue::Kind::String, 0, std::string(value) };
    opened->key.set(stored);
    opened->writes.push_back(std::move(stored));
    return true;
}

bool RegFileKeyStore::closeKey(KeyHandle key)
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
    RegKey& stored = document.findOrAdd(opened.key.path);
    for (RegValue& value : opened.writes)
        stored.set(std::move(value));
    return ensureFolder(m_file.parent_path()) && writeFileAtomically(m_file, formatRegText(document));
}

fs::path keyStoreFilePath()
{
    return opalConfigFolder() / "registry.reg";
}

std::unique_ptr<KeyStore> openUserKeyStore()
{
    return std::make_unique<RegFileKeyStore>(keyStoreFilePath());
}
