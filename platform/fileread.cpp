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
           openChecked(path, directory, 0, device, inode, size);
}

bool ReadOnlyFile::openListed(const QByteArray &name, int directory, quint64 device, quint64 inode,
                              qint64 size)
{
    // A link put in the entry's place since it was listed is refused by the open itself.
    return openChecked(name, directory, O_NOFOLLOW, device, inode, size);
}

bool ReadOnlyFile::openChecked(const QByteArray &path, int directory, int flags, quint64 device,
                               quint64 inode, qint64 size)
{
    close();
    if (path.isEmpty())
        return false;
    // Non-blocking: should something else have taken the file's place since it was looked at, the open
    // cannot hang, and the check below refuses it.
    const int fd =
        ::openat(directory, path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | flags);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != device || st.st_ino != inode ||
        st.st_size != size) {
        ::close(fd);
        return false;
    }
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

ReadOnlyFile::Extent ReadOnlyFile::dataExtent(qint64 offset) const
{
    if (!m_mayHaveHoles)
        return {offset, m_size};
    const off_t start = ::lseek(m_fd, off_t(offset), SEEK_DATA);
    if (start < 0) {
        if (errno != ENXIO)
            return {offset, m_size}; // the file system cannot tell
        // Nothing but a hole up to the end, or the end came sooner than it was.
        return currentSize() >= m_size ? Extent{m_size, m_size} : Extent{-1, -1};
    }
    if (start >= m_size)
        return {m_size, m_size};
    // A hole found no later than the data (the file changing meanwhile) is taken as data up to the end.
    const off_t end = ::lseek(m_fd, start, SEEK_HOLE);
    return {start, end <= start ? m_size : std::min<qint64>(end, m_size)};
}

qint64 ReadOnlyFile::readUpTo(qint64 offset, char *buffer, qint64 length) const
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_fd, buffer + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

qint64 ReadOnlyFile::currentSize() const
{
    struct stat st;
    return ::fstat(m_fd, &st) == 0 ? qint64(st.st_size) : -1;
}
