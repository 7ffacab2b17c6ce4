// The first page's buttons: the exercise program found under the current directory at the moment of
// the click and started detached, or the message that it is missing.

#include "support/fixture.h"
#include "support/messageboxes.h"
#include "support/standins.h"

#include "platform/fileread.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The first page of a window started in a directory of its own, which stays current while it lives, with
// stand-ins for the exercise programs named; the stand-ins write their records into records/.
struct Page1
{
    TempTree t;
    CurrentDirKeeper keeper;
    StandIns standIns{t.bytes() + "/records"};
    std::unique_ptr<TfMain> w;

    explicit Page1(std::initializer_list<const char *> programs = {})
    {
        for (const char *program : programs)
            standIns.writeProgram(t.bytes() + "/prog/" + program + ".EXE");
        if (!SetCurrentDir(t.bytes()))
            qFatal("cannot enter the test directory");
        w = makeMainWindow();
        w->pgControl->setCurrentWidget(w->tSheet1);
        if (!showExposed(*w))
            qFatal("window not exposed");
    }
    void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
    // Where a path under the directory really is, links resolved.
    QString real(const QString &relative = QString()) const
    {
        return QDir(t.path()).canonicalPath() + relative;
    }
};

// A program started the way the window starts one, from a process that has made its settings and raised
// its open-file limit as a run does: the stand-in prog/P1.EXE under dir, through the terminal when one is
// named.
const char *const kStartWithSettingsMade = "--start-with-settings-made";
int startWithSettingsMade(int argc, char **argv)
{
    if (argc < 3 || !SetCurrentDir(argv[2]))
        return 2;
    initialiseProcess();
    raiseOpenFileLimit();
    setTerminalChoice(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString());
    ShellOpen(QStringLiteral("prog/P1.EXE"), {});
    return 0;
}

// Writes the soft open-file limit it was started with, and whether it ignores SIGXFSZ, into limits.txt.
const QByteArray kLimitsRecorder = R"sh(#!/bin/sh
ignored=$(sed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status)
{
  echo "open-files=$(ulimit -Sn)"
  echo "xfsz-ignored=$(( (0x$ignored >> 24) & 1 ))"
} > limits.tmp && mv limits.tmp limits.txt
)sh";

} // namespace

class TestLaunch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { setTerminalChoice(QString()); }
    void cleanup() { setTerminalChoice(QString()); }

    void aMissingProgramIsReportedAndNothingStarts_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QByteArray>("entry"); // what stands at the program's path: nothing, dir, fifo
        QTest::addColumn<QString>("message");
        const QString p1 = QStringLiteral("EROARE: Programul prog\\P1.EXE nu a fost gasit!");
        QTest::newRow("P1 missing") << 1 << QByteArray() << p1;
        QTest::newRow("P2 missing") << 2 << QByteArray()
                                    << QStringLiteral("EROARE: Programul prog\\P2.EXE nu a fost gasit!");
        QTest::newRow("P3 missing") << 3 << QByteArray()
                                    << QStringLiteral("EROARE: Programul prog\\P3.EXE nu a fost gasit!");
        QTest::newRow("directory named P1.EXE") << 1 << QByteArray("dir") << p1;
        QTest::newRow("FIFO named P1.EXE") << 1 << QByteArray("fifo") << p1;
        QTest::newRow("link to nothing") << 1 << QByteArray("dangling") << p1;
    }
    void aMissingProgramIsReportedAndNothingStarts()
    {
        QFETCH(int, button);
        QFETCH(QByteArray, entry);
        QFETCH(QString, message);
        Page1 page;
        // The other two programs are present: only the clicked one's absence may matter.
        for (const char *other : {"P1", "P2", "P3"})
            if (other != "P" + QByteArray::number(button))
                page.standIns.writeProgram(page.t.bytes() + "/prog/" + other + ".EXE");
        const QByteArray name = "prog/P" + QByteArray::number(button) + ".EXE";
        if (entry == "dir")
            page.t.dir(name);
        else if (entry == "fifo")
            page.t.fifo(name);
        else if (entry == "dangling")
            page.t.symlink(name, "nowhere");
        MessageBoxAnswerer answerer;
        page.click(QList<QPushButton *>{page.w->btnP1, page.w->btnP2, page.w->btnP3}[button - 1]);
        QTRY_COMPARE(answerer.boxes, (QList<ShownBox>{{message, kProgramCaption, QMessageBox::NoIcon}}));
        QTest::qWait(200);
        QVERIFY(page.standIns.records().isEmpty());
    }

    void startsDetachedInCurrentDirectory()
    {
        Page1 page({"P2"});
        MessageBoxAnswerer answerer;
        QElapsedTimer clock;
        clock.start();
        page.click(page.w->btnP2);
        // The stand-in lives two seconds after it has written its record; the click does not wait for it.
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        const QList<LaunchRecord> records = page.standIns.waitForRecords(1);
        QCOMPARE(records.size(), 1);
        const LaunchRecord &r = records[0];
        QCOMPARE(r.kind, QStringLiteral("program"));
        QCOMPARE(r.arguments, QStringList());
        QCOMPARE(r.cwd, page.real());
        QCOMPARE(QFileInfo(r.argv0).canonicalFilePath(), page.real("/prog/P2.EXE"));
        // Its own session, and not our child: it is never waited for and never left a zombie of ours.
        QVERIFY(r.session != ::getsid(0));
        QVERIFY(r.parentPid != ::getpid());
        QTest::qWait(50);
        QVERIFY(answerer.boxes.isEmpty());
    }

    void everyClickStartsAnotherInstance()
    {
        Page1 page({"P1"});
        page.click(page.w->btnP1);
        page.click(page.w->btnP1);
        const QList<LaunchRecord> records = page.standIns.waitForRecords(2);
        QCOMPARE(records.size(), 2);
        QVERIFY(records[0].pid != records[1].pid);
        QTest::qWait(200);
        QCOMPARE(page.standIns.records().size(), 2);
    }

    void looksUnderTheCurrentDirectoryOfTheClick()
    {
        Page1 page({"P1"});
        TempTree later;
        page.standIns.writeProgram(later.bytes() + "/prog/P3.EXE");

        // As after a comparison that went elsewhere and stayed there.
        QVERIFY(SetCurrentDir(later.bytes()));
        MessageBoxAnswerer answerer;
        page.click(page.w->btnP1);
        QTRY_COMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].text, QStringLiteral("EROARE: Programul prog\\P1.EXE nu a fost gasit!"));

        page.click(page.w->btnP3);
        const QList<LaunchRecord> records = page.standIns.waitForRecords(1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records[0].cwd, QDir(later.path()).canonicalPath());
        QCOMPARE(QFileInfo(records[0].argv0).canonicalFilePath(),
                 QDir(later.path()).canonicalPath() + "/prog/P3.EXE");
        QCOMPARE(answerer.boxes.size(), 1);
    }

    void aStartedProgramGetsTheLimitsWeStartedWith_data()
    {
        QTest::addColumn<bool>("terminal");
        QTest::newRow("started directly") << false;
        QTest::newRow("started in a terminal") << true;
    }
    // A run raises our soft open-file limit for itself, and start-up ignores SIGXFSZ; neither is the
    // started program's business, and an ignored signal would survive its exec.
    void aStartedProgramGetsTheLimitsWeStartedWith()
    {
        QFETCH(bool, terminal);
        TempTree t;
        t.file("prog/P1.EXE", kLimitsRecorder, 0755);
        StandIns standIns(t.bytes() + "/records");
        QStringList arguments{QString::fromLatin1(kStartWithSettingsMade), t.path()};
        if (terminal) {
            standIns.writeTerminal(t.bytes() + "/bin/term");
            arguments << t.path() + "/bin/term";
        }

        // Started with a soft limit below the hard one, so that a raise shows.
        struct rlimit saved;
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &saved) == 0);
        QVERIFY2(saved.rlim_max > 64, "the hard open-file limit leaves no room to start lower");
        struct rlimit low = saved;
        low.rlim_cur = 64;
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &low) == 0);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), arguments);
        const bool started = child.waitForStarted();
        ::setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY2(started, qPrintable(child.errorString()));
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);

        QFile limits(t.path() + "/limits.txt");
        QTRY_VERIFY(limits.exists());
        QVERIFY(limits.open(QIODevice::ReadOnly));
        QCOMPARE(limits.readAll(), QByteArray("open-files=64\nxfsz-ignored=0\n"));
        if (terminal)
            QCOMPARE(standIns.waitForRecords(1).size(), 1);
    }

    void startsInATerminalWhenThereIsOne()
    {
        Page1 page({"P1"});
        page.standIns.writeTerminal(page.t.bytes() + "/bin/term");
        setTerminalChoice(page.t.path() + "/bin/term");
        page.click(page.w->btnP1);
        QList<LaunchRecord> records = page.standIns.waitForRecords(2);
        QCOMPARE(records.size(), 2);
        std::sort(records.begin(), records.end(), [](auto &a, auto &b) { return a.kind > b.kind; });
        const QString program = page.real("/prog/P1.EXE");
        QCOMPARE(records[0].kind, QStringLiteral("terminal"));
        // Titled with the exercise, not with the terminal's own name.
        QCOMPARE(records[0].arguments.size(), 4);
        QCOMPARE(records[0].arguments.mid(0, 3), (QStringList{"-T", "P1.EXE", "-e"}));
        QCOMPARE(QFileInfo(records[0].arguments[3]).canonicalFilePath(), program);
        QCOMPARE(records[0].cwd, page.real());
        QCOMPARE(records[1].kind, QStringLiteral("program"));
        QCOMPARE(records[1].arguments, QStringList());
    }

    // What the terminal emulator writes of its own (warnings about fonts or locales) goes to our standard
    // error, never to our standard output, and it reads nothing of our input; a program started without a
    // terminal keeps our standard streams, as a console program must.
    void terminalMessagesGoToStandardError()
    {
        Page1 page;
        TempTree &t = page.t;
        t.file("prog/P2.EXE", "#!/bin/sh\n", 0755);
        const QByteArray done = t.bytes() + "/done";
        t.file("bin/term",
               "#!/bin/sh\n"
               "echo 'term: a warning on stdout'\n"
               "echo 'term: a warning on stderr' >&2\n"
               "readlink /proc/$$/fd/0 > '" +
                   done + ".tmp'; mv '" + done + ".tmp' '" + done + "'\n",
               0755);
        setTerminalChoice(t.path() + "/bin/term");

        // Our own standard output and error become files for the click.
        const QByteArray out = t.bytes() + "/our-stdout", err = t.bytes() + "/our-stderr";
        const int savedOut = ::dup(STDOUT_FILENO), savedErr = ::dup(STDERR_FILENO);
        const int outFd = ::open(out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = ::open(err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(savedOut >= 0 && savedErr >= 0 && outFd >= 0 && errFd >= 0);
        ::fflush(stdout);
        ::fflush(stderr);
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(errFd, STDERR_FILENO);
        page.click(page.w->btnP2);
        ::dup2(savedOut, STDOUT_FILENO);
        ::dup2(savedErr, STDERR_FILENO);
        for (int fd : {savedOut, savedErr, outFd, errFd})
            ::close(fd);

        QTRY_VERIFY(QFile::exists(QFile::decodeName(done)));
        QFile errors(QFile::decodeName(err)), output(QFile::decodeName(out)), input(QFile::decodeName(done));
        QVERIFY(errors.open(QIODevice::ReadOnly) && output.open(QIODevice::ReadOnly) &&
                input.open(QIODevice::ReadOnly));
        const QByteArray errorText = errors.readAll();
        QVERIFY2(errorText.contains("term: a warning on stdout") &&
                     errorText.contains("term: a warning on stderr"),
                 errorText.constData());
        QVERIFY2(!output.readAll().contains("term:"), "the terminal wrote on our standard output");
        QCOMPARE(input.readAll().trimmed(), QByteArray("/dev/null"));
    }

    void aTerminalIsFoundOnlyAsAProgramAndOnlyWithADisplay()
    {
        TempTree t;
        t.file("bin/myterm", "#!/bin/sh\n", 0755);
        t.file("bin/notexec", "#!/bin/sh\n", 0644);
        const QString myterm = QFile::decodeName(t.bytes() + "/bin/myterm");
        setTerminalChoice(myterm);
        QCOMPARE(findTerminal(), myterm);
        setTerminalChoice(QFile::decodeName(t.bytes() + "/bin/notexec"));
        QCOMPARE(findTerminal(), QString());
        setTerminalChoice(QFile::decodeName(t.bytes() + "/bin"));
        QCOMPARE(findTerminal(), QString());

        // The lookup proper: $TERMINAL first, and nothing without a display.
        const QByteArray display = qgetenv("DISPLAY"), wayland = qgetenv("WAYLAND_DISPLAY"),
                         terminal = qgetenv("TERMINAL");
        setTerminalChoice(std::nullopt);
        qputenv("DISPLAY", ":99");
        qputenv("TERMINAL", myterm.toLocal8Bit());
        QCOMPARE(findTerminal(), myterm);
        qunsetenv("DISPLAY");
        qunsetenv("WAYLAND_DISPLAY");
        QCOMPARE(findTerminal(), QString());
        const auto restore = [](const char *name, const QByteArray &value) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        };
        restore("DISPLAY", display);
        restore("WAYLAND_DISPLAY", wayland);
        restore("TERMINAL", terminal);
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], kStartWithSettingsMade) == 0)
        return startWithSettingsMade(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestLaunch test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_launch.moc"
