#include "compare/resultview.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

bool ResultLines::append(QByteArrayView utf8)
{
    if (isFull())
        return false;
    const qsizetype n = utf8.size();
    if (m_chunks.empty() || m_chunks.back().size() + n > m_chunks.back().capacity()) {
        QByteArray chunk;
        chunk.reserve(std::max(kChunkBytes, n));
        m_chunks.push_back(std::move(chunk));
    }
    QByteArray &chunk = m_chunks.back();
    m_refs.push_back({quint32(m_chunks.size() - 1), quint32(chunk.size()), quint32(n)});
    chunk.append(utf8);
    if (m_longest < 0 || n > qsizetype(m_refs[size_t(m_longest)].length))
        m_longest = count() - 1;
    return true;
}

void ResultLines::clear()
{
    beginResetModel();
    m_chunks.clear();
    m_refs.clear();
    m_refs.shrink_to_fit();
    m_published = 0;
    m_longest = -1;
    endResetModel();
}

void ResultLines::publish()
{
    if (m_published == count())
        return;
    beginInsertRows(QModelIndex(), int(m_published), int(count() - 1));
    m_published = count();
    endInsertRows();
}

QByteArray ResultLines::bytes(qint64 line) const
{
    const LineRef &r = m_refs[size_t(line)];
    return m_chunks[r.chunk].mid(r.offset, r.length);
}

QString ResultLines::text(qint64 line) const
{
    QString t = QString::fromUtf8(bytes(line));
    for (QChar &c : t) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != '\t') || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)
            c = QLatin1Char('?');
    }
    return t;
}

int ResultLines::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_published);
}

QVariant ResultLines::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_published)
        return QVariant();
    if (role == Qt::DisplayRole)
        return text(index.row());
    if (role == Qt::SizeHintRole && m_rowSize.isValid())
        return m_rowSize;
    return QVariant();
}

ResultView::ResultView(QWidget *parent) : QListView(parent), m_lines(this)
{
    setModel(&m_lines);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setTextElideMode(Qt::ElideNone);
    setWordWrap(false);
    setLayoutMode(QListView::Batched);
    setBatchSize(4096);
}

void ResultView::clearLines()
{
    m_lines.clear();
    m_measured = -1;
}

bool ResultView::addLine(QByteArrayView utf8)
{
    return m_lines.append(utf8);
}

void ResultView::flush()
{
    m_lines.publish();
    fitRowWidth();
}

void ResultView::fitRowWidth()
{
    const qint64 longest = m_lines.longestLine();
    if (longest < 0 || longest == m_measured)
        return;
    m_measured = longest;
    // Item views keep the uniform row size they measured; a longer line needs the rows laid out anew.
    const QFontMetrics fm = fontMetrics();
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    m_lines.setRowSize(QSize(fm.horizontalAdvance(m_lines.text(longest)) + 2 * margin + fm.averageCharWidth(),
                             fm.height() + 2));
    scheduleDelayedItemsLayout();
}

QString ResultView::toPlainText() const
{
    QString all;
    for (qint64 i = 0; i < m_lines.count(); ++i)
        all += m_lines.text(i) + QLatin1Char('\n');
    return all;
}

void ResultView::copySelection() const
{
    QModelIndexList rows = selectionModel()->selectedIndexes();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QString text;
    for (const QModelIndex &row : rows)
        text += m_lines.text(row.row()) + QLatin1Char('\n');
    QApplication::clipboard()->setText(text);
}

void ResultView::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        copySelection();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}
