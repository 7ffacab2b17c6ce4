// vestrel-compare as a script sees it: its exit statuses, its messages, the names it prints, --version and
// --help, and its manual page in step with them.

#include "support/batchrun.h"
#include "support/bytenames.h"
#include "support/resulttexts.h"
#include "support/tmpfsmount.h"
#include "support/tree.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <climits>
#include <limits>
#include <sys/stat.h>

#ifndef VESTREL_VERSION
#error "VESTREL_VERSION must give the project's version"
#endif
#ifndef VESTREL_SOURCE_DIR
#error "VESTREL_SOURCE_DIR must name the source tree"
#endif

namespace {

// 2024-03-15 12:00:00 UTC, an even second.
constexpr qint64 kBase = 1710504000;

// Lines as the program prints them: each ended by a line feed.
QByteArray printed(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + '\n';
    return bytes;
}

// The options a usage text or a manual page names (the page writes a dash as "\\-").
QStringList optionsNamed(QString text)
{
    text.replace(QStringLiteral("\\-"), QStringLiteral("-"));
    QStringList names;
    static const QRegularExpression option(
        QStringLiteral(R"((?:^|[\s\[|(])(--[a-z][a-z-]*|--|-0)(?=[\s,\]|)]|$))"));
    for (const QRegularExpressionMatch &m : option.globalMatch(text))
        if (!names.contains(m.captured(1)))
            names.append(m.captured(1));
    names.sort();
    return names;
}

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    // 0: the comparison ran, whether or not anything coincided; the lines on standard output, the count on
    // standard error.
    void aRunThatEndsExitsZero()
    {
        TempTree t;
        t.file("one/a", "x");
        t.file("two/b", "y");
        t.file("two/c", "yy");
        const QByteArray one = t.bytes() + "/one", two = t.bytes() + "/two";
        BatchResult r = runBatch({"--by", "size", one, two});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.out, printed({sizeLine("a", "b")}));
        QCOMPARE(r.errLines(), QStringList{countText(1)});

        r = runBatch({"--by", "name", one, two});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.errLines(), QStringList{countText(0)});
    }

    // A name is one line that reads as it is stored, in the result lines and the progress texts alike:
    // a right-to-left override inside it shows as '?' as a control character does.
    void namesShowAlikeInLinesAndProgress()
    {
        TempTree t;
        QByteArray name = "a\xe2\x80\xae"
                          "b\tc"; // a, U+202E, b, tab, c
        QString shown = QStringLiteral("a?b?c");
        t.dir("one");
        t.dir("two");
        // Windows takes no control character in a name: the override alone, there.
        if (!makeFileIfNamable(t.bytes() + "/one/" + name)) {
            name = "a\xe2\x80\xae"
                   "bc";
            shown = QStringLiteral("a?bc");
            QVERIFY(makeFileIfNamable(t.bytes() + "/one/" + name));
        }
        QVERIFY(makeFileIfNamable(t.bytes() + "/two/" + name));
        const BatchResult r =
            runBatch({"--by", "name", "--progress", t.bytes() + "/one", t.bytes() + "/two"});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.out, printed({nameLine(shown, shown)}));
        const QStringList err = r.errLines();
        QVERIFY2(err.contains(QStringLiteral("Initializare: ") + shown),
                 qPrintable(err.join(QLatin1Char('\n'))));
        QVERIFY2(err.contains(QStringLiteral("[by name]  ") + shown + QStringLiteral(" vs ") + shown),
                 qPrintable(err.join(QLatin1Char('\n'))));
    }

    // 2: the page refused a path, with its message; nothing was compared.
    void aRefusedPathExitsTwo()
    {
        TempTree t;
        t.file("one/a");
        BatchResult r = runBatch({t.bytes() + "/one", t.bytes() + "/missing"});
        QCOMPARE(r.exitCode, BatchExit::Refused);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.errLines(), (QStringList{QStringLiteral("Adresa incorecta:"), t.path() + "/missing"}));

        r = runBatch({QByteArray(), t.bytes() + "/one"});
        QCOMPARE(r.exitCode, BatchExit::Refused);
        QCOMPARE(r.errLines(), QStringList{QStringLiteral("N-ati indicat ambele directorii!")});
    }

    // 3: the result list was full and the run stopped there; the lines it holds are printed, and a list that
    // is exactly full is no stop.
    void aFullListExitsThree()
    {
        TempTree t;
        for (const char *name : {"a", "b", "c"})
            t.file(QByteArray("one/") + name);
        const QByteArray dir = t.bytes() + "/one";
        BatchResult r = runBatch({"--by", "size,date", "--max-lines", "2", dir, dir});
        QCOMPARE(r.exitCode, BatchExit::ListFull);
        QCOMPARE(r.out, printed({sizeLine("a", "b"), sizeLine("a", "c")}));
        QCOMPARE(
            r.errLines(),
            (QStringList{
                QStringLiteral("Lista rezultatelor este plina: comparatia a fost oprita dupa 2 coincidente."),
                countText(2)}));

        r = runBatch({"-0", "--by", "size", "--max-lines", "1", dir, dir});
        QCOMPARE(r.exitCode, BatchExit::ListFull);
        QCOMPARE(r.records(), (BatchRecords{{"size", "a", "b"}}));

        r = runBatch({"--by", "size", "--max-lines", "3", dir, dir});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.out, printed({sizeLine("a", "b"), sizeLine("a", "c"), sizeLine("b", "c")}));
        QCOMPARE(r.errLines(), QStringList{countText(3)});
    }

    // 4: results that could not be written are a failure, not a run.
    void unwrittenResultsExitFour()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("this system has no /dev/full");
        TempTree t;
        t.file("one/a");
        t.file("one/b");
        const QByteArray dir = t.bytes() + "/one";
        const BatchStart full{.standardOutput = QStringLiteral("/dev/full")};
        for (const QList<QByteArray> &args : {QList<QByteArray>{dir, dir}, QList<QByteArray>{"-0", dir, dir},
                                              QList<QByteArray>{"--version"}}) {
            const BatchResult r = runBatch(args, full);
            QCOMPARE(r.exitCode, BatchExit::Failed);
            QCOMPARE(r.errLines().last(),
                     QStringLiteral("vestrel-compare: cannot write the results: No space left on device"));
        }
        // A results file that reaches the file size limit is one that could not be written, too.
        TempTree out;
        for (int i = 0; i < 200; ++i)
            t.file("many/f" + QByteArray::number(i));
        const BatchResult r = runBatch({"--by", "size", t.bytes() + "/many", t.bytes() + "/many"},
                                       {.standardOutput = out.path() + "/results", .fileSizeBytes = 1024});
        QCOMPARE(r.exitCode, BatchExit::Failed);
        QCOMPARE(r.errLines().last(),
                 QStringLiteral("vestrel-compare: cannot write the results: File too large"));
        // A run with nothing to print has nothing to lose.
        QCOMPARE(runBatch({"--by", "name", dir, t.bytes()}, full).exitCode, BatchExit::Ran);
    }

    // Lines go out as they are found, not when the run is over: with the progress texts on the same
    // stream, result lines come before the last of them.
    void linesGoOutAsTheyAreFound()
    {
        TempTree t;
        for (int i = 0; i < 1000; ++i)
            t.file("many/f" + QByteArray::number(i));
        const QString many = t.path() + "/many";
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(batchProgram(),
                {QStringLiteral("--by"), QStringLiteral("size"), QStringLiteral("--progress"), many, many});
        // Half a million lines: minutes under wine on a busy machine.
        QVERIFY(p.waitForFinished(240000));
        QCOMPARE(p.exitCode(), BatchExit::Ran);
        const QList<QByteArray> lines = p.readAll().split('\n');
        qsizetype firstLine = -1, lastProgress = -1;
        for (qsizetype k = 0; k < lines.size(); ++k) {
            const bool isLine = lines[k].startsWith("[by volume]      \t");
            if (isLine && firstLine < 0)
                firstLine = k;
            if (!isLine && lines[k].startsWith("[by volume]  "))
                lastProgress = k;
        }
        QVERIFY(firstLine >= 0 && lastProgress >= 0);
        QVERIFY2(
            firstLine < lastProgress,
            qPrintable(QStringLiteral("first line %1, last progress %2").arg(firstLine).arg(lastProgress)));
    }

    // A directory deeper than the system's longest path is compared, not refused: its path text is checked
    // a component at a time, as the run walks it.
    void aDirectoryBeyondTheLongestPathIsCompared()
    {
        if (!keepsDeepCurrentDirectory())
            QSKIP("this system keeps no current directory that deep");
        TempTree t;
        const QByteArray component(200, 'd');
        const QByteArray deep = makeDeepTree(t.bytes(), QList<QByteArray>(22, component), {{"same", "x"}});
        QVERIFY(deep.size() > PATH_MAX);
        const auto removeDeep = qScopeGuard([&t, &component] { removeDeepTree(t.bytes(), component); });
        const BatchResult r = runBatch({"-0", "--by", "name,contents", deep, deep + '/'});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.records(), (BatchRecords{{"name", "same", "same"}, {"contents", "same", "same"}}));
    }

    // The kernel's pseudo-files report no real size (0 bytes, here): they coincide by the bytes their reads
    // give, not because both say they are empty.
    void pseudoFilesCoincideByWhatTheyHold()
    {
        // Windows has no such file systems; under wine the Linux side's /proc shows through, but as files
        // of no size on a volume like any other, which is nothing a Windows program could tell apart.
        if (QSysInfo::kernelType() == QLatin1String("winnt"))
            QSKIP("this system has no pseudo-file systems");
        const QByteArray dir = "/proc/sys/fs";
        if (readBytes(dir + "/overflowuid").isEmpty() || readBytes(dir + "/overflowgid").isEmpty())
            QSKIP("this system shows no /proc/sys/fs");
        const BatchResult r = runBatch({"-0", "--by", "contents", dir, dir});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        const BatchRecords records = r.records();
        for (const QList<QByteArray> &record : records)
            QVERIFY2(readBytes(dir + '/' + record[1]) == readBytes(dir + '/' + record[2]),
                     record[1] + " and " + record[2] + " hold different bytes");
        const bool sameIds = readBytes(dir + "/overflowuid") == readBytes(dir + "/overflowgid");
        QCOMPARE(records.contains(BatchRecords::value_type{"contents", "overflowuid", "overflowgid"}) ||
                     records.contains(BatchRecords::value_type{"contents", "overflowgid", "overflowuid"}),
                 sameIds);
    }

    // Each line is written out as it is found and none is kept: millions of lines fit in a small address
    // space, which would not hold them all.
    void linesAreNotKept()
    {
        if (!batchLimitsAvailable())
            QSKIP("this system sets no limit on a started program's memory");
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves more address space than any limit this case could set");
#endif
        const BatchStart limited{.addressSpaceMiB = 192};
        TempTree t;
        // 3000 files of one size in one directory: 4,498,500 size lines, more than 192 MiB of them.
        for (int i = 0; i < 3000; ++i)
            t.file("many/f" + QByteArray::number(i));
        const QByteArray many = t.bytes() + "/many";
        const BatchResult r = runBatch({"--by", "size", many, many}, limited);
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.out.count('\n'), qsizetype(4498500));
        QCOMPARE(r.errLines(), QStringList{countText(4498500)});
    }

    // 1: the command line was wrong; the usage text follows the reason.
    void usageErrorsExitOne_data()
    {
        QTest::addColumn<QList<QByteArray>>("args");
        QTest::addColumn<QString>("reason");
        QTest::newRow("one directory")
            << QList<QByteArray>{"."} << QStringLiteral("two directories are needed");
        // The reason names what is wrong.
        QTest::newRow("unknown option")
            << QList<QByteArray>{"--colour", ".", "."} << QStringLiteral("unknown option --colour");
        QTest::newRow("option and value in one")
            << QList<QByteArray>{"--by=name", ".", "."} << QStringLiteral("unknown option --by=name");
        QTest::newRow("unknown short option")
            << QList<QByteArray>{".", "-x", "."} << QStringLiteral("unknown option -x");
        QTest::newRow("unknown criterion") << QList<QByteArray>{"--by", "name,colour", ".", "."}
                                           << QStringLiteral("unknown criterion 'colour' in --by");
        QTest::newRow("unknown kind") << QList<QByteArray>{"--kinds", "Normal", ".", "."}
                                      << QStringLiteral("unknown kind 'Normal' in --kinds");
        // An empty list would compare nothing where the user asked for something: a slip, not a choice.
        QTest::newRow("no criterion")
            << QList<QByteArray>{"--by", "", ".", "."} << QStringLiteral("an empty criterion in --by ''");
        QTest::newRow("a trailing comma") << QList<QByteArray>{"--by", "name,", ".", "."}
                                          << QStringLiteral("an empty criterion in --by 'name,'");
        QTest::newRow("no kind") << QList<QByteArray>{"--kinds", "", ".", "."}
                                 << QStringLiteral("an empty kind in --kinds ''");
        QTest::newRow("value missing") << QList<QByteArray>{".", ".", "--max-lines"}
                                       << QStringLiteral("the option --max-lines lacks its value");
        const QString countReason =
            QStringLiteral("--max-lines takes a whole number from 1 to 2147483646, not '%1'");
        for (const char *count : {"0", "-1", "+5", "12x", "", "2147483647", "99999999999999999999"})
            QTest::addRow("--max-lines '%s'", count)
                << QList<QByteArray>{"--max-lines", count, ".", "."} << countReason.arg(QLatin1String(count));
    }
    void usageErrorsExitOne()
    {
        QFETCH(QList<QByteArray>, args);
        QFETCH(QString, reason);
        const BatchResult r = runBatch(args);
        QCOMPARE(r.exitCode, BatchExit::Usage);
        QCOMPARE(r.out, QByteArray());
        const QStringList err = r.errLines();
        QVERIFY(err.size() > 1);
        QCOMPARE(err.first(), QStringLiteral("vestrel-compare: ") + reason);
        QVERIFY(err.at(1).startsWith(QStringLiteral("usage: vestrel-compare")));
    }

    // --version gives the project's version and nothing else, whatever else the command line holds.
    void versionNamesTheProjectVersion()
    {
        for (const QList<QByteArray> &args :
             {QList<QByteArray>{"--version"}, QList<QByteArray>{"--by", "name", "--version"}}) {
            const BatchResult r = runBatch(args);
            QCOMPARE(r.exitCode, BatchExit::Ran);
            QCOMPARE(r.out, QByteArray("vestrel-compare (Vestrel) " VESTREL_VERSION "\n"));
            QCOMPARE(r.errLines(), QStringList{});
        }
    }

    // --help names every option and every exit status, and so does the manual page.
    void helpAndManualPageSayTheSame()
    {
        const BatchResult r = runBatch({"--help"});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.errLines(), QStringList{});
        const QString help = QString::fromUtf8(r.out);
        QVERIFY(help.startsWith(QStringLiteral("usage: vestrel-compare")));
        const QStringList options{
            QStringLiteral("--"),         QStringLiteral("--by"),        QStringLiteral("--help"),
            QStringLiteral("--kinds"),    QStringLiteral("--max-lines"), QStringLiteral("--null"),
            QStringLiteral("--progress"), QStringLiteral("--version"),   QStringLiteral("-0")};
        QCOMPARE(optionsNamed(help), options);
        const QString statuses = help.mid(help.indexOf(QStringLiteral("Exit status:")));
        for (int status :
             {BatchExit::Ran, BatchExit::Usage, BatchExit::Refused, BatchExit::ListFull, BatchExit::Failed})
            QVERIFY2(statuses.contains(QString::number(status) + QLatin1Char(' ')), qPrintable(statuses));

        QFile page(QStringLiteral(VESTREL_SOURCE_DIR "/packaging/vestrel-compare.1"));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString manual = QString::fromUtf8(page.readAll());
        const qsizetype options_ = manual.indexOf(QStringLiteral(".SH OPTIONS"));
        const qsizetype exitStatus = manual.indexOf(QStringLiteral(".SH EXIT STATUS"));
        const qsizetype environment = manual.indexOf(QStringLiteral(".SH ENVIRONMENT"));
        QVERIFY(options_ >= 0 && exitStatus > options_ && environment > exitStatus);
        QCOMPARE(optionsNamed(manual.mid(options_, exitStatus - options_)), options);
        QStringList documented;
        static const QRegularExpression item(QStringLiteral(R"(^\.TP\n\.B (\d+)$)"),
                                             QRegularExpression::MultilineOption);
        for (const QRegularExpressionMatch &m :
             item.globalMatch(manual.mid(exitStatus, environment - exitStatus)))
            documented.append(m.captured(1));
        QCOMPARE(documented, (QStringList{"0", "1", "2", "3", "4"}));
    }

    void printsWhatTheWindowShows()
    {
        TempTree t;
        setModificationTime(t.file("one/a", "x"), kBase);
        const QByteArray hidden = t.file("one/.h", "x");
        setModificationTime(hidden, kBase);
        markHidden(hidden);
        setModificationTime(t.file("two/a", "y"), kBase + 100);
        const QByteArray one = t.bytes() + "/one", two = t.bytes() + "/two";
        BatchResult r = runBatch({"--by", "name,size", one, two});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.outLines(), (QStringList{nameLine("a", "a"), sizeLine("a", "a")}));
        QCOMPARE(r.errLines(), QStringList{countText(2)});

        r = runBatch({"--kinds", "normal,hidden", "--by", "size,date", "--progress", one, two});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.outLines(), (QStringList{sizeLine(".h", "a"), sizeLine("a", "a")}));
        // Progress texts are shown at the run's hand-overs: at least the first and the count.
        QCOMPARE(r.errLines().first(), QStringLiteral("Asteptati un pic..."));
        QCOMPARE(r.errLines().last(), countText(2));

        // The same text twice: "Nume" is unchecked, as in the window.
        r = runBatch({one, one});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.outLines(), QStringList{});
    }

    // Names that show alike (a stray byte becomes a mark, a control character '?') print apart with
    // --null, byte for byte; "--" ends the options, so a directory may look like one.
    void printsNamesByteForByteWithNull()
    {
        if (!namesAreBytes())
            QSKIP("this platform's names are text");
        TempTree t;
        ContentsRemover cleanup(t.bytes());
        const QList<QByteArray> names{"a\xff", "a\xfe", "n\nx", "n\rx", "t\tab", "p  =  q"};
        for (const QByteArray &dir : {QByteArray("-0"), QByteArray("--by")}) {
            makeDirectory(t.bytes() + '/' + dir);
            for (const QByteArray &n : names)
                writeBytes(t.bytes() + '/' + dir + '/' + n, n);
        }
        BatchResult r =
            runBatch({"--by", "name,contents", "-0", "--", "-0", "--by"}, {.workingDirectory = t.path()});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        BatchRecords expected;
        // Both criteria pop the stacks, so they meet the files in reverse search order.
        const QList<QByteArray> searchOrder{"a\xfe", "a\xff", "n\nx", "n\rx", "p  =  q", "t\tab"};
        for (const char *criterion : {"name", "contents"})
            for (auto n = searchOrder.crbegin(); n != searchOrder.crend(); ++n)
                expected.append({criterion, *n, *n});
        QCOMPARE(r.records(), expected);
        QCOMPARE(r.err, QByteArray("Au fost gasite 12 coincidente\n"));

        // Without "--" the first directory would be an option, and the second an option lacking its list.
        r = runBatch({"-0", "--by"}, {.workingDirectory = t.path()});
        QCOMPARE(r.exitCode, BatchExit::Usage);
        // One directory against itself: the pairs that print alike as lines are apart as records.
        r = runBatch({"--null", "--by", "size", "--", "-0", "-0"}, {.workingDirectory = t.path()});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.records(), (BatchRecords{{"size", "a\xfe", "a\xff"}, {"size", "n\nx", "n\rx"}}));
        r = runBatch({"--by", "size", "--", "-0", "-0"}, {.workingDirectory = t.path()});
        QCOMPARE(r.out, QByteArray("[by volume]      \ta\xef\xbf\xbd  =  a\xef\xbf\xbd\n"
                                   "[by volume]      \tn?x  =  n?x\n"));
    }

    // A directory name that is not UTF-8 reaches the comparison as its bytes, never as a look-alike.
    void takesDirectoryNamesAsBytes()
    {
        if (!namesAreBytes())
            QSKIP("this platform's names are text");
        TempTree t;
        ContentsRemover cleanup(t.bytes());
        const QByteArray mine = t.bytes() + "/bad\xff", lookalike = t.bytes() + "/bad\xef\xbf\xbd";
        makeDirectory(lookalike);
        writeBytes(lookalike + "/other", "x");
        BatchResult r = runBatch({"--by", "name", mine, lookalike});
        QCOMPARE(r.exitCode, BatchExit::Refused);
        QCOMPARE(r.err, "Adresa incorecta:\n" + mine + '\n');

        makeDirectory(mine);
        writeBytes(mine + "/mine", "x");
        r = runBatch({"-0", "--by", "size", mine, lookalike});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.records(), (BatchRecords{{"size", "mine", "other"}}));
    }

    // In the hour repeated at the end of daylight saving time, the same shown time is the same date.
    void datesFollowTheLocalClock()
    {
        if (!batchZoneFromEnvironment())
            QSKIP("this system's programs take the clock's zone from its settings, not from TZ");
        TempTree t;
        setModificationTime(t.file("one/summer"), 1635640200); // 2021-10-31 03:30:00 EEST
        setModificationTime(t.file("two/winter"), 1635643800); // 2021-10-31 03:30:00 EET
        setModificationTime(t.file("two/winter-next-step"), 1635643802);
        const QList<QByteArray> args{"--by", "date", t.bytes() + "/one", t.bytes() + "/two"};
        BatchResult r = runBatch(args, {.environment = {QStringLiteral("TZ=Europe/Bucharest")}});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(QString::fromUtf8(r.out), dateLine("summer", "winter") + QLatin1Char('\n'));
        r = runBatch(args, {.environment = {QStringLiteral("TZ=UTC")}});
        QCOMPARE(r.out, QByteArray());
    }

    // The earliest and the latest second a 64-bit time holds are no coincidence.
    void keepsExtremeDatesApart()
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
            if (!setExactModificationTime(path, seconds))
                QSKIP("this tmpfs does not keep 64-bit times");
        }
        const BatchResult r =
            runBatch({"-0", "--by", "date", one, two}, {.environment = {QStringLiteral("TZ=UTC")}});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QCOMPARE(r.records(), (BatchRecords{{"date", "earliest", "also-earliest"}}));
    }

    void refusesLikeTheWindow()
    {
        TempTree t;
        BatchResult r = runBatch({t.bytes(), t.bytes() + "/missing"});
        QCOMPARE(r.exitCode, BatchExit::Refused);
        QCOMPARE(r.errLines(), (QStringList{"Adresa incorecta:", t.path() + "/missing"}));
        QCOMPARE(r.outLines(), QStringList{});

        r = runBatch({"--by", "name,colour", t.bytes(), t.bytes()});
        QCOMPARE(r.exitCode, BatchExit::Usage);
        r = runBatch({t.bytes()});
        QCOMPARE(r.exitCode, BatchExit::Usage);
        r = runBatch({"--help"});
        QCOMPARE(r.exitCode, BatchExit::Ran);
        QVERIFY(r.outLines().first().startsWith(QStringLiteral("usage: vestrel-compare")));
    }
};

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
