#include "platform/pathsyntax.h"

char pathSeparator()
{
    return '/';
}

qsizetype nameStart(const QByteArray &path)
{
    return path.lastIndexOf('/') + 1;
}

QByteArray childPath(const QByteArray &directory, const QByteArray &name)
{
    return directory.endsWith('/') ? directory + name : directory + '/' + name;
}

QList<ChainLink> directoryChain(const QByteArray &directory)
{
    QList<ChainLink> chain{{"/", "/"}};
    QByteArray path;
    for (const QByteArray &part : directory.split('/')) {
        if (part.isEmpty())
            continue;
        path += '/' + part;
        chain.append({path, part});
    }
    return chain;
}

QString onDiskPath(const QString &shown)
{
    // The course names its files with backslashes; here a backslash is part of a name.
    return QString(shown).replace(QLatin1Char('\\'), QLatin1Char('/'));
}
