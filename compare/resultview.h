#pragma once

#include <QPlainTextEdit>
#include <QStringList>

// The result view: a read-only list of plain text lines, one per coincidence. Lines are added at next to
// no cost and reach the document in batches, whenever the run hands control to the event loop; the line
// count is exact at all times.
class ResultView : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit ResultView(QWidget *parent = nullptr);

    void clearLines();
    void addLine(const QString &line);
    qint64 lineCount() const { return m_lines; }
    // Moves the lines added since the last call into the document.
    void flush();

private:
    QStringList m_pending;
    qint64 m_lines = 0;
};
