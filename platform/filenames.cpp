#include "platform/filenames.h"

#include <QFile>

QByteArray pathBytes(const QString &text)
{
    return QFile::encodeName(text);
}

QString displayName(const QByteArray &name)
{
    QString text = QFile::decodeName(name);
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)
            c = QLatin1Char('?');
    }
    return text;
}
