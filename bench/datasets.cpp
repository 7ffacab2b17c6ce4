#include "datasets.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

QString benchRoot()
{
    const QString fromEnv = qEnvironmentVariable("VESTREL_BENCH_DIR");
    return fromEnv.isEmpty() ? QDir::tempPath() + QStringLiteral("/vestrel-bench") : fromEnv;
}

QString ensureDataset(const QString &root, const Dataset &set)
{
    const QString dir = root + QLatin1Char('/') + set.name;
    const QString marker = root + QLatin1Char('/') + set.name + QStringLiteral(".complete");
    if (QFile::exists(marker))
        return dir;
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    std::fprintf(stderr, "making %s: %d files of %d bytes\n", qPrintable(dir), set.files, set.bytesPerFile);
    QByteArray contents(set.bytesPerFile, 'x');
    for (int i = 0; i < set.files; ++i) {
        // Varied names, so that the sort does real work.
        const QByteArray path = QFile::encodeName(dir) + "/file-" +
                                QByteArray::number((i * 7919) % set.files) + (i % 3 ? ".txt" : ".DAT");
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, contents.constData(), size_t(contents.size())) != contents.size())
            qFatal("cannot write %s", path.constData());
        ::close(fd);
    }
    QFile(marker).open(QIODevice::WriteOnly);
    return dir;
}
