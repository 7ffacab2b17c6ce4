#include "support/tmpfsmount.h"

#include <QFile>

// Windows has no tmpfs: the cases that need one say so and are skipped.
TmpfsMount::TmpfsMount(const QByteArray &) : m_reason(QStringLiteral("Windows has no tmpfs to mount")) {}

TmpfsMount::~TmpfsMount() = default;

QByteArray TmpfsMount::bytes() const
{
    return QFile::encodeName(m_dir.path());
}

bool setExactModificationTime(const QByteArray &, qint64)
{
    return false;
}
