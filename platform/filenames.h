#pragma once

#include <QByteArray>
#include <QString>

// Names on the file system are bytes. A path that has to live in a text (a path edit, the picker's result,
// the current directory) takes a lossless text form: valid UTF-8 is decoded, and every byte that is not
// part of valid UTF-8 is kept as the lone surrogate U+DC00 + byte (U+DC80..U+DCFF). So a text names
// exactly the directory it came from, never another one whose name decodes alike.

// The text form of a path; pathBytes(pathText(b)) == b for every b.
QString pathText(const QByteArray &bytes);

// The bytes a path text names. Empty, so that it names nothing, when the text is empty or could only name
// some other path: a NUL (the system would stop there), a lone surrogate that stands for no byte (outside
// U+DC80..U+DCFF), or kept bytes that together read as valid UTF-8 (the text would then name the same
// bytes as another text). Every text that pathText gives passes.
QByteArray pathBytes(const QString &text);

// A path text as the user sees it: every kept byte shows as the replacement mark U+FFFD.
QString shownText(const QString &text);

// The characters that would break the line a name is shown on, or reorder the text around it: control
// characters, the line and paragraph separators, and the bidirectional embeddings, overrides and
// isolates. Wherever a name is shown, each of them shows as '?'.
inline bool isShownAsMark(char16_t u)
{
    return u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029 ||
           (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069);
}

// Decodes a name for display: bytes that are not UTF-8 show as U+FFFD, and the characters isShownAsMark
// picks become '?', so that a name is always one line that reads as it is stored.
QString displayName(const QByteArray &name);

// The well-formed UTF-8 sequence that starts at bytes[at]: its length, with its code point in codePoint;
// 0 when there is none (a stray or missing continuation byte, an overlong form, an encoded surrogate, a
// code point above U+10FFFF).
int decodeUtf8At(const QByteArray &bytes, qsizetype at, char32_t &codePoint);

// Appends the UTF-8 encoding of one code point.
void appendUtf8(QByteArray &out, char32_t codePoint);
