#include "tree.h"

#include "platform/files.h"
#include "platform/pathsyntax.h"
#include "support/bytenames.h"

#include <QDir>
#include <QFile>

TempTree::TempTree()
{
    if (!m_dir.isValid())
        qFatal("no temporary directory");
}

TempTree::~TempTree()
{
    allowRemoval(bytes());
}

QByteArray TempTree::bytes() const
{
    return QFile::encodeName(m_dir.path());
}

QByteArray TempTree::systemPath(const QByteArray &relative) const
{
    return QByteArray(bytes() + '/' + relative).replace('/', pathSeparator());
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
    writeFileWithMode(full, contents, mode);
    return full;
}

QByteArray TempTree::sparse(const QByteArray &relative, qint64 size, const QByteArray &tail)
{
    const QByteArray full = file(relative);
    makeSparseFile(full, size, tail);
    return full;
}

QByteArray TempTree::fifo(const QByteArray &relative)
{
    const QByteArray full = bytes() + '/' + relative;
    return makeFifo(full) ? full : QByteArray();
}

QByteArray TempTree::symlink(const QByteArray &relative, const QByteArray &target)
{
    const QByteArray full = bytes() + '/' + relative;
    return makeSymlink(full, target) ? full : QByteArray();
}

CurrentDirKeeper::CurrentDirKeeper() : m_saved(currentDirBytes()) {}

CurrentDirKeeper::~CurrentDirKeeper()
{
    SetCurrentDir(m_saved);
}
