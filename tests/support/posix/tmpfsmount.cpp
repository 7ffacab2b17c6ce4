#include "support/tmpfsmount.h"

#include "support/bytenames.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/stat.h>

TmpfsMount::TmpfsMount(const QByteArray &options)
{
    if (!m_dir.isValid()) {
        m_reason = QStringLiteral("no temporary directory to mount on");
        return;
    }
    if (::mount("tmpfs", bytes().constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) != 0) {
        m_reason = QStringLiteral("cannot mount a tmpfs here (%1)")
                       .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

TmpfsMount::~TmpfsMount()
{
    // Detached, so that a test that failed inside it (its current directory there) cannot keep it mounted.
    if (m_mounted)
        ::umount2(bytes().constData(), MNT_DETACH);
}

QByteArray TmpfsMount::bytes() const
{
    return QFile::encodeName(m_dir.path());
}

bool setExactModificationTime(const QByteArray &path, qint64 seconds)
{
    setModificationTime(path, seconds);
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        qFatal("cannot read the time of %s", path.constData());
    return st.st_mtim.tv_sec == seconds;
}
