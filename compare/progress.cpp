#include "compare/progress.h"

#include "compare/pacing.h"
#include "platform/filenames.h"

#include <QLineEdit>

void ProgressText::syncWithPacing()
{
    m_literal = pacing::isLiteral();
}

void ProgressText::set(const QString &text)
{
    m_prefix = text;
    m_kind = Kind::Text;
    if (m_literal)
        flush();
}

void ProgressText::set(const QString &prefix, const QByteArray &name)
{
    m_prefix = prefix;
    m_name = name;
    m_kind = Kind::Named;
    if (m_literal)
        flush();
}

void ProgressText::flush()
{
    switch (m_kind) {
    case Kind::None:
        return;
    case Kind::Text:
        m_target->setText(m_prefix);
        break;
    case Kind::Named:
        m_target->setText(m_prefix + displayName(m_name));
        break;
    case Kind::Pair:
        m_target->setText(*m_pairPrefix + displayName(*m_first) + QStringLiteral(" vs ") +
                          displayName(*m_second));
        break;
    case Kind::PairFrom:
        m_target->setText(*m_pairPrefix + displayName(*m_first) + QStringLiteral(" vs ") +
                          displayName(m_seconds[*m_position]));
        break;
    case Kind::PairAt:
        m_target->setText(*m_pairPrefix + displayName(*m_first) + QStringLiteral(" vs ") +
                          displayName(*m_second) + QStringLiteral(" - byte ") + QString::number(m_byte));
        break;
    }
    m_kind = Kind::None;
}
