#include "platform/textfile.h"

#include "platform/filenames.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

WholeFile readWholeFile(const QString &path, qint64 limit)
{
    const QByteArray name = pathBytes(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    WholeFile file;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // A sparse file may claim any size: it is refused before a byte of it is read.
        if (st.st_size > limit) {
            file.outcome = WholeFile::TooLarge;
        } else {
            QByteArray bytes;
            bytes.reserve(qsizetype(st.st_size));
            char buffer[65536];
            for (;;) {
                // Whole buffers: some files of /proc refuse reads of odd lengths.
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    bytes.append(buffer, n);
                    if (bytes.size() > limit) {
                        file.outcome = WholeFile::TooLarge;
                        break;
                    }
                } else if (n == 0) {
                    file.outcome = WholeFile::Read;
                    file.bytes = std::move(bytes);
                    break;
                } else if (errno != EINTR) {
                    break;
                }
            }
        }
    }
    ::close(fd);
    return file;
}

namespace {

bool reserveSpace = true;

// Writes length bytes at offset 0; done counts what reached the file, so that a failure part way tells
// how much of the old contents was overwritten.
bool writeFromStart(int fd, const char *data, qint64 length, qint64 &done)
{
    done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(fd, data + done, size_t(length - done), off_t(done));
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            return false;
    }
    return true;
}

// The first length bytes of the file; nothing when they cannot be read.
std::optional<QByteArray> readFromStart(int fd, qint64 length)
{
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, bytes.data() + done, size_t(length - done), off_t(done));
        if (n > 0)
            done += n;
        else if (n == 0)
            break; // shorter than fstat said a moment ago: what is there is all there is to keep
        else if (errno != EINTR)
            return std::nullopt;
    }
    bytes.truncate(qsizetype(done));
    return bytes;
}

// Asks the file system for the blocks the new contents need, so that writing them cannot run out of
// space part way. Overwriting blocks the file already has needs none: saving the same text on a full
// disk still works. A file system that cannot reserve (some network and FUSE ones) is written anyway.
bool reserve(int fd, qint64 length)
{
    if (!reserveSpace || length == 0)
        return true;
    int rc;
    do {
        rc = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(length));
    } while (rc != 0 && errno == EINTR);
    return rc == 0 || errno == EOPNOTSUPP || errno == ENOSYS;
}

// Overwrites the open file with contents. On failure the old contents are put back from old (the bytes
// the new ones were to cover), when they could be read.
bool replaceContents(int fd, qint64 oldSize, bool readable, const QByteArray &contents)
{
    const qint64 newSize = contents.size();
    std::optional<QByteArray> old;
    if (readable)
        old = readFromStart(fd, std::min(oldSize, newSize));
    if (!reserve(fd, newSize)) {
        // Nothing has changed; what the attempt took beyond the end (ext4 keeps it) is given back.
        if (newSize > oldSize && ::ftruncate(fd, off_t(oldSize)) != 0) {
            // The contents are still the old ones; only the blocks taken beyond the end stay taken.
        }
        return false;
    }

    qint64 written = 0;
    // Synced before the old tail is cut off: a failure the system reports late (a full disk behind
    // delayed allocation, a network file system) still finds the tail there to keep.
    if (writeFromStart(fd, contents.constData(), newSize, written) && ::fsync(fd) == 0 &&
        ::ftruncate(fd, off_t(newSize)) == 0)
        return true;

    // The blocks being written back are the file's own, so this needs no free space. Cutting the file to
    // its old length also gives back the blocks reserved beyond it.
    qint64 restored = 0;
    if (old)
        writeFromStart(fd, old->constData(), std::min<qint64>(written, old->size()), restored);
    if (::ftruncate(fd, off_t(oldSize)) == 0)
        ::fsync(fd);
    return false;
}

// A save that failed on a file it had created leaves no file behind: the path is as it was before.
void removeCreatedFile(const QByteArray &name, const struct stat &created)
{
    // Found again through any link, and removed only while it is still the file the save made.
    char *real = ::realpath(name.constData(), nullptr);
    if (!real)
        return;
    struct stat now;
    if (::lstat(real, &now) == 0 && now.st_dev == created.st_dev && now.st_ino == created.st_ino)
        ::unlink(real);
    std::free(real);
}

} // namespace

// Written by hand rather than with QFile or QSaveFile: Qt 6.4's file engine counts a short write (a full
// disk, a file size limit) as success when the write after it fails, and QSaveFile replaces the file by
// another one, which changes its owner, its mode and its links and needs room for a second copy.
bool saveWholeFile(const QString &path, const QByteArray &contents)
{
    const QByteArray name = pathBytes(path);
    struct stat before;
    const bool existed = ::stat(name.constData(), &before) == 0;
    // A FIFO or a device in the file's place is no data file, and opening it could block or act.
    if (existed && !S_ISREG(before.st_mode))
        return false;

    // Opened as the plain write opens it, so that exactly the files and users it refuses are refused.
    // Reading too, where the mode allows it, keeps the old contents at hand for a failure part way; a
    // file that may be written but not read is written all the same.
    constexpr int kFlags = O_CREAT | O_NONBLOCK | O_CLOEXEC;
    bool readable = true;
    int fd = ::open(name.constData(), O_RDWR | kFlags, 0666);
    if (fd < 0 && errno == EACCES) {
        readable = false;
        fd = ::open(name.constData(), O_WRONLY | kFlags, 0666);
    }
    if (fd < 0)
        return false;
    struct stat st = {};
    const bool ok =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && replaceContents(fd, st.st_size, readable, contents);
    // Every error a write can meet was seen by the fsync before; closing cannot take the text back.
    ::close(fd);
    if (!ok && !existed && S_ISREG(st.st_mode))
        removeCreatedFile(name, st);
    return ok;
}

void setSpaceReservation(bool reserve)
{
    reserveSpace = reserve;
}
