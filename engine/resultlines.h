#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>

#include <limits>
#include <memory>
#include <vector>

// A result line's bytes: the criterion's tag, a separator, the first name, another separator, the second
// name. Both faces of the comparison write exactly these bytes; into is cleared first and reused.
void composeResultLine(QByteArray &into, QLatin1StringView tag, const QByteArray &firstName,
                       const QByteArray &secondName);

// A line as the view shows it: one line of plain text. Its first tab, the separator after the tag, stays a
// tab; every other control character (a tab inside a name too) and every character that would reorder the
// line's text shows as '?'.
QString resultLineText(QByteArrayView utf8);

// The lines of the result view, stored compactly: their UTF-8 bytes packed in large chunks, and 12 bytes
// per line saying where it lies.
class ResultLines
{
public:
    // More lines than this are refused: the view holds them all in memory.
    static constexpr qint64 kDefaultCapacity = 20'000'000;
    // A scroll bar position is a line number, and scroll bars count in int; one row is the place after
    // the last line.
    static constexpr qint64 kMaxCapacity = std::numeric_limits<int>::max() - 1;

    qint64 count() const { return m_count; }
    bool isFull() const { return count() >= m_capacity; }
    void setCapacity(qint64 lines);
    // Stores one line; false when the store is full.
    bool append(QByteArrayView utf8);
    void clear();

    QByteArrayView bytes(qint64 line) const;
    QString text(qint64 line) const { return resultLineText(bytes(line)); }
    // The stored line with the most bytes, the one that likely needs the widest row; -1 when empty.
    qint64 longestLine() const { return m_longest; }
    // The bytes of the lines [first, end): at least the length of their text in UTF-16 units.
    qint64 byteCount(qint64 first, qint64 end) const;

private:
    struct LineRef
    {
        quint32 chunk;
        quint32 offset;
        quint32 length;
    };
    static constexpr qsizetype kChunkBytes = 4 << 20;
    // The references lie in blocks of a fixed size, so that growing never copies them all.
    static constexpr int kRefBlockBits = 16;

    const LineRef &ref(qint64 line) const
    {
        return m_refs[size_t(line >> kRefBlockBits)][size_t(line & ((1 << kRefBlockBits) - 1))];
    }

    std::vector<QByteArray> m_chunks;
    std::vector<std::unique_ptr<LineRef[]>> m_refs;
    qint64 m_count = 0;
    qint64 m_capacity = kDefaultCapacity;
    qint64 m_longest = -1;
};
