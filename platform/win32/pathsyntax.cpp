#include "platform/pathsyntax.h"

#include <algorithm>

namespace {

bool isSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool isDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char lowerLetter(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// The end of the separators and of the name that starts at from.
qsizetype separatorsEnd(const QByteArray &path, qsizetype from)
{
    while (from < path.size() && isSeparator(path[from]))
        ++from;
    return from;
}
qsizetype nameEnd(const QByteArray &path, qsizetype from)
{
    while (from < path.size() && !isSeparator(path[from]))
        ++from;
    return from;
}

// Where a path's root ends, with the root as a directory list shows it. The system reports a current
// directory as "C:\..." or "\\server\share\..."; a long one may keep the "\\?\" form the system was
// given, and then the root keeps it too, as the path of the row, while its text is the familiar one.
struct Root
{
    qsizetype end = 0; // where the root's own bytes end, its separator included when it has one
    bool endsWithSeparator = false;
    QByteArray shown;
};

// "\\server\share" at offset at (after the two leading separators, or after "\\?\UNC\").
Root shareRoot(const QByteArray &path, qsizetype at)
{
    const qsizetype serverEnd = nameEnd(path, at);
    const qsizetype shareStart = separatorsEnd(path, serverEnd);
    const qsizetype shareEnd = nameEnd(path, shareStart);
    Root root;
    root.end = shareEnd;
    root.endsWithSeparator = shareEnd < path.size();
    if (root.endsWithSeparator)
        ++root.end;
    root.shown = "\\\\" + path.mid(at, serverEnd - at) + '\\';
    if (shareEnd > shareStart)
        root.shown += path.mid(shareStart, shareEnd - shareStart) + '\\';
    return root;
}

Root driveRoot(const QByteArray &path, qsizetype at)
{
    Root root;
    root.end = at + 2;
    root.endsWithSeparator = root.end < path.size() && isSeparator(path[root.end]);
    if (root.endsWithSeparator)
        ++root.end;
    root.shown = QByteArray(1, lowerLetter(path[at])) + ":\\";
    return root;
}

bool hasDriveAt(const QByteArray &path, qsizetype at)
{
    return path.size() >= at + 2 && isDriveLetter(path[at]) && path[at + 1] == ':';
}

Root rootOf(const QByteArray &path)
{
    if (path.startsWith("\\\\?\\") || path.startsWith("\\\\.\\")) {
        if (hasDriveAt(path, 4))
            return driveRoot(path, 4);
        if (path.mid(4, 4).compare("UNC\\", Qt::CaseInsensitive) == 0)
            return shareRoot(path, 8);
    }
    if (hasDriveAt(path, 0))
        return driveRoot(path, 0);
    if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]))
        return shareRoot(path, 2);
    // The root of the current drive; a path without any root has none either.
    if (path.startsWith('\\') || path.startsWith('/'))
        return Root{1, true, "\\"};
    return Root{0, false, QByteArray()};
}

} // namespace

char pathSeparator()
{
    return '\\';
}

qsizetype nameStart(const QByteArray &path)
{
    return std::max(path.lastIndexOf('\\'), path.lastIndexOf('/')) + 1;
}

QByteArray childPath(const QByteArray &directory, const QByteArray &name)
{
    return directory.isEmpty() || isSeparator(directory.back()) ? directory + name : directory + '\\' + name;
}

QList<ChainLink> directoryChain(const QByteArray &directory)
{
    const Root root = rootOf(directory);
    QList<ChainLink> chain;
    if (!root.shown.isEmpty()) {
        // A drive given as "C:" alone is its root all the same: the row's path gets the separator that
        // makes it the root rather than the drive's current directory.
        chain.append(ChainLink{
            root.endsWithSeparator ? directory.left(root.end) : directory.left(root.end) + '\\', root.shown});
    } else if (directory.isEmpty()) {
        chain.append(ChainLink{"\\", "\\"});
    }
    // Each link's path is the directory's own bytes up to the end of its name, so the last one is the
    // directory as it was given.
    qsizetype at = root.end;
    while ((at = separatorsEnd(directory, at)) < directory.size()) {
        const qsizetype end = nameEnd(directory, at);
        chain.append(ChainLink{directory.left(end), directory.mid(at, end - at)});
        at = end;
    }
    return chain;
}

QString onDiskPath(const QString &shown)
{
    // The course's own way of writing paths is this system's.
    return shown;
}
