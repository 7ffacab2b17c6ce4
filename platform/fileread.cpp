#include "platform/fileread.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

qint64 raiseOpenFileLimit()
{
    static const qint64 limit = [] {
        struct rlimit rl;
        if (::getrlimit(RLIMIT_NOFILE, &rl) != 0)
            return qint64(1024);
        const rlim_t wanted = std::min<rlim_t>(rl.rlim_max, 1 << 20);
        if (rl.rlim_cur < wanted) {
            rlimit raised = rl;
            raised.rlim_cur = wanted;
            if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
                rl = raised;
        }
        return qint64(rl.rlim_cur);
    }();
    return limit;
}

bool regularFileFacts(const QByteArray &path, qint64 &size, quint64 &device, quint64 &inode, int directory)
{
    struct stat st;
    if (path.isEmpty() || ::fstatat(directory, path.constData(), &st, 0) != 0 || !S_ISREG(st.st_mode))
        return false;
    size = st.st_size;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

DirectoryHandle::DirectoryHandle(const QByteArray &path)
    : m_fd(::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC))
{
}

DirectoryHandle::~DirectoryHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool ReadOnlyFile::open(const QByteArray &path, int directory)
{
    qint64 size;
    quint64 device, inode;
    // Looked at before it is opened: opening a FIFO or a device could block or have side effects.
    return regularFileFacts(path, size, device, inode, directory) &&
           openAgain(path, directory, device, inode);
}

bool ReadOnlyFile::openAgain(const QByteArray &path, int directory, quint64 device, quint64 inode)
{
    close();
    // Non-blocking: should something else have taken the file's place since it was looked at, the open
    // cannot hang, and the check below refuses it.
    const int fd = ::openat(directory, path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != device || st.st_ino != inode) {
        ::close(fd);
        return false;
    }
    // Read-ahead pays off for files longer than a few blocks; for small ones it is one more call.
    if (st.st_size > (qint64(1) << 20))
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_mayHaveHoles = qint64(st.st_blocks) * 512 < qint64(st.st_size);
    m_fd = fd;
    m_size = st.st_size;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    return true;
}

void ReadOnlyFile::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

qint64 ReadOnlyFile::dataFrom(qint64 offset) const
{
    if (!m_mayHaveHoles)
        return offset;
    const off_t data = ::lseek(m_fd, off_t(offset), SEEK_DATA);
    if (data >= 0)
        return data;
    return errno == ENXIO ? m_size : offset;
}

bool ReadOnlyFile::readAt(qint64 offset, char *buffer, qint64 length) const
{
    while (length > 0) {
        const ssize_t n = ::pread(m_fd, buffer, size_t(length), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer += n;
        offset += n;
        length -= n;
    }
    return true;
}
