// The name, size and date criteria and their result lines, through the window.

#include "engine/pacing.h"
#include "platform/files.h"
#include "support/bytenames.h"
#include "support/comparisonrun.h"
#include "support/messageboxes.h"
#include "support/tmpfsmount.h"
#include "ui/resultview.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <limits>

namespace {

constexpr qint64 kDay = 86400;
// 2024-03-15 12:00:00 UTC, an even second.
constexpr qint64 kBase = 1710504000;

} // namespace

class TestCriteria : public QObject
{
    Q_OBJECT

private slots:
    void namesMatchByteForByteInPopOrder()
    {
        TempTree t;
        for (const char *n : {"one/a.txt", "one/Readme.txt", "one/b", "two/README.TXT", "two/b", "two/a.txt"})
            t.file(n);
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByName);
        // Directory 1 is taken from the top of its stack: the last name the search found comes first.
        QCOMPARE(run.go(), (QStringList{nameLine("b", "b"), nameLine("a.txt", "a.txt")}));
        QCOMPARE(run.progressText(), countText(2));
        const QStringList progress = run.progress(QStringLiteral("[by name]  "));
        QCOMPARE(progress.size(), 9);
        QCOMPARE(progress.first(), QStringLiteral("[by name]  Readme.txt vs README.TXT"));
        QCOMPARE(progress.last(), QStringLiteral("[by name]  a.txt vs a.txt"));
    }

    void namesAreTheEntriesOwnNamesAndStayOneLine()
    {
        TempTree t;
        t.dir("one");
        t.dir("two");
        for (const char *n : {"back\\slash:colon", "two\nlines"}) {
            if (!makeFileIfNamable(t.bytes() + "/one/" + n))
                QSKIP("this platform takes no such names");
            QVERIFY(makeFileIfNamable(t.bytes() + "/two/" + n));
        }
        ComparisonRun run(t.path() + "/one", t.path() + "/two/", ByName);
        QCOMPARE(run.go(), (QStringList{nameLine("two?lines", "two?lines"),
                                        nameLine("back\\slash:colon", "back\\slash:colon")}));
        QCOMPARE(run.w->eRich->lineCount(), 2);
    }

    void sizesPairInSearchOrder()
    {
        TempTree t;
        t.file("one/e1");
        t.file("one/e2");
        t.file("one/five", "12345");
        t.file("two/f1");
        t.file("two/g", "abcde");
        t.file("two/h", "xyz");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", BySize);
        QCOMPARE(run.go(), (QStringList{sizeLine("e1", "f1"), sizeLine("e2", "f1"), sizeLine("five", "g")}));
        QCOMPARE(run.progressText(), countText(3));
        QCOMPARE(run.progress(QStringLiteral("[by volume]  ")).size(), 9);
        // A complete pass leaves directory 1 current.
        QCOMPARE(currentDirBytes(), t.systemPath("one"));
    }

    void sizesCompareAllSixtyFourBits()
    {
        TempTree t;
        t.sparse("one/big", (qint64(4) << 30) + 1);
        t.file("two/one", "x");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", BySize);
        QCOMPARE(run.go(), QStringList{});
    }

    void datesMatchWithinOneTwoSecondStep()
    {
        TempTree t;
        setModificationTime(t.file("one/x", "1"), kBase);
        setModificationTime(t.file("two/same-step", "22"), kBase + 1);
        setModificationTime(t.file("two/next-step", "1"), kBase + 2);
        setModificationTime(t.file("two/step-before", "1"), kBase - 1);
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByDate | BySize);
        QCOMPARE(run.go(), (QStringList{sizeLine("x", "next-step"), sizeLine("x", "step-before"),
                                        dateLine("x", "same-step")}));
        const QStringList progress = run.progress(QStringLiteral("[by time]    "));
        QCOMPARE(progress, (QStringList{"[by time]    x vs next-step", "[by time]    x vs same-step",
                                        "[by time]    x vs step-before"}));
    }

    void datesOutsideTheFatRangeStayDistinct()
    {
        TempTree t;
        setModificationTime(t.file("one/y1970"), 1);
        setModificationTime(t.file("one/y2200"), 7258118400);
        setModificationTime(t.file("two/y1975"), 5 * 365 * kDay);
        setModificationTime(t.file("two/y2201"), 7258118400 + 365 * kDay);
        setModificationTime(t.file("two/also1970"), 0);
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByDate);
        QCOMPARE(run.go(), QStringList{dateLine("y1970", "also1970")});
    }

    void sameDirectoryTestsEachUnorderedPairOnce()
    {
        TempTree t;
        for (const char *n : {"a", "b", "c"})
            setModificationTime(t.file(n, "same"), kBase);
        ComparisonRun run(t.path(), t.path(), ByName | BySize | ByDate);
        QCOMPARE(run.go(), (QStringList{sizeLine("a", "b"), sizeLine("a", "c"), sizeLine("b", "c"),
                                        dateLine("a", "b"), dateLine("a", "c"), dateLine("b", "c")}));
        QVERIFY(!run.w->cbByName->isChecked());
        QCOMPARE(run.progress(QStringLiteral("[by volume]  ")),
                 (QStringList{"[by volume]  a vs b", "[by volume]  a vs c", "[by volume]  b vs c"}));
    }

    void sameDirectoryWrittenTwoWaysPairsEveryFileWithItself()
    {
        TempTree t;
        setModificationTime(t.file("a", "1"), kBase);
        setModificationTime(t.file("b", "22"), kBase + 10);
        ComparisonRun run(t.path(), t.path() + "/", ByName | BySize | ByDate);
        QCOMPARE(run.go(), (QStringList{nameLine("b", "b"), nameLine("a", "a"), sizeLine("a", "a"),
                                        sizeLine("b", "b"), dateLine("a", "a"), dateLine("b", "b")}));
    }

    void filesOutsideTheKindsTakeNoPart()
    {
        TempTree t;
        t.file("one/a", "x");
        t.file("one/locked", "x", 0444);
        markHidden(t.file("one/.hidden", "x"));
        t.file("two/b", "x");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", BySize | ByDate);
        QCOMPARE(run.go().filter(QStringLiteral("locked")), QStringList{});
        QCOMPARE(run.lines().filter(QStringLiteral("hidden")), QStringList{});
        QCOMPARE(run.lines().size(), 2);

        run.w->cbReadOnly->setChecked(true);
        QCOMPARE(run.go().filter(QStringLiteral("locked")).size(), 2);
    }

    void linesHaveOneTabAfterTheTagAndFourBlanks()
    {
        TempTree t;
        setModificationTime(t.file("one/a = b.txt", "x"), kBase);
        setModificationTime(t.file("two/a = b.txt", "x"), kBase);
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByName | BySize | ByDate);
        const QStringList all = run.go();
        QCOMPARE(all.size(), 3);
        for (const QString &l : all) {
            QCOMPARE(l.count(QLatin1Char('\t')), 1);
            QVERIFY(l.endsWith(QStringLiteral("    \ta = b.txt  =  a = b.txt")));
        }
        QCOMPARE(all[0].indexOf(QLatin1Char('\t')), 17);
        QCOMPARE(all[1].indexOf(QLatin1Char('\t')), 17);
        QCOMPARE(all[2].indexOf(QLatin1Char('\t')), 15);
    }

    // Directory 1 holds a and c, directory 2 c and d, all of one size and date. Each criterion is stopped in
    // the hand-over of one pair and tests at most one further pair, by its own order of steps.
    void stopEndsEachCriterionWithinOnePair_data()
    {
        QTest::addColumn<int>("criterion");
        QTest::addColumn<QString>("stopAt");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("lastProgress");
        QTest::newRow("name compares the pair, then polls at the next")
            << int(ByName) << "[by name]  c vs c" << QStringList{nameLine("c", "c")} << "[by name]  a vs d";
        QTest::newRow("size polls right after the hand-over")
            << int(BySize) << "[by volume]  a vs c" << QStringList{sizeLine("a", "c")}
            << "[by volume]  a vs c";
        QTest::newRow("date tests one more pair, then polls")
            << int(ByDate) << "[by time]    a vs c" << QStringList{dateLine("a", "c"), dateLine("a", "d")}
            << "[by time]    a vs d";
    }
    void stopEndsEachCriterionWithinOnePair()
    {
        QFETCH(int, criterion);
        QFETCH(QString, stopAt);
        QFETCH(QStringList, expected);
        QFETCH(QString, lastProgress);
        TempTree t;
        for (const char *n : {"one/a", "one/c", "two/c", "two/d"})
            setModificationTime(t.file(n, "same"), kBase);
        ComparisonRun run(t.path() + "/one", t.path() + "/two", criterion);
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            if (run.progressText() == stopAt)
                run.w->btnStop->click();
        };
        QCOMPARE(run.go(), expected);
        const QStringList progress = run.rez.texts.filter(QStringLiteral(" vs "));
        QCOMPARE(progress.last(), lastProgress);
        QCOMPARE(run.progressText(), countText(expected.size()));
        // The inventory entered directory 2 last, and the size and date criteria leave it current after a
        // stop.
        QCOMPARE(currentDirBytes(), t.systemPath("two"));
    }

    void laterCriteriaStopAtTheirFirstPoll()
    {
        TempTree t;
        for (const char *n : {"one/a", "one/c", "two/c", "two/d"})
            setModificationTime(t.file(n, "same"), kBase);
        ComparisonRun run(t.path() + "/one", t.path() + "/two", ByName | BySize | ByDate);
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            if (run.progressText() == QStringLiteral("[by name]  c vs d"))
                run.w->btnStop->click();
        };
        // The name criterion ends at its next poll; size tests its first pair, date its first too.
        QCOMPARE(run.go(), (QStringList{sizeLine("a", "c"), dateLine("a", "c")}));
        QCOMPARE(run.rez.texts.filter(QStringLiteral(" vs ")),
                 (QStringList{"[by name]  c vs d", "[by name]  c vs c", "[by volume]  a vs c",
                              "[by time]    a vs c"}));
    }

    void secondPathGoneWhenTheSizeCriterionNeedsIt()
    {
        TempTree t;
        t.file("one/a", "x");
        t.file("one/b", "x");
        t.file("two/c", "x");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", BySize);
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            if (run.progressText() == QStringLiteral("Initializare: c"))
                run.w->ePath2->setText(t.path() + "/gone");
        };
        QCOMPARE(run.go(), QStringList{});
        QCOMPARE(run.progressText(), countText(0));
        QCOMPARE(currentDirBytes(), t.systemPath("one"));
    }

    void aFullViewEndsTheRunAndSaysSo()
    {
        TempTree t;
        for (const char *n : {"one/a", "one/b", "one/c", "two/d", "two/e"})
            t.file(n, "x");
        ComparisonRun run(t.path() + "/one", t.path() + "/two", BySize | ByDate);
        run.w->eRich->setCapacity(4);
        MessageBoxAnswerer boxes;
        QCOMPARE(run.go().size(), 4);
        QCOMPARE(run.progressText(), countText(4));
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.contains(QStringLiteral("4")));
        QCOMPARE(boxes.boxes[0].icon, QMessageBox::NoIcon);
        // The date criterion ran into the stop at its first poll.
        QCOMPARE(run.lines().filter(QStringLiteral("[by time]")), QStringList{});
    }
};

QTEST_MAIN(TestCriteria)
#include "tst_criteria.moc"
