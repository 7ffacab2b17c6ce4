#include "platform/textfile.h"

#include "platform/filenames.h"

#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<QByteArray> readWholeFile(const QString &path)
{
    const QByteArray name = pathBytes(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    std::optional<QByteArray> contents;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        QByteArray bytes;
        bytes.reserve(qsizetype(st.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                bytes.append(buffer, n);
            } else if (n == 0) {
                contents = std::move(bytes);
                break;
            } else if (errno != EINTR) {
                break;
            }
        }
    }
    ::close(fd);
    return contents;
}

namespace {

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (n < 0 && errno != EINTR)
            return false;
    }
    return true;
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

// Written by hand rather than with QSaveFile: Qt 6.4's file engine counts a short write (a full disk, a
// file size limit) as success when the write after it fails, and QSaveFile then commits a cut file.
bool saveWholeFile(const QString &path, const QByteArray &contents)
{
    QByteArray target = pathBytes(path);
    struct stat st;
    const bool exists = ::stat(target.constData(), &st) == 0;
    // A FIFO or a device in the file's place is no data file: a rename would replace it and a direct
    // write could block.
    if (exists && !S_ISREG(st.st_mode))
        return false;
    if (exists) {
        // Through a link to the file it names, so that the link stays.
        const QByteArray resolved = pathBytes(QFileInfo(path).canonicalFilePath());
        if (!resolved.isEmpty())
            target = resolved;
    }

    const qsizetype slash = target.lastIndexOf('/');
    QByteArray temporary = (slash >= 0 ? target.left(slash + 1) : QByteArray()) + ".vestrel-save-XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = true;
    if (exists) {
        // Keep the file's permissions, and its owner where we may.
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Another user's file becomes ours, as a newly created one would.
        }
    } else {
        ok = ::fchmod(fd, 0666 & ~currentUmask()) == 0;
    }
    ok = ok && writeAll(fd, contents) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(temporary.constData());
    return ok;
}
