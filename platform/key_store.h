#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/reg_text.h"

// The per-user key store: keys named by backslash-separated paths below the user's root
// ("Software\Tallow Engines\Opal Revel\Values"), each holding named 32-bit integers and
// strings. These are exactly the operations the settings store needs.

// What a read found. Missing and WrongType are kept apart so that callers can tell a value
// that is absent (or unreadable) from one that holds something else than was asked for.
enum class ValueRead { Ok, Missing, WrongType };

using KeyHandle = int;
constexpr KeyHandle kNoKey = 0;

class KeyStore {
public:
    virtual ~KeyStore() = default;

    // Opens the key; without create it must exist already. kNoKey when it cannot be opened.
    virtual KeyHandle openKey(std::string_view path, bool create) = 0;
    virtual ValueRead readInteger(KeyHandle key, std::string_view name, int32_t& value) = 0;
    virtual ValueRead readString(KeyHandle key, std::string_view name, std::string& value) = 0;
    virtual bool writeInteger(KeyHandle key, std::string_view name, int32_t value) = 0;
    virtual bool writeString(KeyHandle key, std::string_view name, std::string_view value) = 0;
    // Ends the use of the handle. False when changes made through it could not be stored.
    virtual bool closeKey(KeyHandle key) = 0;
    // Why the last open found no key although the store exists: it could not be read (too
    // large, not a regular file, no permission). Empty when the store was read or does not
    // exist yet, so that a missing key really is missing.
    virtual std::string problem() const { return {}; }
};

// The store kept in one REGEDIT4 text file (see reg_text.h), with the root written as
// HKEY_CURRENT_USER. Opening a key reads the file; writes are collected per handle and
// stored when the handle is closed, by reading the file again, applying them and replacing
// the file atomically, so a second program that changed other keys meanwhile loses nothing.
// A missing or corrupt file never fails an open for reading: what cannot be parsed counts as
// missing. A file that exists but cannot be read at all (too large, a pipe, no permission)
// opens no key, with or without create, and is never written over: Problem() says why.
class RegFileKeyStore final : public KeyStore {
public:
    explicit RegFileKeyStore(std::filesystem::path file);

    KeyHandle openKey(std::string_view path, bool create) override;
    ValueRead readInteger(KeyHandle key, std::string_view name, int32_t& value) override;
    ValueRead readString(KeyHandle key, std::string_view name, std::string& value) override;
    bool writeInteger(KeyHandle key, std::string_view name, int32_t value) override;
    bool writeString(KeyHandle key, std::string_view name, std::string_view value) override;
    bool closeKey(KeyHandle key) override;
    std::string problem() const override { return m_problem; }

    const std::filesystem::path& file() const { return m_file; }

private:
    struct OpenedKey {
        RegKey key; // the values as read, with this handle's writes applied
        std::vector<RegValue> writes;
        bool created = false;
    };

    // False (with m_problem set) when the file exists but cannot be read.
    bool readDocument(RegDocument& document);
    OpenedKey* find(KeyHandle key);

    std::filesystem::path m_file;
    std::string m_problem;
    std::map<KeyHandle, OpenedKey> m_open;
    KeyHandle m_nextHandle = 1;
};

// The key path as written in the file: the user's root, then the path with empty parts
// (doubled, leading or trailing backslashes) removed.
std::string fullKeyPath(std::string_view path);

// <config home>/opal-revel/registry.reg
std::filesystem::path keyStoreFilePath();
// The user's store at keyStoreFilePath() as it is when called.
std::unique_ptr<KeyStore> openUserKeyStore();
