#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// How this platform writes a path: the separator between a directory and a name, where a path's root
// ends, and how a program path that the window shows ("prog\P1.EXE") is written on disk.

// The separator that joins a directory and a name.
char pathSeparator();

// Where the name part of a path starts: after its last separator, 0 when it has none.
qsizetype nameStart(const QByteArray &path);

// A directory and a name in it, one separator between them (none added after a root, which ends with one).
QByteArray childPath(const QByteArray &directory, const QByteArray &name);

// One directory in the chain from a root down to a directory: its full path, and the text a directory
// list shows for it (the root's full path, or the directory's own name).
struct ChainLink
{
    QByteArray path;
    QByteArray name;

    bool operator==(const ChainLink &) const = default;
};
// The chain from the root of the directory's file system (or drive) down to the directory itself, in
// that order; the directory is taken as a full path, as the system reports the current directory.
QList<ChainLink> directoryChain(const QByteArray &directory);

// A program or data path as the window shows it, written the way the file system takes it.
QString onDiskPath(const QString &shown);
