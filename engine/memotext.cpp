#include "engine/memotext.h"

#include "platform/filenames.h"

#include <algorithm>

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// Characters that QTextDocument turns into block or frame boundaries: kept as text they would change
// the lines or vanish.
bool documentStructure(char32_t cp)
{
    return cp == 0x2029 || cp == 0xFDD0 || cp == 0xFDD1;
}

} // namespace

QString memoTextFromFile(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const char b = bytes[i];
        if (b == '\r') {
            text.append(QLatin1Char('\n'));
            i += (i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        if (b == '\n') {
            text.append(QLatin1Char('\n'));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int length = decodeUtf8At(bytes, i, cp);
        if (length > 0 && !documentStructure(cp)) {
            // Appended as code units: QString::fromUcs4 would drop a byte-order mark.
            if (QChar::requiresSurrogates(cp)) {
                text.append(QChar(QChar::highSurrogate(cp)));
                text.append(QChar(QChar::lowSurrogate(cp)));
            } else {
                text.append(QChar(char16_t(cp)));
            }
            i += length;
            continue;
        }
        // Not text the memo can hold as it is: each byte of it travels as one escape character.
        for (int k = 0; k < std::max(length, 1); ++k)
            text.append(QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i + k]))));
        i += std::max(length, 1);
    }
    return text;
}

QByteArray fileBytesFromMemo(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u == u'\n') {
            out.append("\r\n", 2);
        } else if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            appendUtf8(out, QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
        } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            out.append(char(u - kEscapeBase));
        } else if (QChar::isSurrogate(u)) {
            // A half of a pair with no partner has no UTF-8 form; U+FFFD stands in for it.
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}
