// Splitting files of one size into classes of equal contents: exact by bytes, block by block, reading no
// class further than it can matter.

#include "compare/contentclasses.h"
#include "platform/fileread.h"
#include "support/fixture.h"

#include <QFile>
#include <QTest>

#include <sys/resource.h>

namespace {

constexpr qint64 kSmallBudget = 1; // blocks as small as they go

struct Group
{
    TempTree tree;
    std::vector<ContentFile> files;
    std::vector<QByteArray> contents;

    void add(const QByteArray &data, int first, int second)
    {
        const QByteArray name = "f" + QByteArray::number(qint64(files.size()));
        files.push_back({kCurrentDirectory, tree.file(name, data), first, second});
        qint64 size;
        regularFileFacts(files.back().name, size, files.back().device, files.back().inode);
        contents.push_back(data);
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

ClassifyHooks counting(int &reads, int stopAfter = -1)
{
    return {[&reads, stopAfter] { return stopAfter >= 0 && reads >= stopAfter; },
            [&reads](const ContentFile &, const ContentFile &, qint64) { ++reads; }};
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
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, counting(reads), kSmallBudget));
        verifyPairs(g);
        QCOMPARE(next, 3);
        QCOMPARE(g.files[5].contentClass, -1);
    }

    void manyFilesAreReadWithoutHoldingThemAllOpen()
    {
        Group g;
        const qint64 size = 70000; // two blocks
        for (int i = 0; i < 300; ++i)
            g.add(withByte(pattern(size, 3), 66000, char('a' + i % 5)), i % 2, 1 - i % 2);
        int next = 0, reads = 0;
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, counting(reads), kSmallBudget));
        verifyPairs(g);
        QCOMPARE(next, 5);
        QCOMPARE(reads, 600);
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
        QVERIFY(classifyContents(g.files, g.all(), size, false, next, counting(reads), kSmallBudget));
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

    void stopEndsTheReading()
    {
        Group g;
        const qint64 size = 4 * 65536;
        for (int i = 0; i < 4; ++i)
            g.add(pattern(size, 9), i % 2, 1 - i % 2);
        int next = 0, reads = 0;
        QVERIFY(!classifyContents(g.files, g.all(), size, false, next, counting(reads, 5), kSmallBudget));
        QCOMPARE(reads, 5);
    }
};

QTEST_GUILESS_MAIN(TestContentClasses)
#include "tst_contentclasses.moc"
