#include "engine/runchecks.h"

#include "platform/files.h"

QString refusalCaption()
{
    return QStringLiteral("Eroare");
}

std::optional<QString> pathsRefusal(const QString &path1, const QString &path2)
{
    if (path1.isEmpty() || path2.isEmpty())
        return QStringLiteral("N-ati indicat ambele directorii!");
    for (const QString &text : {path1, path2})
        if (!DirectoryExists(text))
            return QStringLiteral("Adresa incorecta:\n") + text;
    return std::nullopt;
}

QString waitingText()
{
    return QStringLiteral("Asteptati un pic...");
}

QString resultCountText(qint64 lines)
{
    return QStringLiteral("Au fost gasite %1 coincidente").arg(lines);
}

QString resultsFullText(qint64 lines)
{
    return QStringLiteral("Lista rezultatelor este plina: comparatia a fost oprita dupa %1 coincidente.")
        .arg(lines);
}
