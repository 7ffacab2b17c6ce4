#include "platform/exceptions.h"

const char *Exception::what() const noexcept
{
    m_what = m_message.toUtf8();
    return m_what.constData();
}

EInOutError::EInOutError(int errorCode)
    : Exception(QStringLiteral("I/O error %1").arg(errorCode)), m_errorCode(errorCode)
{
}

EFOpenError::EFOpenError(const QString &fileName)
    : Exception(QStringLiteral("Cannot open file %1").arg(fileName))
{
}

EFOpenError::EFOpenError(const QString &fileName, const QString &reason)
    : Exception(QStringLiteral("Cannot open file %1. %2").arg(fileName, reason))
{
}

EFCreateError::EFCreateError(const QString &fileName)
    : Exception(QStringLiteral("Cannot create file %1").arg(fileName))
{
}
