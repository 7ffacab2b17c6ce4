#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QListView>

#include <vector>

// The lines of the result view, stored compactly: their UTF-8 bytes packed in large chunks, and where each
// line lies. Lines are stored at once but reach the views only when published, in batches.
class ResultLines : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // More lines than this are refused: the view holds them all in memory.
    static constexpr qint64 kDefaultCapacity = 20'000'000;

    qint64 count() const { return qint64(m_refs.size()); }
    bool isFull() const { return count() >= m_capacity; }
    void setCapacity(qint64 lines) { m_capacity = lines; }
    // Stores one line; false when the view is full.
    bool append(QByteArrayView utf8);
    void clear();
    // Lets the views show the lines stored since the last call.
    void publish();

    QByteArray bytes(qint64 line) const;
    // The line as shown: one line of plain text, control characters other than the tab shown as '?'.
    QString text(qint64 line) const;
    // The stored line with the most bytes, the one that needs the widest row.
    qint64 longestLine() const { return m_longest; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    // The size of every row: as wide as the widest line.
    void setRowSize(QSize size) { m_rowSize = size; }

private:
    struct LineRef
    {
        quint32 chunk;
        quint32 offset;
        quint32 length;
    };
    static constexpr qsizetype kChunkBytes = 4 << 20;

    std::vector<QByteArray> m_chunks;
    std::vector<LineRef> m_refs;
    qint64 m_published = 0;
    qint64 m_capacity = kDefaultCapacity;
    qint64 m_longest = -1;
    QSize m_rowSize;
};

// The result view: a read-only list of plain text lines, one per coincidence. Adding a line costs next to
// nothing; the view catches up when the run hands control to the event loop. Lines can be selected and
// copied (Ctrl+A, Ctrl+C).
class ResultView : public QListView
{
    Q_OBJECT
public:
    explicit ResultView(QWidget *parent = nullptr);

    void clearLines();
    // Adds a line; false when the view is full and the line was not added.
    bool addLine(QByteArrayView utf8);
    qint64 lineCount() const { return m_lines.count(); }
    void setCapacity(qint64 lines) { m_lines.setCapacity(lines); }
    QString lineText(qint64 line) const { return m_lines.text(line); }
    // Every line, each ended by a line feed.
    QString toPlainText() const;
    // Lets the view show the lines added since the last call.
    void flush();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void copySelection() const;
    void fitRowWidth();

    ResultLines m_lines;
    qint64 m_measured = -1;
};
