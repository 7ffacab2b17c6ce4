#include "tree.h"

#include "platform/files.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TempTree::TempTree()
{
    if (!m_dir.isValid())
        qFatal("no temporary directory");
}

QByteArray TempTree::bytes() const
{
    return QFile::encodeName(m_dir.path());
}

QByteArray TempTree::dir(const QByteArray &relative)
{
    const QByteArray full = bytes() + '/' + relative;
    QDir().mkpath(QFile::decodeName(full));
    return full;
}

QByteArray TempTree::file(const QByteArray &relative, const QByteArray &contents, int mode)
{
    const qsizetype slash = relative.lastIndexOf('/');
    if (slash > 0)
        dir(relative.left(slash));
    const QByteArray full = bytes() + '/' + relative;
    const int fd = ::open(full.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        qFatal("cannot create %s", full.constData());
    if (!contents.isEmpty() && ::write(fd, contents.constData(), size_t(contents.size())) != contents.size())
        qFatal("cannot write %s", full.constData());
    ::fchmod(fd, mode_t(mode));
    ::close(fd);
    return full;
}

QByteArray TempTree::sparse(const QByteArray &relative, qint64 size, const QByteArray &tail)
{
    const QByteArray full = file(relative);
    const int fd = ::open(full.constData(), O_WRONLY | O_CLOEXEC);
    const off_t at = off_t(size - tail.size());
    if (fd < 0 || ::ftruncate(fd, at) != 0 ||
        ::pwrite(fd, tail.constData(), size_t(tail.size()), at) != tail.size())
        qFatal("cannot make the sparse file %s", full.constData());
    ::close(fd);
    return full;
}

QByteArray TempTree::fifo(const QByteArray &relative)
{
    const QByteArray full = bytes() + '/' + relative;
    if (::mkfifo(full.constData(), 0644) != 0)
        qFatal("cannot make fifo %s", full.constData());
    return full;
}

QByteArray TempTree::symlink(const QByteArray &relative, const QByteArray &target)
{
    const QByteArray full = bytes() + '/' + relative;
    if (::symlink(target.constData(), full.constData()) != 0)
        qFatal("cannot make link %s", full.constData());
    return full;
}

CurrentDirKeeper::CurrentDirKeeper() : m_saved(currentDirBytes()) {}

CurrentDirKeeper::~CurrentDirKeeper()
{
    SetCurrentDir(m_saved);
}
