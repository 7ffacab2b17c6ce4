#include "engine/resultlines.h"

#include "platform/filenames.h"

#include <algorithm>

void composeResultLine(QByteArray &into, QLatin1StringView tag, const QByteArray &firstName,
                       const QByteArray &secondName)
{
    into.clear();
    into.append(tag.data(), tag.size());
    into.append("    \t");
    into.append(firstName);
    into.append("  =  ");
    into.append(secondName);
}

QString resultLineText(QByteArrayView utf8)
{
    QString text = QString::fromUtf8(utf8);
    bool separatorSeen = false;
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u == u'\t' && !separatorSeen)
            separatorSeen = true;
        else if (isShownAsMark(u))
            c = QLatin1Char('?');
    }
    return text;
}

void ResultLines::setCapacity(qint64 lines)
{
    m_capacity = std::clamp<qint64>(lines, 0, kMaxCapacity);
}

bool ResultLines::append(QByteArrayView utf8)
{
    const qsizetype n = utf8.size();
    if (isFull() || n > qsizetype(std::numeric_limits<quint32>::max()))
        return false;
    if (m_chunks.empty() || m_chunks.back().size() + n > m_chunks.back().capacity()) {
        QByteArray chunk;
        chunk.reserve(std::max(kChunkBytes, n));
        m_chunks.push_back(std::move(chunk));
    }
    QByteArray &chunk = m_chunks.back();
    if ((m_count >> kRefBlockBits) == qint64(m_refs.size()))
        m_refs.push_back(std::make_unique_for_overwrite<LineRef[]>(size_t(1) << kRefBlockBits));
    m_refs.back()[size_t(m_count & ((1 << kRefBlockBits) - 1))] = {quint32(m_chunks.size() - 1),
                                                                   quint32(chunk.size()), quint32(n)};
    ++m_count;
    chunk.append(utf8);
    if (m_longest < 0 || n > qsizetype(ref(m_longest).length))
        m_longest = m_count - 1;
    return true;
}

void ResultLines::clear()
{
    m_chunks.clear();
    m_refs.clear();
    m_refs.shrink_to_fit();
    m_count = 0;
    m_longest = -1;
}

QByteArrayView ResultLines::bytes(qint64 line) const
{
    const LineRef &r = ref(line);
    return QByteArrayView(m_chunks[r.chunk]).sliced(r.offset, r.length);
}

qint64 ResultLines::byteCount(qint64 first, qint64 end) const
{
    qint64 total = 0;
    for (qint64 line = first; line < end; ++line)
        total += ref(line).length;
    return total;
}
