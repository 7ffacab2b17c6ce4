// The Windows file services: the attribute word and the selection of the directory search, the texts of
// the current directory, paths longer than MAX_PATH, names that are not valid UTF-16, identities, and
// files that change between a listing and a read.

#include "platform/directories.h"
#include "platform/dirsearch.h"
#include "platform/filenames.h"
#include "platform/fileread.h"
#include "platform/files.h"
#include "platform/win32/handles.h"
#include "platform/win32/widepath.h"
#include "support/tree.h"

#include <QTest>
#include <QXmlStreamReader>

#include <iterator>
#include <string>
#include <utility>

#include <windows.h>

namespace {

constexpr quint32 kAnyEntry = FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System | FileAttr::VolumeId |
                              FileAttr::Directory | FileAttr::Archive | FileAttr::Device | FileAttr::Normal;
constexpr DWORD kNotContentIndexed = FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

QByteArray native(QByteArray path)
{
    return path.replace('/', '\\');
}

std::wstring wide(const QByteArray &bytes)
{
    std::wstring w;
    if (!toWide(bytes, w))
        qFatal("no wide form for %s", bytes.constData());
    return w;
}

// The long form of an absolute path, for making trees deeper than the plain form reaches.
std::wstring longWide(const QByteArray &absolute)
{
    return L"\\\\?\\" + wide(native(absolute));
}

void makeFile(const std::wstring &path, const QByteArray &contents = QByteArray())
{
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        qFatal("cannot make a file (error %lu)", ::GetLastError());
    DWORD written = 0;
    if (!contents.isEmpty())
        ::WriteFile(h, contents.constData(), DWORD(contents.size()), &written, nullptr);
    ::CloseHandle(h);
}

DWORD attributesOf(const QByteArray &path)
{
    return ::GetFileAttributesW(longWide(path).c_str());
}

struct Found
{
    QByteArray name;
    quint32 attr;
    qint64 size;
    qint64 utcSeconds;
    FileIdentity identity;
};

// Every entry a search of the directory returns under the mask, in order.
QList<Found> search(const QByteArray &dir, quint32 mask, const QByteArray &pattern = "*.*")
{
    CurrentDirKeeper keep;
    if (!SetCurrentDir(dir))
        qFatal("cannot enter %s", dir.constData());
    QList<Found> found;
    DirEntry e;
    for (int rc = FindFirst(pattern, mask, e); rc == 0; rc = FindNext(e))
        found.append({e.Name, e.Attr, e.Size, e.Time.utcSeconds, e.Identity});
    FindClose(e);
    return found;
}

const Found *entryNamed(const QList<Found> &found, const QByteArray &name)
{
    for (const Found &f : found)
        if (f.name == name)
            return &f;
    return nullptr;
}

QList<QByteArray> names(const QList<Found> &found)
{
    QList<QByteArray> n;
    for (const Found &f : found)
        n.append(f.name);
    return n;
}

FileIdentity identityOf(const std::wstring &path)
{
    const HANDLE h = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION info{};
    if (h == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(h, &info))
        qFatal("cannot look at a file (error %lu)", ::GetLastError());
    ::CloseHandle(h);
    return PlatformAccess::identity(info);
}

QByteArray readWhole(ReadOnlyFile &f)
{
    QByteArray contents(f.size(), '\0');
    return f.readAt(0, contents.data(), f.size()) ? contents : QByteArray("(read failed)");
}

// A drive other than the temporary directory's, whose root can be entered: one that is there (wine's Z:),
// or else the temporary directory given a drive letter of its own (removed with the object).
class OtherDrive
{
public:
    explicit OtherDrive(const QByteArray &tempDir)
    {
        const wchar_t tempDrive = wchar_t(QChar::toUpper(char32_t(tempDir.at(0))));
        const DWORD drives = ::GetLogicalDrives();
        for (wchar_t letter = L'A'; letter <= L'Z' && m_root.isEmpty(); ++letter) {
            const std::wstring root{letter, L':', L'\\'};
            const UINT type = ::GetDriveTypeW(root.c_str());
            if ((drives & (1u << (letter - L'A'))) && letter != tempDrive &&
                (type == DRIVE_FIXED || type == DRIVE_REMOTE || type == DRIVE_RAMDISK) &&
                ::GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES)
                m_root = fromWide(root);
        }
        for (wchar_t letter = L'Z'; letter >= L'D' && m_root.isEmpty(); --letter) {
            const std::wstring drive{letter, L':'};
            if ((drives & (1u << (letter - L'A'))) ||
                !::DefineDosDeviceW(0, drive.c_str(), wide(native(tempDir)).c_str()))
                continue;
            m_defined = drive;
            if (::GetFileAttributesW((drive + L'\\').c_str()) != INVALID_FILE_ATTRIBUTES)
                m_root = fromWide(drive + L'\\');
        }
    }
    ~OtherDrive()
    {
        if (!m_defined.empty())
            ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, m_defined.c_str(), nullptr);
    }
    QByteArray root() const { return m_root; }

private:
    QByteArray m_root;
    std::wstring m_defined;
};

// A chain of directories under base whose full path is longer than MAX_PATH, with a file at the end.
struct DeepTree
{
    QByteArray directory; // the deepest directory, absolute
    QByteArray relative;  // the same from base
    QByteArray file;      // the file in it
};

DeepTree makeDeepTree(const QByteArray &base, const QByteArray &contents)
{
    DeepTree t;
    t.directory = native(base);
    for (char c = 'a'; t.directory.size() <= MAX_PATH + 40; ++c) {
        const QByteArray name = QByteArray(40, c);
        t.relative += (t.relative.isEmpty() ? "" : "\\") + name;
        t.directory += '\\' + name;
        if (!::CreateDirectoryW(longWide(t.directory).c_str(), nullptr))
            qFatal("cannot make a deep directory (error %lu)", ::GetLastError());
    }
    t.file = t.directory + "\\deep.txt";
    makeFile(longWide(t.file), contents);
    return t;
}

} // namespace

class TestWin32Files : public QObject
{
    Q_OBJECT

private slots:
    // The search gives the attribute word the file system keeps, every bit of it; where a file system
    // keeps fewer bits (wine keeps read-only, hidden, system and always archive), the word is still the
    // one the system reports for the file.
    void theAttributeWordIsTheFileSystems()
    {
        TempTree t;
        const QByteArray dir = native(t.bytes());
        const std::pair<const char *, DWORD> kinds[] = {
            {"readonly.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
            {"hidden.txt", FILE_ATTRIBUTE_HIDDEN},
            {"system.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE},
            {"archive.txt", FILE_ATTRIBUTE_ARCHIVE},
            {"normal.txt", FILE_ATTRIBUTE_NORMAL},
            {"unindexed.txt", kNotContentIndexed | FILE_ATTRIBUTE_ARCHIVE},
        };
        for (const auto &[name, attr] : kinds) {
            const QByteArray path = dir + '\\' + name;
            makeFile(longWide(path), "x");
            QVERIFY(::SetFileAttributesW(longWide(path).c_str(), attr));
        }
        QVERIFY(::CreateDirectoryW(longWide(dir + "\\sub").c_str(), nullptr));

        const QList<Found> all = search(dir, kAnyEntry);
        int keptAsSet = 0;
        for (const auto &[name, attr] : kinds) {
            const Found *f = entryNamed(all, name);
            QVERIFY2(f, name);
            const DWORD reported = attributesOf(dir + '\\' + name);
            QCOMPARE(f->attr, quint32(reported));
            if (reported == attr)
                ++keptAsSet;
        }
        // Read-only, hidden and system are kept by every file system a test runs on.
        QVERIFY(keptAsSet >= 3);
        QVERIFY(entryNamed(all, "readonly.txt")->attr & FileAttr::ReadOnly);
        QVERIFY(entryNamed(all, "hidden.txt")->attr & FileAttr::Hidden);
        QVERIFY(entryNamed(all, "system.txt")->attr & FileAttr::System);
        QCOMPARE(entryNamed(all, "sub")->attr & FileAttr::Directory, FileAttr::Directory);
        QCOMPARE(entryNamed(all, "sub")->attr, quint32(attributesOf(dir + "\\sub")));
        QCOMPARE(entryNamed(all, "readonly.txt")->size, qint64(1));
        QVERIFY(::SetFileAttributesW(longWide(dir + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    }

    // An entry is skipped when it carries a hidden, system, volume or directory bit that the mask does
    // not hold; read-only, archive and the system's other bits never skip one.
    void theSearchSkipsHiddenSystemAndDirectoriesOutsideTheMask()
    {
        TempTree t;
        const QByteArray dir = native(t.bytes());
        for (const char *name : {"plain.txt", "locked.txt", "hidden.txt", "system.txt", "both.txt"})
            makeFile(longWide(dir + '\\' + name));
        QVERIFY(::SetFileAttributesW(longWide(dir + "\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        QVERIFY(::SetFileAttributesW(longWide(dir + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
        QVERIFY(::SetFileAttributesW(longWide(dir + "\\system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM));
        QVERIFY(::SetFileAttributesW(longWide(dir + "\\both.txt").c_str(),
                                     FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        QVERIFY(::CreateDirectoryW(longWide(dir + "\\sub").c_str(), nullptr));

        QCOMPARE(names(search(dir, FileAttr::Archive)), (QList<QByteArray>{"locked.txt", "plain.txt"}));
        QCOMPARE(names(search(dir, 0)), (QList<QByteArray>{"locked.txt", "plain.txt"}));
        QCOMPARE(names(search(dir, FileAttr::Hidden)),
                 (QList<QByteArray>{"hidden.txt", "locked.txt", "plain.txt"}));
        QCOMPARE(names(search(dir, FileAttr::Hidden | FileAttr::System)),
                 (QList<QByteArray>{"both.txt", "hidden.txt", "locked.txt", "plain.txt", "system.txt"}));
        QCOMPARE(names(search(dir, FileAttr::Directory)),
                 (QList<QByteArray>{".", "..", "locked.txt", "plain.txt", "sub"}));
        // Windows patterns match letters of either case.
        QCOMPARE(names(search(dir, FileAttr::Archive, "P*.TXT")), (QList<QByteArray>{"plain.txt"}));
        QCOMPARE(names(search(dir, FileAttr::Archive, "?ocked.*")), (QList<QByteArray>{"locked.txt"}));
        QVERIFY(::SetFileAttributesW(longWide(dir + "\\locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    }

    void namesComeInFoldedOrderAsBytes()
    {
        TempTree t;
        const QByteArray dir = native(t.bytes());
        for (const char *n : {"b", "_x", "A", "a b", "ab", "\xc3\xa4", "B1", "Z", "\xf0\x9f\x98\x80"})
            makeFile(longWide(dir + '\\' + n));
        QCOMPARE(names(search(dir, FileAttr::Archive | FileAttr::Normal)),
                 (QList<QByteArray>{"A", "a b", "ab", "b", "B1", "Z", "_x", "\xc3\xa4", "\xf0\x9f\x98\x80"}));
    }

    // The last-write time is the file's, to the second rounded down, and packs the way Windows packs a
    // local time (the zone's present bias, then the DOS date and time), clamped outside 1980..2107.
    void lastWriteTimesPackAsTheSystemPacksThem()
    {
        TempTree t;
        const QByteArray dir = native(t.bytes());
        // Seconds since 1970 with a tenth of a second more, from before 1970 to after 2107.
        const qint64 times[] = {-86401, -1, 315532800, 1710510331, 4354819199, 4354819200, 7258118400};
        for (qsizetype i = 0; i < qsizetype(std::size(times)); ++i) {
            const std::wstring path = longWide(dir + "\\t" + QByteArray::number(i));
            makeFile(path);
            const quint64 ticks = quint64((times[i] + 11644473600LL) * 10000000LL + 1000000);
            const FILETIME ft{DWORD(ticks), DWORD(ticks >> 32)};
            const HANDLE h =
                ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            QVERIFY(h != INVALID_HANDLE_VALUE && ::SetFileTime(h, nullptr, nullptr, &ft));
            ::CloseHandle(h);
        }
        const QList<Found> found = search(dir, FileAttr::Archive | FileAttr::Normal);
        QCOMPARE(found.size(), qsizetype(std::size(times)));
        for (qsizetype i = 0; i < found.size(); ++i) {
            const qint64 utc = times[found[i].name.mid(1).toInt()];
            QCOMPARE(found[i].utcSeconds, utc);
            const quint64 ticks = quint64((utc + 11644473600LL) * 10000000LL);
            const FILETIME ft{DWORD(ticks), DWORD(ticks >> 32)};
            FILETIME local;
            SYSTEMTIME calendar;
            QVERIFY(::FileTimeToLocalFileTime(&ft, &local) && ::FileTimeToSystemTime(&local, &calendar));
            WORD date = 0, time = 0;
            if (calendar.wYear >= 1980 && calendar.wYear <= 2107) {
                QVERIFY(::FileTimeToDosDateTime(&local, &date, &time));
                QCOMPARE(quint32(packFatTime(utc)), quint32(date) << 16 | time);
            } else {
                const quint32 clamp = calendar.wYear < 1980 ? 0x00210000u : 0xFF9FBF7Du;
                QCOMPARE(quint32(packFatTime(utc)), clamp);
                QCOMPARE(dateKey(utc), exactTimeKey(utc));
            }
        }
    }

    // The current directory reads "X:\" at a drive's root and has no trailing backslash below it; a
    // drive named alone leads to that drive's own current directory.
    void currentDirectoryTexts()
    {
        TempTree t;
        const QByteArray dir = native(t.bytes());
        const QByteArray sub = dir + "\\sub";
        QVERIFY(::CreateDirectoryW(longWide(sub).c_str(), nullptr));
        CurrentDirKeeper keep;

        QVERIFY(SetCurrentDir(sub + '\\'));
        QCOMPARE(currentDirBytes(), sub);
        QCOMPARE(GetCurrentDir(), QString::fromUtf8(sub));
        QVERIFY(SetCurrentDir(".."));
        QCOMPARE(currentDirBytes(), dir);
        QVERIFY(SetCurrentDir(dir.left(2) + '\\'));
        QCOMPARE(currentDirBytes(), dir.left(2) + '\\');

        // A directory that is not there: the current one stays, and the system says why.
        const quint64 changes = currentDirChanges();
        QVERIFY(!SetCurrentDir(dir + "\\missing"));
        QVERIFY(lastSystemError() == ERROR_FILE_NOT_FOUND || lastSystemError() == ERROR_PATH_NOT_FOUND);
        QCOMPARE(currentDirBytes(), dir.left(2) + '\\');
        QCOMPARE(currentDirChanges(), changes);
        QVERIFY(!SetCurrentDir(QByteArray()));

        const OtherDrive other(dir);
        if (other.root().isEmpty())
            QSKIP("no second drive to go to, and none could be made");
        QVERIFY(SetCurrentDir(sub));
        QVERIFY(SetCurrentDir(other.root()));
        QCOMPARE(currentDirBytes(), other.root());
        // Each drive keeps its own: the temporary directory's drive comes back to sub, in either case.
        QVERIFY(SetCurrentDir(dir.left(2).toLower()));
        QCOMPARE(currentDirBytes().toLower(), sub.toLower());
        QVERIFY(SetCurrentDir(other.root().left(2)));
        QCOMPARE(currentDirBytes(), other.root());
        QVERIFY(SetCurrentDir(dir.left(2).toUpper()));
        QCOMPARE(currentDirBytes().toLower(), sub.toLower());
    }

    // A path longer than MAX_PATH is reached in one call: tested, listed, held, read. It is entered only
    // where the system lets a current directory be that long; elsewhere entering it fails and says so,
    // and the current directory stays as it was.
    void pathsLongerThanMaxPath()
    {
        TempTree t;
        const QByteArray base = native(t.bytes());
        const DeepTree deep = makeDeepTree(base, "deep contents");
        QVERIFY(deep.directory.size() > MAX_PATH);

        QVERIFY(DirectoryExists(pathText(deep.directory)));
        QVERIFY(FileExists(pathText(deep.file)));
        QVERIFY(!FileExists(pathText(deep.directory)));
        const QByteArray parent = deep.directory.left(deep.directory.lastIndexOf('\\'));
        QCOMPARE(subdirectoryNames(parent), QList<QByteArray>{deep.directory.mid(parent.size() + 1)});

        ReadOnlyFile f;
        QVERIFY(f.open(deep.file));
        QCOMPARE(readWhole(f), QByteArray("deep contents"));
        const FileIdentity identity = f.identity();
        f.close();

        // Held from a directory above it, by a relative path, then read by the name alone.
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(base));
        const DirectoryAnchor here = DirectoryAnchor::current();
        const DirectoryAnchor held(here, deep.relative);
        QVERIFY(held.isValid());
        QVERIFY(f.openListed("deep.txt", &held, identity, 13));
        QCOMPARE(readWhole(f), QByteArray("deep contents"));
        qint64 size = 0;
        FileIdentity viaFacts;
        QVERIFY(regularFileFacts(deep.relative + "\\deep.txt", size, viaFacts, &here));
        QCOMPARE(viaFacts, identity);

        const QByteArray before = currentDirBytes();
        if (SetCurrentDir(deep.directory)) {
            QCOMPARE(currentDirBytes(), deep.directory);
            QCOMPARE(names(search(deep.directory, FileAttr::Archive | FileAttr::Normal)),
                     QList<QByteArray>{"deep.txt"});
            QVERIFY(SetCurrentDir(base));
            QVERIFY(held.enter());
            QCOMPARE(currentDirBytes(), deep.directory);
        } else {
            QCOMPARE(lastSystemError(), int(ERROR_FILENAME_EXCED_RANGE));
            QCOMPARE(currentDirBytes(), before);
            QVERIFY(!held.enter());
            QVERIFY(!SetCurrentDirFrom(here, deep.relative));
            QCOMPARE(currentDirBytes(), before);
        }
    }

    // The system lets a process keep a current directory longer than MAX_PATH only where the program's
    // manifest says it may, so both programs must carry one that does, well formed (a malformed manifest
    // keeps a program from starting at all), where the system looks for it.
    void bothProgramsDeclareThemselvesLongPathAware_data()
    {
        QTest::addColumn<QByteArray>("program");
        QTest::newRow("the window") << QByteArray(VESTREL_WINDOW_PROGRAM);
        QTest::newRow("vestrel-compare") << QByteArray(VESTREL_COMPARE_PROGRAM);
    }
    void bothProgramsDeclareThemselvesLongPathAware()
    {
        QFETCH(QByteArray, program);
        const HMODULE image = ::LoadLibraryExW(wide(native(program)).c_str(), nullptr,
                                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        QVERIFY2(image, qPrintable(QStringLiteral("error %1").arg(::GetLastError())));
        QByteArray manifest;
        if (const HRSRC found = ::FindResourceW(image, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST)) {
            const auto *bytes = static_cast<const char *>(::LockResource(::LoadResource(image, found)));
            manifest = QByteArray(bytes, ::SizeofResource(image, found));
        }
        ::FreeLibrary(image);
        QVERIFY(!manifest.isEmpty());

        QXmlStreamReader xml(manifest);
        QString longPathAware;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement &&
                xml.name() == QLatin1String("longPathAware") &&
                xml.namespaceUri() == QLatin1String("http://schemas.microsoft.com/SMI/2016/WindowsSettings"))
                longPathAware = xml.readElementText().trimmed();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(longPathAware, QStringLiteral("true"));
    }

    // Every Windows name has one byte form and comes back from it, lone surrogates included; bytes that
    // no Windows name has are refused rather than taken for another name.
    void namesThatAreNotValidUtf16RoundTrip()
    {
        const std::wstring names[] = {
            std::wstring{L'a', wchar_t(0xD800), L'z'},                       // a lone high surrogate
            std::wstring{wchar_t(0xDC00)},                                   // a lone low surrogate
            std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)},                  // a pair: one character
            std::wstring{wchar_t(0xDC00), wchar_t(0xD800)},                  // low then high: two lone ones
            std::wstring{wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xD83D)}, // a pair, then a lone one
            std::wstring{L"\u00e4\u20ac."},
        };
        for (const std::wstring &name : names) {
            const QByteArray bytes = fromWide(name);
            std::wstring back;
            QVERIFY(toWide(bytes, back));
            QVERIFY(back == name);
            // The path texts keep the bytes, so a path edit or the picker names this very entry.
            QCOMPARE(pathBytes(pathText(bytes)), bytes);
        }
        QCOMPARE(fromWide(std::wstring{wchar_t(0xD800)}), QByteArray("\xed\xa0\x80"));
        QCOMPARE(fromWide(std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}), QByteArray("\xf0\x9f\x98\x80"));
        std::wstring refused;
        QVERIFY(!toWide(QByteArray("\xff"), refused));
        QVERIFY(!toWide(QByteArray("a\0b", 3), refused));
        QVERIFY(!toWide(QByteArray("\xc0\xaf"), refused)); // an overlong '/'
        // A pair written as two encoded surrogates would be a second spelling of U+1F600.
        QVERIFY(!toWide(QByteArray("\xed\xa0\xbd\xed\xb8\x80"), refused));
        QVERIFY(!SetCurrentDir(QByteArray("\xff")));
        QCOMPARE(lastSystemError(), int(ERROR_INVALID_NAME));
    }

    // On a file system that takes such names (NTFS does; wine's cannot store them), the search, the path
    // texts, the current directory and the reads all reach the entry.
    void entriesWithALoneSurrogateAreSearchedEnteredAndRead()
    {
        TempTree t;
        const QByteArray dir = native(t.bytes());
        const std::wstring lone{L'x', wchar_t(0xDC80), L'y'};
        const QByteArray name = fromWide(lone);
        const std::wstring path = longWide(dir) + L'\\' + lone;
        const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            QSKIP(qPrintable(QStringLiteral("this file system takes no lone surrogate in a name (error %1)")
                                 .arg(::GetLastError())));
        DWORD written = 0;
        ::WriteFile(h, "lone", 4, &written, nullptr);
        ::CloseHandle(h);
        QVERIFY(::CreateDirectoryW((path + L"-dir").c_str(), nullptr));

        const QList<Found> found = search(dir, FileAttr::Archive | FileAttr::Normal | FileAttr::Directory);
        QVERIFY(entryNamed(found, name));
        QVERIFY(entryNamed(found, name + "-dir"));
        QVERIFY(FileExists(pathText(dir + '\\' + name)));
        ReadOnlyFile f;
        QVERIFY(f.open(pathBytes(pathText(dir + '\\' + name))));
        QCOMPARE(readWhole(f), QByteArray("lone"));
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(pathBytes(pathText(dir + '\\' + name + "-dir"))));
        QCOMPARE(pathBytes(GetCurrentDir()), dir + '\\' + name + "-dir");
    }

    // One file reached by two names (a hard link), by two paths, by the search and by an open, has one
    // identity; another file has another. The current directory's identity is its "." entry's.
    void identitiesAgreeWhicheverWayTheFileIsReached()
    {
        TempTree t;
        const QByteArray dir = native(t.bytes());
        makeFile(longWide(dir + "\\a.txt"), "same");
        makeFile(longWide(dir + "\\c.txt"), "same");
        QVERIFY(
            ::CreateHardLinkW(longWide(dir + "\\b.txt").c_str(), longWide(dir + "\\a.txt").c_str(), nullptr));
        QVERIFY(::CreateDirectoryW(longWide(dir + "\\sub").c_str(), nullptr));

        const QList<Found> found = search(dir, FileAttr::Archive | FileAttr::Normal | FileAttr::Directory);
        const FileIdentity a = entryNamed(found, "a.txt")->identity;
        QCOMPARE(entryNamed(found, "b.txt")->identity, a);
        QVERIFY(entryNamed(found, "c.txt")->identity != a);
        QCOMPARE(a, identityOf(longWide(dir + "\\a.txt")));
        QVERIFY(PlatformAccess::isKnown(a));

        ReadOnlyFile f;
        QVERIFY(f.open(dir + "\\b.txt"));
        QCOMPARE(f.identity(), a);
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(dir + "\\sub"));
        const DirectoryAnchor sub = DirectoryAnchor::current();
        qint64 size = 0;
        FileIdentity other;
        QVERIFY(regularFileFacts("..\\a.txt", size, other, &sub));
        QCOMPARE(other, a);
        QVERIFY(regularFileFacts(t.bytes() + "/b.txt", size, other, &sub));
        QCOMPARE(other, a);
        QCOMPARE(size, qint64(4));
        // A name listed as one file is opened as that file, even when it was reached through another name.
        const DirectoryAnchor top(sub, "..");
        QVERIFY(f.openListed("b.txt", &top, a, 4));
        QVERIFY(!f.openListed("c.txt", &top, a, 4));

        FileIdentity current;
        QVERIFY(currentDirIdentity(current));
        QCOMPARE(current, entryNamed(found, "sub")->identity);
        QCOMPARE(current, identityOf(longWide(dir + "\\sub")));
    }

    // Between the listing and the read a file may go, be replaced, or change its size: it is then not
    // the file listed, and is not read as it.
    void aFileThatChangesAfterTheSearchIsNotReadAsListed()
    {
        TempTree t;
        const QByteArray dir = native(t.bytes());
        for (const char *name : {"gone.txt", "replaced.txt", "shrunk.txt", "kept.txt"})
            makeFile(longWide(dir + '\\' + name), "12345");
        const QList<Found> found = search(dir, FileAttr::Archive | FileAttr::Normal);
        QCOMPARE(found.size(), qsizetype(4));

        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(dir));
        const DirectoryAnchor here = DirectoryAnchor::current();
        QVERIFY(::DeleteFileW(longWide(dir + "\\gone.txt").c_str()));
        // Made before the old one goes, so that it cannot be given the old one's index again.
        makeFile(longWide(dir + "\\new.tmp"), "54321");
        QVERIFY(::MoveFileExW(longWide(dir + "\\new.tmp").c_str(), longWide(dir + "\\replaced.txt").c_str(),
                              MOVEFILE_REPLACE_EXISTING));
        makeFile(longWide(dir + "\\shrunk.txt"), "123");

        ReadOnlyFile f;
        for (const char *name : {"gone.txt", "replaced.txt", "shrunk.txt"}) {
            const Found *listed = entryNamed(found, name);
            QVERIFY2(!f.openListed(name, &here, listed->identity, listed->size), name);
            QVERIFY(!f.lackedHandle());
            QVERIFY(!f.isOpen());
        }
        const Found *kept = entryNamed(found, "kept.txt");
        QVERIFY(f.openListed("kept.txt", &here, kept->identity, kept->size));
        QCOMPARE(readWhole(f), QByteArray("12345"));
        // A read past the end gives what is there.
        char buffer[8];
        QCOMPARE(f.readUpTo(3, buffer, 8), qint64(2));
        QCOMPARE(f.readUpTo(5, buffer, 8), qint64(0));
        QCOMPARE(f.currentSize(), qint64(5));
        QCOMPARE(f.dataExtent(1).start, qint64(1));
        QCOMPARE(f.dataExtent(1).end, qint64(5));
        QVERIFY(!f.open(dir + "\\gone.txt"));
    }

    // Only regular files are read: no directory, no device (opening one can have effects of its own); a
    // file another program holds open for writing is still read.
    void onlyRegularFilesAreReadWhoeverHoldsThem()
    {
        TempTree t;
        const QByteArray dir = native(t.bytes());
        makeFile(longWide(dir + "\\held.txt"), "held");
        ReadOnlyFile f;
        QVERIFY(!f.open(dir));
        for (const char *device : {"NUL", "nul.txt", "COM1", "CON"}) {
            QVERIFY2(!f.open(device), device);
            QVERIFY2(!FileExists(QString::fromLatin1(device)), device);
            QVERIFY2(!f.open(dir + '\\' + device), device);
        }
        qint64 size = 0;
        FileIdentity identity;
        QVERIFY(!regularFileFacts(dir, size, identity));
        QVERIFY(DirectoryExists(pathText(dir)));
        QVERIFY(!FileExists(pathText(dir)));
        QVERIFY(!DirectoryExists(pathText(dir + "\\held.txt")));
        QVERIFY(!DirectoryExists(QString()));

        const HANDLE writer = ::CreateFileW(longWide(dir + "\\held.txt").c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        QVERIFY(writer != INVALID_HANDLE_VALUE);
        QVERIFY(f.open(dir + "\\held.txt"));
        QCOMPARE(readWhole(f), QByteArray("held"));
        f.close();
        ::CloseHandle(writer);
        // A directory that could not be held holds nothing.
        const DirectoryAnchor missing(DirectoryAnchor::current(), dir + "\\missing");
        QVERIFY(!missing.isValid());
        QVERIFY(!f.open("held.txt", &missing));
        QVERIFY(!regularFileFacts("held.txt", size, identity, &missing));
    }
};

QTEST_GUILESS_MAIN(TestWin32Files)
#include "tst_win32files.moc"
