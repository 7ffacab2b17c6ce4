#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A small tmpfs mounted on a fresh temporary directory for one test, and taken away after it: a file
// system that keeps what the disk under the tests may not (64-bit times, for one). Mounting needs
// privileges (CI runs as root); where it is refused, isMounted() is false and reason() says why.
class TmpfsMount
{
public:
    explicit TmpfsMount(const QByteArray &options = "size=1m");
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;

    bool isMounted() const { return m_mounted; }
    QString reason() const { return m_reason; }
    QByteArray bytes() const;

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_reason;
};

// Gives a file a modification time; false when its file system keeps another (it may not hold 64 bits).
bool setExactModificationTime(const QByteArray &path, qint64 seconds);
