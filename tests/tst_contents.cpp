// The content criterion: byte-for-byte equal files, in the pair order of the loops, with its progress texts
// in literal pacing and the same results, read once per file, in paced runs.

#include "engine/flags.h"
#include "engine/pacing.h"
#include "support/batchrun.h"
#include "support/bytenames.h"
#include "support/comparisonrun.h"
#include "ui/resultview.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kProgress = QStringLiteral("[by contents]  ");

// Runs a test body once in literal pacing and once paced: both must give the same lines.
void bothPacings()
{
    QTest::addColumn<RunPacing>("mode");
    QTest::newRow("literal") << RunPacing::Literal;
    QTest::newRow("paced") << RunPacing::Paced;
}

// What the criterion must find, worked out the plain way: whole files compared, in pop order.
QStringList expectedLines(const QString &dir1, const QString &dir2, bool same)
{
    auto listing = [](const QString &dir) {
        QStringList names = QDir(dir).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            const QByteArray ua = a.toUtf8().toUpper(), ub = b.toUtf8().toUpper();
            return ua != ub ? ua < ub : a.toUtf8() < b.toUtf8();
        });
        std::reverse(names.begin(), names.end());
        return names;
    };
    auto read = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QStringList names1 = listing(dir1), names2 = listing(dir2);
    QStringList expected;
    for (qsizetype i = 0; i < names1.size(); ++i)
        for (qsizetype j = same ? i + 1 : 0; j < names2.size(); ++j)
            if (read(dir1 + '/' + names1[i]) == read(dir2 + '/' + names2[j]))
                expected.append(contentsLine(names1[i], names2[j]));
    return expected;
}

} // namespace

class TestContents : public QObject
{
    Q_OBJECT

private slots:

    void emptyFilesCoincideWithoutBytes_data() { bothPacings(); }
    void emptyFilesCoincideWithoutBytes()
    {
        QFETCH(RunPacing, mode);
        TempTree t;
        t.file("one/e");
        t.file("two/f");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByContents, kNormalFiles, mode);
        QCOMPARE(run.go(), QStringList{contentsLine("e", "f")});
        QCOMPARE(run.progress(kProgress).filter(QStringLiteral(" - byte ")), QStringList{});
        QCOMPARE(run.progressText(), countText(1));
    }

    void literalTraceWalksEveryByteUpToTheDifference()
    {
        TempTree t;
        t.file("one/x", "abcde");
        t.file("two/y", "abcdX");
        t.file("two/z", "abc");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByContents);
        QCOMPARE(run.go(), QStringList{});
        // Pop order: z before y. Different lengths compare no byte; the last byte ends the other pair.
        QCOMPARE(run.progress(kProgress),
                 (QStringList{"[by contents]  x vs z", "[by contents]  x vs y - byte 0",
                              "[by contents]  x vs y - byte 1", "[by contents]  x vs y - byte 2",
                              "[by contents]  x vs y - byte 3", "[by contents]  x vs y - byte 4",
                              "[by contents]  x vs y"}));
    }

    void identicalFilesUnderOtherNames_data() { bothPacings(); }
    void identicalFilesUnderOtherNames()
    {
        QFETCH(RunPacing, mode);
        TempTree t;
        t.file("one/x.dat", "same bytes");
        t.file("one/w.dat", "other bytes");
        t.file("two/y.dat", "same bytes");
        t.file("two/v.dat", "same bytes");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByContents, kNormalFiles, mode);
        QCOMPARE(run.go(), (QStringList{contentsLine("x.dat", "y.dat"), contentsLine("x.dat", "v.dat")}));
    }

    void sameDirectoryComparesEachUnorderedPairOnce_data() { bothPacings(); }
    void sameDirectoryComparesEachUnorderedPairOnce()
    {
        QFETCH(RunPacing, mode);
        TempTree t;
        for (const char *n : {"a", "b", "c"})
            t.file(n, "x");
        ComparisonRun run(t.path(), t.path(), ByContents, kNormalFiles, mode);
        QCOMPARE(run.go(),
                 (QStringList{contentsLine("c", "b"), contentsLine("c", "a"), contentsLine("b", "a")}));
        if (mode == RunPacing::Literal)
            QCOMPARE(
                run.progress(kProgress).filter(QRegularExpression(QStringLiteral(" vs .$"))),
                (QStringList{"[by contents]  c vs b", "[by contents]  c vs a", "[by contents]  b vs a"}));
    }

    void sameDirectoryWrittenTwoWaysMatchesEveryFileWithItself_data() { bothPacings(); }
    void sameDirectoryWrittenTwoWaysMatchesEveryFileWithItself()
    {
        QFETCH(RunPacing, mode);
        TempTree t;
        t.file("a", "1");
        t.file("b", "22");
        ComparisonRun run(t.path(), t.path() + "/", ByContents, kNormalFiles, mode);
        QCOMPARE(run.go(), (QStringList{contentsLine("b", "b"), contentsLine("a", "a")}));
    }

    // Files that change between the listing and the criterion are taken as they are then: a file gone or
    // replaced by a directory cannot be read, and two unreadable files are no coincidence; a FIFO put in a
    // file's place is never opened, so nothing hangs.
    void filesChangedAfterTheListing_data() { bothPacings(); }
    void filesChangedAfterTheListing()
    {
        QFETCH(RunPacing, mode);
        TempTree t;
        t.file("one/gone", "x");
        t.file("one/rewritten", "old");
        t.file("one/piped", "x");
        t.file("two/dir", "x");
        t.file("two/same", "new");
        t.file("two/zfifo", "x");
        ComparisonRun run(QString(), QString(), ByContents, kNormalFiles, mode);
        TfMain *w = run.w.get();
        kindMask = kNormalFiles;
        PathStack s1, s2;
        QVERIFY(w->takeInventory(t.path() + "/one", s1));
        QVERIFY(w->takeInventory(t.path() + "/two", s2));
        QCOMPARE(s1.size() + s2.size(), 6);

        const QByteArray root = t.bytes();
        QVERIFY(::unlink(root + "/one/gone") == 0);
        QVERIFY(::unlink(root + "/two/dir") == 0 && ::mkdir(root + "/two/dir", 0755) == 0);
        t.file("one/rewritten", "new");
        QVERIFY(::unlink(root + "/one/piped") == 0 && ::mkfifo(root + "/one/piped", 0644) == 0);
        QVERIFY(::unlink(root + "/two/zfifo") == 0 && ::mkfifo(root + "/two/zfifo", 0644) == 0);

        bStop = false;
        bSameDir = false;
        w->eRich->clearLines();
        w->CompareByContents(s1, s2);
        w->eRich->flush();
        QCOMPARE(run.lines(), QStringList{contentsLine("rewritten", "same")});
    }

    void aFileNobodyMayReadMatchesNothing()
    {
        if (!isSuperUser())
            QSKIP("needs root to run the comparison as another user");
        TempTree t;
        ::chmod(t.bytes().constData(), 0755);
        t.dir("one");
        t.dir("two");
        ::chmod(t.bytes() + "/one", 0755);
        ::chmod(t.bytes() + "/two", 0755);
        t.file("one/locked", "abc", 0);
        t.file("one/open", "abc", 0644);
        t.file("two/also-locked", "abc", 0);
        t.file("two/readable", "abc", 0644);
        const BatchResult r = runBatch(
            {"--by", "contents", "--kinds", "normal,readonly", t.bytes() + "/one", t.bytes() + "/two"},
            {.launcher = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"}});
        if (r.exitCode == 126 || r.exitCode == 127 || r.err.contains("Permission denied"))
            QSKIP("the batch program cannot be run as an unprivileged user here");
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(QString::fromUtf8(r.out), contentsLine("open", "readable") + '\n');
    }

    void stopDuringALargePairGivesItNoLine_data() { bothPacings(); }
    void stopDuringALargePairGivesItNoLine()
    {
        QFETCH(RunPacing, mode);
        TempTree t;
        // Paced, every block read of the large pair is followed by a hand-over.
        const QByteArray big(mode == RunPacing::Literal ? 4000 : 8 << 20, 'b');
        t.file("one/big", big);
        t.file("one/small", "s");
        t.file("two/big2", big);
        t.file("two/small2", "s");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByContents, kNormalFiles, mode);
        pacingOf(*run.w).intervalMs = 0;
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            if (run.progressText().contains(QStringLiteral("big vs big2 - byte ")))
                run.w->btnStop->click();
        };
        QCOMPARE(run.go(), QStringList{contentsLine("small", "small2")});
        QCOMPARE(run.progressText(), countText(1));
        QVERIFY(!run.progress(kProgress).filter(QStringLiteral(" - byte ")).isEmpty());
    }

    void pacedRunsFindWhatWholeFilesShow_data()
    {
        QTest::addColumn<bool>("same");
        QTest::newRow("two directories") << false;
        QTest::newRow("one directory") << true;
    }
    void pacedRunsFindWhatWholeFilesShow()
    {
        QFETCH(bool, same);
        // Files of a few sizes, from a few contents that differ at the start, in a middle block, or in the
        // last byte, so that classes split at every stage of the reading.
        QRandomGenerator random(same ? 7 : 11);
        const QList<qint64> sizes{0, 1, 100, 65536, 200000, 300001};
        TempTree t;
        for (int side = 0; side < (same ? 1 : 2); ++side) {
            for (int n = 0; n < 14; ++n) {
                const qint64 size = sizes[random.bounded(int(sizes.size()))];
                QByteArray data(size, 'p');
                for (qint64 k = 0; k < size; k += 4093)
                    data[k] = char('a' + k % 23);
                const int variant = random.bounded(3);
                if (size > 0 && variant == 1)
                    data[size - 1] = 'Z';
                if (size > 70000 && variant == 2)
                    data[size / 2] = 'M';
                t.file(QByteArray(side ? "two/" : "one/") + "f" + QByteArray::number(n), data);
            }
        }
        const QString dir1 = t.path() + "/one";
        const QString dir2 = same ? dir1 : t.path() + "/two";
        ComparisonRun run(dir1, dir2, ByContents, kNormalFiles, RunPacing::Paced);
        const QStringList found = run.go();
        QCOMPARE(found, expectedLines(dir1, dir2, same));
        QVERIFY(!found.isEmpty());
    }

    void hugeSparseFilesCompareByStreaming()
    {
        TempTree t;
        const qint64 size = qint64(5) << 30;
        t.sparse("one/a", size, "x");
        t.sparse("two/differs", size, "y");
        t.sparse("two/equal", size, "x");
        struct stat st;
        QVERIFY(::stat(t.bytes() + "/two/equal", &st) == 0);
        if (st.st_blocks * 512 > (qint64(1) << 20))
            QSKIP("this file system keeps no holes");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByContents, kNormalFiles, RunPacing::Paced);
        QCOMPARE(run.go(), QStringList{contentsLine("a", "equal")});
    }

    // However the files of one size are read (side by side, a class at a time), every progress text a
    // paced run shows is one the loop shows, in the loop's order: never back to an earlier pair or byte.
    void progressFollowsTheLoopsOrder()
    {
        TempTree t;
        // One size, several blocks; the directory-2 files part from data.bin at different places, so that
        // reading them side by side would follow several pairs at once.
        QByteArray a(100000, '\0');
        for (qsizetype k = 0; k < a.size(); ++k)
            a[k] = char(k * 7 % 251);
        const auto differingAt = [&a](qsizetype at) {
            QByteArray b = a;
            b[at] = char(b[at] ^ 1);
            return b;
        };
        t.file("one/data.bin", a);
        t.file("two/copy.bin", differingAt(70000));
        t.file("two/data.bin", a);
        t.file("two/early.bin", differingAt(5000));
        t.file("two/late.bin", differingAt(99999));

        ComparisonRun literal(t.path() + "/one", t.path() + "/two", ByContents);
        literal.go();
        const QStringList all = literal.progress(kProgress);

        ComparisonRun paced(t.path() + "/one", t.path() + "/two", ByContents, kNormalFiles, RunPacing::Paced);
        // Every point where the run may hand over does.
        pacingOf(*paced.w).intervalMs = 0;
        QStringList shown;
        pacingOf(*paced.w).handOverHook = [&](const Pacing &) {
            if (paced.progressText().startsWith(kProgress))
                shown.append(paced.progressText());
        };
        QCOMPARE(paced.go(), literal.lines());
        QVERIFY(shown.size() > 3);
        qsizetype at = 0;
        for (const QString &text : shown) {
            while (at < all.size() && all[at] != text)
                ++at;
            QVERIFY2(at < all.size(), qPrintable(QStringLiteral("\"%1\" is not where the loop shows it, or "
                                                                "not shown by it at all")
                                                     .arg(text)));
        }
    }
};

QTEST_MAIN(TestContents)
#include "tst_contents.moc"
