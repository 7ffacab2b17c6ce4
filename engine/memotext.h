#pragma once

#include <QByteArray>
#include <QString>

// The data file's bytes and the memo's text. The file is UTF-8 text with CR LF, CR or LF line breaks;
// the memo's text separates lines with '\n'. Bytes that are not valid UTF-8, and characters that the
// memo's document would take for its own structure, are carried as the characters U+DC80..U+DCFF (one
// per byte), so that what was loaded is saved back byte for byte.

// Every CR LF, lone CR and lone LF becomes one '\n'.
QString memoTextFromFile(const QByteArray &bytes);

// Lines separated by CR LF; a final CR LF only when the text ends with a line break.
QByteArray fileBytesFromMemo(const QString &text);
