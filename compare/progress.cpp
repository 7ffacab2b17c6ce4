#include "compare/progress.h"

#include "compare/pacing.h"
#include "platform/filenames.h"

#include <QLineEdit>

void ProgressText::set(const QString &text)
{
    m_prefix = text;
    m_hasName = false;
    m_pending = true;
    if (pacing::isLiteral())
        flush();
}

void ProgressText::set(const QString &prefix, const QByteArray &name)
{
    m_prefix = prefix;
    m_name = name;
    m_hasName = true;
    m_pending = true;
    if (pacing::isLiteral())
        flush();
}

void ProgressText::flush()
{
    if (!m_pending)
        return;
    m_pending = false;
    m_target->setText(m_hasName ? m_prefix + displayName(m_name) : m_prefix);
}
