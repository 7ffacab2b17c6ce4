#include "platform/fileread.h"

#include "platform/posix/handles.h"

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

bool regularFileFacts(const QByteArray &path, qint64 &size, FileIdentity &identity,
                      const DirectoryAnchor *directory)
{
    struct stat st;
    if (path.isEmpty() || ::fstatat(PlatformAccess::descriptor(directory), path.constData(), &st, 0) != 0 ||
        !S_ISREG(st.st_mode))
        return false;
    size = st.st_size;
    identity = PlatformAccess::identity(st);
    return true;
}

bool ReadOnlyFile::openChecked(const QByteArray &path, const DirectoryAnchor *directory, bool followLinks,
                               FileIdentity identity, qint64 size)
{
    close();
    if (path.isEmpty())
        return false;
    // Non-blocking: should something else have taken the file's place since it was looked at, the open
    // cannot hang, and the check below refuses it.
    const int fd = ::openat(PlatformAccess::descriptor(directory), path.constData(),
                            O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        m_lackedHandle = errno == EMFILE || errno == ENFILE;
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || PlatformAccess::identity(st) != identity ||
        (size >= 0 && st.st_size != size)) {
        ::close(fd);
        return false;
    }
    m_mayHaveHoles = qint64(st.st_blocks) * 512 < qint64(st.st_size);
    m_handle = fd;
    m_size = st.st_size;
    m_identity = identity;
    return true;
}

void ReadOnlyFile::close()
{
    if (isOpen())
        ::close(int(m_handle));
    m_handle = kNoHandle;
    m_lackedHandle = false;
}

ReadOnlyFile::Extent ReadOnlyFile::dataExtent(qint64 offset) const
{
    if (!m_mayHaveHoles)
        return {offset, m_size};
    const off_t start = ::lseek(int(m_handle), off_t(offset), SEEK_DATA);
    if (start < 0) {
        if (errno != ENXIO)
            return {offset, m_size}; // the file system cannot tell
        // Nothing but a hole up to the end, or the end came sooner than it was.
        return currentSize() >= m_size ? Extent{m_size, m_size} : Extent{-1, -1};
    }
    if (start >= m_size)
        return {m_size, m_size};
    // A hole found no later than the data (the file changing meanwhile) is taken as data up to the end.
    const off_t end = ::lseek(int(m_handle), start, SEEK_HOLE);
    return {start, end <= start ? m_size : std::min<qint64>(end, m_size)};
}

qint64 ReadOnlyFile::readUpTo(qint64 offset, char *buffer, qint64 length) const
{
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(int(m_handle), buffer + done, size_t(length - done), off_t(offset + done));
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
    return ::fstat(int(m_handle), &st) == 0 ? qint64(st.st_size) : -1;
}
