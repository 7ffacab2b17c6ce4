#pragma once

#include <QString>
#include <exception>

// The toolkit's exceptions: the exception display shows their message. Every other exception is
// shown as one of these with an empty message.
class Exception : public std::exception
{
public:
    explicit Exception(QString message) : m_message(std::move(message)) {}
    const QString &message() const { return m_message; }
    const char *what() const noexcept override;

private:
    QString m_message;
    mutable QByteArray m_what;
};

class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

class EInOutError : public Exception
{
public:
    explicit EInOutError(int errorCode);
    int errorCode() const { return m_errorCode; }

private:
    int m_errorCode;
};

class EFOpenError : public Exception
{
public:
    explicit EFOpenError(const QString &fileName);
    // The file could be opened but is refused: the reason follows the name as its own sentence.
    EFOpenError(const QString &fileName, const QString &reason);
};

class EFCreateError : public Exception
{
public:
    explicit EFCreateError(const QString &fileName);
};
