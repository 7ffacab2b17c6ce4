#include "datasets.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Bumped whenever the pair generator changes what it writes: the marker name carries it, so directories
// made by an older generator are not taken for current ones.
constexpr int kPairFormat = 1;
// The same for the content pairs.
constexpr int kContentFormat = 1;
// The same for the mixed content pairs.
constexpr int kMixedFormat = 1;

// Salts that keep the pseudo-random sequences of different uses apart.
constexpr quint64 kCopySalt = 0x636f70792d6f6e65ull;
constexpr quint64 kOriginalSalt = 0x6f726967696e616cull;
constexpr quint64 kContentSalt = 0x636f6e74656e7473ull;
constexpr quint64 kTailSalt = 0x7461696c2d627974ull;
constexpr quint64 kSizeSalt = 0x73697a652d6f6621ull;
constexpr quint64 kEqualSalt = 0x657175616c2d746full;

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

void writeFile(const QByteArray &path, const char *data, qint64 size, qint64 mtime)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        qFatal("cannot write %s", path.constData());
    // Large files may take more than one write.
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            qFatal("cannot write %s", path.constData());
        done += n;
    }
    ::close(fd);
    // Set after the file is closed, so that no later write moves the time again.
    const timespec times[2] = {{time_t(mtime), 0}, {time_t(mtime), 0}};
    if (::utimensat(AT_FDCWD, path.constData(), times, 0) != 0)
        qFatal("cannot set the time of %s", path.constData());
}

void writeFile(const QByteArray &path, const QByteArray &contents, qint64 mtime)
{
    writeFile(path, contents.constData(), contents.size(), mtime);
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

// Which contents each file of a content pair holds, as ids: files with equal ids have equal bytes, files
// with different ids differ.
struct ContentPlan
{
    std::vector<qint64> first;
    std::vector<qint64> second;
};

ContentPlan contentPlan(const ContentPair &pair)
{
    using Layout = ContentPair::Layout;
    const int n = pair.filesPerDir;
    ContentPlan plan;
    for (int i = 0; i < n; ++i)
        plan.first.push_back(pair.layout == Layout::allEqual ? 0 : i);
    // The directory-2 files of sharedPrefix that equal a directory-1 file are spread over the directory.
    const int step = pair.equalPairs > 0 ? std::max(1, n / pair.equalPairs) : 0;
    for (int i = 0; i < n; ++i) {
        qint64 id = qint64(n) + i; // its own contents
        if (pair.layout == Layout::allEqual) {
            id = 0;
        } else if (pair.layout == Layout::randomWithCopies) {
            if (pair.copyOneIn > 0 && mix(kCopySalt ^ quint64(i)) % quint64(pair.copyOneIn) == 0)
                id = qint64(mix(kOriginalSalt ^ quint64(i)) % quint64(n));
        } else if (step > 0 && i % step == 0 && i / step < pair.equalPairs) {
            id = (qint64(i) * 7 + 3) % n;
        }
        plan.second.push_back(id);
    }
    return plan;
}

// The bytes of a content pair's files, made from their ids. Each word is splitmix64 of a distinct input,
// and splitmix64 is a bijection, so different ids give different bytes. Little-endian on every machine.
class ContentMaker
{
public:
    explicit ContentMaker(const ContentPair &pair)
        : m_layout(pair.layout), m_words(size_t(pair.bytesPerFile / 8)), m_bytes(pair.bytesPerFile, 0)
    {
    }

    const char *bytesFor(qint64 id)
    {
        using Layout = ContentPair::Layout;
        if (m_filled && id == m_id)
            return m_bytes.constData();
        if (m_layout == Layout::randomWithCopies) {
            for (quint64 k = 0; k < m_words; ++k)
                put(k, mix(kContentSalt ^ (quint64(id) << 32 | k)));
        } else {
            // One sequence for every file; sharedPrefix files then differ in their last word only.
            if (!m_filled)
                for (quint64 k = 0; k < m_words; ++k)
                    put(k, mix(kContentSalt ^ k));
            if (m_layout == Layout::sharedPrefix && m_words > 0)
                put(m_words - 1, mix(kTailSalt ^ quint64(id)));
        }
        m_filled = true;
        m_id = id;
        return m_bytes.constData();
    }

private:
    void put(quint64 k, quint64 word)
    {
        const quint64 le = qToLittleEndian(word);
        std::memcpy(m_bytes.data() + k * 8, &le, sizeof le);
    }

    ContentPair::Layout m_layout;
    quint64 m_words;
    QByteArray m_bytes;
    bool m_filled = false;
    qint64 m_id = 0;
};

void makeContentDirectory(const QString &dir, const std::vector<qint64> &ids, int firstName,
                          ContentMaker &maker, qint64 bytesPerFile)
{
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QByteArray base = QFile::encodeName(dir) + '/';
    for (size_t i = 0; i < ids.size(); ++i)
        writeFile(base + pairFileName(firstName + int(i)), maker.bytesFor(ids[i]), bytesPerFile,
                  kTimeBase + 2 * qint64(i));
}

// One file of a mixed pair: the contents id (equal ids, equal bytes), its size and its time step.
struct MixedFile
{
    int nameId;
    qint64 contentId;
    int size;
    int step;
};

struct MixedPlan
{
    std::vector<MixedFile> first;
    std::vector<MixedFile> second;
};

int mixedSize(const MixedContentPair &pair, int side, int index)
{
    return int(mix(kSizeSalt ^ (quint64(side) << 32 | quint64(index))) % (quint64(pair.maxBytes) + 1));
}

MixedPlan mixedPlan(const MixedContentPair &pair)
{
    const int n = pair.filesPerDir;
    MixedPlan plan;
    for (int i = 0; i < n; ++i)
        plan.first.push_back({i, i, mixedSize(pair, 1, i), i});
    for (int i = 0; i < n; ++i) {
        MixedFile f{n / 2 + i, qint64(n) + i, mixedSize(pair, 2, i), n - pair.sharedTimeSteps + i};
        // A shared name whose file was copied and left alone.
        if (f.nameId < n && pair.equalOneIn > 0 &&
            mix(kEqualSalt ^ quint64(f.nameId)) % quint64(pair.equalOneIn) == 0) {
            f.contentId = plan.first[size_t(f.nameId)].contentId;
            f.size = plan.first[size_t(f.nameId)].size;
        }
        plan.second.push_back(f);
    }
    return plan;
}

// The bytes of contents id at a size: distinct ids give distinct first words, so files of eight bytes or
// more are equal exactly when their ids are.
void mixedBytes(qint64 id, int size, QByteArray &into)
{
    into.resize((size + 7) / 8 * 8);
    for (int k = 0; k * 8 < size; ++k) {
        const quint64 le = qToLittleEndian(mix(kContentSalt ^ (quint64(id) << 32 | quint64(k))));
        std::memcpy(into.data() + k * 8, &le, sizeof le);
    }
    into.truncate(size);
}

// What decides whether two files of a mixed pair are equal: their size, and their id or, for files too
// short to tell ids apart, their bytes.
QByteArray equalityKey(const MixedFile &f)
{
    QByteArray key = QByteArray::number(f.size) + ':';
    if (f.size >= 8)
        return key + QByteArray::number(f.contentId);
    QByteArray bytes;
    mixedBytes(f.contentId, f.size, bytes);
    return key + bytes.toHex();
}

void makeMixedDirectory(const QString &dir, const std::vector<MixedFile> &files)
{
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    const QByteArray base = QFile::encodeName(dir) + '/';
    QByteArray bytes;
    for (const MixedFile &f : files) {
        mixedBytes(f.contentId, f.size, bytes);
        writeFile(base + pairFileName(f.nameId), bytes, kTimeBase + 2 * qint64(f.step));
    }
}

QString markerPath(const QString &root, const QString &name, int format, const char *kind = "pair")
{
    return root + QLatin1Char('/') + name +
           QStringLiteral(".%1-v%2.complete").arg(QLatin1String(kind)).arg(format);
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

ContentPairFacts ensureContentPair(const QString &root, const ContentPair &pair)
{
    if (pair.filesPerDir <= 0 || pair.bytesPerFile <= 0 || pair.bytesPerFile % 8 != 0)
        qFatal("content pair %s: needs files, and a size that is a positive multiple of 8",
               qPrintable(pair.name));
    const QString prefix = root + QLatin1Char('/') + pair.name;
    const ContentPlan plan = contentPlan(pair);
    ContentPairFacts facts{{prefix + QStringLiteral("-1"), prefix + QStringLiteral("-2")},
                           2 * qint64(pair.filesPerDir) * pair.bytesPerFile,
                           0,
                           0};
    std::map<qint64, qint64> firstCount;
    for (const qint64 id : plan.first)
        ++firstCount[id];
    for (const qint64 id : plan.second) {
        const auto it = firstCount.find(id);
        if (it != firstCount.end()) {
            ++facts.equalFiles;
            facts.expectedPairs += it->second;
        }
    }

    const QString marker = markerPath(root, pair.name, kContentFormat, "contents");
    if (QFile::exists(marker))
        return facts;
    for (int format = 0; format < kContentFormat; ++format)
        QFile::remove(markerPath(root, pair.name, format, "contents"));
    std::fprintf(stderr, "making %s-1 and -2: %d files each of %lld bytes\n", qPrintable(prefix),
                 pair.filesPerDir, qint64(pair.bytesPerFile));
    ContentMaker maker(pair);
    makeContentDirectory(facts.paths.first, plan.first, 0, maker, pair.bytesPerFile);
    makeContentDirectory(facts.paths.second, plan.second, pair.filesPerDir, maker, pair.bytesPerFile);
    // Written only once both directories are whole.
    QFile(marker).open(QIODevice::WriteOnly);
    return facts;
}

ContentPairFacts ensureMixedContentPair(const QString &root, const MixedContentPair &pair)
{
    if (pair.filesPerDir <= 0 || pair.maxBytes < 0 || pair.sharedTimeSteps < 0 ||
        pair.sharedTimeSteps > pair.filesPerDir)
        qFatal("mixed pair %s: needs files, sizes and at most one shared time step per file",
               qPrintable(pair.name));
    const QString prefix = root + QLatin1Char('/') + pair.name;
    const MixedPlan plan = mixedPlan(pair);
    ContentPairFacts facts{{prefix + QStringLiteral("-1"), prefix + QStringLiteral("-2")}, 0, 0, 0};
    std::map<QByteArray, qint64> firstCount;
    for (const MixedFile &f : plan.first) {
        facts.dataBytes += f.size;
        ++firstCount[equalityKey(f)];
    }
    for (const MixedFile &f : plan.second) {
        facts.dataBytes += f.size;
        const auto it = firstCount.find(equalityKey(f));
        if (it != firstCount.end()) {
            ++facts.equalFiles;
            facts.expectedPairs += it->second;
        }
    }

    const QString marker = markerPath(root, pair.name, kMixedFormat, "mixed");
    if (QFile::exists(marker))
        return facts;
    for (int format = 0; format < kMixedFormat; ++format)
        QFile::remove(markerPath(root, pair.name, format, "mixed"));
    std::fprintf(stderr, "making %s-1 and -2: %d files each of 0..%d bytes\n", qPrintable(prefix),
                 pair.filesPerDir, pair.maxBytes);
    makeMixedDirectory(facts.paths.first, plan.first);
    makeMixedDirectory(facts.paths.second, plan.second);
    QFile(marker).open(QIODevice::WriteOnly);
    return facts;
}
