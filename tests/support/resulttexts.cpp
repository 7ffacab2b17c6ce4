#include "resulttexts.h"

QString countText(qint64 n)
{
    return QStringLiteral("Au fost gasite %1 coincidente").arg(n);
}

namespace {

QString line(const char *tag, const QString &first, const QString &second)
{
    return QLatin1String(tag) + QStringLiteral("    \t") + first + QStringLiteral("  =  ") + second;
}

} // namespace

QString nameLine(const QString &first, const QString &second)
{
    return line("[by name]    ", first, second);
}

QString sizeLine(const QString &first, const QString &second)
{
    return line("[by volume]  ", first, second);
}

QString dateLine(const QString &first, const QString &second)
{
    return line("[by time]  ", first, second);
}

QString contentsLine(const QString &first, const QString &second)
{
    return line("[by contents]", first, second);
}
