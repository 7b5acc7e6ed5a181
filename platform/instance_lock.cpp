#include "platform/instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace {

// XDG variables count only when they hold an absolute path.
std::string AbsoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return {};
    return value;
}

bool EnsureFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

} // namespace

std::string InstanceLockFolder()
{
    std::string runtime = AbsoluteFromEnvironment("XDG_RUNTIME_DIR");
    if (!runtime.empty() && EnsureFolder(runtime))
        return runtime;

    std::string config = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
    if (config.empty()) {
        std::string home = AbsoluteFromEnvironment("HOME");
        if (home.empty())
            return {};
        config = home + "/.config";
    }
    std::string folder = config + "/opal-revel";
    return EnsureFolder(folder) ? folder : std::string();
}

InstanceLock::~InstanceLock()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

InstanceLock::Outcome InstanceLock::Acquire(const std::string& name)
{
    if (m_descriptor >= 0)
        return Outcome::Acquired;
    std::string folder = InstanceLockFolder();
    if (folder.empty() || name.empty() || name.find('/') != std::string::npos)
        return Outcome::Unavailable;

    std::string path = folder + "/" + name;
    int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0)
        return Outcome::Unavailable;

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

bool TakeSingleInstance(InstanceLock& lock, const std::string& name)
{
    return lock.Acquire(name) != InstanceLock::Outcome::HeldElsewhere;
}
