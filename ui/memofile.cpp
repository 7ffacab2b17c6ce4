#include "ui/memofile.h"

#include "engine/exercisepaths.h"
#include "engine/memotext.h"
#include "platform/exceptions.h"
#include "platform/textfile.h"

#include <QPlainTextEdit>
#include <QTextDocument>

#include <algorithm>

namespace {

// Far above any exercise's data (a few dozen numbers typed by hand), and what the memo lays out at once:
// 256 KiB of the shortest lines, line breaks alone, take it about a second, a line of 64 Ki characters
// a tenth of one. Longer lines cost it more than their share, and one of a few hundred million
// characters brings its layout down.
constexpr qint64 kLargestFile = 256 * 1024;
constexpr qsizetype kLongestLine = 64 * 1024;

// The document's revision when a load failed: the memo has not changed since while it is the same.
const char *const kFailedLoadRevision = "failedLoadRevision";

qsizetype longestLine(const QString &text)
{
    qsizetype longest = 0;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        longest = std::max(longest, (end < 0 ? text.size() : end) - start);
        if (end < 0)
            return longest;
        start = end + 1;
    }
}

[[noreturn]] void refuseLoad(QPlainTextEdit *memo, const EFOpenError &error)
{
    memo->setProperty(kFailedLoadRevision, memo->document()->revision());
    throw error;
}

} // namespace

QString memoText(const QPlainTextEdit *memo)
{
    // The raw text: toPlainText() would turn no-break spaces into plain ones.
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void LoadMemoFromFile(QPlainTextEdit *memo, const QString &shownPath)
{
    const WholeFile file = readWholeFile(ExercisePaths::onDisk(shownPath), kLargestFile);
    if (file.outcome == WholeFile::CannotOpen)
        refuseLoad(memo, EFOpenError(shownPath));
    if (file.outcome == WholeFile::TooLarge)
        refuseLoad(memo, EFOpenError(shownPath,
                                     QStringLiteral("The file is larger than %1 bytes").arg(kLargestFile)));
    const QString text = memoTextFromFile(file.bytes);
    if (longestLine(text) > kLongestLine)
        refuseLoad(
            memo,
            EFOpenError(shownPath,
                        QStringLiteral("A line of the file is longer than %1 characters").arg(kLongestLine)));
    memo->setPlainText(text);
}

void SaveMemoToFile(const QPlainTextEdit *memo, const QString &shownPath)
{
    if (!saveWholeFile(ExercisePaths::onDisk(shownPath), fileBytesFromMemo(memoText(memo))))
        throw EFCreateError(shownPath);
}

void SaveMemoBeforeLaunch(const QPlainTextEdit *memo, const QString &shownPath)
{
    const QVariant failed = memo->property(kFailedLoadRevision);
    if (failed.isValid() && failed.toInt() == memo->document()->revision())
        return;
    SaveMemoToFile(memo, shownPath);
}
