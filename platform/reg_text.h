#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The text layout of the per-user key store: the REGEDIT4 ".reg" form.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Tallow Engines\Opal Revel\Values]
//   "Scale"=dword:0000004b
//
//   [HKEY_CURRENT_USER\Software\Tallow Engines\Opal Revel\Paths]
//   "PresetsDir"="/home/someone/.local/share/opal-revel/presets"
//
// A section names a key by its full path; each line below it is one value: a quoted name,
// "=", and either dword: with one to eight hexadecimal digits (a 32-bit integer), a quoted
// string with \\ and \" as its only escapes, or any other registry type, which is kept as
// written and never interpreted. The parser never fails: lines it cannot read are left out,
// a dword that is not one to eight hex digits (or a string with text after its closing
// quote) is kept as unreadable, and values outside any section are dropped.

struct RegValue {
    enum class Kind { Integer, String, Other, Unreadable };
    std::string name;
    Kind kind = Kind::Unreadable;
    uint32_t integer = 0;
    // The string for Kind::String; the text after "=" for Kind::Other and Kind::Unreadable.
    std::string text;

    bool operator==(const RegValue&) const = default;
};

struct RegKey {
    // The full path as written between the brackets, e.g. HKEY_CURRENT_USER\Software\...
    std::string path;
    std::vector<RegValue> values;

    // Registry names compare without regard to ASCII case.
    RegValue* find(std::string_view name);
    const RegValue* find(std::string_view name) const;
    // Replaces the value of that name in place, or appends it.
    void set(RegValue value);

    bool operator==(const RegKey&) const = default;
};

struct RegDocument {
    std::vector<RegKey> keys;

    RegKey* find(std::string_view path);
    const RegKey* find(std::string_view path) const;
    // The key of that path, appended empty when it is not there yet.
    RegKey& findOrAdd(std::string_view path);

    bool operator==(const RegDocument&) const = default;
};

// Texts larger than this are not parsed at all. A store this large is far beyond anything the
// program writes, yet a hand-edited or padded file of a few MiB is still read.
constexpr size_t kMaxRegTextBytes = 32u << 20;

RegDocument parseRegText(std::string_view text);
std::string formatRegText(const RegDocument& document);

// True when text can be stored as a string value: no line breaks and no zero bytes.
bool isStorableRegString(std::string_view text);
// Case-insensitive comparison of two key paths or value names (ASCII letters only).
bool regNamesEqual(std::string_view a, std::string_view b);
