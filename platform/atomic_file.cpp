#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool writeAll(int descriptor, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// A link to the file (a configuration kept elsewhere, say) stays a link: the file it leads
// to is the one replaced.
std::filesystem::path followLinks(std::filesystem::path path)
{
    constexpr int kMaxLinks = 40;
    std::error_code error;
    for (int i = 0; i < kMaxLinks && std::filesystem::is_symlink(path, error); ++i) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

} // namespace

bool WriteFileAtomically(const std::filesystem::path& link, std::string_view bytes)
{
    const std::filesystem::path path = followLinks(link);
    if (path.empty() || !path.has_filename())
        return false;
    // mkstemp needs a writable template; the leading dot keeps the temporary out of listings.
    std::string pattern = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const int descriptor = ::mkstemp(pattern.data());
    if (descriptor < 0)
        return false;
    // mkstemp creates the file for the owner only; keep the permissions of the file being
    // replaced, or give a new file the usual ones.
    struct stat existing { };
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(descriptor, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(descriptor, 0666 & ~mask);
    }

    bool good = writeAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    good = (::close(descriptor) == 0) && good;
    if (good)
        good = std::rename(pattern.c_str(), path.c_str()) == 0;
    if (!good)
        ::unlink(pattern.c_str());
    return good;
}
