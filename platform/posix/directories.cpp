#include "platform/directories.h"

#include "platform/files.h"
#include "platform/posix/handles.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
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
    : m_handle(openDirectory(base.isValid() ? PlatformAccess::descriptor(base) : AT_FDCWD, path))
{
}

DirectoryAnchor::~DirectoryAnchor()
{
    if (isValid())
        ::close(int(m_handle));
}

DirectoryAnchor::DirectoryAnchor(DirectoryAnchor &&other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoHandle))
{
}

DirectoryAnchor &DirectoryAnchor::operator=(DirectoryAnchor &&other) noexcept
{
    if (this != &other) {
        if (isValid())
            ::close(int(m_handle));
        m_handle = std::exchange(other.m_handle, kNoHandle);
    }
    return *this;
}

bool DirectoryAnchor::enter() const
{
    if (!isValid() || ::fchdir(int(m_handle)) != 0)
        return false;
    noteCurrentDirChanged();
    return true;
}

bool sizesAreNotReal(const DirectoryAnchor &directory)
{
    struct statfs fs;
    if (!directory.isValid() || ::fstatfs(PlatformAccess::descriptor(directory), &fs) != 0)
        return false;
    // The file systems whose files are made up when read. Those whose sizes are the data's (pstore,
    // efivarfs) are left out.
    switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case SELINUX_MAGIC:
    case SMACK_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BINFMTFS_MAGIC:
        return true;
    default:
        return false;
    }
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
    identity = PlatformAccess::identity(st);
    return true;
}

QList<QByteArray> subdirectoryNames(const QByteArray &directory)
{
    QList<QByteArray> names;
    DIR *dir = directory.contains('\0') ? nullptr : ::opendir(directory.constData());
    if (!dir)
        return names;
    const int fd = ::dirfd(dir);
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        bool isDirectory = entry->d_type == DT_DIR;
        // A link to a directory leads somewhere the user can go, so it counts as one.
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat st;
            isDirectory = ::fstatat(fd, entry->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        if (isDirectory)
            names.append(name);
    }
    ::closedir(dir);
    return names;
}
