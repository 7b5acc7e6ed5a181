#pragma once

#include <filesystem>
#include <string_view>

// Replaces the file at path with the given bytes so that a crash, a full disk or a failed
// write never leaves a half-written file where a good one was: the bytes go to a temporary
// file in the same folder, are flushed to disk, and the temporary file is renamed over the
// target. On any failure the temporary file is removed, the old file is left as it was and
// the result is false. The folder must exist. A symbolic link at path is followed, and the
// file it leads to is replaced.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);
