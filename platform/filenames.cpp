#include "platform/filenames.h"

namespace {

constexpr char16_t kKeptByteBase = 0xDC00;

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at p (at most n bytes available), or 0 when there is none:
// overlong forms, encoded surrogates and code points above U+10FFFF are not well formed.
int sequenceLength(const unsigned char *p, qsizetype n)
{
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return n >= 2 && isContinuation(p[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (n < 3 || !isContinuation(p[1]) || !isContinuation(p[2]))
            return 0;
        if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] > 0x9F))
            return 0;
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (n < 4 || !isContinuation(p[1]) || !isContinuation(p[2]) || !isContinuation(p[3]))
            return 0;
        if ((c == 0xF0 && p[1] < 0x90) || (c == 0xF4 && p[1] > 0x8F))
            return 0;
        return 4;
    }
    return 0;
}

char32_t decodeSequence(const unsigned char *p, int length)
{
    switch (length) {
    case 1:
        return p[0];
    case 2:
        return char32_t(p[0] & 0x1F) << 6 | (p[1] & 0x3F);
    case 3:
        return char32_t(p[0] & 0x0F) << 12 | char32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
    default:
        return char32_t(p[0] & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 | char32_t(p[2] & 0x3F) << 6 |
               (p[3] & 0x3F);
    }
}

bool isKeptByte(char16_t u)
{
    return u >= kKeptByteBase + 0x80 && u <= kKeptByteBase + 0xFF;
}

} // namespace

QString pathText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        char32_t u;
        const int length = decodeUtf8At(bytes, i, u);
        if (length == 0) {
            text.append(QChar(char16_t(kKeptByteBase + p[i])));
            ++i;
            continue;
        }
        if (u < 0x10000) {
            text.append(QChar(char16_t(u)));
        } else {
            text.append(QChar(QChar::highSurrogate(u)));
            text.append(QChar(QChar::lowSurrogate(u)));
        }
        i += length;
    }
    return text;
}

QByteArray pathBytes(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    bool keptBytes = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text.at(i).unicode();
        if (u == 0)
            return QByteArray();
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            appendUtf8(bytes, QChar::surrogateToUcs4(u, text.at(i + 1).unicode()));
            ++i;
        } else if (isKeptByte(u)) {
            bytes.append(char(u - kKeptByteBase));
            keptBytes = true;
        } else if (QChar::isSurrogate(u)) {
            return QByteArray();
        } else {
            appendUtf8(bytes, u);
        }
    }
    // A kept lead byte followed by kept continuation bytes forms valid UTF-8: such a text stands for bytes
    // that pathText shows otherwise, so for a path other than the one the user sees.
    if (keptBytes && pathText(bytes) != text)
        return QByteArray();
    return bytes;
}

QString shownText(const QString &text)
{
    QString shown = text;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown.at(i).isHighSurrogate() && i + 1 < shown.size() && shown.at(i + 1).isLowSurrogate())
            ++i;
        else if (shown.at(i).isSurrogate())
            shown[i] = QChar::ReplacementCharacter;
    }
    return shown;
}

QString displayName(const QByteArray &name)
{
    QString text = shownText(pathText(name));
    for (QChar &c : text)
        if (isShownAsMark(c.unicode()))
            c = QLatin1Char('?');
    return text;
}

int decodeUtf8At(const QByteArray &bytes, qsizetype at, char32_t &codePoint)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData()) + at;
    const int length = sequenceLength(p, bytes.size() - at);
    if (length > 0)
        codePoint = decodeSequence(p, length);
    return length;
}

void appendUtf8(QByteArray &out, char32_t u)
{
    if (u < 0x80) {
        out.append(char(u));
    } else if (u < 0x800) {
        out.append(char(0xC0 | (u >> 6)));
        out.append(char(0x80 | (u & 0x3F)));
    } else if (u < 0x10000) {
        out.append(char(0xE0 | (u >> 12)));
        out.append(char(0x80 | ((u >> 6) & 0x3F)));
        out.append(char(0x80 | (u & 0x3F)));
    } else {
        out.append(char(0xF0 | (u >> 18)));
        out.append(char(0x80 | ((u >> 12) & 0x3F)));
        out.append(char(0x80 | ((u >> 6) & 0x3F)));
        out.append(char(0x80 | (u & 0x3F)));
    }
}
