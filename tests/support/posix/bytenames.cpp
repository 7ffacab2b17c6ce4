#include "support/bytenames.h"

#include <QtGlobal>

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

void makeDirectory(const QByteArray &path)
{
    if (::mkdir(path.constData(), 0755) != 0)
        qFatal("cannot make %s", path.constData());
}

void writeBytes(const QByteArray &path, const QByteArray &contents)
{
    FILE *f = std::fopen(path.constData(), "wbe");
    const bool written =
        f && std::fwrite(contents.constData(), 1, size_t(contents.size()), f) == size_t(contents.size());
    if (!f || std::fclose(f) != 0 || !written)
        qFatal("cannot write %s", path.constData());
}

QByteArray readBytes(const QByteArray &path)
{
    QByteArray contents;
    if (FILE *f = std::fopen(path.constData(), "rbe")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
            contents.append(buffer, qsizetype(n));
        std::fclose(f);
    }
    return contents;
}

void setModificationTime(const QByteArray &path, qint64 seconds)
{
    const struct timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    if (::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
        qFatal("cannot set the time of %s", path.constData());
}

namespace {

// Removes a directory and everything in it, found by descriptors, whatever the length of its paths.
void removeTreeAt(int parent, const QByteArray &name)
{
    const int fd = ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlinkat(parent, name.constData(), 0);
        return;
    }
    DIR *dir = ::fdopendir(fd);
    std::vector<QByteArray> entries;
    while (const dirent *e = ::readdir(dir))
        if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0)
            entries.emplace_back(e->d_name);
    for (const QByteArray &entry : entries)
        removeTreeAt(::dirfd(dir), entry);
    ::closedir(dir);
    ::unlinkat(parent, name.constData(), AT_REMOVEDIR);
}

int openDirectory(int at, const char *name)
{
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

void allowRemoval(const QByteArray &) {}

QByteArray makeDeepTree(const QByteArray &base, const QList<QByteArray> &components,
                        const QList<QPair<QByteArray, QByteArray>> &files)
{
    QByteArray deep = base;
    int at = openDirectory(AT_FDCWD, base.constData());
    for (const QByteArray &component : components) {
        if (at < 0 || (::mkdirat(at, component.constData(), 0755) != 0 && errno != EEXIST))
            qFatal("cannot make the deep tree under %s", base.constData());
        const int next = openDirectory(at, component.constData());
        ::close(at);
        at = next;
        deep += '/' + component;
    }
    for (const auto &[path, contents] : files) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash > 0 && ::mkdirat(at, path.left(slash).constData(), 0755) != 0 && errno != EEXIST)
            qFatal("cannot make the deep tree under %s", base.constData());
        const int fd = ::openat(at, path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, contents.constData(), size_t(contents.size())) != contents.size())
            qFatal("cannot make the deep tree under %s", base.constData());
        ::close(fd);
    }
    ::close(at);
    return deep;
}

void removeDeepTree(const QByteArray &base, const QByteArray &component)
{
    const int top = openDirectory(AT_FDCWD, base.constData());
    removeTreeAt(top, component);
    ::close(top);
}

ContentsRemover::~ContentsRemover()
{
    const auto remove = [](const char *path, const struct stat *, int, struct FTW *where) {
        if (where->level > 0)
            ::remove(path);
        return 0;
    };
    ::nftw(m_directory.constData(), remove, 16, FTW_DEPTH | FTW_PHYS);
}

void writeFileWithMode(const QByteArray &path, const QByteArray &contents, int mode)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        qFatal("cannot create %s", path.constData());
    if (!contents.isEmpty() && ::write(fd, contents.constData(), size_t(contents.size())) != contents.size())
        qFatal("cannot write %s", path.constData());
    ::fchmod(fd, mode_t(mode));
    ::close(fd);
}

void makeSparseFile(const QByteArray &path, qint64 size, const QByteArray &tail)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    const off_t at = off_t(size - tail.size());
    if (fd < 0 || ::ftruncate(fd, at) != 0 ||
        ::pwrite(fd, tail.constData(), size_t(tail.size()), at) != tail.size())
        qFatal("cannot make the sparse file %s", path.constData());
    ::close(fd);
}

bool makeFifo(const QByteArray &path)
{
    if (::mkfifo(path.constData(), 0644) != 0)
        qFatal("cannot make fifo %s", path.constData());
    return true;
}

bool makeSymlink(const QByteArray &path, const QByteArray &target)
{
    if (::symlink(target.constData(), path.constData()) != 0)
        qFatal("cannot make link %s", path.constData());
    return true;
}

bool namesAreBytes()
{
    return true;
}

bool makeFileIfNamable(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

void markHidden(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (path.mid(slash + 1).front() != '.')
        qFatal("%s is not hidden by its name", path.constData());
}

bool keepsDeepCurrentDirectory()
{
    return true;
}

bool isSuperUser()
{
    return ::geteuid() == 0;
}

bool canMakeUnreadableFiles()
{
    return !isSuperUser();
}
