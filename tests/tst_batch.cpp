// vestrel-compare as a script sees it: its exit statuses, its messages, the names it prints, --version and
// --help, and its manual page in step with them.

#include "support/fixture.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <sys/resource.h>

#ifndef VESTREL_COMPARE
#error "VESTREL_COMPARE must name the batch program"
#endif
#ifndef VESTREL_VERSION
#error "VESTREL_VERSION must give the project's version"
#endif
#ifndef VESTREL_SOURCE_DIR
#error "VESTREL_SOURCE_DIR must name the source tree"
#endif

namespace {

struct Batch
{
    int status; // -1: the program did not exit by itself
    QByteArray out;
    QStringList err;
};

struct BatchOptions
{
    QString standardOutput;     // a file to write to instead of a pipe
    qint64 addressSpaceMiB = 0; // a limit on the program's memory (0: none)
};

Batch runBatch(const QStringList &args, const BatchOptions &options = {})
{
    QProcess p;
    if (!options.standardOutput.isEmpty())
        p.setStandardOutputFile(options.standardOutput);
    if (options.addressSpaceMiB > 0) {
        const rlim_t limit = rlim_t(options.addressSpaceMiB) << 20;
        p.setChildProcessModifier([limit] {
            const struct rlimit space = {limit, limit};
            ::setrlimit(RLIMIT_AS, &space);
        });
    }
    p.start(QStringLiteral(VESTREL_COMPARE), args);
    if (!p.waitForFinished(120000))
        qFatal("vestrel-compare did not finish");
    QStringList err =
        QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // The toolkit's own words about the session it runs in are not ours.
    err.removeIf([](const QString &s) { return s.startsWith(QLatin1String("QStandardPaths:")); });
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), err};
}

QByteArray sizeLine(const char *first, const char *second)
{
    return QByteArray("[by volume]      \t") + first + "  =  " + second + '\n';
}

QString countText(int n)
{
    return QStringLiteral("Au fost gasite %1 coincidente").arg(n);
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
    // 0: the comparison ran, whether or not anything coincided; the lines on standard output, the count
    // on standard error.
    void aRunThatEndsExitsZero()
    {
        TempTree t;
        t.file("one/a", "x");
        t.file("two/b", "y");
        t.file("two/c", "yy");
        Batch r =
            runBatch({QStringLiteral("--by"), QStringLiteral("size"), t.path() + "/one", t.path() + "/two"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, sizeLine("a", "b"));
        QCOMPARE(r.err, QStringList{countText(1)});

        r = runBatch({QStringLiteral("--by"), QStringLiteral("name"), t.path() + "/one", t.path() + "/two"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err, QStringList{countText(0)});
    }

    // A name is one line that reads as it is stored, in the result lines and the progress texts alike:
    // a right-to-left override inside it shows as '?' as a control character does.
    void namesShowAlikeInLinesAndProgress()
    {
        TempTree t;
        const QByteArray name = "a\xe2\x80\xae"
                                "b\tc"; // a, U+202E, b, tab, c
        t.file("one/" + name);
        t.file("two/" + name);
        const Batch r = runBatch({QStringLiteral("--by"), QStringLiteral("name"),
                                  QStringLiteral("--progress"), t.path() + "/one", t.path() + "/two"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, QByteArray("[by name]        \ta?b?c  =  a?b?c\n"));
        QVERIFY2(r.err.contains(QStringLiteral("Initializare: a?b?c")),
                 qPrintable(r.err.join(QLatin1Char('\n'))));
        QVERIFY2(r.err.contains(QStringLiteral("[by name]  a?b?c vs a?b?c")),
                 qPrintable(r.err.join(QLatin1Char('\n'))));
    }

    // 2: the page refused a path, with its message; nothing was compared.
    void aRefusedPathExitsTwo()
    {
        TempTree t;
        t.file("one/a");
        Batch r = runBatch({t.path() + "/one", t.path() + "/missing"});
        QCOMPARE(r.status, 2);
        QCOMPARE(r.out, QByteArray());
        QCOMPARE(r.err, (QStringList{QStringLiteral("Adresa incorecta:"), t.path() + "/missing"}));

        r = runBatch({QString(), t.path() + "/one"});
        QCOMPARE(r.status, 2);
        QCOMPARE(r.err, QStringList{QStringLiteral("N-ati indicat ambele directorii!")});
    }

    // 3: the result list was full and the run stopped there; the lines it holds are printed, and a list
    // that is exactly full is no stop.
    void aFullListExitsThree()
    {
        TempTree t;
        for (const char *name : {"a", "b", "c"})
            t.file(QByteArray("one/") + name);
        const QString dir = t.path() + "/one";
        Batch r = runBatch({QStringLiteral("--by"), QStringLiteral("size,date"),
                            QStringLiteral("--max-lines"), QStringLiteral("2"), dir, dir});
        QCOMPARE(r.status, 3);
        QCOMPARE(r.out, sizeLine("a", "b") + sizeLine("a", "c"));
        QCOMPARE(
            r.err,
            (QStringList{
                QStringLiteral("Lista rezultatelor este plina: comparatia a fost oprita dupa 2 coincidente."),
                countText(2)}));

        r = runBatch({QStringLiteral("-0"), QStringLiteral("--by"), QStringLiteral("size"),
                      QStringLiteral("--max-lines"), QStringLiteral("1"), dir, dir});
        QCOMPARE(r.status, 3);
        QCOMPARE(r.out, QByteArray("size\0a\0b\0", 9));

        r = runBatch({QStringLiteral("--by"), QStringLiteral("size"), QStringLiteral("--max-lines"),
                      QStringLiteral("3"), dir, dir});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, sizeLine("a", "b") + sizeLine("a", "c") + sizeLine("b", "c"));
        QCOMPARE(r.err, QStringList{countText(3)});
    }

    // 4: results that could not be written are a failure, not a run.
    void unwrittenResultsExitFour()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("this system has no /dev/full");
        TempTree t;
        t.file("one/a");
        t.file("one/b");
        const QString dir = t.path() + "/one";
        for (const QStringList &args : {QStringList{dir, dir}, QStringList{QStringLiteral("-0"), dir, dir},
                                        QStringList{QStringLiteral("--version")}}) {
            const Batch r = runBatch(args, {QStringLiteral("/dev/full"), 0});
            QCOMPARE(r.status, 4);
            QCOMPARE(r.err.last(),
                     QStringLiteral("vestrel-compare: cannot write the results: No space left on device"));
        }
        // A run with nothing to print has nothing to lose.
        QCOMPARE(runBatch({QStringLiteral("--by"), QStringLiteral("name"), dir, t.path()},
                          {QStringLiteral("/dev/full"), 0})
                     .status,
                 0);
    }

    // 4: an error that ends the run (here memory running out as the list grows) is shown as the window
    // shows it, and the run is no success.
    void anErrorThatEndsTheRunExitsFour()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("AddressSanitizer reserves more address space than any limit this case could set");
#endif
        constexpr qint64 kLimitMiB = 192;
        TempTree t;
        t.file("small/a");
        const QString small = t.path() + "/small";
        // The program itself must fit: otherwise a failure below would prove nothing.
        const Batch fits = runBatch({small, small}, {QString(), kLimitMiB});
        if (fits.status != 0)
            QSKIP("vestrel-compare needs more than 192 MiB of address space to start here");

        // 3000 files of one size in one directory: 4,498,500 size lines, more than 192 MiB of them.
        for (int i = 0; i < 3000; ++i)
            t.file("many/f" + QByteArray::number(i));
        const QString many = t.path() + "/many";
        const Batch r =
            runBatch({QStringLiteral("--by"), QStringLiteral("size"), many, many}, {QString(), kLimitMiB});
        QCOMPARE(r.status, 4);
        QCOMPARE(r.err, QStringList{QStringLiteral("vestrel-compare: an error ended the comparison")});
        // The lines found before the error are printed, as the window shows them; they are not all.
        QVERIFY(r.out.startsWith("[by volume]"));
        QVERIFY(r.out.count('\n') < 4498500);
    }

    // 1: the command line was wrong; the usage text follows the reason.
    void usageErrorsExitOne_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("reason");
        QTest::newRow("one directory")
            << QStringList{QStringLiteral(".")} << QStringLiteral("two directories are needed");
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("--colour"), QStringLiteral("."), QStringLiteral(".")}
            << QStringLiteral("unknown option");
        QTest::newRow("unknown criterion")
            << QStringList{QStringLiteral("--by"), QStringLiteral("name,colour"), QStringLiteral("."),
                           QStringLiteral(".")}
            << QStringLiteral("unknown criterion in --by");
        QTest::newRow("value missing")
            << QStringList{QStringLiteral("."), QStringLiteral("."), QStringLiteral("--max-lines")}
            << QStringLiteral("an option lacks its value");
        const QString countReason = QStringLiteral("--max-lines takes a whole number from 1 to 2147483646");
        for (const char *count : {"0", "-1", "+5", "12x", "", "2147483647", "99999999999999999999"})
            QTest::addRow("--max-lines '%s'", count)
                << QStringList{QStringLiteral("--max-lines"), QLatin1String(count), QStringLiteral("."),
                               QStringLiteral(".")}
                << countReason;
    }
    void usageErrorsExitOne()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, reason);
        const Batch r = runBatch(args);
        QCOMPARE(r.status, 1);
        QCOMPARE(r.out, QByteArray());
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(r.err.first(), QStringLiteral("vestrel-compare: ") + reason);
        QVERIFY(r.err.at(1).startsWith(QStringLiteral("usage: vestrel-compare")));
    }

    // --version gives the project's version and nothing else, whatever else the command line holds.
    void versionNamesTheProjectVersion()
    {
        for (const QStringList &args :
             {QStringList{QStringLiteral("--version")},
              QStringList{QStringLiteral("--by"), QStringLiteral("name"), QStringLiteral("--version")}}) {
            const Batch r = runBatch(args);
            QCOMPARE(r.status, 0);
            QCOMPARE(r.out, QByteArray("vestrel-compare (Vestrel) " VESTREL_VERSION "\n"));
            QCOMPARE(r.err, QStringList{});
        }
    }

    // --help names every option and every exit status, and so does the manual page.
    void helpAndManualPageSayTheSame()
    {
        const Batch r = runBatch({QStringLiteral("--help")});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.err, QStringList{});
        const QString help = QString::fromUtf8(r.out);
        QVERIFY(help.startsWith(QStringLiteral("usage: vestrel-compare")));
        const QStringList options{
            QStringLiteral("--"),         QStringLiteral("--by"),        QStringLiteral("--help"),
            QStringLiteral("--kinds"),    QStringLiteral("--max-lines"), QStringLiteral("--null"),
            QStringLiteral("--progress"), QStringLiteral("--version"),   QStringLiteral("-0")};
        QCOMPARE(optionsNamed(help), options);
        const QString statuses = help.mid(help.indexOf(QStringLiteral("Exit status:")));
        for (int status = 0; status <= 4; ++status)
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
};

QTEST_GUILESS_MAIN(TestBatch)
#include "tst_batch.moc"
