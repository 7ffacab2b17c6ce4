#include "platform/directories.h"

#include "platform/files.h"
#include "platform/posix/handles.h"
#include "platform/posix/longpaths.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr int kOpenFlags = O_DIRECTORY | O_CLOEXEC;
constexpr int kDirectoryFlags = O_PATH | kOpenFlags;

// A path too long for one call. Each component but the last is only passed through, so it is held as a
// path; the last is opened as asked.
int openComponentwise(int base, const QByteArray &path, int flags)
{
    int at = path.startsWith('/') ? ::open("/", kDirectoryFlags)
             : base == AT_FDCWD   ? ::open(".", kDirectoryFlags)
                                  : ::fcntl(base, F_DUPFD_CLOEXEC, 0);
    QList<QByteArray> components = path.split('/');
    components.removeAll(QByteArray());
    // "/" alone, or a run of slashes, names the directory the walk starts from.
    if (components.isEmpty())
        components.append(".");
    for (qsizetype i = 0; at >= 0 && i < components.size(); ++i) {
        const bool last = i + 1 == components.size();
        const int next = ::openat(at, components[i].constData(), last ? flags | kOpenFlags : kDirectoryFlags);
        const int saved = errno;
        ::close(at);
        errno = saved;
        at = next;
    }
    return at;
}

} // namespace

int openDirectoryAt(int base, const QByteArray &path, int flags)
{
    if (path.isEmpty() || path.contains('\0')) {
        errno = ENOENT;
        return -1;
    }
    const int fd = ::openat(base, path.constData(), flags | kOpenFlags);
    if (fd >= 0 || errno != ENAMETOOLONG)
        return fd;
    return openComponentwise(base, path, flags);
}

DirectoryAnchor DirectoryAnchor::current()
{
    return DirectoryAnchor(::open(".", kDirectoryFlags));
}

DirectoryAnchor::DirectoryAnchor(const DirectoryAnchor &base, const QByteArray &path)
    : m_handle(openDirectoryAt(base.isValid() ? PlatformAccess::descriptor(base) : AT_FDCWD, path, O_PATH))
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
    const int listed = openDirectoryAt(AT_FDCWD, directory, O_RDONLY);
    DIR *dir = listed < 0 ? nullptr : ::fdopendir(listed);
    if (!dir) {
        if (listed >= 0)
            ::close(listed);
        return names;
    }
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
