#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

// Reading a file that someone else may have put in place. Only a regular file is read: a
// named pipe, a device or a socket under a file's name is refused without being opened for
// long (opening a pipe for reading would wait for a writer forever), and a file is never
// read beyond the limit its reader gives.

enum class RegularFileRead {
    Ok, // the whole file is in the bytes
    Missing, // nothing at the path (or a link that leads nowhere)
    NotRegular, // a folder, pipe, device or socket
    TooLarge, // more than the limit: the bytes hold the first `limit` of them
    Failed, // no permission, or an error while reading
};

// Reads the file at path (links followed) into bytes, at most limit of them.
RegularFileRead readRegularFile(const std::filesystem::path& path, std::size_t limit, std::string& bytes);

// A few words for a message ("is not a regular file"); empty for Ok.
const char* describeRegularFileRead(RegularFileRead result);
