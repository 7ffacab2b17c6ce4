#include "engine/progress.h"

#include "platform/filenames.h"

void ProgressText::set(const QString &text)
{
    store(Kind::Text, text, QByteArray(), QByteArray());
}

void ProgressText::set(const QString &prefix, const QByteArray &name)
{
    store(Kind::Named, prefix, name, QByteArray());
}

void ProgressText::flush()
{
    const auto pair = [this] {
        return m_prefix + displayName(m_first) + QStringLiteral(" vs ") + displayName(m_second);
    };
    QString text;
    switch (m_kind) {
    case Kind::None:
        return;
    case Kind::Text:
        text = m_prefix;
        break;
    case Kind::Named:
        text = m_prefix + displayName(m_first);
        break;
    case Kind::Pair:
        text = pair();
        break;
    case Kind::PairAt:
        text = pair() + QStringLiteral(" - byte ") + QString::number(m_byte);
        break;
    }
    m_kind = Kind::None;
    if (m_show)
        m_show(text);
}
