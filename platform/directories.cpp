#include "platform/directories.h"

#include "platform/files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kDirectoryFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

// A path too long for one call: each component is opened in the directory before it, exactly as the
// system would walk the path (links followed, ".." taken from the directory reached so far).
int openComponentwise(int base, const QByteArray &path)
{
    int at = path.startsWith('/') ? ::open("/", kDirectoryFlags)
             : base == AT_FDCWD   ? ::open(".", kDirectoryFlags)
                                  : ::fcntl(base, F_DUPFD_CLOEXEC, 0);
    qsizetype from = 0;
    while (at >= 0 && from < path.size()) {
        qsizetype to = path.indexOf('/', from);
        if (to < 0)
            to = path.size();
        if (to > from) {
            const QByteArray component = path.mid(from, to - from);
            const int next = ::openat(at, component.constData(), kDirectoryFlags);
            ::close(at);
            at = next;
        }
        from = to + 1;
    }
    return at;
}

int openDirectory(int base, const QByteArray &path)
{
    if (path.isEmpty() || path.contains('\0'))
        return -1;
    const int fd = ::openat(base, path.constData(), kDirectoryFlags);
    if (fd >= 0 || errno != ENAMETOOLONG)
        return fd;
    return openComponentwise(base, path);
}

} // namespace

DirectoryAnchor DirectoryAnchor::current()
{
    return DirectoryAnchor(::open(".", kDirectoryFlags));
}

DirectoryAnchor::DirectoryAnchor(const DirectoryAnchor &base, const QByteArray &path)
    : m_fd(openDirectory(base.isValid() ? base.m_fd : AT_FDCWD, path))
{
}

DirectoryAnchor::~DirectoryAnchor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

DirectoryAnchor::DirectoryAnchor(DirectoryAnchor &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

DirectoryAnchor &DirectoryAnchor::operator=(DirectoryAnchor &&other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

bool DirectoryAnchor::enter() const
{
    if (m_fd < 0 || ::fchdir(m_fd) != 0)
        return false;
    noteCurrentDirChanged();
    return true;
}

bool SetCurrentDirFrom(const DirectoryAnchor &base, const QByteArray &path)
{
    // A short absolute path is entered as it is: the common case costs one call.
    if (path.startsWith('/') && path.size() < 4096 && !path.contains('\0'))
        return SetCurrentDir(path);
    return DirectoryAnchor(base, path).enter();
}

bool currentDirIdentity(FileIdentity &identity)
{
    struct stat st;
    if (::stat(".", &st) != 0)
        return false;
    identity = {quint64(st.st_dev), quint64(st.st_ino)};
    return true;
}
