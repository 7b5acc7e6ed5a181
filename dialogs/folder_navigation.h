#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The navigation behind the directory chooser, without Qt: the lines of its folder list, where
// a chosen line leads, and what a typed path names. Paths are kept as the user gave them (a
// trailing slash, blanks and non-ASCII letters stay), so the chosen folder is stored exactly
// as picked.

// The line that leads to the parent folder.
inline constexpr const char* kParentFolderLine = "..";

// The lines of the list for a folder: ".." unless it is the root, then the names of its
// sub-folders (links to folders included), sorted without regard to case. A folder that
// cannot be read lists only "..".
std::vector<std::string> folderLines(const std::filesystem::path& folder);

// The folder a line of the list leads to: ".." is the parent (the root stays the root),
// any other line the sub-folder of that name.
std::filesystem::path enterFolderLine(const std::filesystem::path& folder, const std::string& line);

// The folder a typed path names, or nothing when it names no existing folder. "~" and "~/..."
// start at home; a relative path starts at the folder shown. Blanks around the text are
// dropped unless the folder's own name has them.
std::optional<std::filesystem::path> typedFolder(const std::string& text, const std::filesystem::path& shown,
    const std::filesystem::path& home);
