#pragma once

#include <QString>

class QPlainTextEdit;

// The memo's line list as a file: loaded and saved whole. Raise EFOpenError / EFCreateError naming the
// file as the window shows it ("prog\data.txt").
void LoadMemoFromFile(QPlainTextEdit *memo, const QString &shownPath);
void SaveMemoToFile(const QPlainTextEdit *memo, const QString &shownPath);

// The memo's text with '\n' between lines, exactly as it holds it.
QString memoText(const QPlainTextEdit *memo);
