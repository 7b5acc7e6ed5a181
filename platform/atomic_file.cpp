#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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

// mkstemp needs a writable template; the leading dot keeps the temporary out of listings.
// The name says what the file was for, unless the target's name is so long that the
// temporary name would pass the file system's limit; a short name is used then.
int createTemporary(const std::filesystem::path& target, std::string& temporary)
{
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    for (const std::string& name : { "." + target.filename().string() + ".XXXXXX", std::string(".opal-XXXXXX") }) {
        temporary = (folder / name).string();
        const int descriptor = ::mkstemp(temporary.data());
        if (descriptor >= 0 || errno != ENAMETOOLONG)
            return descriptor;
    }
    return -1;
}

} // namespace

bool AtomicFileWriter::Open(const std::filesystem::path& link)
{
    Discard();
    const std::filesystem::path target = followLinks(link);
    if (target.empty() || !target.has_filename())
        return false;
    // A link that leads nowhere names no file to replace.
    std::error_code error;
    if (target != link && !std::filesystem::exists(target, error))
        return false;

    // An existing target must be a file this process may replace; writing over it in place
    // would have failed the same way.
    struct stat existing { };
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && (!S_ISREG(existing.st_mode) || ::access(target.c_str(), W_OK) != 0))
        return false;

    m_descriptor = createTemporary(target, m_temporary);
    if (m_descriptor < 0) {
        m_temporary.clear();
        return false;
    }
    // mkstemp creates the file for the owner only; keep the permissions of the file being
    // replaced, or give a new file the usual ones.
    if (exists) {
        ::fchmod(m_descriptor, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_descriptor, 0666 & ~mask);
    }
    m_target = target;
    return true;
}

bool AtomicFileWriter::Commit(std::string_view bytes)
{
    if (m_descriptor < 0)
        return false;
    bool good = writeAll(m_descriptor, bytes) && ::fsync(m_descriptor) == 0;
    good = (::close(m_descriptor) == 0) && good;
    m_descriptor = -1;
    if (good)
        good = std::rename(m_temporary.c_str(), m_target.c_str()) == 0;
    if (good)
        m_temporary.clear();
    Discard();
    return good;
}

void AtomicFileWriter::Discard()
{
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
    }
    m_target.clear();
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    AtomicFileWriter writer;
    return writer.Open(path) && writer.Commit(bytes);
}
