// The Windows platform layer as the window uses it: the drives the picker offers and where choosing one
// goes, a program started through the shell with its arguments arriving as given, the data file's save
// that keeps the old text when a write fails, the system's stop box, and how paths are written.

#include "support/messageboxes.h"
#include "support/picker.h"

#include "platform/files.h"
#include "platform/pathsyntax.h"
#include "platform/shell.h"
#include "platform/textfile.h"
#include "platform/volumes.h"
#include "ui/dirbox.h"
#include "ui/drivebox.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <string>

#include <windows.h>

#include <winnetwk.h>

namespace {

std::wstring wide(const QByteArray &path)
{
    return QDir::toNativeSeparators(QString::fromUtf8(path)).toStdWString();
}

QByteArray native(const QByteArray &path)
{
    return QDir::toNativeSeparators(QString::fromUtf8(path)).toUtf8();
}

QByteArray readAll(const QByteArray &path)
{
    QFile f(QString::fromUtf8(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

bool exists(const QByteArray &path)
{
    return ::GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Numbered lines of the given length, different for each seed.
QByteArray lines(qsizetype size, char seed)
{
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i)
        bytes += QByteArray(1, seed) + QByteArray::number(i) + "\r\n";
    bytes.truncate(size);
    return bytes;
}

// New contents whose last bytes lie in a page that cannot be read: a write reaches them only after the
// blocks before have been written, and fails there, as a write does that meets a full disk.
class UnreadableTail
{
public:
    UnreadableTail(qsizetype readable, qsizetype unreadable)
    {
        SYSTEM_INFO system;
        ::GetSystemInfo(&system);
        const qsizetype page = system.dwPageSize;
        const qsizetype pages = (readable + page - 1) / page + 1;
        m_base = static_cast<char *>(
            ::VirtualAlloc(nullptr, SIZE_T(pages * page), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        char *const guard = m_base + (pages - 1) * page;
        char *const start = guard - readable;
        const QByteArray pattern = lines(readable, 'n');
        memcpy(start, pattern.constData(), size_t(readable));
        DWORD before = 0;
        ::VirtualProtect(guard, SIZE_T(page), PAGE_NOACCESS, &before);
        m_contents = QByteArray::fromRawData(start, readable + std::min(unreadable, page));
    }
    ~UnreadableTail() { ::VirtualFree(m_base, 0, MEM_RELEASE); }
    UnreadableTail(const UnreadableTail &) = delete;
    UnreadableTail &operator=(const UnreadableTail &) = delete;
    const QByteArray &contents() const { return m_contents; }

private:
    char *m_base = nullptr;
    QByteArray m_contents;
};

std::optional<quint64> fileIndex(const QByteArray &path)
{
    const HANDLE h = ::CreateFileW(wide(path).c_str(), FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    if (!ok)
        return std::nullopt;
    return (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

QString volumeLabel(const wchar_t *root)
{
    wchar_t label[MAX_PATH + 1] = {};
    return ::GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0)
               ? QString::fromWCharArray(label)
               : QString();
}

QString connectionOf(const wchar_t *device)
{
    wchar_t name[1024] = {};
    DWORD length = 1024;
    return ::WNetGetConnectionW(device, name, &length) == NO_ERROR ? QString::fromWCharArray(name)
                                                                   : QString();
}

// The text of a dialog: what its static controls show (a message box has its icon and its text so).
QString staticText(HWND dialog)
{
    QString text;
    ::EnumChildWindows(
        dialog,
        [](HWND child, LPARAM found) -> BOOL {
            wchar_t name[16] = {};
            wchar_t shown[1024] = {};
            ::GetClassNameW(child, name, 16);
            if (QString::fromWCharArray(name).compare(QLatin1String("Static"), Qt::CaseInsensitive) == 0 &&
                ::GetWindowTextW(child, shown, 1024) > 0)
                *reinterpret_cast<QString *>(found) += QString::fromWCharArray(shown);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

QStringList rows(const TDirBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts.append(box->item(i)->text());
    return texts;
}

} // namespace

class TestWin32Shell : public QObject
{
    Q_OBJECT

private slots:
    // Every drive the system has, in letter order, each as its lower-case letter and a colon; then the
    // volume label of a fixed, CD-ROM or RAM drive, the network name of a network drive, nothing for a
    // removable one.
    void theDriveSelectorOffersTheSystemsDrives()
    {
        const QList<Volume> volumes = systemVolumes();
        QByteArrayList letters;
        const DWORD drives = ::GetLogicalDrives();
        for (int i = 0; i < 26; ++i)
            if (drives & (DWORD(1) << i))
                letters.append(QByteArray(1, char('a' + i)) + ':');
        QByteArrayList listed;
        for (const Volume &v : volumes)
            listed.append(v.mountPoint);
        QCOMPARE(listed, letters);
        QVERIFY(listed.contains("c:"));

        const TDriveBox box;
        QCOMPARE(box.count(), int(volumes.size()));
        for (int i = 0; i < volumes.size(); ++i) {
            const Volume &v = volumes[i];
            QVERIFY(v.systemKeepsCurrentDirectory);
            const wchar_t root[] = {wchar_t(v.mountPoint[0]), L':', L'\\', L'\0'};
            const wchar_t device[] = {wchar_t(v.mountPoint[0]), L':', L'\0'};
            QString label;
            switch (::GetDriveTypeW(root)) {
            case DRIVE_FIXED:
            case DRIVE_CDROM:
            case DRIVE_RAMDISK:
                label = volumeLabel(root);
                break;
            case DRIVE_REMOTE:
                label = connectionOf(device);
                break;
            default:
                break;
            }
            QCOMPARE(v.label, label);
            const QString text =
                QString::fromLatin1(v.mountPoint) + (label.isEmpty() ? QString() : QLatin1Char(' ') + label);
            QCOMPARE(box.itemText(i), text);
        }
        QCOMPARE(::GetDriveTypeW(L"C:\\"), UINT(DRIVE_FIXED));
    }

    void aDirectoryIsOnTheDriveItsLetterNames()
    {
        const QByteArrayList drives{"c:", "z:"};
        QCOMPARE(volumeOf(drives, "C:\\Users\\ana"), QByteArray("c:"));
        QCOMPARE(volumeOf(drives, "c:\\"), QByteArray("c:"));
        QCOMPARE(volumeOf(drives, "Z:"), QByteArray("z:"));
        QCOMPARE(volumeOf(drives, "z:/tmp"), QByteArray("z:"));
        QCOMPARE(volumeOf(drives, "\\\\?\\C:\\very\\deep"), QByteArray("c:"));
        // A drive the list does not have, a share named by its server and a relative path are on none.
        QCOMPARE(volumeOf(drives, "D:\\x"), QByteArray());
        QCOMPARE(volumeOf(drives, "\\\\server\\share\\x"), QByteArray());
        QCOMPARE(volumeOf(drives, "\\\\?\\UNC\\server\\share\\x"), QByteArray());
        QCOMPARE(volumeOf(drives, "c"), QByteArray());
        QCOMPARE(volumeOf({}, "C:\\"), QByteArray());
    }

    // Choosing a drive goes to the directory the system keeps for it, even when that changed behind the
    // picker's back; the list shows the drive's root in lower case.
    void choosingADriveEntersItsOwnCurrentDirectory()
    {
        TempTree t;
        t.dir("kept/inner");
        t.dir("later");
        const QByteArray elsewhere = native(QFile::encodeName(QCoreApplication::applicationDirPath()));
        if (elsewhere.left(1).toLower() == t.bytes().left(1).toLower())
            QSKIP("needs the test program on another drive than the temporary files");
        const QByteArray otherDrive = elsewhere.left(2).toLower();
        const QByteArray tempDrive = t.bytes().left(2).toLower();

        const CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(elsewhere));
        const QByteArray otherCurrent = currentDirBytes();
        ProgramWithPicker p(native(t.bytes() + "/kept/inner"));
        QCOMPARE(p.picker->DriveBox->currentText().left(2).toUtf8(), tempDrive);
        QCOMPARE(rows(p.picker->DirBox).front(), QString::fromUtf8(tempDrive + '\\'));
        QVERIFY(SetCurrentDir(native(t.bytes() + "/later")));
        const QByteArray tempCurrent = currentDirBytes();

        QStringList shown;
        QStringList drives;
        MessageBoxAnswerer answerer;
        whenPickerShown([&](TfSelPath &s) {
            s.DriveBox->setFocus();
            // Typing a drive's letter chooses it, as a click on it in the list does; letters typed in
            // quick succession would be read as one search.
            QTest::keyClick(s.DriveBox, otherDrive[0]);
            shown.append(s.ePath->text());
            drives.append(s.DriveBox->currentText().left(2));
            QTest::qWait(QApplication::keyboardInputInterval() + 100);
            QTest::keyClick(s.DriveBox, tempDrive[0]);
            shown.append(s.ePath->text());
            drives.append(s.DriveBox->currentText().left(2));
            s.btnOk->click();
        });
        QTest::mouseClick(p.w->btnGetPath1, Qt::LeftButton);

        QCOMPARE(answerer.boxes, QList<ShownBox>());
        QCOMPARE(drives, (QStringList{QString::fromUtf8(otherDrive), QString::fromUtf8(tempDrive)}));
        QCOMPARE(shown, (QStringList{QString::fromUtf8(otherCurrent), QString::fromUtf8(tempCurrent)}));
        QCOMPARE(currentDirBytes(), tempCurrent);
    }

    // A program path relative to the current directory, with blanks in it, started with arguments that
    // need quoting; it runs in our current directory and gets each argument as it was given.
    void theShellStartsAProgramWithItsArgumentsAsGiven()
    {
        TempTree t;
        t.dir("prog dir");
        const QByteArray program = native(t.bytes() + "/prog dir/P 1.EXE");
        // The helper is built beside the test.
        const QByteArray helper =
            QFile::encodeName(QCoreApplication::applicationDirPath() + "/shellopen_helper.exe");
        QVERIFY2(::CopyFileW(wide(helper).c_str(), wide(program).c_str(), FALSE), helper.constData());
        const CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(native(t.bytes())));
        const QByteArray marker = native(t.bytes() + "/started.txt");

        const auto started = [&](const QStringList &arguments) -> QStringList {
            ::DeleteFileW(wide(marker).c_str());
            ShellOpen(QStringLiteral("prog dir\\P 1.EXE"), arguments);
            if (!QTest::qWaitFor([&] { return exists(marker); }, 30000))
                return {QStringLiteral("<not started>")};
            return QString::fromUtf8(readAll(marker)).split(u'\n');
        };
        const QString here = QString::fromUtf8(currentDirBytes());

        QCOMPARE(started({}), (QStringList{here, "0", ""}));
        const QStringList arguments{"2",
                                    "6",
                                    "two words",
                                    "",
                                    "say \"hi\"",
                                    "\"",
                                    "C:\\ends in a\\",
                                    "C:\\no\\blanks\\",
                                    "back\\\\slashes \\\\\"quoted\\\"",
                                    "tab\there",
                                    QStringLiteral("\u0219coal\u0103 \u00e9t\u00e9")};
        const QStringList expected =
            QStringList{here, QString::number(arguments.size())} + arguments + QStringList{""};
        QCOMPARE(started(arguments), expected);
        // The programs keep the tree as their current directory until they have ended.
        QVERIFY(SetCurrentDir(native(QFile::encodeName(QDir::tempPath()))));
        QVERIFY(QTest::qWaitFor([&] { return QDir(t.path()).removeRecursively(); }, 30000));
    }

    void theDataFileIsReadWholeAndOnlyFromAFile()
    {
        TempTree t;
        const QByteArray path = native(t.bytes() + "/data.txt");
        const QByteArray text = lines(200 * 1024, 'r');
        QVERIFY(saveWholeFile(QString::fromUtf8(path), text));

        WholeFile whole = readWholeFile(QString::fromUtf8(path), text.size());
        QCOMPARE(whole.outcome, WholeFile::Read);
        QVERIFY(whole.bytes == text);
        QCOMPARE(readWholeFile(QString::fromUtf8(path), text.size() - 1).outcome, WholeFile::TooLarge);
        QCOMPARE(readWholeFile(QString::fromUtf8(native(t.dir("folder"))), 1000).outcome,
                 WholeFile::CannotOpen);
        QCOMPARE(readWholeFile(QString::fromUtf8(native(t.bytes() + "/NUL")), 1000).outcome,
                 WholeFile::CannotOpen);
        QCOMPARE(readWholeFile(QString::fromUtf8(native(t.bytes() + "/none.txt")), 1000).outcome,
                 WholeFile::CannotOpen);

        // Another program writing the file keeps it from being read, so the text is never half of two.
        const HANDLE writer =
            ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        QVERIFY(writer != INVALID_HANDLE_VALUE);
        whole = readWholeFile(QString::fromUtf8(path), text.size());
        ::CloseHandle(writer);
        QCOMPARE(whole.outcome, WholeFile::CannotOpen);
    }

    // The same file gets the new contents: a hard link to it sees them, and it keeps its identity.
    void aSaveRewritesTheFileInPlace()
    {
        TempTree t;
        const QByteArray path = native(t.file("data.txt", lines(5000, 'o')));
        const QByteArray link = native(t.bytes() + "/link.txt");
        QVERIFY(::CreateHardLinkW(wide(link).c_str(), wide(path).c_str(), nullptr));
        const std::optional<quint64> before = fileIndex(path);
        QVERIFY(before);

        for (const qsizetype size : {qsizetype(300 * 1024), qsizetype(7), qsizetype(0), qsizetype(9000)}) {
            const QByteArray contents = lines(size, 'n');
            QVERIFY(saveWholeFile(QString::fromUtf8(path), contents));
            QVERIFY2(readAll(link) == contents, QByteArray::number(size).constData());
            QCOMPARE(fileIndex(path), before);
        }
        const QByteArray created = native(t.bytes() + "/new.txt");
        QVERIFY(saveWholeFile(QString::fromUtf8(created), "1 2\r\n"));
        QCOMPARE(readAll(created), QByteArray("1 2\r\n"));
    }

    void aSaveThatFailsKeepsTheOldBytes_data()
    {
        QTest::addColumn<qsizetype>("oldSize");
        QTest::addColumn<bool>("reserve");
        QTest::newRow("longer, reserved") << qsizetype(100 * 1024) << true;
        QTest::newRow("longer, unreserved") << qsizetype(100 * 1024) << false;
        QTest::newRow("shorter") << qsizetype(400 * 1024) << true;
        QTest::newRow("same length") << qsizetype(3 * 64 * 1024 + 100 + 10) << true;
        QTest::newRow("no file yet") << qsizetype(-1) << true;
    }
    void aSaveThatFailsKeepsTheOldBytes()
    {
        QFETCH(qsizetype, oldSize);
        QFETCH(bool, reserve);
        TempTree t;
        const QByteArray path = native(t.bytes() + "/data.txt");
        const QByteArray old = oldSize >= 0 ? lines(oldSize, 'o') : QByteArray();
        if (oldSize >= 0)
            QVERIFY(saveWholeFile(QString::fromUtf8(path), old));
        const std::optional<quint64> before = fileIndex(path);

        // Three whole blocks are written before the write fails.
        const UnreadableTail contents(3 * 64 * 1024 + 100, 10);
        setSpaceReservation(reserve);
        const bool saved = saveWholeFile(QString::fromUtf8(path), contents.contents());
        setSpaceReservation(true);

        QVERIFY(!saved);
        if (oldSize < 0) {
            QVERIFY(!exists(path));
            return;
        }
        QCOMPARE(QFileInfo(QString::fromUtf8(path)).size(), qint64(old.size()));
        QVERIFY(readAll(path) == old);
        QCOMPARE(fileIndex(path), before);
    }

    // What is no data file is refused untouched: a directory, a device's reserved name, and a hidden file,
    // which the plain write refuses too.
    void aSaveRefusesWhatIsNoPlainFile()
    {
        TempTree t;
        const QByteArray folder = native(t.dir("data.txt"));
        QVERIFY(!saveWholeFile(QString::fromUtf8(folder), "1\r\n"));
        QVERIFY(QFileInfo(QString::fromUtf8(folder)).isDir());
        QVERIFY(!saveWholeFile(QString::fromUtf8(native(t.bytes() + "/NUL")), "1\r\n"));

        // A pipe is not even opened: the program serving it never sees anyone come.
        const std::wstring pipe = L"\\\\.\\pipe\\vestrel-data-" + std::to_wstring(::GetCurrentProcessId());
        const HANDLE server = ::CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_DUPLEX,
                                                 PIPE_TYPE_BYTE | PIPE_NOWAIT, 1, 4096, 4096, 0, nullptr);
        QVERIFY(server != INVALID_HANDLE_VALUE);
        const bool saved = saveWholeFile(QString::fromStdWString(pipe), "1\r\n");
        const WholeFile read = readWholeFile(QString::fromStdWString(pipe), 100);
        ::ConnectNamedPipe(server, nullptr);
        const DWORD state = ::GetLastError();
        ::CloseHandle(server);
        QVERIFY(!saved);
        QCOMPARE(read.outcome, WholeFile::CannotOpen);
        QCOMPARE(state, DWORD(ERROR_PIPE_LISTENING));

        const QByteArray hidden = native(t.file("hidden.txt", "old\r\n"));
        ::SetFileAttributesW(wide(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN);
        if (!(::GetFileAttributesW(wide(hidden).c_str()) & FILE_ATTRIBUTE_HIDDEN))
            QSKIP("the file system keeps no hidden attribute");
        QVERIFY(!saveWholeFile(QString::fromUtf8(hidden), "new\r\n"));
        QCOMPARE(readAll(hidden), QByteArray("old\r\n"));
    }

    // Where the program's windows are the system's, the stop box is the system's own: owned by no window
    // yet keeping the others from input while it is up. On any other platform plugin it is the toolkit's.
    void theStopBoxIsTheSystemsOnlyOnItsOwnWindows()
    {
        const QString text = QStringLiteral("Adresa incorecta:\nC:\\nu exista");
        MessageBoxAnswerer answerer;
        if (QGuiApplication::platformName() != QLatin1String("windows")) {
            showStopMessage(text, QStringLiteral("Eroare"));
            QCOMPARE(answerer.boxes,
                     (QList<ShownBox>{{text, QStringLiteral("Eroare"), QMessageBox::Critical}}));
            return;
        }
        QWidget window;
        window.setWindowTitle(QStringLiteral("owner candidate"));
        QVERIFY(showExposed(window));
        const HWND own = reinterpret_cast<HWND>(window.winId());
        struct Seen
        {
            bool found = false;
            HWND owner = nullptr;
            bool windowEnabled = true;
            QString text;
        } seen;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            const HWND box = ::FindWindowW(L"#32770", L"Eroare");
            if (!box || seen.found)
                return;
            seen.found = true;
            seen.owner = ::GetWindow(box, GW_OWNER);
            seen.windowEnabled = ::IsWindowEnabled(own);
            seen.text = staticText(box);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        });
        poll.start(50);
        showStopMessage(text, QStringLiteral("Eroare"));
        QVERIFY(seen.found);
        QCOMPARE(seen.owner, HWND(nullptr));
        QVERIFY(!seen.windowEnabled);
        QCOMPARE(seen.text, text);
        QVERIFY(::IsWindowEnabled(own));
        QCOMPARE(answerer.boxes, QList<ShownBox>());
    }

    void pathsAreWrittenTheSystemsWay()
    {
        QCOMPARE(pathSeparator(), '\\');
        QCOMPARE(nameStart("C:\\a\\b.txt"), qsizetype(5));
        QCOMPARE(nameStart("C:\\a/b.txt"), qsizetype(5));
        QCOMPARE(nameStart("b.txt"), qsizetype(0));
        QCOMPARE(childPath("C:\\", "a"), QByteArray("C:\\a"));
        QCOMPARE(childPath("C:\\a", "b"), QByteArray("C:\\a\\b"));
        QCOMPARE(childPath("\\\\srv\\share\\", "x"), QByteArray("\\\\srv\\share\\x"));
        QCOMPARE(onDiskPath(QStringLiteral("prog\\P1.EXE")), QStringLiteral("prog\\P1.EXE"));

        using Chain = QList<ChainLink>;
        QCOMPARE(directoryChain("C:\\a\\b"), (Chain{{"C:\\", "c:\\"}, {"C:\\a", "a"}, {"C:\\a\\b", "b"}}));
        QCOMPARE(directoryChain("d:\\"), (Chain{{"d:\\", "d:\\"}}));
        QCOMPARE(directoryChain("D:"), (Chain{{"D:\\", "d:\\"}}));
        QCOMPARE(directoryChain("C:\\Ab\\\\c\\"),
                 (Chain{{"C:\\", "c:\\"}, {"C:\\Ab", "Ab"}, {"C:\\Ab\\\\c", "c"}}));
        QCOMPARE(directoryChain("\\\\srv\\share\\x"),
                 (Chain{{"\\\\srv\\share\\", "\\\\srv\\share\\"}, {"\\\\srv\\share\\x", "x"}}));
        QCOMPARE(directoryChain("\\\\srv\\share"), (Chain{{"\\\\srv\\share\\", "\\\\srv\\share\\"}}));
        // The long forms keep their prefix in the rows' paths and show the familiar root.
        QCOMPARE(directoryChain("\\\\?\\E:\\deep"),
                 (Chain{{"\\\\?\\E:\\", "e:\\"}, {"\\\\?\\E:\\deep", "deep"}}));
        QCOMPARE(
            directoryChain("\\\\?\\UNC\\srv\\share\\d"),
            (Chain{{"\\\\?\\UNC\\srv\\share\\", "\\\\srv\\share\\"}, {"\\\\?\\UNC\\srv\\share\\d", "d"}}));
        // Without a directory there is still a root to show: the current drive's.
        QCOMPARE(directoryChain(QByteArray()), (Chain{{"\\", "\\"}}));
    }
};

QTEST_MAIN(TestWin32Shell)
#include "tst_win32shell.moc"
