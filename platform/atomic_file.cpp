#include "platform/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
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

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    return target.parent_path().empty() ? "." : target.parent_path();
}

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::string_view kShortStem = ".opal";

// The hidden names a temporary file of this process may take: ".<target>.tmp-<pid>-" and a
// counter. The leading dot keeps it out of listings; the name says what it was for, unless
// the target's name is so long that the temporary name would pass the file system's limit,
// when the short stem is used.
std::vector<std::string> temporaryStems(const std::filesystem::path& target)
{
    const std::string unique = std::string(kTemporaryMark) + std::to_string(::getpid()) + "-";
    return { "." + target.filename().string() + unique, std::string(kShortStem) + unique };
}

// Gives the temporary file a fresh name from the stems: create answers 0 when the name was
// taken, or an errno value. EEXIST tries the next counter, ENAMETOOLONG the next stem.
template<typename Create> bool nameTemporary(const std::filesystem::path& target, std::string& temporary, Create create)
{
    constexpr int kAttempts = 100;
    static unsigned counter = 0;
    int error = 0;
    for (const std::string& stem : temporaryStems(target)) {
        for (int attempt = 0; attempt < kAttempts; ++attempt) {
            temporary = (folderOf(target) / (stem + std::to_string(counter++))).string();
            error = create(temporary);
            if (error == 0)
                return true;
            if (error != EEXIST)
                break;
        }
        if (error != ENAMETOOLONG)
            break;
    }
    temporary.clear();
    return false;
}

// A temporary file without a name: killed before it is linked, the process leaves nothing.
int createAnonymous(const std::filesystem::path& target)
{
#ifdef O_TMPFILE
    return ::open(folderOf(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
    (void)target;
    errno = EOPNOTSUPP;
    return -1;
#endif
}

// Links a nameless temporary file under its hidden name. /proc gives its path to anyone who
// holds the descriptor; without /proc, AT_EMPTY_PATH needs a privilege most users lack.
int linkAnonymous(int descriptor, const std::string& name)
{
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    if (errno == EEXIST || errno == ENAMETOOLONG)
        return errno;
    return ::linkat(descriptor, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0 ? 0 : errno;
}

// The process id in a temporary name after the stem's mark, or 0 when the rest of the name is
// not "<pid>-<counter>".
pid_t ownerOf(std::string_view rest)
{
    const std::size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == rest.size())
        return 0;
    const auto digits = [](std::string_view text) {
        return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (dash > 9 || !digits(rest.substr(0, dash)) || !digits(rest.substr(dash + 1)))
        return 0;
    return static_cast<pid_t>(std::stol(std::string(rest.substr(0, dash))));
}

// Makes the rename itself durable: the folder's entry is flushed too.
void syncFolder(const std::filesystem::path& target)
{
    const int descriptor = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

} // namespace

bool AtomicFileWriter::open(const std::filesystem::path& link)
{
    discard();
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

    removeStaleTemporaries(target);
    m_descriptor = createAnonymous(target);
    if (m_descriptor < 0) {
        // The file system has no nameless files: the temporary file is named from the start.
        nameTemporary(target, m_temporary, [this](const std::string& name) {
            m_descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            return m_descriptor >= 0 ? 0 : errno;
        });
        if (m_descriptor < 0)
            return false;
    }
    // A replaced file keeps its permission bits (not set-id or sticky bits, which a
    // replacement written by this program should not inherit).
    if (exists)
        ::fchmod(m_descriptor, existing.st_mode & 0777);
    m_target = target;
    return true;
}

bool AtomicFileWriter::commit(std::string_view bytes)
{
    if (m_descriptor < 0)
        return false;
    bool good = writeAll(m_descriptor, bytes) && ::fsync(m_descriptor) == 0;
    if (good && m_temporary.empty()) {
        const int descriptor = m_descriptor;
        good = nameTemporary(m_target, m_temporary, [descriptor](const std::string& name) {
            return linkAnonymous(descriptor, name);
        });
    }
    good = (::close(m_descriptor) == 0) && good;
    m_descriptor = -1;
    if (good)
        good = std::rename(m_temporary.c_str(), m_target.c_str()) == 0;
    if (good) {
        m_temporary.clear();
        syncFolder(m_target);
    }
    discard();
    return good;
}

void AtomicFileWriter::discard()
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

std::string writeFailureReason(const std::filesystem::path& target, int writeError)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    if (fs::is_directory(target, error))
        return "a folder of that name is in the way";
    if (!fs::is_directory(folder, error))
        return "the folder " + folder.string() + " does not exist";
    if (::access(folder.c_str(), W_OK) != 0)
        return "the folder is read-only (" + std::string(std::strerror(errno)) + ")";
    if (fs::exists(target, error) && ::access(target.c_str(), W_OK) != 0)
        return "the existing file is write-protected (" + std::string(std::strerror(errno)) + ")";
    if (writeError != 0)
        return std::strerror(writeError);
    return "the file could not be written";
}

bool isAtomicWriterTemporary(const std::string& fileName)
{
    const std::size_t mark = fileName.rfind(kTemporaryMark);
    return !fileName.empty() && fileName[0] == '.' && mark != std::string::npos && mark > 0
        && ownerOf(std::string_view(fileName).substr(mark + kTemporaryMark.size())) > 0;
}

int removeStaleTemporaries(const std::filesystem::path& target)
{
    const std::string ownStem = "." + target.filename().string() + std::string(kTemporaryMark);
    const std::string shortStem = std::string(kShortStem) + std::string(kTemporaryMark);
    int removed = 0;
    std::error_code error;
    std::filesystem::directory_iterator entry(folderOf(target), error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::string_view rest;
        if (name.starts_with(ownStem))
            rest = std::string_view(name).substr(ownStem.size());
        else if (name.starts_with(shortStem))
            rest = std::string_view(name).substr(shortStem.size());
        else
            continue;
        // Only a process that no longer exists is known to have given its file up; a file
        // of a running one may be about to be renamed.
        const pid_t owner = ownerOf(rest);
        if (owner <= 0 || owner == ::getpid() || ::kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        if (::unlink(entry->path().c_str()) == 0)
            ++removed;
    }
    return removed;
}

bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes)
{
    AtomicFileWriter writer;
    return writer.open(path) && writer.commit(bytes);
}
