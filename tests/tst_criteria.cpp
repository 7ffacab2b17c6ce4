// The name, size and date criteria and their result lines, through the window and through vestrel-compare.

#include "engine/flags.h"
#include "engine/pacing.h"
#include "platform/files.h"
#include "support/bytenames.h"
#include "support/fixture.h"
#include "support/messageboxes.h"
#include "support/tmpfsmount.h"
#include "ui/resultview.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#ifndef VESTREL_COMPARE
#error "VESTREL_COMPARE must name the batch program"
#endif

namespace {

constexpr qint64 kDay = 86400;
// 2024-03-15 12:00:00 UTC, an even second.
constexpr qint64 kBase = 1710504000;

void setMTime(const QByteArray &path, qint64 seconds)
{
    const struct timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    if (::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
        qFatal("cannot set the time of %s", path.constData());
}

enum Criterion { ByName = 1, BySize = 2, ByDate = 4 };

void choose(TfMain &w, int criteria)
{
    w.cbByName->setChecked(criteria & ByName);
    w.cbByVolume->setChecked(criteria & BySize);
    w.cbByDate->setChecked(criteria & ByDate);
    w.cbByContents->setChecked(false);
}

QStringList lines(const TfMain &w)
{
    QStringList all;
    for (qint64 i = 0; i < w.eRich->lineCount(); ++i)
        all.append(w.eRich->lineText(i));
    return all;
}

QString line(const char *tag, const QString &first, const QString &second)
{
    return QLatin1String(tag) + QStringLiteral("    \t") + first + QStringLiteral("  =  ") + second;
}

QString name(const QString &a, const QString &b)
{
    return line("[by name]    ", a, b);
}
QString size(const QString &a, const QString &b)
{
    return line("[by volume]  ", a, b);
}
QString date(const QString &a, const QString &b)
{
    return line("[by time]  ", a, b);
}

QString countText(qint64 n)
{
    return QStringLiteral("Au fost gasite %1 coincidente").arg(n);
}

struct Run
{
    std::unique_ptr<TfMain> w = makeMainWindow();
    TextRecorder rez{w->eRez};
    CurrentDirKeeper keep;

    Run(const QString &dir1, const QString &dir2, int criteria)
    {
        w->ePath1->setText(dir1);
        w->ePath2->setText(dir2);
        choose(*w, criteria);
    }
    QStringList go()
    {
        w->btnGo->click();
        return lines(*w);
    }
};

struct BatchResult
{
    int exitCode;
    QStringList out;
    QStringList err;
};

BatchResult runBatch(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(VESTREL_COMPARE), args);
    if (!p.waitForFinished(60000))
        qFatal("vestrel-compare did not finish");
    auto split = [](const QByteArray &b) {
        QStringList l = QString::fromUtf8(b).split(QLatin1Char('\n'));
        if (!l.isEmpty() && l.last().isEmpty())
            l.removeLast();
        l.removeIf([](const QString &s) { return s.startsWith(QLatin1String("QStandardPaths:")); });
        return l;
    };
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, split(p.readAllStandardOutput()),
            split(p.readAllStandardError())};
}

struct RawBatchResult
{
    int exitCode;
    QByteArray out;
    QByteArray err;
};

// Runs vestrel-compare with arguments given as bytes (through the shell's printf, as QProcess would
// encode them as text), with extra environment settings, in a working directory.
RawBatchResult runBatchBytes(const QList<QByteArray> &args, const QStringList &environment = {},
                             const QString &workingDirectory = QString())
{
    QString command = QStringLiteral("exec '") + QStringLiteral(VESTREL_COMPARE) + QLatin1Char('\'');
    for (const QByteArray &a : args) {
        command += QStringLiteral(" \"$(printf '");
        for (const char c : a)
            command += QStringLiteral("\\%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
        command += QStringLiteral("')\"");
    }
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workingDirectory);
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (!p.waitForFinished(60000))
        qFatal("vestrel-compare did not finish");
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

// The records of --null output: criterion, first name, second name.
QList<QList<QByteArray>> nullRecords(const QByteArray &out)
{
    QList<QList<QByteArray>> records;
    QList<QByteArray> fields = out.split('\0');
    if (fields.isEmpty() || !fields.last().isEmpty())
        return {{"output not ended by a NUL"}};
    fields.removeLast();
    if (fields.size() % 3 != 0)
        return {{"output not in threes"}};
    for (qsizetype i = 0; i < fields.size(); i += 3)
        records.append({fields[i], fields[i + 1], fields[i + 2]});
    return records;
}

} // namespace

class TestCriteria : public QObject
{
    Q_OBJECT

private slots:
    void init() { useLiteralPacing(); }
    void cleanup() { restorePacing(); }

    void namesMatchByteForByteInPopOrder()
    {
        TempTree t;
        for (const char *n : {"one/a.txt", "one/Readme.txt", "one/b", "two/README.TXT", "two/b", "two/a.txt"})
            t.file(n);
        Run run(t.path() + "/one", t.path() + "/two", ByName);
        // Directory 1 is taken from the top of its stack: the last name the search found comes first.
        QCOMPARE(run.go(), (QStringList{name("b", "b"), name("a.txt", "a.txt")}));
        QCOMPARE(run.w->eRez->text(), countText(2));
        const QStringList progress = run.rez.textsStartingWith(QStringLiteral("[by name]  "));
        QCOMPARE(progress.size(), 9);
        QCOMPARE(progress.first(), QStringLiteral("[by name]  Readme.txt vs README.TXT"));
        QCOMPARE(progress.last(), QStringLiteral("[by name]  a.txt vs a.txt"));
    }

    void namesAreTheEntriesOwnNamesAndStayOneLine()
    {
        TempTree t;
        for (const char *n :
             {"one/back\\slash:colon", "two/back\\slash:colon", "one/two\nlines", "two/two\nlines"})
            t.file(n);
        Run run(t.path() + "/one", t.path() + "/two/", ByName);
        QCOMPARE(run.go(), (QStringList{name("two?lines", "two?lines"),
                                        name("back\\slash:colon", "back\\slash:colon")}));
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
        Run run(t.path() + "/one", t.path() + "/two", BySize);
        QCOMPARE(run.go(), (QStringList{size("e1", "f1"), size("e2", "f1"), size("five", "g")}));
        QCOMPARE(run.w->eRez->text(), countText(3));
        QCOMPARE(run.rez.textsStartingWith(QStringLiteral("[by volume]  ")).size(), 9);
        // A complete pass leaves directory 1 current.
        QCOMPARE(currentDirBytes(), t.bytes() + "/one");
    }

    void sizesCompareAllSixtyFourBits()
    {
        TempTree t;
        const QByteArray big = t.file("one/big");
        const int fd = ::open(big.constData(), O_WRONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        QCOMPARE(::ftruncate(fd, (qint64(4) << 30) + 1), 0);
        ::close(fd);
        t.file("two/one", "x");
        Run run(t.path() + "/one", t.path() + "/two", BySize);
        QCOMPARE(run.go(), QStringList{});
    }

    void datesMatchWithinOneTwoSecondStep()
    {
        TempTree t;
        setMTime(t.file("one/x", "1"), kBase);
        setMTime(t.file("two/same-step", "22"), kBase + 1);
        setMTime(t.file("two/next-step", "1"), kBase + 2);
        setMTime(t.file("two/step-before", "1"), kBase - 1);
        Run run(t.path() + "/one", t.path() + "/two", ByDate | BySize);
        QCOMPARE(run.go(),
                 (QStringList{size("x", "next-step"), size("x", "step-before"), date("x", "same-step")}));
        const QStringList progress = run.rez.textsStartingWith(QStringLiteral("[by time]    "));
        QCOMPARE(progress, (QStringList{"[by time]    x vs next-step", "[by time]    x vs same-step",
                                        "[by time]    x vs step-before"}));
    }

    void datesOutsideTheFatRangeStayDistinct()
    {
        TempTree t;
        setMTime(t.file("one/y1970"), 1);
        setMTime(t.file("one/y2200"), 7258118400);
        setMTime(t.file("two/y1975"), 5 * 365 * kDay);
        setMTime(t.file("two/y2201"), 7258118400 + 365 * kDay);
        setMTime(t.file("two/also1970"), 0);
        Run run(t.path() + "/one", t.path() + "/two", ByDate);
        QCOMPARE(run.go(), QStringList{date("y1970", "also1970")});
    }

    void sameDirectoryTestsEachUnorderedPairOnce()
    {
        TempTree t;
        for (const char *n : {"a", "b", "c"})
            setMTime(t.file(n, "same"), kBase);
        Run run(t.path(), t.path(), ByName | BySize | ByDate);
        QCOMPARE(run.go(), (QStringList{size("a", "b"), size("a", "c"), size("b", "c"), date("a", "b"),
                                        date("a", "c"), date("b", "c")}));
        QVERIFY(!run.w->cbByName->isChecked());
        QCOMPARE(run.rez.textsStartingWith(QStringLiteral("[by volume]  ")),
                 (QStringList{"[by volume]  a vs b", "[by volume]  a vs c", "[by volume]  b vs c"}));
    }

    void sameDirectoryWrittenTwoWaysPairsEveryFileWithItself()
    {
        TempTree t;
        setMTime(t.file("a", "1"), kBase);
        setMTime(t.file("b", "22"), kBase + 10);
        Run run(t.path(), t.path() + "/", ByName | BySize | ByDate);
        QCOMPARE(run.go(), (QStringList{name("b", "b"), name("a", "a"), size("a", "a"), size("b", "b"),
                                        date("a", "a"), date("b", "b")}));
    }

    void filesOutsideTheKindsTakeNoPart()
    {
        TempTree t;
        t.file("one/a", "x");
        t.file("one/locked", "x", 0444);
        t.file("one/.hidden", "x");
        t.file("two/b", "x");
        Run run(t.path() + "/one", t.path() + "/two", BySize | ByDate);
        QCOMPARE(run.go().filter(QStringLiteral("locked")), QStringList{});
        QCOMPARE(lines(*run.w).filter(QStringLiteral("hidden")), QStringList{});
        QCOMPARE(lines(*run.w).size(), 2);

        run.w->cbReadOnly->setChecked(true);
        QCOMPARE(run.go().filter(QStringLiteral("locked")).size(), 2);
    }

    void linesHaveOneTabAfterTheTagAndFourBlanks()
    {
        TempTree t;
        setMTime(t.file("one/a = b.txt", "x"), kBase);
        setMTime(t.file("two/a = b.txt", "x"), kBase);
        Run run(t.path() + "/one", t.path() + "/two", ByName | BySize | ByDate);
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
            << int(ByName) << "[by name]  c vs c" << QStringList{name("c", "c")} << "[by name]  a vs d";
        QTest::newRow("size polls right after the hand-over")
            << int(BySize) << "[by volume]  a vs c" << QStringList{size("a", "c")} << "[by volume]  a vs c";
        QTest::newRow("date tests one more pair, then polls")
            << int(ByDate) << "[by time]    a vs c" << QStringList{date("a", "c"), date("a", "d")}
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
            setMTime(t.file(n, "same"), kBase);
        Run run(t.path() + "/one", t.path() + "/two", criterion);
        pacing::setHandOverHook([&] {
            if (run.w->eRez->text() == stopAt)
                run.w->btnStop->click();
        });
        QCOMPARE(run.go(), expected);
        const QStringList progress = run.rez.texts.filter(QStringLiteral(" vs "));
        QCOMPARE(progress.last(), lastProgress);
        QCOMPARE(run.w->eRez->text(), countText(expected.size()));
        // The inventory entered directory 2 last, and the size and date criteria leave it current after a
        // stop.
        QCOMPARE(currentDirBytes(), t.bytes() + "/two");
    }

    void laterCriteriaStopAtTheirFirstPoll()
    {
        TempTree t;
        for (const char *n : {"one/a", "one/c", "two/c", "two/d"})
            setMTime(t.file(n, "same"), kBase);
        Run run(t.path() + "/one", t.path() + "/two", ByName | BySize | ByDate);
        pacing::setHandOverHook([&] {
            if (run.w->eRez->text() == QStringLiteral("[by name]  c vs d"))
                run.w->btnStop->click();
        });
        // The name criterion ends at its next poll; size tests its first pair, date its first too.
        QCOMPARE(run.go(), (QStringList{size("a", "c"), date("a", "c")}));
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
        Run run(t.path() + "/one", t.path() + "/two", BySize);
        pacing::setHandOverHook([&] {
            if (run.w->eRez->text() == QStringLiteral("Initializare: c"))
                run.w->ePath2->setText(t.path() + "/gone");
        });
        QCOMPARE(run.go(), QStringList{});
        QCOMPARE(run.w->eRez->text(), countText(0));
        QCOMPARE(currentDirBytes(), t.bytes() + "/one");
    }

    void aFullViewEndsTheRunAndSaysSo()
    {
        TempTree t;
        for (const char *n : {"one/a", "one/b", "one/c", "two/d", "two/e"})
            t.file(n, "x");
        Run run(t.path() + "/one", t.path() + "/two", BySize | ByDate);
        run.w->eRich->setCapacity(4);
        MessageBoxAnswerer boxes;
        QCOMPARE(run.go().size(), 4);
        QCOMPARE(run.w->eRez->text(), countText(4));
        QCOMPARE(boxes.boxes.size(), 1);
        QVERIFY(boxes.boxes[0].text.contains(QStringLiteral("4")));
        QCOMPARE(boxes.boxes[0].icon, QMessageBox::NoIcon);
        // The date criterion ran into the stop at its first poll.
        QCOMPARE(lines(*run.w).filter(QStringLiteral("[by time]")), QStringList{});
    }

    void batchFrontEndPrintsWhatTheViewShows()
    {
        TempTree t;
        setMTime(t.file("one/a", "x"), kBase);
        setMTime(t.file("one/.h", "x"), kBase);
        setMTime(t.file("two/a", "y"), kBase + 100);
        BatchResult r = runBatch(
            {QStringLiteral("--by"), QStringLiteral("name,size"), t.path() + "/one", t.path() + "/two"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, (QStringList{name("a", "a"), size("a", "a")}));
        QCOMPARE(r.err, QStringList{countText(2)});

        r = runBatch({QStringLiteral("--kinds"), QStringLiteral("normal,hidden"), QStringLiteral("--by"),
                      QStringLiteral("size,date"), QStringLiteral("--progress"), t.path() + "/one",
                      t.path() + "/two"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, (QStringList{size(".h", "a"), size("a", "a")}));
        // Progress texts are shown at the run's hand-overs: at least the first and the count.
        QCOMPARE(r.err.first(), QStringLiteral("Asteptati un pic..."));
        QCOMPARE(r.err.last(), countText(2));

        // The same text twice: "Nume" is unchecked, as in the window.
        r = runBatch({t.path() + "/one", t.path() + "/one"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringList{});
    }

    // Names that show alike (a stray byte becomes a mark, a control character '?') print apart with
    // --null, byte for byte; "--" ends the options, so a directory may look like one.
    void batchPrintsNamesByteForByteWithNull()
    {
        TempTree t;
        ContentsRemover cleanup(t.bytes());
        const QList<QByteArray> names{"a\xff", "a\xfe", "n\nx", "n\rx", "t\tab", "p  =  q"};
        for (const QByteArray &dir : {QByteArray("-0"), QByteArray("--by")}) {
            makeDirectory(t.bytes() + '/' + dir);
            for (const QByteArray &n : names)
                writeBytes(t.bytes() + '/' + dir + '/' + n, n);
        }
        RawBatchResult r = runBatchBytes({"--by", "name,contents", "-0", "--", "-0", "--by"}, {}, t.path());
        QCOMPARE(r.exitCode, 0);
        QList<QList<QByteArray>> expected;
        // Both criteria pop the stacks, so they meet the files in reverse search order.
        const QList<QByteArray> searchOrder{"a\xfe", "a\xff", "n\nx", "n\rx", "p  =  q", "t\tab"};
        for (const char *criterion : {"name", "contents"})
            for (auto n = searchOrder.crbegin(); n != searchOrder.crend(); ++n)
                expected.append({criterion, *n, *n});
        QCOMPARE(nullRecords(r.out), expected);
        QCOMPARE(r.err, QByteArray("Au fost gasite 12 coincidente\n"));

        // Without "--" the first directory would be an option, and the second an option lacking its list.
        r = runBatchBytes({"-0", "--by"}, {}, t.path());
        QCOMPARE(r.exitCode, 1);
        // One directory against itself: the pairs that print alike as lines are apart as records.
        r = runBatchBytes({"--null", "--by", "size", "--", "-0", "-0"}, {}, t.path());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(nullRecords(r.out),
                 (QList<QList<QByteArray>>{{"size", "a\xfe", "a\xff"}, {"size", "n\nx", "n\rx"}}));
        r = runBatchBytes({"--by", "size", "--", "-0", "-0"}, {}, t.path());
        QCOMPARE(r.out, QByteArray("[by volume]      \ta\xef\xbf\xbd  =  a\xef\xbf\xbd\n"
                                   "[by volume]      \tn?x  =  n?x\n"));
    }

    // A directory name that is not UTF-8 reaches the comparison as its bytes, never as a look-alike.
    void batchTakesDirectoryNamesAsBytes()
    {
        TempTree t;
        ContentsRemover cleanup(t.bytes());
        const QByteArray mine = t.bytes() + "/bad\xff", lookalike = t.bytes() + "/bad\xef\xbf\xbd";
        makeDirectory(lookalike);
        writeBytes(lookalike + "/other", "x");
        RawBatchResult r = runBatchBytes({"--by", "name", mine, lookalike});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, "Adresa incorecta:\n" + mine + '\n');

        makeDirectory(mine);
        writeBytes(mine + "/mine", "x");
        r = runBatchBytes({"-0", "--by", "size", mine, lookalike});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(nullRecords(r.out), (QList<QList<QByteArray>>{{"size", "mine", "other"}}));
    }

    // In the hour repeated at the end of daylight saving time, the same shown time is the same date.
    void batchDatesFollowTheLocalClock()
    {
        TempTree t;
        setMTime(t.file("one/summer"), 1635640200); // 2021-10-31 03:30:00 EEST
        setMTime(t.file("two/winter"), 1635643800); // 2021-10-31 03:30:00 EET
        setMTime(t.file("two/winter-next-step"), 1635643802);
        const QList<QByteArray> args{"--by", "date", t.bytes() + "/one", t.bytes() + "/two"};
        RawBatchResult r = runBatchBytes(args, {QStringLiteral("TZ=Europe/Bucharest")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QString::fromUtf8(r.out), date("summer", "winter") + QLatin1Char('\n'));
        r = runBatchBytes(args, {QStringLiteral("TZ=UTC")});
        QCOMPARE(r.out, QByteArray());
    }

    // The earliest and the latest second a 64-bit time holds are no coincidence.
    void batchKeepsExtremeDatesApart()
    {
        TmpfsMount volume;
        if (!volume.isMounted())
            QSKIP(qPrintable(volume.reason()));
        const QByteArray one = volume.bytes() + "/one", two = volume.bytes() + "/two";
        makeDirectory(one);
        makeDirectory(two);
        const qint64 kMin = std::numeric_limits<qint64>::min(), kMax = std::numeric_limits<qint64>::max();
        for (const auto &[path, seconds] : std::initializer_list<std::pair<QByteArray, qint64>>{
                 {one + "/earliest", kMin}, {two + "/latest", kMax}, {two + "/also-earliest", kMin + 1}}) {
            writeBytes(path, path);
            setMTime(path, seconds);
            struct stat st;
            QCOMPARE(::stat(path.constData(), &st), 0);
            if (st.st_mtim.tv_sec != seconds)
                QSKIP("this tmpfs does not keep 64-bit times");
        }
        const RawBatchResult r = runBatchBytes({"-0", "--by", "date", one, two}, {QStringLiteral("TZ=UTC")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(nullRecords(r.out), (QList<QList<QByteArray>>{{"date", "earliest", "also-earliest"}}));
    }

    void batchFrontEndRefusesLikeTheWindow()
    {
        TempTree t;
        BatchResult r = runBatch({t.path(), t.path() + "/missing"});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, (QStringList{"Adresa incorecta:", t.path() + "/missing"}));
        QCOMPARE(r.out, QStringList{});

        r = runBatch({QStringLiteral("--by"), QStringLiteral("name,colour"), t.path(), t.path()});
        QCOMPARE(r.exitCode, 1);
        r = runBatch({t.path()});
        QCOMPARE(r.exitCode, 1);
        r = runBatch({QStringLiteral("--help")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.first().startsWith(QStringLiteral("usage: vestrel-compare")));
    }
};

QTEST_MAIN(TestCriteria)
#include "tst_criteria.moc"
