#include "export/data_sink.h"

#include "export/text_exception.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kTemporaryNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // narrowed by the process's umask, as for any new file

std::atomic<unsigned> temporaryCounter{0};

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates a new hidden file next to the target whose name cannot clash with another
// writer's. It is named after the target, so a leftover after a crash says what it was;
// for a target name near the file system's limit a short name is used instead.
int createTemporaryFile(const std::string& target, std::string& temporaryName)
{
    const std::string folder = folderOf(target);
    const std::string prefix = folder == "/" ? "/" : folder + "/";
    const std::string unique = ".tmp-" + std::to_string(getpid()) + "-";
    const std::string stems[2] = {prefix + "." + baseNameOf(target) + unique, prefix + ".opal-export" + unique};
    for (const std::string& stem : stems) {
        for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
            temporaryName = stem + std::to_string(temporaryCounter.fetch_add(1));
            const int file = open(temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
            if (file >= 0) {
                return file;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        if (errno != ENAMETOOLONG) {
            return -1;
        }
    }
    return -1;
}

bool writeAll(int file, const uint8_t* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = write(file, bytes, count);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace

CDataSink::~CDataSink() = default;

int32_t CDataSink::WriteData(int32_t count, const uint8_t* bytes)
{
    if (count < 0 || count > m_capacity - m_position) {
        throw CTextException(CTextException::kBufferOverflow, "Buffer overflow while encoding.\n");
    }
    if (count > 0) {
        std::memcpy(m_buffer.get() + m_position, bytes, static_cast<std::size_t>(count));
        m_position += count;
    }
    return count;
}

bool CDataSink::allocate(int32_t capacity)
{
    release();
    if (capacity < 0) {
        return false;
    }
    m_buffer.reset(new (std::nothrow) uint8_t[static_cast<std::size_t>(capacity) + 1]);
    if (!m_buffer) {
        return false;
    }
    m_capacity = capacity;
    return true;
}

void CDataSink::release()
{
    m_buffer.reset();
    m_capacity = 0;
    m_position = 0;
}

CFileSink::~CFileSink() { Discard(); }

int32_t CFileSink::Open(const std::string& fileName, int32_t capacity)
{
    Discard();
    if (fileName.empty() || fileName.back() == '/') {
        return -1;
    }
    // A symbolic link is written through, as opening it for writing would: the file it
    // points to is replaced, the link stays.
    std::string target = fileName;
    struct stat link {};
    if (lstat(fileName.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        char* resolved = realpath(fileName.c_str(), nullptr);
        if (resolved == nullptr) {
            return -1;
        }
        target = resolved;
        std::free(resolved);
    }
    // An existing target must be a file this process may replace; writing over it in place
    // would have failed the same way.
    struct stat existing {};
    const bool targetExists = stat(target.c_str(), &existing) == 0;
    if (targetExists && (!S_ISREG(existing.st_mode) || access(target.c_str(), W_OK) != 0)) {
        return -1;
    }
    m_file = createTemporaryFile(target, m_temporaryName);
    if (m_file < 0) {
        m_temporaryName.clear();
        return -1;
    }
    if (targetExists) {
        fchmod(m_file, existing.st_mode & 07777);
    }
    if (!allocate(capacity)) {
        Discard();
        return -1;
    }
    m_fileName = target;
    return 0;
}

int32_t CFileSink::Close()
{
    if (m_file < 0) {
        return -1;
    }
    const bool stored = writeAll(m_file, GetBuffer(), static_cast<std::size_t>(GetDataSize())) && fsync(m_file) == 0;
    const bool closed = close(m_file) == 0;
    m_file = -1;
    if (!stored || !closed || rename(m_temporaryName.c_str(), m_fileName.c_str()) != 0) {
        Discard();
        return -1;
    }
    m_temporaryName.clear();
    m_fileName.clear();
    release();
    return 0;
}

void CFileSink::Discard()
{
    if (m_file >= 0) {
        close(m_file);
        m_file = -1;
    }
    if (!m_temporaryName.empty()) {
        unlink(m_temporaryName.c_str());
        m_temporaryName.clear();
    }
    m_fileName.clear();
    release();
}
