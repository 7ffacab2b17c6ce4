#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <utility>

// The progress text of a run. The loops record it at the files and pairs where it matters; it is shown
// (the window writes it to its edit) only just before a real hand-over to the event loop and at the end of
// each phase, since nobody can see it in between. In literal pacing every recorded text is shown at once.
//
// What is recorded is held by value (the names are shared, not copied), so a recorded text can never
// refer to names that are gone, however the loop that recorded it ended.
class ProgressText
{
public:
    using Show = std::function<void(const QString &text)>;
    explicit ProgressText(Show show = {}) : m_show(std::move(show)) {}

    void set(const QString &text);
    // The prefix followed by the displayed form of a file name.
    void set(const QString &prefix, const QByteArray &name);
    // The prefix, the first name, " vs " and the second name.
    void setPair(const QString &prefix, const QByteArray &first, const QByteArray &second)
    {
        store(Kind::Pair, prefix, first, second);
    }
    // The same, followed by " - byte " and a byte index.
    void setPairAt(const QString &prefix, const QByteArray &first, const QByteArray &second, qint64 byte)
    {
        m_byte = byte;
        store(Kind::PairAt, prefix, first, second);
    }
    void flush();
    // Literal: every recorded text is shown at once (literal pacing, where every point hands over).
    void setLiteral(bool on) { m_literal = on; }

private:
    enum class Kind { None, Text, Named, Pair, PairAt };

    void store(Kind kind, const QString &prefix, const QByteArray &first, const QByteArray &second)
    {
        m_kind = kind;
        m_prefix = prefix;
        m_first = first;
        m_second = second;
        if (m_literal)
            flush();
    }

    Show m_show;
    QString m_prefix;
    QByteArray m_first;
    QByteArray m_second;
    qint64 m_byte = 0;
    Kind m_kind = Kind::None;
    bool m_literal = false;
};
