// The second page's data file: loaded into the memo whenever the page comes up (or from the memo's
// menu) unless it is too large for it, saved from the menu byte for byte, in place, as a plain write
// would save it, and never left without its old text by a failed save.

#include "support/messageboxes.h"
#include "support/secondpage.h"

#include "app/startup.h"
#include "app/vestrel.h"
#include "engine/memotext.h"
#include "platform/files.h"
#include "platform/textfile.h"
#include "ui/memofile.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sched.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kMissingLine = QStringLiteral("EROARE: Fisierul \"data.txt\" nu exista!\n");
const QString kCannotCreate = QStringLiteral("Cannot create file prog\\data.txt.");
constexpr qint64 kLargestFile = 256 * 1024;
constexpr int kLongestLine = 64 * 1024;

// Lines of numbers, cut to exactly size bytes.
QByteArray numberLines(qint64 size)
{
    QByteArray bytes = QByteArray("12 34\r\n").repeated(int(size / 7 + 1));
    bytes.truncate(qsizetype(size));
    return bytes;
}

QByteArray readFile(const QByteArray &path)
{
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

QStringList entries(const QByteArray &dir)
{
    return QDir(QFile::decodeName(dir))
        .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statOf(const QByteArray &path)
{
    struct stat st
    {
    };
    if (::stat(path.constData(), &st) != 0)
        st.st_ino = 0;
    return st;
}

// Mounts made by the test stay in a mount namespace of its own, so that nothing is left mounted
// whatever becomes of the test.
bool privateMounts()
{
    static const bool ok =
        ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return ok;
}

// A small file system over a directory, for as long as it lives.
struct SmallDisk
{
    QByteArray at;
    bool mounted;
    SmallDisk(const QByteArray &dir, int kib)
        : at(dir), mounted(::mount("tmpfs", dir.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                                   QByteArray("size=" + QByteArray::number(kib) + "k").constData()) == 0)
    {
    }
    ~SmallDisk()
    {
        if (mounted)
            ::umount2(at.constData(), MNT_DETACH);
    }
    // Takes every free byte left.
    void fill() const
    {
        const int fd = ::open((at + "/filler").constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        const QByteArray block(4096, 'x');
        for (qsizetype chunk : {qsizetype(4096), qsizetype(1)})
            while (::write(fd, block.constData(), size_t(chunk)) == chunk) {
            }
        ::close(fd);
    }
};

// Acts as another user for the file system (setfsuid), as long as it lives; nothing for no user.
struct FileSystemUser
{
    const struct passwd *user;
    explicit FileSystemUser(const struct passwd *other) : user(other)
    {
        if (user) {
            ::setfsgid(user->pw_gid);
            ::setfsuid(user->pw_uid);
        }
    }
    ~FileSystemUser()
    {
        if (user) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
};

// The program itself, started in the current directory under a file size limit of 1,024 bytes (as by
// "ulimit -f 1"), saves a memo of 4,000 bytes from the menu and prints each box it shows as
// "box|text|icon"; then it ends as the window does.
const char *const kSaveUnderSizeLimit = "--save-under-a-size-limit";
int saveUnderASizeLimit(int argc, char **argv)
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    limit.rlim_cur = 1024;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    return VestrelMain(argc, argv, [] {
        QTimer::singleShot(0, fMain, [] {
            MessageBoxAnswerer answerer;
            fMain->pgControl->setCurrentWidget(fMain->tSheet2);
            fMain->fMemo->setPlainText(QString(4000, QLatin1Char('7')));
            fMain->iSaveData->trigger();
            for (const ShownBox &box : answerer.boxes)
                std::printf("box|%s|%d\n", box.text.toUtf8().constData(), int(box.icon));
            std::fflush(stdout);
            fMain->close();
        });
    });
}

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT

private slots:
    void lineBreaksLoadAsLinesAndSaveAsCrLf_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("CR LF") << QByteArray("1 2\r\n3\r\n") << "1 2\n3\n" << QByteArray("1 2\r\n3\r\n");
        QTest::newRow("LF only") << QByteArray("1 2\n3\n4") << "1 2\n3\n4" << QByteArray("1 2\r\n3\r\n4");
        QTest::newRow("lone CR") << QByteArray("1\r2\r") << "1\n2\n" << QByteArray("1\r\n2\r\n");
        QTest::newRow("mixed, LF CR is two")
            << QByteArray("1\n\r2\r\n\n3") << "1\n\n2\n\n3" << QByteArray("1\r\n\r\n2\r\n\r\n3");
        QTest::newRow("no final break") << QByteArray("7") << "7" << QByteArray("7");
        QTest::newRow("empty") << QByteArray() << "" << QByteArray();
        QTest::newRow("only breaks") << QByteArray("\r\n\n") << "\n\n" << QByteArray("\r\n\r\n");
    }
    // Through the real memo: the page loads the file, the menu saves it.
    void lineBreaksLoadAsLinesAndSaveAsCrLf()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, memo);
        QFETCH(QByteArray, saved);
        SecondPage page(file);
        page.showPage2();
        QCOMPARE(page.memo(), memo);
        QCOMPARE(page.w->fMemo->document()->blockCount(), int(memo.count(QLatin1Char('\n')) + 1));
        MessageBoxAnswerer answerer;
        page.w->iSaveData->trigger();
        QCOMPARE(page.dataFile(), saved);
        QTest::qWait(20);
        QVERIFY(answerer.boxes.isEmpty());
    }

    void bytesSurviveLoadAndSave_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("Romanian UTF-8") << QByteArray("\xc8\x99i \xc8\x9b\r\n");
        QTest::newRow("Latin-1, not UTF-8") << QByteArray("caf\xe9 \xff\xfe\r\n");
        QTest::newRow("truncated sequence at the end") << QByteArray("1\r\n\xe2\x82");
        QTest::newRow("overlong and surrogate encodings") << QByteArray("\xc0\xaf \xed\xa0\x80\r\n");
        QTest::newRow("no-break space") << QByteArray("1\xc2\xa0"
                                                      "2\r\n");
        QTest::newRow("paragraph and line separators") << QByteArray("1\xe2\x80\xa9"
                                                                     "2\xe2\x80\xa8"
                                                                     "3\r\n");
        QTest::newRow("document's frame marks") << QByteArray("\xef\xb7\x90x\xef\xb7\x91\r\n");
        QTest::newRow("NUL, tab, form feed") << QByteArray("1\0002\t3\f", 7);
        QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf"
                                                       "5 6\r\n");
        QTest::newRow("outside the BMP") << QByteArray("\xf0\x9f\x98\x80 9\r\n");
    }
    // An unedited load and save writes back the very bytes that were loaded.
    void bytesSurviveLoadAndSave()
    {
        QFETCH(QByteArray, file);
        QCOMPARE(fileBytesFromMemo(memoTextFromFile(file)), file);
        SecondPage page(file);
        page.showPage2();
        page.w->iSaveData->trigger();
        QCOMPARE(page.dataFile(), file);
    }

    void aMissingOrNonRegularFileShowsTheMissingLine_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::newRow("no file") << QByteArray();
        QTest::newRow("a directory") << QByteArray("dir");
        // A FIFO would block a reader forever: it is taken for a missing file and never opened.
        QTest::newRow("a FIFO") << QByteArray("fifo");
        // Nor is a device: this one would never end.
        QTest::newRow("a link to a device") << QByteArray("device");
    }
    void aMissingOrNonRegularFileShowsTheMissingLine()
    {
        QFETCH(QByteArray, entry);
        SecondPage page;
        if (entry == "dir")
            page.tree.dir("prog/data.txt");
        else if (entry == "fifo")
            page.tree.fifo("prog/data.txt");
        else if (entry == "device")
            page.tree.symlink("prog/data.txt", "/dev/zero");
        page.w->fMemo->setPlainText(QStringLiteral("old text"));
        MessageBoxAnswerer answerer;
        page.showPage2();
        QCOMPARE(page.memo(), kMissingLine);
        QTest::qWait(20);
        QVERIFY(answerer.boxes.isEmpty());
        if (entry.isEmpty()) {
            // Saved as it stands, the line becomes the new file's text.
            page.w->iSaveData->trigger();
            QCOMPARE(page.dataFile(), QByteArray("EROARE: Fisierul \"data.txt\" nu exista!\r\n"));
        }
    }

    void unsavedEditsAreLostOnLeavingThePage()
    {
        const QByteArray file("1 2\r\n");
        SecondPage page(file);
        page.showPage2();
        page.typeInMemo(QStringLiteral(" 9"));
        QCOMPARE(page.memo(), QStringLiteral("1 2\n 9"));
        page.leaveAndReturn();
        QCOMPARE(page.memo(), QStringLiteral("1 2\n"));
        QCOMPARE(page.dataFile(), file);

        // Saved edits are what comes back.
        page.typeInMemo(QStringLiteral("3"));
        page.w->iSaveData->trigger();
        page.leaveAndReturn();
        QCOMPARE(page.memo(), QStringLiteral("1 2\n3"));
        QCOMPARE(page.dataFile(), QByteArray("1 2\r\n3"));
    }

    void theMenuReloadsTheFileAsItIsNow()
    {
        const QByteArray file("4 5\r\n");
        SecondPage page(file);
        page.showPage2();
        page.typeInMemo(QStringLiteral("6"));
        page.tree.file("prog/data.txt", "7 8\n");
        page.w->iReloadData->trigger();
        QCOMPARE(page.memo(), QStringLiteral("7 8\n"));
        ::unlink(page.tree.bytes() + "/prog/data.txt");
        page.w->iReloadData->trigger();
        QCOMPARE(page.memo(), kMissingLine);
    }

    void saveIsRefusedWhereNoFileCanBeWritten_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::newRow("no prog directory") << QByteArray("noprog");
        QTest::newRow("data.txt is a directory") << QByteArray("dir");
        QTest::newRow("data.txt is a FIFO") << QByteArray("fifo");
        QTest::newRow("data.txt is a link to a device") << QByteArray("device");
    }
    void saveIsRefusedWhereNoFileCanBeWritten()
    {
        QFETCH(QByteArray, entry);
        SecondPage page;
        page.showPage2();
        if (entry == "noprog")
            QVERIFY(QDir(page.tree.path()).rmdir(QStringLiteral("prog")));
        else if (entry == "dir")
            page.tree.dir("prog/data.txt");
        else if (entry == "fifo")
            page.tree.fifo("prog/data.txt");
        else
            page.tree.symlink("prog/data.txt", "/dev/null");
        page.w->fMemo->setPlainText(QStringLiteral("1 2"));
        MessageBoxAnswerer answerer;
        page.w->iSaveData->trigger();
        QTRY_COMPARE(answerer.boxes,
                     (QList<ShownBox>{{kCannotCreate, kProgramCaption, QMessageBox::Critical}}));
        // What stood there is left as it was, and no temporary file is left behind.
        struct stat st;
        const QByteArray data = page.tree.bytes() + "/prog/data.txt";
        if (entry == "dir")
            QVERIFY(::stat(data.constData(), &st) == 0 && S_ISDIR(st.st_mode));
        if (entry == "fifo")
            QVERIFY(::stat(data.constData(), &st) == 0 && S_ISFIFO(st.st_mode));
        if (entry == "device")
            QVERIFY(::lstat(data.constData(), &st) == 0 && S_ISLNK(st.st_mode));
        if (entry != "noprog") {
            const QStringList left = QDir(page.tree.path() + "/prog")
                                         .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
            QCOMPARE(left, QStringList{QStringLiteral("data.txt")});
        }
    }

    void anUnreadableFileIsRefusedAndTheMemoLeftEmpty()
    {
        if (::geteuid() == 0)
            QSKIP("root reads any file; run as an ordinary user to see a file that cannot be opened");
        const QByteArray file("1\r\n");
        SecondPage page(file);
        ::chmod(page.tree.bytes() + "/prog/data.txt", 0);
        page.w->fMemo->setPlainText(QStringLiteral("old"));
        MessageBoxAnswerer answerer;
        page.showPage2();
        QTRY_COMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].text, QStringLiteral("Cannot open file prog\\data.txt."));
        QCOMPARE(answerer.boxes[0].icon, QMessageBox::Critical);
        QCOMPARE(page.memo(), QString());
    }

    // A data file that is a link stays a link: the file it points to gets the text.
    void saveFollowsALink()
    {
        SecondPage page;
        page.tree.file("elsewhere/real.txt", "1\r\n");
        page.tree.symlink("prog/data.txt", "../elsewhere/real.txt");
        page.showPage2();
        QCOMPARE(page.memo(), QStringLiteral("1\n"));
        page.typeInMemo(QStringLiteral("2"));
        page.w->iSaveData->trigger();
        struct stat st;
        QVERIFY(::lstat(page.tree.bytes() + "/prog/data.txt", &st) == 0 && S_ISLNK(st.st_mode));
        QCOMPARE(page.dataFile(), QByteArray("1\r\n2"));
    }

    void aFileTooLargeForTheMemoIsNotLoaded_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<QString>("reason");
        const QString size = QStringLiteral("The file is larger than 262144 bytes.");
        const QString line = QStringLiteral("A line of the file is longer than 65536 characters.");
        QTest::newRow("sparse, 1 GiB") << QByteArray("sparse") << size;
        QTest::newRow("one byte over the limit") << QByteArray("over") << size;
        QTest::newRow("a line too long") << QByteArray("line") << line;
        // The files of /proc say they are empty and then read on.
        QTest::newRow("longer than the system says") << QByteArray("proc") << size;
    }
    // A file the memo cannot take is not loaded: the display says why, the memo stays empty, and the file
    // is left as it is until the user saves.
    void aFileTooLargeForTheMemoIsNotLoaded()
    {
        QFETCH(QByteArray, kind);
        QFETCH(QString, reason);
        SecondPage page;
        if (kind == "sparse") {
            page.tree.sparse("prog/data.txt", qint64(1) << 30);
        } else if (kind == "over") {
            page.tree.file("prog/data.txt", numberLines(kLargestFile + 1));
        } else if (kind == "line") {
            page.tree.file("prog/data.txt", QByteArray(kLongestLine + 1, '1') + "\r\n");
        } else {
            if (!QFileInfo::exists(QStringLiteral("/proc/self/pagemap")))
                QSKIP("this system has no /proc/self/pagemap");
            page.tree.symlink("prog/data.txt", "/proc/self/pagemap");
        }
        const struct stat before = statOf(page.data());
        page.w->fMemo->setPlainText(QStringLiteral("old text"));
        MessageBoxAnswerer answerer;
        page.showPage2();
        const QString cannotOpen = QStringLiteral("Cannot open file prog\\data.txt. ") + reason;
        QTRY_COMPARE(answerer.boxes, (QList<ShownBox>{{cannotOpen, kProgramCaption, QMessageBox::Critical}}));
        QCOMPARE(page.memo(), QString());
        if (kind == "proc")
            return;

        if (kind != "sparse") {
            // A launch with nothing typed gives LAB2 the file as it is (LAB2's stand-in copies it).
            page.standIns.writeProgram(page.tree.bytes() + "/prog/LAB2.EXE");
            page.launch();
            QCOMPARE(page.standIns.waitForRecords(1).size(), 1);
        }
        const struct stat after = statOf(page.data());
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        QCOMPARE(answerer.boxes.size(), 1);

        // What the user types and saves replaces it.
        page.typeInMemo(QStringLiteral("5 6"));
        page.w->iSaveData->trigger();
        QCOMPARE(page.dataFile(), QByteArray("5 6"));
    }

    // The limits are inclusive: a file of exactly the largest size, with a line of exactly the longest
    // length, is shown and saved back byte for byte.
    void theLargestFileTheMemoTakesLoadsAndSavesWhole()
    {
        QByteArray file = QByteArray(kLongestLine, '7') + "\r\n";
        file += numberLines(kLargestFile - file.size());
        QCOMPARE(qint64(file.size()), kLargestFile);
        SecondPage page(file);
        MessageBoxAnswerer answerer;
        page.showPage2();
        QCOMPARE(page.w->fMemo->document()->firstBlock().length() - 1, kLongestLine);
        page.w->iSaveData->trigger();
        QCOMPARE(page.dataFile(), file);
        QTest::qWait(20);
        QVERIFY(answerer.boxes.isEmpty());
    }

    void saveWritesInPlace_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::newRow("a hard link stays one") << QByteArray("hard link");
        QTest::newRow("owner and mode kept") << QByteArray("owner");
        QTest::newRow("a link to nothing gets its target") << QByteArray("dangling");
        QTest::newRow("a shorter text cuts the old tail") << QByteArray("shorter");
    }
    // The save writes into the file itself, as a plain write does: the same file, with its owner, mode and
    // links, takes the text.
    void saveWritesInPlace()
    {
        QFETCH(QByteArray, kind);
        SecondPage page;
        const QByteArray root = page.tree.bytes();
        QByteArray target = page.data();
        if (kind == "hard link") {
            page.tree.file("prog/data.txt", "1 2\r\n");
            QVERIFY(::link(target.constData(), (root + "/other.txt").constData()) == 0);
        } else if (kind == "owner") {
            page.tree.file("prog/data.txt", "1 2\r\n", 0640);
            if (::geteuid() == 0)
                QVERIFY(::chown(target.constData(), 12345, 12345) == 0); // owned by someone else
        } else if (kind == "dangling") {
            page.tree.dir("elsewhere");
            page.tree.symlink("prog/data.txt", "../elsewhere/new.txt");
            target = root + "/elsewhere/new.txt";
        } else {
            page.tree.file("prog/data.txt", "1 2 3 4 5 6 7 8 9\r\n10 11 12\r\n");
        }
        const struct stat before = statOf(target);
        page.showPage2();
        page.w->fMemo->setPlainText(QStringLiteral("5 6\n7"));
        MessageBoxAnswerer answerer;
        page.w->iSaveData->trigger();
        QTest::qWait(20);
        QVERIFY(answerer.boxes.isEmpty());
        QCOMPARE(readFile(target), QByteArray("5 6\r\n7"));
        QCOMPARE(entries(root + "/prog"), QStringList{QStringLiteral("data.txt")});

        const struct stat after = statOf(target);
        if (kind == "dangling") {
            struct stat link;
            QVERIFY(::lstat(page.data().constData(), &link) == 0 && S_ISLNK(link.st_mode));
            const mode_t mask = ::umask(0);
            ::umask(mask);
            QCOMPARE(after.st_mode & 07777, mode_t(0666 & ~mask));
            return;
        }
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_nlink, before.st_nlink);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        if (kind == "hard link")
            QCOMPARE(readFile(root + "/other.txt"), QByteArray("5 6\r\n7"));
    }

    void failedWritePutsTheOldTextBack_data()
    {
        QTest::addColumn<bool>("reserve");
        QTest::newRow("space reserved first") << true;
        QTest::newRow("no reservation") << false;
    }
    // A write that fails part way (here: a file size limit, which binds root too, below the old file's
    // size) has already overwritten the start of the old text: the save puts it back.
    void failedWritePutsTheOldTextBack()
    {
        QFETCH(bool, reserve);
        const QByteArray old = numberLines(100);
        SecondPage page(old);
        page.showPage2();
        const struct stat before = statOf(page.data());
        page.w->fMemo->setPlainText(QString(300, QLatin1Char('9')));

        struct rlimit saved;
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        struct rlimit small = saved;
        small.rlim_cur = 8;
        auto *previous = std::signal(SIGXFSZ, SIG_IGN);
        setSpaceReservation(reserve);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
        MessageBoxAnswerer answerer;
        page.w->iSaveData->trigger();
        ::setrlimit(RLIMIT_FSIZE, &saved);
        setSpaceReservation(true);
        std::signal(SIGXFSZ, previous);

        QTRY_COMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].text, kCannotCreate);
        QCOMPARE(page.dataFile(), old);
        QCOMPARE(statOf(page.data()).st_ino, before.st_ino);
        QCOMPARE(entries(page.tree.bytes() + "/prog"), QStringList{QStringLiteral("data.txt")});
    }

    // A write that crosses the file size limit raises a signal whose default action would end the program
    // before the save could put the old text back, leaving the file cut at the limit.
    void aSaveCutShortByTheFileSizeLimitKeepsTheOldTextAndTheProgram()
    {
        TempTree t;
        const QByteArray old = numberLines(900);
        const QByteArray data = t.file("prog/data.txt", old);
        QProcess child;
        child.setWorkingDirectory(t.path());
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kSaveUnderSizeLimit)});
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
        if (!child.waitForFinished(60000)) {
            child.kill();
            child.waitForFinished();
            QFAIL("the program did not end");
        }
        const QByteArray errors = child.readAllStandardError();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit,
                 qPrintable(QStringLiteral("ended by signal %1").arg(child.exitCode())));
        QVERIFY2(child.exitCode() == 0, errors.constData());
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput()),
                 QStringLiteral("box|%1|%2\n").arg(kCannotCreate).arg(int(QMessageBox::Critical)));
        QCOMPARE(readFile(data), old);
    }

    void aFullDiskTakesTheSameOrAShorterTextOnly_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::addColumn<bool>("saved");
        QTest::newRow("the same text") << QByteArray("same") << true;
        QTest::newRow("a shorter text") << QByteArray("shorter") << true;
        QTest::newRow("a longer text") << QByteArray("longer") << false;
        QTest::newRow("a longer text, no reservation") << QByteArray("longer, unreserved") << false;
        QTest::newRow("a new file") << QByteArray("new") << false;
    }
    // On a full disk the save needs no room beyond the file's own: the same or a shorter text is saved, a
    // longer one is refused with the old text whole, and a file that could not be written is not left.
    void aFullDiskTakesTheSameOrAShorterTextOnly()
    {
        QFETCH(QByteArray, kind);
        QFETCH(bool, saved);
        if (::geteuid() != 0)
            QSKIP("mounting a small file system needs root");
        if (!privateMounts())
            QSKIP(
                "this system does not let the test mount a file system of its own (it lacks CAP_SYS_ADMIN)");
        SecondPage page;
        const QByteArray prog = page.tree.bytes() + "/prog";
        SmallDisk disk(prog, 256);
        if (!disk.mounted)
            QSKIP("mounting a small tmpfs is not allowed here");
        const QByteArray old = numberLines(20000);
        if (kind != "new")
            page.tree.file("prog/data.txt", old);
        disk.fill();
        page.showPage2();

        QString text = memoTextFromFile(old);
        if (kind == "shorter")
            text = QStringLiteral("1 2");
        else if (kind.startsWith("longer"))
            text += QString(20000, QLatin1Char('3'));
        else if (kind == "new")
            text = QStringLiteral("1 2 3");
        page.w->fMemo->setPlainText(text);
        setSpaceReservation(kind != "longer, unreserved");
        MessageBoxAnswerer answerer;
        page.w->iSaveData->trigger();
        setSpaceReservation(true);

        if (saved) {
            QTest::qWait(20);
            QVERIFY(answerer.boxes.isEmpty());
            QCOMPARE(page.dataFile(), fileBytesFromMemo(text));
        } else {
            QTRY_COMPARE(answerer.boxes.size(), 1);
            QCOMPARE(answerer.boxes[0].text, kCannotCreate);
            QCOMPARE(page.dataFile(), kind == "new" ? QByteArray("<none>") : old);
        }
        QStringList left{QStringLiteral("filler")};
        if (kind != "new")
            left.prepend(QStringLiteral("data.txt"));
        QCOMPARE(entries(prog), left);
    }

    void saveIsRefusedExactlyWhereTheUserMayNotWrite_data()
    {
        QTest::addColumn<int>("fileMode"); // -1: no file
        QTest::addColumn<int>("dirMode");
        QTest::addColumn<bool>("rootsFile"); // else the user's own
        QTest::addColumn<bool>("saved");
        QTest::newRow("read-only file") << 0444 << 0755 << false << false;
        QTest::newRow("no permission at all") << 0 << 0755 << false << false;
        QTest::newRow("write-only file") << 0200 << 0755 << false << true;
        QTest::newRow("writable file in a read-only directory") << 0644 << 0555 << false << true;
        QTest::newRow("no file in a read-only directory") << -1 << 0555 << false << false;
        QTest::newRow("root's read-only file") << 0444 << 0755 << true << false;
        QTest::newRow("root's file that others may write") << 0666 << 0755 << true << true;
    }
    // An ordinary user's save is refused exactly where a plain write by that user is refused, and goes into
    // the same file, owner and mode unchanged, wherever it is allowed. As root the test acts as nobody for
    // the file system only (setfsuid); tst_datafile_unprivileged runs it as nobody through and through.
    void saveIsRefusedExactlyWhereTheUserMayNotWrite()
    {
        QFETCH(int, fileMode);
        QFETCH(int, dirMode);
        QFETCH(bool, rootsFile);
        QFETCH(bool, saved);
        const bool root = ::geteuid() == 0;
        const struct passwd *nobody = ::getpwnam("nobody");
        if (rootsFile && !root)
            QSKIP("only root can make a file of root's");
        if (root && !nobody)
            QSKIP("there is no user nobody to act as");
        SecondPage page;
        const QByteArray prog = page.tree.bytes() + "/prog";
        if (fileMode >= 0)
            page.tree.file("prog/data.txt", "1 2\r\n", fileMode);
        const QByteArray probe = page.tree.file("root-only", "", 0600);
        if (root) {
            QVERIFY(::chmod(page.tree.bytes().constData(), 0755) == 0);
            QVERIFY(::chown(prog.constData(), nobody->pw_uid, nobody->pw_gid) == 0);
            if (fileMode >= 0 && !rootsFile)
                QVERIFY(::chown(page.data().constData(), nobody->pw_uid, nobody->pw_gid) == 0);
        }
        QVERIFY(::chmod(prog.constData(), mode_t(dirMode)) == 0);
        const struct stat before = statOf(page.data());
        MessageBoxAnswerer answerer;
        {
            const FileSystemUser user(root ? nobody : nullptr);
            if (const int fd = root ? ::open(probe.constData(), O_RDONLY | O_CLOEXEC) : -1; fd >= 0) {
                ::close(fd);
                QSKIP("setfsuid does not take root's rights away here");
            }
            page.showPage2(); // a file the user may not read is refused here
            QTest::qWait(20);
            const qsizetype shownOnLoad = answerer.boxes.size();
            page.w->fMemo->setPlainText(QStringLiteral("5 6"));
            page.w->iSaveData->trigger();
            QTest::qWait(20);
            QCOMPARE(answerer.boxes.size(), shownOnLoad + (saved ? 0 : 1));
            if (!saved)
                QCOMPARE(answerer.boxes.last().text, kCannotCreate);
        }
        QVERIFY(::chmod(prog.constData(), 0755) == 0);
        if (fileMode < 0) {
            QCOMPARE(entries(prog), QStringList());
            return;
        }
        const struct stat after = statOf(page.data());
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QVERIFY(::chmod(page.data().constData(), 0600) == 0);
        QCOMPARE(page.dataFile(), saved ? QByteArray("5 6") : QByteArray("1 2\r\n"));
        QCOMPARE(entries(prog), QStringList{QStringLiteral("data.txt")});
    }
};

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], kSaveUnderSizeLimit) == 0)
        return saveUnderASizeLimit(argc, argv);
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestDataFile test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_datafile.moc"
