#include "bytenames.h"

#include <QtGlobal>

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

ContentsRemover::~ContentsRemover()
{
    const auto remove = [](const char *path, const struct stat *, int, struct FTW *where) {
        if (where->level > 0)
            ::remove(path);
        return 0;
    };
    ::nftw(m_directory.constData(), remove, 16, FTW_DEPTH | FTW_PHYS);
}

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
