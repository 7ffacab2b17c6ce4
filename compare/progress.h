#pragma once

#include <QByteArray>
#include <QString>

class QLineEdit;

// The progress text of a run. The loops record it for every file or pair; it reaches the edit only just
// before a real hand-over to the event loop and at the end of each phase, since nobody can see it in
// between. In literal pacing every recorded text is written at once.
class ProgressText
{
public:
    explicit ProgressText(QLineEdit *target) : m_target(target) {}

    void set(const QString &text);
    // The prefix followed by the displayed form of a file name.
    void set(const QString &prefix, const QByteArray &name);
    // The prefix, the first name, " vs " and the second name. Recording a pair costs a few stores: the
    // names are read when the text is written, so all three must stay valid until the next flush().
    void setPair(const QString &prefix, const QByteArray &first, const QByteArray &second)
    {
        storePair(prefix, first, second);
        m_kind = Kind::Pair;
        if (m_literal)
            flush();
    }
    // The pair of the first name and seconds[*position], whatever the position is when the text is
    // written: a loop records its pair by moving its position, at no cost per pair.
    void setPairFrom(const QString &prefix, const QByteArray &first, const QByteArray *seconds,
                     const qsizetype *position)
    {
        storePair(prefix, first, first);
        m_seconds = seconds;
        m_position = position;
        m_kind = Kind::PairFrom;
    }
    // The same, followed by " - byte " and a byte index.
    void setPairAt(const QString &prefix, const QByteArray &first, const QByteArray &second, qint64 byte)
    {
        storePair(prefix, first, second);
        m_byte = byte;
        m_kind = Kind::PairAt;
        if (m_literal)
            flush();
    }
    void flush();
    // Follows the pacing mode; call when a run starts.
    void syncWithPacing();

private:
    void storePair(const QString &prefix, const QByteArray &first, const QByteArray &second)
    {
        m_pairPrefix = &prefix;
        m_first = &first;
        m_second = &second;
    }

    enum class Kind { None, Text, Named, Pair, PairAt, PairFrom };

    QLineEdit *m_target;
    QString m_prefix;
    QByteArray m_name;
    const QString *m_pairPrefix = nullptr;
    const QByteArray *m_first = nullptr;
    const QByteArray *m_second = nullptr;
    qint64 m_byte = 0;
    const QByteArray *m_seconds = nullptr;
    const qsizetype *m_position = nullptr;
    Kind m_kind = Kind::None;
    bool m_literal = false;
};
