#include "platform/textfile.h"

#include "platform/filenames.h"

#include <QSaveFile>

#include <cerrno>
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

bool saveWholeFile(const QString &path, const QByteArray &contents)
{
    // A FIFO or a device in the file's place would be replaced by the rename, or block a direct write;
    // neither is a data file, so the save is refused.
    struct stat st;
    if (::stat(pathBytes(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(contents) != contents.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
