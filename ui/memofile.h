#pragma once

#include <QString>

class QPlainTextEdit;

// The memo's line list as a file: loaded and saved whole. Raise EFOpenError / EFCreateError naming the
// file as the window shows it ("prog\data.txt").
//
// A file larger than the memo takes, or with a line longer than its layout takes, is not loaded: the
// error says why, and the memo is left as it was (the page has just emptied it).
void LoadMemoFromFile(QPlainTextEdit *memo, const QString &shownPath);
void SaveMemoToFile(const QPlainTextEdit *memo, const QString &shownPath);
// The save that precedes a launch. It leaves the file alone while the memo holds nothing of it because
// its load failed and nothing was typed since: the user has not seen that text, and an empty memo must
// not replace it on the way.
void SaveMemoBeforeLaunch(const QPlainTextEdit *memo, const QString &shownPath);

// The memo's text with '\n' between lines, exactly as it holds it.
QString memoText(const QPlainTextEdit *memo);
