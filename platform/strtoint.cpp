#include "platform/strtoint.h"

#include "platform/exceptions.h"

std::optional<qint32> parseInt32(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // The magnitude may reach 2^31 for a negative number; anything larger is refused as soon as it is
    // seen, so no amount of digits can overflow the accumulator.
    const qint64 limit = negative ? qint64(1) << 31 : (qint64(1) << 31) - 1;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > limit)
            return std::nullopt;
    }
    return qint32(negative ? -value : value);
}

qint32 StrToInt(const QString &text)
{
    if (const std::optional<qint32> value = parseInt32(text))
        return *value;
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}
