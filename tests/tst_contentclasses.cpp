// Splitting files of one size into classes of equal contents: exact by bytes, block by block, reading no
// class further than it can matter.

#include "engine/contentclasses.h"
#include "platform/fileread.h"
#include "support/bytenames.h"
#include "support/tree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kSmallBudget = 1; // blocks as small as they go

struct Group
{
    TempTree tree;
    std::vector<ContentFile> files;
    std::vector<QByteArray> contents;

    void add(const QByteArray &data, int first, int second, int mode = 0644)
    {
        const QByteArray name = "f" + QByteArray::number(qint64(files.size()));
        list(tree.file(name, data, mode), first, second);
        contents.push_back(data);
    }
    // A file made elsewhere, taken as a listing would find it.
    void list(const QByteArray &path, int first, int second)
    {
        files.push_back({nullptr, path, first, second});
        qint64 size;
        if (!regularFileFacts(path, size, files.back().identity))
            qFatal("cannot list %s", path.constData());
    }
    std::vector<int> all() const
    {
        std::vector<int> g(files.size());
        for (size_t i = 0; i < g.size(); ++i)
            g[i] = int(i);
        return g;
    }
};

QByteArray pattern(qint64 size, char seed)
{
    QByteArray data(size, '\0');
    for (qint64 k = 0; k < size; ++k)
        data[k] = char((k * 131 + seed) % 251);
    return data;
}

QByteArray withByte(QByteArray data, qint64 at, char value)
{
    data[at] = value;
    return data;
}

// A sparse file of the given size with the given bytes written at their offsets; false when the file system
// refuses the size or keeps no holes.
bool sparseFile(const QByteArray &path, qint64 size, const std::map<qint64, char> &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::ftruncate(fd, off_t(size)) == 0;
    for (const auto &[at, byte] : bytes)
        ok = ok && ::pwrite(fd, &byte, 1, off_t(at)) == 1;
    struct stat st;
    ok = ok && ::fstat(fd, &st) == 0 && st.st_blocks * 512 < (qint64(64) << 20);
    ::close(fd);
    return ok;
}

// Whether truncate and pwrite take a file of this size here; else under /dev/shm. Empty: nowhere.
QString sparseDirectoryFor(qint64 size, const QTemporaryDir &here, QTemporaryDir &shm)
{
    for (const QTemporaryDir *dir : {&here, static_cast<const QTemporaryDir *>(&shm)}) {
        const QByteArray probe = QFile::encodeName(dir->path()) + "/probe";
        const bool ok = dir->isValid() && sparseFile(probe, size, {{size - 1, 'p'}});
        ::unlink(probe.constData());
        if (ok)
            return dir->path();
    }
    return QString();
}

ClassifyHooks counting(int &reads, int stopAfter = -1)
{
    ClassifyHooks hooks;
    hooks.handOverAndPollStop = [&reads, stopAfter] { return stopAfter >= 0 && reads >= stopAfter; };
    hooks.blockRead = [&reads] { ++reads; };
    return hooks;
}

// Every pair of a directory-1 entry and a directory-2 entry is in one class exactly when its bytes agree.
void verifyPairs(const Group &g)
{
    for (size_t i = 0; i < g.files.size(); ++i) {
        for (size_t j = 0; j < g.files.size(); ++j) {
            if (!g.files[i].firstSide || !g.files[j].secondSide || i == j)
                continue;
            const bool equal = g.contents[i] == g.contents[j];
            const bool classed =
                g.files[i].contentClass >= 0 && g.files[i].contentClass == g.files[j].contentClass;
            QVERIFY2(equal == classed, qPrintable(QStringLiteral("%1 vs %2").arg(i).arg(j)));
        }
    }
}

} // namespace

class TestContentClasses : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Few descriptors, so that a group of a few hundred files has to be read by opening its files
        // again for every block.
        const struct rlimit few = {320, 320};
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &few), 0);
    }

    void splitsAtWhicheverBlockTheFilesDiffer()
    {
        Group g;
        const qint64 size = 300000; // five blocks of 64 KiB
        const QByteArray a = pattern(size, 1);
        g.add(a, 1, 0);
        g.add(withByte(a, 150000, 'x'), 1, 0);
        g.add(withByte(a, size - 1, 'y'), 1, 0);
        g.add(a, 0, 1);
        g.add(withByte(a, 150000, 'x'), 0, 1);
        g.add(withByte(a, 0, 'z'), 0, 1);
        g.add(withByte(a, size - 1, 'y'), 0, 1);
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, counting(reads), {}, kSmallBudget));
        verifyPairs(g);
        QCOMPARE(next, 3);
        QCOMPARE(g.files[5].contentClass, -1);
    }

    // The differing ends of a block are only sorted by their hash: were equal hashes taken for equal bytes,
    // a hash that always collides would merge every set of files that left the first file at one byte.
    void collidingHashesNeverMergeDifferentFiles()
    {
        Group g;
        const qint64 size = 300000;
        const QByteArray a = pattern(size, 4);
        std::vector<QByteArray> distinct{a};
        for (int c = 1; c <= 8; ++c) {
            // Half leave the first file in the small first block, half in the next; all at one byte.
            QByteArray d = withByte(a, c <= 4 ? 0 : 4096, 'X');
            d = withByte(d, (c <= 4 ? 100 : 5000) + 37 * c, 'Y');
            if (c % 2)
                d = withByte(d, 200000 + c, 'Z');
            distinct.push_back(d);
        }
        // And some that differ from those only in a later block.
        distinct.push_back(withByte(distinct[1], 250000, 'W'));
        distinct.push_back(withByte(distinct[6], size - 1, 'W'));
        for (const QByteArray &d : distinct) {
            g.add(d, 1, 0);
            g.add(d, 0, 1);
        }
        g.add(distinct[2], 0, 1);
        ClassifyHooks hooks;
        hooks.hashBlock = [](const char *, qint64) { return quint64(0); };
        for (qint64 budget : {kSmallBudget, qint64(32) << 20}) {
            for (ContentFile &f : g.files)
                f.contentClass = -1;
            int next = 0;
            QVERIFY(classifyContents(g.files, g.all(), size, false, next, hooks, {}, budget));
            verifyPairs(g);
            QCOMPARE(next, int(distinct.size()));
        }
    }

    void manyFilesAreReadWithoutHoldingThemAllOpen()
    {
        Group g;
        const qint64 size = 70000; // three blocks: the small first one, one of 64 KiB and the rest
        for (int i = 0; i < 300; ++i)
            g.add(withByte(pattern(size, 3), 66000, char('a' + i % 5)), i % 2, 1 - i % 2);
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, counting(reads), {}, kSmallBudget));
        verifyPairs(g);
        QCOMPARE(next, 5);
        QCOMPARE(reads, 900);
    }

    // A group that the open-file limit does not let be held open at once is read all the same.
    void fewDescriptorsDropNoFile_data()
    {
        QTest::addColumn<int>("spare");
        QTest::newRow("half the group") << 30;
        QTest::newRow("a few") << 4;
    }
    void fewDescriptorsDropNoFile()
    {
        QFETCH(int, spare);
        Group g;
        const qint64 size = 100000; // two blocks: files are held open from one to the next
        const QByteArray data = pattern(size, 6);
        for (int i = 0; i < 60; ++i)
            g.add(data, i % 2, 1 - i % 2);
        g.add(withByte(data, 70000, 'd'), 1, 0);
        raiseOpenFileLimit(); // raised once, and never again by the classifier
        struct rlimit saved;
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        int inUse = 0;
        for (int fd = 0; fd < int(saved.rlim_cur); ++fd)
            inUse += ::fcntl(fd, F_GETFD) != -1;
        struct rlimit few = saved;
        few.rlim_cur = rlim_t(inUse + spare);
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &few), 0);
        int next = 0, reads = 0;
        const bool done = classifyContents(g.files, g.all(), size, false, next, counting(reads));
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &saved), 0);
        QVERIFY(done);
        QCOMPARE(next, 1);
        for (int i = 0; i < 60; ++i)
            QCOMPARE(g.files[size_t(i)].contentClass, 0);
        QCOMPARE(g.files[60].contentClass, -1);
    }

    void oneDirectoryNeedsTwoEntriesInAClass()
    {
        Group g;
        g.add("same", 1, 1);
        g.add("same", 1, 1);
        g.add("lone", 1, 1);
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), 4, true, next, counting(reads)));
        QCOMPARE(g.files[0].contentClass, g.files[1].contentClass);
        QVERIFY(g.files[0].contentClass >= 0);
        QCOMPARE(g.files[2].contentClass, -1);
    }

    void classesWithNoPartnerAreReadNoFurther()
    {
        Group g;
        const qint64 size = 5 * 65536;
        g.add(pattern(size, 1), 1, 0);
        g.add(pattern(size, 2), 0, 1);
        g.add(pattern(size, 2), 0, 1);
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, counting(reads), {}, kSmallBudget));
        // After the first block nothing can coincide any more.
        QCOMPARE(reads, 3);
        QCOMPARE(next, 0);
    }

    void aFileListedOnBothSidesMatchesItselfUnread()
    {
        Group g;
        g.add("whatever", 1, 1);
        g.add("whatever", 1, 0);
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, {0}, 8, false, next, counting(reads)));
        QCOMPARE(reads, 0);
        QCOMPARE(g.files[0].contentClass, 0);
    }

    void unreadableOrChangedFilesMatchNothing()
    {
        Group g;
        g.add("abcd", 1, 0);
        g.add("abcd", 0, 1);
        g.add("abcd", 0, 1);
        g.add("abcd", 0, 1);
        QVERIFY(QFile::remove(QFile::decodeName(g.files[1].name)));
        g.tree.file("f2", "abcde"); // no longer of the size it was listed with
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), 4, false, next, counting(reads)));
        QCOMPARE(g.files[1].contentClass, -1);
        QCOMPARE(g.files[2].contentClass, -1);
        QVERIFY(g.files[0].contentClass >= 0);
        QCOMPARE(g.files[0].contentClass, g.files[3].contentClass);
    }

    void filesThatCannotBeOpenedMatchNothingWhateverTheirSize()
    {
        Group g;
        g.add("", 1, 0);
        g.add("", 0, 1);
        g.add("", 1, 0); // these two are gone by the time they are read
        g.add("", 0, 1);
        g.add("", 1, 1); // and so is this one, listed on both sides
        for (int gone : {2, 3, 4})
            QVERIFY(QFile::remove(QFile::decodeName(g.files[size_t(gone)].name)));
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), 0, false, next, counting(reads)));
        QVERIFY(g.files[0].contentClass >= 0);
        QCOMPARE(g.files[1].contentClass, g.files[0].contentClass);
        for (int gone : {2, 3, 4})
            QCOMPARE(g.files[size_t(gone)].contentClass, -1);
        QCOMPARE(next, 1);
    }

    // Run again as an ordinary user when the tests run as root (nothing is refused to root).
    void unreadableFilesMatchNothing()
    {
        if (!canMakeUnreadableFiles())
            QSKIP("root reads any file; run as an ordinary user to see files that cannot be opened");
        Group empty;
        empty.add("", 1, 0, 0200);
        empty.add("", 0, 1, 0200);
        empty.add("", 1, 0);
        empty.add("", 0, 1);
        empty.add("", 1, 1, 0200);
        int next = 0, reads = 0;
        QVERIFY(classifyContents(empty.files, empty.all(), 0, false, next, counting(reads)));
        QCOMPARE(empty.files[0].contentClass, -1);
        QCOMPARE(empty.files[1].contentClass, -1);
        QCOMPARE(empty.files[4].contentClass, -1);
        QVERIFY(empty.files[2].contentClass >= 0);
        QCOMPARE(empty.files[3].contentClass, empty.files[2].contentClass);

        Group full;
        full.add("abcd", 1, 0, 0200);
        full.add("abcd", 0, 1, 0200);
        full.add("abcd", 0, 1);
        full.add("abcd", 1, 1, 0200);
        QVERIFY(classifyContents(full.files, full.all(), 4, false, next, counting(reads)));
        for (const ContentFile &f : full.files)
            QCOMPARE(f.contentClass, -1);
    }

    void anEntryTurnedIntoALinkIsNotFollowed()
    {
        Group g;
        g.add("abcd", 1, 0);
        g.add("abcd", 0, 1);
        const QByteArray moved = g.files[1].name + ".moved";
        QCOMPARE(::rename(g.files[1].name.constData(), moved.constData()), 0);
        QCOMPARE(::symlink(moved.constData(), g.files[1].name.constData()), 0);
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), 4, false, next, counting(reads)));
        QCOMPARE(g.files[1].contentClass, -1);
        QCOMPARE(next, 0);
    }

    // Far more differing ends than are kept: those not kept are read again, and bytes still decide.
    void pairsBeyondTheKeptEndsAreReadAgain()
    {
        Group g;
        const qint64 size = 8192;
        const int pairs = 400; // 800 ends of 8 KiB: more than the few MiB kept
        for (int i = 0; i < pairs; ++i) {
            QByteArray data = pattern(size, char(i % 97));
            data[0] = char(i);
            data[1] = char(i >> 8);
            g.add(data, 1, 0);
            g.add(i % 3 ? data : withByte(data, size - 1, char(data[size - 1] ^ 1)), 0, 1);
        }
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, counting(reads)));
        verifyPairs(g);
        QCOMPARE(next, pairs - (pairs + 2) / 3);
        // Two blocks a file (the small first one and the rest), read again only where the ends were not kept.
        QVERIFY2(reads < 5 * pairs, qPrintable(QString::number(reads)));
    }

    void holesAreSteppedOverWhereEveryFileHasOne_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::newRow("15 TiB") << (qint64(15) << 40);
        QTest::newRow("1 EiB") << (qint64(1) << 60);
    }
    void holesAreSteppedOverWhereEveryFileHasOne()
    {
        QFETCH(qint64, size);
        QTemporaryDir here, shm(QStringLiteral("/dev/shm/vestrel-test-XXXXXX"));
        const QString dir = sparseDirectoryFor(size, here, shm);
        if (dir.isEmpty())
            QSKIP("no file system here takes sparse files of this size");
        const QByteArray base = QFile::encodeName(dir) + '/';
        const qint64 middle = size / 2 + 12345;
        const std::map<qint64, char> bytes{{0, 'a'}, {middle, 'm'}, {size - 1, 'z'}};
        std::map<qint64, char> otherMiddle = bytes, otherEnd = bytes;
        otherMiddle[middle] = 'M';
        otherEnd[size - 1] = 'Z';
        QVERIFY(sparseFile(base + "a1", size, bytes));
        QVERIFY(sparseFile(base + "a2", size, bytes));
        QVERIFY(sparseFile(base + "m2", size, otherMiddle));
        QVERIFY(sparseFile(base + "z2", size, otherEnd));
        QVERIFY(sparseFile(base + "empty1", size, {}));
        QVERIFY(sparseFile(base + "empty2", size, {}));
        Group g;
        g.list(base + "a1", 1, 0);
        g.list(base + "a2", 0, 1);
        g.list(base + "m2", 0, 1);
        g.list(base + "z2", 0, 1);
        g.list(base + "empty1", 1, 0);
        g.list(base + "empty2", 0, 1);
        // Reading the holes block by block would take hours: a few thousand hand-overs are plenty.
        int next = 0, reads = 0, polls = 0;
        ClassifyHooks hooks;
        hooks.handOverAndPollStop = [&polls] { return ++polls > 5000; };
        hooks.blockRead = [&reads] { ++reads; };
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, hooks));
        QCOMPARE(next, 2);
        QVERIFY(g.files[0].contentClass >= 0);
        QCOMPARE(g.files[1].contentClass, g.files[0].contentClass);
        QCOMPARE(g.files[2].contentClass, -1);
        QCOMPARE(g.files[3].contentClass, -1);
        QVERIFY(g.files[4].contentClass >= 0);
        QCOMPARE(g.files[5].contentClass, g.files[4].contentClass);
        QVERIFY(g.files[4].contentClass != g.files[0].contentClass);
    }

    void aFileCutShortWhileItIsReadMatchesNothing_data()
    {
        QTest::addColumn<bool>("sparse");
        QTest::newRow("dense") << false;
        QTest::newRow("data, then a hole") << true;
    }
    void aFileCutShortWhileItIsReadMatchesNothing()
    {
        QFETCH(bool, sparse);
        const qint64 size = qint64(1) << 20;
        const QByteArray data = pattern(sparse ? 65536 : size, 5);
        Group g;
        for (int i = 0; i < 3; ++i) {
            g.add(data, i == 0, i != 0);
            if (sparse)
                QCOMPARE(::truncate(g.files.back().name.constData(), off_t(size)), 0);
        }
        // Cut short once the first block of every file has been read.
        int next = 0, reads = 0;
        ClassifyHooks hooks = counting(reads);
        hooks.blockRead = [&] {
            if (++reads == 3)
                QCOMPARE(::truncate(g.files[1].name.constData(), 100000), 0);
        };
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, hooks, {}, kSmallBudget));
        QCOMPARE(g.files[1].contentClass, -1);
        QVERIFY(g.files[0].contentClass >= 0);
        QCOMPARE(g.files[2].contentClass, g.files[0].contentClass);
    }

    // The kernel's attribute files say 4096 bytes and give fewer: the bytes given are their contents.
    void filesThatGiveFewerBytesThanTheirSizeAreJudgedByWhatTheyGive()
    {
        auto readAll = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ? f.readAll() : QByteArray("?");
        };
        const QString dir = QStringLiteral("/sys/kernel");
        std::map<QByteArray, QStringList> byContents;
        for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Readable, QDir::Name)) {
            const QString path = dir + '/' + name;
            struct stat st;
            const QByteArray once = readAll(path);
            if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode) &&
                st.st_size == 4096 && once.size() < 4096 && once == readAll(path))
                byContents[once].append(path);
        }
        // Files of equal contents go to both sides in turn; the first file of all is on both.
        Group g;
        int shared = 0;
        for (const auto &[bytes, paths] : byContents) {
            for (qsizetype k = 0; k < paths.size(); ++k) {
                const bool both = g.files.empty();
                g.list(QFile::encodeName(paths[k]), k % 2 == 0 || both, k % 2 == 1 || both);
                g.contents.push_back(bytes);
            }
            shared += paths.size() > 1;
        }
        if (shared == 0 || g.files.size() < 3)
            QSKIP("no two attribute files under /sys/kernel give the same bytes here");
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), 4096, false, next, counting(reads)));
        for (size_t k = 0; k < g.files.size(); ++k)
            if (readAll(QFile::decodeName(g.files[k].name)) != g.contents[k])
                QSKIP("an attribute file changed while it was compared");
        verifyPairs(g);
        QVERIFY(g.files[0].contentClass >= 0); // equal to itself
    }

    // Pseudo-files report no real size (0 bytes, or a page) whatever they give: their reads decide, and
    // an ordinary file of the listed size is read no further than that.
    void filesOfUnknownSizeAreJudgedByTheirBytes()
    {
        const QByteArray a = pattern(200000, 7); // several blocks
        const std::vector<QByteArray> contents{
            "", "1", "10", "10\n", a, a + 'x', withByte(a, a.size() - 1, 'y'), a.left(a.size() - 1)};
        for (const qint64 budget : {kSmallBudget, qint64(32) << 20}) {
            Group g;
            for (const QByteArray &c : contents) {
                for (int side = 0; side < 2; ++side) {
                    g.add(c, side == 0, side == 1);
                    g.files.back().sizeUnknown = true;
                }
            }
            // Ordinary empty files, listed with the same size, are equal to the pseudo-files that give
            // nothing; the ordinary file is never opened beyond what tells it is readable.
            g.add("", 1, 0);
            g.add("", 0, 1);
            int next = 0, reads = 0;
            QVERIFY(classifyContents(g.files, g.all(), 0, false, next, counting(reads), {}, budget));
            verifyPairs(g);
            QCOMPARE(next, int(contents.size()));
            QCOMPARE(g.files[g.files.size() - 1].contentClass, g.files[0].contentClass);
        }
        // Beside ordinary files of the listed size, a file of unknown size equals them only where it gives
        // exactly that many bytes.
        Group g;
        const qint64 size = 70000;
        g.add(a.left(size), 1, 0);
        g.add(a.left(size), 0, 1);
        for (const QByteArray &c : {a.left(size), a.left(size + 1), a.left(size - 1), a.left(10)}) {
            g.add(c, 0, 1);
            g.files.back().sizeUnknown = true;
        }
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, counting(reads), {}, kSmallBudget));
        verifyPairs(g);
        QCOMPARE(next, 1);
        QCOMPARE(g.files[2].contentClass, g.files[0].contentClass);
    }

    // The process file system reports 0 bytes for every file of /proc/sys/kernel: "1" and "10" differ.
    void pseudoFilesOfTheProcessFileSystemAreJudgedByTheirBytes()
    {
        const QByteArray dir = "/proc/sys/kernel";
        const DirectoryAnchor anchor(DirectoryAnchor::current(), dir);
        if (!anchor.isValid())
            QSKIP("no /proc/sys/kernel here");
        QVERIFY(sizesAreNotReal(anchor));
        QTemporaryDir here;
        QVERIFY(
            !sizesAreNotReal(DirectoryAnchor(DirectoryAnchor::current(), QFile::encodeName(here.path()))));
        auto readAll = [&dir](const QByteArray &name) {
            QFile f(QFile::decodeName(dir + '/' + name));
            return f.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ? f.readAll() : QByteArray("?");
        };
        std::map<QByteArray, QList<QByteArray>> byContents;
        for (const QString &entry : QDir(QFile::decodeName(dir)).entryList(QDir::Files | QDir::Readable)) {
            const QByteArray name = QFile::encodeName(entry);
            const QByteArray once = readAll(name);
            if (once != "?" && once == readAll(name))
                byContents[once].append(name);
        }
        Group g;
        int shared = 0;
        for (const auto &[bytes, names] : byContents) {
            for (qsizetype k = 0; k < names.size(); ++k) {
                qint64 size;
                ContentFile f{&anchor, names[k], k % 2 == 0, k % 2 == 1};
                f.sizeUnknown = sizesAreNotReal(anchor);
                if (!regularFileFacts(names[k], size, f.identity, &anchor) || size != 0)
                    continue;
                g.files.push_back(f);
                g.contents.push_back(bytes);
            }
            shared += names.size() > 1;
        }
        if (byContents.size() < 3 || shared == 0)
            QSKIP("too few stable files under /proc/sys/kernel here");
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), 0, false, next, counting(reads)));
        for (size_t k = 0; k < g.files.size(); ++k)
            if (readAll(g.files[k].name) != g.contents[k])
                QSKIP("a file under /proc/sys/kernel changed while it was compared");
        verifyPairs(g);
        QVERIFY(next >= 2);
    }

    // The progress follows one pair as the comparison byte after byte would: forward only, never past
    // where the two differ, whatever else is read meanwhile.
    void theWatchedPairIsFollowedAsItsBytesAreCompared()
    {
        const qint64 size = 300000;
        const QByteArray a = pattern(size, 8);
        // The bytes shown for pair (w1, w2) of g.
        const auto watch = [size](Group &g, int w1, int w2) {
            std::vector<qint64> shown;
            ClassifyHooks hooks;
            hooks.watchedPairAt = [&shown](qint64 byte) { shown.push_back(byte); };
            int next = 0;
            return classifyContents(g.files, g.all(), size, false, next, hooks, {w1, w2}, kSmallBudget)
                       ? shown
                       : std::vector<qint64>();
        };
        // What is wrong with them, when the pair first differs at differAt (size: nowhere).
        const auto fault = [size](const std::vector<qint64> &shown, qint64 differAt) {
            if (shown.empty())
                return QStringLiteral("nothing shown");
            for (size_t k = 0; k < shown.size(); ++k) {
                if (shown[k] < -1 || shown[k] > std::min(differAt, size - 1) ||
                    (k && shown[k] < shown[k - 1]))
                    return QStringLiteral("byte %1 shown at hand-over %2").arg(shown[k]).arg(k);
            }
            return QString();
        };
        {
            // They part at byte 5000 of the second block; the others are read to the end.
            Group g;
            g.add(a, 1, 0);
            g.add(a, 0, 1);
            g.add(a, 1, 0);
            g.add(withByte(a, 5000, 'x'), 0, 1);
            g.add(a, 0, 1);
            const std::vector<qint64> shown = watch(g, 2, 3);
            QVERIFY2(fault(shown, 5000).isEmpty(), qPrintable(fault(shown, 5000)));
            QCOMPARE(shown.front(), -1); // neither is read yet
            QCOMPARE(shown.back(), 5000);
        }
        {
            // Both leave the first file at byte 100; one goes on to differ at 2000, the other at 3000.
            Group g;
            g.add(a, 1, 0);
            g.add(withByte(withByte(a, 100, 'x'), 2000, 'p'), 1, 0);
            g.add(withByte(withByte(a, 100, 'x'), 3000, 'q'), 0, 1);
            g.add(a, 0, 1);
            const std::vector<qint64> shown = watch(g, 1, 2);
            QVERIFY2(fault(shown, 2000).isEmpty(), qPrintable(fault(shown, 2000)));
            QCOMPARE(shown.back(), 2000);
        }
        {
            // Equal to the end; the others part early, and are read on after them.
            Group g;
            g.add(a, 1, 0);
            g.add(a, 1, 0);
            g.add(a, 0, 1);
            g.add(withByte(a, 10, 'y'), 0, 1);
            g.add(withByte(a, 10, 'y'), 1, 0);
            const std::vector<qint64> shown = watch(g, 1, 2);
            QVERIFY2(fault(shown, size).isEmpty(), qPrintable(fault(shown, size)));
            QCOMPARE(shown.back(), size - 1);
        }
        {
            // A file that cannot be read, or whose size says nothing, shows no byte.
            Group g;
            g.add(a, 1, 0);
            g.add(a, 0, 1);
            g.add(a, 0, 1);
            g.add(a, 1, 0);
            g.add(a, 0, 1);
            QVERIFY(QFile::remove(QFile::decodeName(g.files[1].name)));
            g.files[4].sizeUnknown = true;
            for (const int other : {1, 4}) {
                const std::vector<qint64> shown = watch(g, 0, other);
                QVERIFY2(fault(shown, size).isEmpty(), qPrintable(fault(shown, size)));
                QCOMPARE(*std::max_element(shown.begin(), shown.end()), -1);
            }
        }
    }

    void stopEndsTheReading()
    {
        Group g;
        const qint64 size = 4 * 65536;
        for (int i = 0; i < 4; ++i)
            g.add(pattern(size, 9), i % 2, 1 - i % 2);
        int next = 0, reads = 0;
        QVERIFY(!classifyContents(g.files, g.all(), size, false, next, counting(reads, 5), {}, kSmallBudget));
        QCOMPARE(reads, 5);
    }
};

QTEST_GUILESS_MAIN(TestContentClasses)
#include "tst_contentclasses.moc"
