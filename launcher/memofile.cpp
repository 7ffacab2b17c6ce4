#include "launcher/memofile.h"

#include "launcher/memotext.h"
#include "launcher/paths.h"
#include "platform/exceptions.h"
#include "platform/textfile.h"

#include <QPlainTextEdit>
#include <QTextDocument>

QString memoText(const QPlainTextEdit *memo)
{
    // The raw text: toPlainText() would turn no-break spaces into plain ones.
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void LoadMemoFromFile(QPlainTextEdit *memo, const QString &shownPath)
{
    const std::optional<QByteArray> bytes = readWholeFile(ExercisePaths::onDisk(shownPath));
    if (!bytes)
        throw EFOpenError(shownPath);
    memo->setPlainText(memoTextFromFile(*bytes));
}

void SaveMemoToFile(const QPlainTextEdit *memo, const QString &shownPath)
{
    if (!saveWholeFile(ExercisePaths::onDisk(shownPath), fileBytesFromMemo(memoText(memo))))
        throw EFCreateError(shownPath);
}
