#include "platform/instance_lock.h"

#include "platform/user_folders.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

std::string instanceLockFolder()
{
    std::filesystem::path folder = opalRuntimeFolder();
    if (ensureFolder(folder))
        return folder.string();
    // A runtime folder that cannot be had falls back to the config folder.
    folder = opalConfigFolder();
    return ensureFolder(folder) ? folder.string() : std::string();
}

InstanceLock::~InstanceLock()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

InstanceLock::Outcome InstanceLock::acquire(const std::string& name)
{
    if (m_descriptor >= 0)
        return Outcome::Acquired;
    std::string folder = instanceLockFolder();
    if (folder.empty() || name.empty() || name.find('/') != std::string::npos)
        return Outcome::Unavailable;

    std::string path = folder + "/" + name;
    // Non-blocking, so that a pipe put under the lock's name cannot make the open wait, and
    // only a regular file counts: a lock on anything else says nothing about other instances.
    int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return Outcome::Unavailable;
    struct stat status { };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return Outcome::Unavailable;
    }

    int result;
    do {
        result = ::flock(descriptor, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        int error = errno;
        ::close(descriptor);
        return error == EWOULDBLOCK ? Outcome::HeldElsewhere : Outcome::Unavailable;
    }
    m_descriptor = descriptor;
    return Outcome::Acquired;
}

bool takeSingleInstance(InstanceLock& lock, const std::string& name)
{
    return lock.acquire(name) != InstanceLock::Outcome::HeldElsewhere;
}
