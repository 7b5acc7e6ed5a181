#include "platform/regular_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

RegularFileRead failureOf(int error)
{
    return (error == ENOENT || error == ENOTDIR || error == ELOOP) ? RegularFileRead::Missing : RegularFileRead::Failed;
}

} // namespace

RegularFileRead readRegularFile(const std::filesystem::path& path, std::size_t limit, std::string& bytes)
{
    bytes.clear();
    // Looked at before opening: opening some devices has effects of its own.
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return failureOf(errno);
    if (!S_ISREG(status.st_mode))
        return RegularFileRead::NotRegular;

    // Non-blocking, so that a pipe put in the file's place between the look and the open
    // cannot make the open wait; fstat then tells what was really opened.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0)
        return failureOf(errno);
    RegularFileRead result = RegularFileRead::Ok;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        result = RegularFileRead::NotRegular;
    } else {
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
        // One byte beyond the limit tells a file that is too large; the size the file
        // reported is only a hint, since it may grow or shrink while it is read.
        const std::size_t wanted = limit == SIZE_MAX ? limit : limit + 1;
        char chunk[65536];
        while (bytes.size() < wanted) {
            const std::size_t ask = std::min(sizeof chunk, wanted - bytes.size());
            const ssize_t count = ::read(descriptor, chunk, ask);
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0) {
                result = RegularFileRead::Failed;
                break;
            }
            if (count == 0)
                break;
            bytes.append(chunk, static_cast<std::size_t>(count));
        }
        if (result == RegularFileRead::Ok && bytes.size() > limit) {
            bytes.resize(limit);
            result = RegularFileRead::TooLarge;
        }
    }
    ::close(descriptor);
    if (result == RegularFileRead::NotRegular || result == RegularFileRead::Failed)
        bytes.clear();
    return result;
}

const char* describeRegularFileRead(RegularFileRead result)
{
    switch (result) {
    case RegularFileRead::Ok:
        return "";
    case RegularFileRead::Missing:
        return "does not exist";
    case RegularFileRead::NotRegular:
        return "is not a regular file";
    case RegularFileRead::TooLarge:
        return "is too large";
    case RegularFileRead::Failed:
        return "cannot be read";
    }
    return "cannot be read";
}
