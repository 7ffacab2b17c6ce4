#include "compare/resultview.h"

ResultView::ResultView(QWidget *parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setUndoRedoEnabled(false);
}

void ResultView::clearLines()
{
    m_pending.clear();
    clear();
    m_lines = 0;
}

void ResultView::addLine(const QString &line)
{
    m_pending.append(line);
    ++m_lines;
}

void ResultView::flush()
{
    if (m_pending.isEmpty())
        return;
    appendPlainText(m_pending.join(QLatin1Char('\n')));
    m_pending.clear();
}
