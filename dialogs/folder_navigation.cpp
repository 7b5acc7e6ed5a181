#include "dialogs/folder_navigation.h"

#include <algorithm>
#include <cctype>

namespace fs = std::filesystem;

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "/a/b/" and "/a/b" are the same folder; navigation works on the form without the slash.
fs::path withoutTrailingSlash(const fs::path& folder)
{
    fs::path normal = folder.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path())
        normal = normal.parent_path();
    return normal;
}

std::string trimmed(const std::string& text)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    auto first = std::find_if_not(text.begin(), text.end(), blank);
    auto last = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(first), blank).base();
    return std::string(first, last);
}

} // namespace

std::vector<std::string> folderLines(const fs::path& folder)
{
    std::vector<std::string> lines;
    const fs::path current = withoutTrailingSlash(folder);
    if (current != current.root_path())
        lines.push_back(kParentFolderLine);
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entry(current, fs::directory_options::skip_permission_denied, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        std::error_code kindError;
        if (entry->is_directory(kindError))
            names.push_back(entry->path().filename().string());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string lowerA = lowered(a), lowerB = lowered(b);
        return lowerA != lowerB ? lowerA < lowerB : a < b;
    });
    lines.insert(lines.end(), names.begin(), names.end());
    return lines;
}

fs::path enterFolderLine(const fs::path& folder, const std::string& line)
{
    const fs::path current = withoutTrailingSlash(folder);
    if (line == kParentFolderLine)
        return current == current.root_path() ? current : current.parent_path();
    return current / line;
}

namespace {

std::optional<fs::path> typedFolderExactly(const std::string& typed, const fs::path& shown, const fs::path& home)
{
    if (typed.empty())
        return std::nullopt;
    fs::path folder;
    if (typed == "~")
        folder = home;
    else if (typed.starts_with("~/"))
        folder = home / typed.substr(2);
    else if (fs::path(typed).is_absolute())
        folder = typed;
    else
        folder = (withoutTrailingSlash(shown) / typed).lexically_normal();
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return std::nullopt;
    return folder;
}

} // namespace

std::optional<fs::path> typedFolder(const std::string& text, const fs::path& shown, const fs::path& home)
{
    // Blanks around a pasted path are dropped, unless the folder's own name has them.
    if (auto folder = typedFolderExactly(text, shown, home))
        return folder;
    return typedFolderExactly(trimmed(text), shown, home);
}
