#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <string>
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

// The temporary file is created with O_EXCL under a name no other writer uses, mode 0666 so
// that the umask applies as to any new file. The leading dot keeps it out of listings; the
// name says what it was for, unless the target's name is so long that the temporary name
// would pass the file system's limit, when a short name is used.
int createTemporary(const std::filesystem::path& target, std::string& temporary)
{
    constexpr int kAttempts = 100;
    static unsigned counter = 0;
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    const std::string unique = ".tmp-" + std::to_string(::getpid()) + "-";
    for (const std::string& stem : { "." + target.filename().string() + unique, std::string(".opal") + unique }) {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            temporary = (folder / (stem + std::to_string(counter++))).string();
            const int descriptor = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (descriptor >= 0)
                return descriptor;
            if (errno != EEXIST)
                break;
        }
        if (errno != ENAMETOOLONG)
            return -1;
    }
    return -1;
}

// Makes the rename itself durable: the folder's entry is flushed too.
void syncFolder(const std::filesystem::path& target)
{
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
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
    // A replaced file keeps its permission bits (not set-id or sticky bits, which a
    // replacement written by this program should not inherit).
    if (exists)
        ::fchmod(m_descriptor, existing.st_mode & 0777);
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
    if (good) {
        m_temporary.clear();
        syncFolder(m_target);
    }
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
