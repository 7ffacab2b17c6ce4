#include "datasets.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bumped whenever the pair generator changes what it writes: the marker name carries it, so directories
// made by an older generator are not taken for current ones.
constexpr int kPairFormat = 1;

// The first modification time of a pair, in UTC seconds (September 2020). Even, so that every two-second
// step is one exact time key of its own.
constexpr qint64 kTimeBase = 1'600'000'000;

// A fixed, portable pseudo-random sequence (splitmix64): the same sizes on every machine and library.
quint64 mix(quint64 x)
{
    x += 0x9e3779b97f4a7c15ull;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ull;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

// The name numbered id. The multiplier scatters the numbers so that the search order differs from the
// making order and the sort does real work; it is a bijection below the prime, so names stay distinct.
QByteArray pairFileName(int id)
{
    constexpr int kPrime = 1'000'003;
    return "item-" + QByteArray::number((qint64(id) * 7919) % kPrime) + (id % 3 ? ".txt" : ".DAT");
}

void writeFile(const QByteArray &path, const QByteArray &contents, qint64 mtime)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, contents.constData(), size_t(contents.size())) != contents.size())
        qFatal("cannot write %s", path.constData());
    ::close(fd);
    // Set after the file is closed, so that no later write moves the time again.
    const timespec times[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
    if (::utimensat(AT_FDCWD, path.constData(), times, 0) != 0)
        qFatal("cannot set the time of %s", path.constData());
}

// One directory of a pair: its names start at firstId and its times at the step firstStep.
void makePairDirectory(const QString &dir, const DatasetPair &pair, int side, int firstId, int firstStep)
{
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QByteArray base = QFile::encodeName(dir) + '/';
    const QByteArray filler(pair.maxBytes, 'x');
    const quint64 span = quint64(pair.maxBytes - pair.minBytes) + 1;
    for (int i = 0; i < pair.filesPerDir; ++i) {
        const int size = pair.minBytes + int(mix(quint64(side) << 32 | quint64(i)) % span);
        writeFile(base + pairFileName(firstId + i), filler.left(size), kTimeBase + 2 * qint64(firstStep + i));
    }
}

QString markerPath(const QString &root, const QString &name, int format)
{
    return root + QLatin1Char('/') + name + QStringLiteral(".pair-v%1.complete").arg(format);
}

} // namespace

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

DatasetPairPaths ensureDatasetPair(const QString &root, const DatasetPair &pair)
{
    const QString prefix = root + QLatin1Char('/') + pair.name;
    const DatasetPairPaths paths{prefix + QStringLiteral("-1"), prefix + QStringLiteral("-2")};
    const QString marker = markerPath(root, pair.name, kPairFormat);
    if (QFile::exists(marker))
        return paths;
    // Markers of older generators go; the current one is written only once both directories are whole.
    for (int format = 0; format < kPairFormat; ++format)
        QFile::remove(markerPath(root, pair.name, format));
    std::fprintf(stderr, "making %s-1 and -2: %d files each of %d..%d bytes\n", qPrintable(prefix),
                 pair.filesPerDir, pair.minBytes, pair.maxBytes);
    const int n = pair.filesPerDir;
    makePairDirectory(paths.first, pair, 1, 0, 0);
    makePairDirectory(paths.second, pair, 2, n / 2, n - n / 4);
    QFile(marker).open(QIODevice::WriteOnly);
    return paths;
}
