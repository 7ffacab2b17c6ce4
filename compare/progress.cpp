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
    switch (m_kind) {
    case Kind::None:
        return;
    case Kind::Text:
        m_target->setText(m_prefix);
        break;
    case Kind::Named:
        m_target->setText(m_prefix + displayName(m_first));
        break;
    case Kind::Pair:
        m_target->setText(pair());
        break;
    case Kind::PairAt:
        m_target->setText(pair() + QStringLiteral(" - byte ") + QString::number(m_byte));
        break;
    }
    m_kind = Kind::None;
}
