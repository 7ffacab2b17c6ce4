#include "platform/files.h"

#include "platform/filenames.h"
#include "platform/posix/longpaths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

quint64 g_currentDirChanges = 0;

bool statFollowing(const QString &path, struct stat &st)
{
    const QByteArray bytes = pathBytes(path);
    return !bytes.isEmpty() && ::stat(bytes.constData(), &st) == 0;
}

} // namespace

bool FileExists(const QString &path)
{
    struct stat st;
    return statFollowing(path, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(const QString &path)
{
    const QByteArray bytes = pathBytes(path);
    struct stat st;
    if (bytes.isEmpty())
        return false;
    if (::stat(bytes.constData(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (errno != ENAMETOOLONG)
        return false;
    // Too long for one call, yet a directory can lie that deep: walked to, it is one if it opens as one.
    const int fd = openDirectoryAt(AT_FDCWD, bytes, O_PATH);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

QByteArray currentDirBytes()
{
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return QByteArray();
        buffer.resize(buffer.size() * 2);
    }
    return QByteArray(buffer.data());
}

QString GetCurrentDir()
{
    return pathText(currentDirBytes());
}

bool SetCurrentDir(const QByteArray &path)
{
    if (path.isEmpty() || path.contains('\0')) {
        errno = ENOENT;
        return false;
    }
    if (::chdir(path.constData()) != 0) {
        if (errno != ENAMETOOLONG)
            return false;
        const int fd = openDirectoryAt(AT_FDCWD, path, O_PATH);
        if (fd < 0)
            return false;
        const bool entered = ::fchdir(fd) == 0;
        const int saved = errno;
        ::close(fd);
        errno = saved;
        if (!entered)
            return false;
    }
    ++g_currentDirChanges;
    return true;
}

quint64 currentDirChanges()
{
    return g_currentDirChanges;
}

void noteCurrentDirChanged()
{
    ++g_currentDirChanges;
}

int lastSystemError()
{
    return errno;
}
