#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A directory tree built for one test and removed after it.
class TempTree
{
public:
    TempTree();
    ~TempTree();
    QString path() const { return m_dir.path(); }
    QByteArray bytes() const;
    // A path in the tree as the system reports it (the current directory's text): its separators.
    QByteArray systemPath(const QByteArray &relative) const;
    // Creates a file (and any missing parent directories) under the tree; returns its full path.
    QByteArray file(const QByteArray &relative, const QByteArray &contents = QByteArray(), int mode = 0644);
    // A file of the given size that ends in tail, a hole before it.
    QByteArray sparse(const QByteArray &relative, qint64 size, const QByteArray &tail = QByteArray());
    QByteArray dir(const QByteArray &relative);
    // Empty where the platform cannot make one (see bytenames.h).
    QByteArray fifo(const QByteArray &relative);
    QByteArray symlink(const QByteArray &relative, const QByteArray &target);

private:
    QTemporaryDir m_dir;
};

// Keeps the process's current directory across a test that changes it.
class CurrentDirKeeper
{
public:
    CurrentDirKeeper();
    ~CurrentDirKeeper();

private:
    QByteArray m_saved;
};
