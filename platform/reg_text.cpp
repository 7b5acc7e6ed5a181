#include "platform/reg_text.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kDwordPrefix = "dword:";

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view trim(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads a quoted string with the \\ and \" escapes from the start of text. Returns the
// number of characters consumed, or 0 when there is no closing quote.
size_t readQuoted(std::string_view text, std::string& out)
{
    if (text.empty() || text.front() != '"')
        return 0;
    out.clear();
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            return i + 1;
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out.push_back(text[++i]);
            continue;
        }
        out.push_back(c);
    }
    return 0;
}

void writeQuoted(std::string& out, std::string_view text)
{
    out.push_back('"');
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

RegValue parseData(std::string name, std::string_view data)
{
    RegValue value;
    value.name = std::move(name);
    if (data.size() >= kDwordPrefix.size() && regNamesEqual(data.substr(0, kDwordPrefix.size()), kDwordPrefix)) {
        const std::string_view digits = trim(data.substr(kDwordPrefix.size()));
        uint32_t number = 0;
        bool good = !digits.empty() && digits.size() <= 8;
        for (const char c : digits) {
            const int digit = hexDigit(c);
            if (digit < 0) {
                good = false;
                break;
            }
            number = (number << 4) | static_cast<uint32_t>(digit);
        }
        value.kind = good ? RegValue::Kind::Integer : RegValue::Kind::Unreadable;
        value.integer = good ? number : 0;
        if (!good)
            value.text = std::string(data);
        return value;
    }
    if (!data.empty() && data.front() == '"') {
        std::string text;
        const size_t used = readQuoted(data, text);
        if (used > 0 && trim(data.substr(used)).empty()) {
            value.kind = RegValue::Kind::String;
            value.text = std::move(text);
        } else {
            value.kind = RegValue::Kind::Unreadable;
            value.text = std::string(data);
        }
        return value;
    }
    value.kind = data.empty() ? RegValue::Kind::Unreadable : RegValue::Kind::Other;
    value.text = std::string(data);
    return value;
}

} // namespace

bool regNamesEqual(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

bool isStorableRegString(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

RegValue* RegKey::find(std::string_view name)
{
    for (RegValue& value : values) {
        if (regNamesEqual(value.name, name))
            return &value;
    }
    return nullptr;
}

const RegValue* RegKey::find(std::string_view name) const
{
    return const_cast<RegKey*>(this)->find(name);
}

void RegKey::set(RegValue value)
{
    if (RegValue* existing = find(value.name))
        *existing = std::move(value);
    else
        values.push_back(std::move(value));
}

RegKey* RegDocument::find(std::string_view path)
{
    for (RegKey& key : keys) {
        if (regNamesEqual(key.path, path))
            return &key;
    }
    return nullptr;
}

const RegKey* RegDocument::find(std::string_view path) const
{
    return const_cast<RegDocument*>(this)->find(path);
}

RegKey& RegDocument::findOrAdd(std::string_view path)
{
    if (RegKey* key = find(path))
        return *key;
    keys.push_back(RegKey { std::string(path), {} });
    return keys.back();
}

RegDocument parseRegText(std::string_view text)
{
    RegDocument document;
    if (text.size() > kMaxRegTextBytes)
        return document;
    RegKey* current = nullptr;
    std::string joined;
    size_t position = 0;
    while (position < text.size()) {
        size_t end = text.find('\n', position);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = trim(text.substr(position, end - position));
        position = end + 1;

        if (line.empty() || line.front() == ';' || line == kHeader)
            continue;
        if (line.front() == '[') {
            current = nullptr;
            if (line.back() == ']' && line.size() > 2)
                current = &document.findOrAdd(line.substr(1, line.size() - 2));
            continue;
        }
        if (line.front() != '"' || current == nullptr)
            continue;

        std::string name;
        const size_t used = readQuoted(line, name);
        if (used == 0)
            continue;
        std::string_view rest = trim(line.substr(used));
        if (rest.empty() || rest.front() != '=')
            continue;
        rest = trim(rest.substr(1));
        // Binary types continue over several lines, each ending in a backslash.
        if (!rest.empty() && rest.front() != '"' && rest.back() == '\\') {
            joined.assign(rest);
            while (!joined.empty() && joined.back() == '\\' && position < text.size()) {
                joined.pop_back();
                size_t next = text.find('\n', position);
                if (next == std::string_view::npos)
                    next = text.size();
                joined.append(trim(text.substr(position, next - position)));
                position = next + 1;
            }
            // A continuation mark on the last line of the file continues nothing. Whatever
            // is kept must not end in one either, or it would continue when written again.
            rest = trim(joined);
            while (!rest.empty() && rest.back() == '\\')
                rest = trim(rest.substr(0, rest.size() - 1));
        }
        current->set(parseData(std::move(name), rest));
    }
    return document;
}

std::string formatRegText(const RegDocument& document)
{
    std::string out(kHeader);
    out += "\n";
    for (const RegKey& key : document.keys) {
        out += "\n[";
        out += key.path;
        out += "]\n";
        for (const RegValue& value : key.values) {
            writeQuoted(out, value.name);
            out.push_back('=');
            switch (value.kind) {
            case RegValue::Kind::Integer: {
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x", value.integer);
                out += digits;
                break;
            }
            case RegValue::Kind::String:
                writeQuoted(out, value.text);
                break;
            case RegValue::Kind::Other:
            case RegValue::Kind::Unreadable:
                out += value.text;
                break;
            }
            out.push_back('\n');
        }
    }
    return out;
}
