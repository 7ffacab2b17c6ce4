// The directory search: which entries it returns, in what order, with what attributes, sizes and times.

#include "platform/dirsearch.h"
#include "platform/files.h"
#include "platform/posix/dosattributes.h"
#include "support/bytenames.h"
#include "support/tmpfsmount.h"
#include "support/tree.h"

#include <QTest>

#include <cerrno>
#include <ctime>
#include <limits>
#include <sys/xattr.h>

namespace {

// Every bit a search mask can hold: nothing is excluded.
constexpr quint32 kAnyEntry = FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System | FileAttr::VolumeId |
                              FileAttr::Directory | FileAttr::Archive | FileAttr::Device | FileAttr::Normal;
constexpr quint32 kHiddenFiles = FileAttr::Archive | FileAttr::Hidden;
constexpr quint32 kReadOnlyFiles = FileAttr::Archive | FileAttr::ReadOnly;

// What a search returns of an entry: its name, attributes, date key and packed time.
struct Found
{
    QByteArray name;
    quint32 attr;
    qint64 key;
    quint32 fat;
};

// Every entry a search of the directory returns under the mask, in order.
QList<Found> search(const QByteArray &dir, quint32 mask = FileAttr::Archive,
                    const QByteArray &pattern = "*.*")
{
    CurrentDirKeeper keep;
    if (!SetCurrentDir(dir))
        qFatal("cannot enter %s", dir.constData());
    QList<Found> found;
    DirEntry e;
    for (int rc = FindFirst(pattern, mask, e); rc == 0; rc = FindNext(e))
        found.append({e.Name, e.Attr, dateKey(e.Time.utcSeconds), quint32(e.Time)});
    FindClose(e);
    return found;
}

quint32 attrOf(const QList<Found> &found, const QByteArray &name)
{
    for (const Found &f : found)
        if (f.name == name)
            return f.attr;
    return 0xffffffff;
}

QList<QByteArray> names(const QList<Found> &found)
{
    QList<QByteArray> n;
    for (const Found &f : found)
        n.append(f.name);
    return n;
}

// The local time zone for one test; the tests' own zone, UTC, again after it.
class LocalZone
{
public:
    explicit LocalZone(const char *zone)
    {
        qputenv("TZ", zone);
        ::tzset();
    }
    ~LocalZone()
    {
        qputenv("TZ", "UTC");
        ::tzset();
    }
};

constexpr quint32 kFirstFat = (1u << 21) | (1u << 16);
constexpr quint32 kLastFat = (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;

bool setDosAttrib(const QByteArray &path, const QByteArray &value)
{
    return ::setxattr(path.constData(), "user.DOSATTRIB", value.constData(), size_t(value.size()), 0) == 0;
}

} // namespace

class TestDirSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        ::tzset();
    }

    void attributesFollowTheKindOfEntry()
    {
        TempTree t;
        t.file("plain.txt");
        t.file(".hidden");
        t.file("locked.txt", "x", 0444);
        t.file(".locked", "x", 0400);
        t.file("nomode", "x", 0);
        t.dir("sub");
        t.symlink("tofile", "plain.txt");
        t.symlink("todir", "sub");
        t.symlink("dangling", "nowhere");
        t.fifo("pipe");

        const QList<Found> all = search(t.bytes(), kAnyEntry);
        QCOMPARE(attrOf(all, "plain.txt"), FileAttr::Archive);
        QCOMPARE(attrOf(all, ".hidden"), kHiddenFiles);
        QCOMPARE(attrOf(all, "locked.txt"), kReadOnlyFiles);
        QCOMPARE(attrOf(all, ".locked"), kHiddenFiles | FileAttr::ReadOnly);
        QCOMPARE(attrOf(all, "nomode"), kReadOnlyFiles);
        QCOMPARE(attrOf(all, "sub"), FileAttr::Directory);
        QCOMPARE(attrOf(all, "."), FileAttr::Directory);
        QCOMPARE(attrOf(all, ".."), FileAttr::Directory);
        QCOMPARE(attrOf(all, "tofile"), FileAttr::ReparsePoint);
        QCOMPARE(attrOf(all, "todir"), FileAttr::ReparsePoint);
        QCOMPARE(attrOf(all, "dangling"), FileAttr::ReparsePoint);
        QCOMPARE(attrOf(all, "pipe"), FileAttr::Device);
    }

    void searchExcludesHiddenSystemAndDirectoriesOutsideTheMask()
    {
        TempTree t;
        t.file("plain.txt");
        t.file(".hidden");
        t.file("locked.txt", "x", 0444);
        t.dir("sub");
        t.symlink("link", "plain.txt");
        t.fifo("pipe");

        // Read-only never excludes; links and FIFOs carry no excluding bit either.
        QCOMPARE(names(search(t.bytes())), (QList<QByteArray>{"link", "locked.txt", "pipe", "plain.txt"}));
        QCOMPARE(names(search(t.bytes(), kHiddenFiles)),
                 (QList<QByteArray>{".hidden", "link", "locked.txt", "pipe", "plain.txt"}));
        QCOMPARE(names(search(t.bytes(), FileAttr::Archive | FileAttr::Directory)),
                 (QList<QByteArray>{".", "..", "link", "locked.txt", "pipe", "plain.txt", "sub"}));
        QCOMPARE(names(search(t.bytes(), FileAttr::Archive, "*.txt")),
                 (QList<QByteArray>{"locked.txt", "plain.txt"}));
    }

    void storedDosAttributesOverrideTheDefaults()
    {
        TempTree t;
        const QByteArray system = t.file("system.sys");
        const QByteArray none = t.file("none.dat");
        const QByteArray visible = t.file(".visible");
        const QByteArray binary = t.file("binary.dat", "x", 0444);
        if (!setDosAttrib(system, "0x24")) {
            if (errno == ENOTSUP || errno == EPERM)
                QSKIP("this file system keeps no user extended attributes");
            QFAIL("setxattr failed");
        }
        QVERIFY(setDosAttrib(none, "0x0"));
        QVERIFY(setDosAttrib(visible, "0x20"));
        // The form newer Samba versions write: the text, a NUL, then a binary record.
        QVERIFY(setDosAttrib(binary, QByteArray("0x21\0\x03\x00\x21\x00\x00\x00", 12)));
        // A record longer than the usual buffer is read whole all the same.
        const QByteArray longRecord = t.file("long.sys");
        QVERIFY(setDosAttrib(longRecord, QByteArray("0x24\0", 5) + QByteArray(400, '\x01')));

        const QList<Found> all = search(t.bytes(), kAnyEntry);
        QCOMPARE(attrOf(all, "system.sys"), FileAttr::Archive | FileAttr::System);
        QCOMPARE(attrOf(all, "none.dat"), FileAttr::Normal);
        QCOMPARE(attrOf(all, ".visible"), FileAttr::Archive);
        QCOMPARE(attrOf(all, "binary.dat"), kReadOnlyFiles);
        QCOMPARE(attrOf(all, "long.sys"), FileAttr::Archive | FileAttr::System);
        // A stored system bit excludes the file from a search that does not ask for system files.
        QVERIFY(!names(search(t.bytes())).contains("system.sys"));
    }

    void dosAttributeTextsParseAsHexNumbers_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("bits");
        QTest::newRow("text") << QByteArray("0x22") << int(kHiddenFiles);
        QTest::newRow("upper prefix") << QByteArray("0X21") << int(kReadOnlyFiles);
        QTest::newRow("text then record") << QByteArray("0x4\0\x04\x00", 6) << int(FileAttr::System);
        QTest::newRow("no prefix") << QByteArray("22") << -1;
        QTest::newRow("not hex") << QByteArray("0xzz") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
    }
    void dosAttributeTextsParseAsHexNumbers()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, bits);
        QCOMPARE(parseDosAttrib(value), bits);
    }

    void namesComeInFoldedOrderAsBytes()
    {
        TempTree t;
        for (const char *n : {"b", "_x", "a", "Z", "A", "a b", "ab", "\xc3\xa4", "B1", "line\nbreak"})
            t.file(n);
        QCOMPARE(names(search(t.bytes())),
                 (QList<QByteArray>{"A", "a", "a b", "ab", "b", "B1", "line\nbreak", "Z", "_x", "\xc3\xa4"}));
    }

    void sizesAreFull64Bit()
    {
        TempTree t;
        t.sparse("big.bin", (qint64(5) << 30) + 7);
        t.file("small", "12345");
        const QByteArray dir = t.bytes();
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(dir));
        DirEntry e;
        QCOMPARE(FindFirst("*.*", FileAttr::Archive, e), 0);
        QCOMPARE(e.Name, QByteArray("big.bin"));
        QCOMPARE(e.Size, (qint64(5) << 30) + 7);
        QCOMPARE(FindNext(e), 0);
        QCOMPARE(e.Size, qint64(5));
        QVERIFY(FindNext(e) != 0);
        FindClose(e);
        FindClose(e);
    }

    void timesPackAsFatAndKeepAnExactKey_data()
    {
        QTest::addColumn<qint64>("utc");
        QTest::addColumn<quint32>("fat");
        // 2024-03-15 13:45:31 UTC
        QTest::newRow("in range") << qint64(1710510331)
                                  << quint32((44u << 25) | (3u << 21) | (15u << 16) | (13u << 11) |
                                             (45u << 5) | 15u);
        // 1980-01-01 00:00:00
        QTest::newRow("first day") << qint64(315532800) << kFirstFat;
        QTest::newRow("before 1980") << qint64(0) << kFirstFat;
        // 2200-01-01: clamped to the last representable moment
        QTest::newRow("after 2107") << qint64(7258118400) << kLastFat;
    }
    void timesPackAsFatAndKeepAnExactKey()
    {
        QFETCH(qint64, utc);
        QFETCH(quint32, fat);
        QCOMPARE(quint32(packFatTime(utc)), fat);
    }

    void exactKeyHalvesSecondsRoundingDown()
    {
        QCOMPARE(exactTimeKey(3), qint64(1));
        QCOMPARE(exactTimeKey(2), qint64(1));
        QCOMPARE(exactTimeKey(0), qint64(0));
        QCOMPARE(exactTimeKey(-1), qint64(-1));
        QCOMPARE(exactTimeKey(-2), qint64(-1));
        QCOMPARE(exactTimeKey(-3), qint64(-2));
        // Outside the FAT range two different times still get different keys.
        QVERIFY(exactTimeKey(7258118400) != exactTimeKey(7258118400 + 3600));
        QCOMPARE(packFatTime(7258118400), packFatTime(7258118400 + 3600));
        // The ends of 64-bit time: the earliest two seconds share a step, and the two ends stay apart.
        constexpr qint64 kMin = std::numeric_limits<qint64>::min();
        constexpr qint64 kMax = std::numeric_limits<qint64>::max();
        QCOMPARE(exactTimeKey(kMin), kMin / 2);
        QCOMPARE(exactTimeKey(kMin + 1), kMin / 2);
        QCOMPARE(exactTimeKey(kMin + 2), kMin / 2 + 1);
        QCOMPARE(exactTimeKey(kMax), kMax / 2);
        QVERIFY(dateKey(kMin) != dateKey(kMax));
    }

    void aSearchKeepsItsDirectoryWhenTheCurrentDirectoryChanges()
    {
        TempTree t;
        t.file("one/a");
        t.file("one/b");
        t.file("two/b");
        t.file("two/c");
        // Where stored attributes are kept, the one read is the searched file's, not its namesake's in the
        // directory that is current now.
        const bool stored =
            setDosAttrib(t.bytes() + "/one/b", "0x21") && setDosAttrib(t.bytes() + "/two/b", "0x24");
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(t.bytes() + "/one"));
        DirEntry e;
        QCOMPARE(
            FindFirst("*.*", FileAttr::Archive | FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System, e),
            0);
        QCOMPARE(e.Name, QByteArray("a"));
        QVERIFY(SetCurrentDir(t.bytes() + "/two"));
        QCOMPARE(FindNext(e), 0);
        QCOMPARE(e.Name, QByteArray("b"));
        if (stored)
            QCOMPARE(e.Attr, FileAttr::ReadOnly | FileAttr::Archive);
        QVERIFY(FindNext(e) != 0);
    }

    void emptyOrMissingDirectoryGivesNoEntry()
    {
        TempTree t;
        t.dir("empty");
        t.file(".only-hidden");
        DirEntry e;
        CurrentDirKeeper keep;
        QVERIFY(SetCurrentDir(t.bytes() + "/empty"));
        QVERIFY(FindFirst("*.*", FileAttr::Archive, e) != 0);
        QVERIFY(!e.Search);
        QVERIFY(SetCurrentDir(t.bytes()));
        QVERIFY(FindFirst("*.*", FileAttr::Archive, e) != 0);
        QVERIFY(!SetCurrentDir(t.bytes() + "/missing"));
        QVERIFY(!SetCurrentDir(QByteArray()));
    }

    // At the end of daylight saving time the clock shows 03:00 to 04:00 twice; both showings pack alike,
    // so files written at the same shown time coincide by date.
    void theRepeatedHourCoincidesByItsLocalTime()
    {
        LocalZone zone("Europe/Bucharest");
        const qint64 summer = 1635640200; // 2021-10-31 03:30:00 EEST
        const qint64 winter = 1635643800; // 2021-10-31 03:30:00 EET, an hour later
        TempTree t;
        setModificationTime(t.file("summer"), summer);
        setModificationTime(t.file("winter"), winter);
        setModificationTime(t.file("winter-next-step"), winter + 2);
        const QList<Found> d = search(t.bytes());
        QCOMPARE(d.size(), 3);
        QCOMPARE(d[0].fat, quint32((41u << 25) | (10u << 21) | (31u << 16) | (3u << 11) | (30u << 5)));
        QCOMPARE(d[0].fat, d[1].fat);
        QCOMPARE(d[0].key, d[1].key);
        QVERIFY(d[1].key != d[2].key);
    }

    // Dates the packing cannot hold keep an exact key, and no such key meets a packed one: 1970-02-20
    // 01:29:36 UTC is 2162688 two-second steps, the very number that packs 1980-01-01 00:00:00.
    void keysOutsideThePackingNeverMeetKeysWithin()
    {
        TempTree t;
        setModificationTime(t.file("y1970"), 4325376);
        setModificationTime(t.file("y1980"), 315532800);
        setModificationTime(t.file("y2200"), 7258118400);
        setModificationTime(t.file("y2200-an-hour-on"), 7258118400 + 3600);
        const QList<Found> d = search(t.bytes());
        QCOMPARE(d.size(), 4);
        QCOMPARE(d[0].fat, kFirstFat);
        QCOMPARE(d[1].fat, kFirstFat);
        QVERIFY(d[0].key != d[1].key);
        QCOMPARE(d[2].fat, kLastFat);
        QCOMPARE(d[3].fat, kLastFat);
        QVERIFY(d[2].key != d[3].key);
    }

    // A file system with 64-bit times holds the earliest and the latest second there is.
    void extremeTimesKeepApart()
    {
        TmpfsMount volume;
        if (!volume.isMounted())
            QSKIP(qPrintable(volume.reason()));
        constexpr qint64 kMin = std::numeric_limits<qint64>::min();
        constexpr qint64 kMax = std::numeric_limits<qint64>::max();
        for (const auto &[name, seconds] :
             std::initializer_list<std::pair<const char *, qint64>>{{"a-min", kMin}, {"b-max", kMax}}) {
            const QByteArray path = volume.bytes() + '/' + name;
            writeBytes(path, QByteArray());
            if (!setExactModificationTime(path, seconds))
                QSKIP("this tmpfs does not keep 64-bit times");
        }
        const QList<Found> d = search(volume.bytes());
        QCOMPARE(d.size(), 2);
        QVERIFY(d[0].key != d[1].key);
        QCOMPARE(d[0].fat, kFirstFat);
        QCOMPARE(d[1].fat, kLastFat);
    }

    // Near the ends of what the local time can express (a year that just fits an int, then none): every
    // two-second step keeps a key of its own, and the packing clamps to the right end.
    void timesAtTheEndsOfTheLocalClock_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("from");
        const qint64 lastOfIntYears = 67768036191676799;   // 2147485547-12-31 23:59:59 UTC
        const qint64 firstOfIntYears = -67768040609740800; // -2147481748-01-01 00:00:00 UTC
        for (const char *zone : {"UTC", "Europe/Bucharest", "America/New_York", "Pacific/Kiritimati"}) {
            QTest::addRow("%s, last year", zone) << QByteArray(zone) << lastOfIntYears - 60000;
            QTest::addRow("%s, first year", zone) << QByteArray(zone) << firstOfIntYears - 60000;
            QTest::addRow("%s, 64-bit end", zone)
                << QByteArray(zone) << std::numeric_limits<qint64>::max() - 41;
            QTest::addRow("%s, 64-bit start", zone) << QByteArray(zone) << std::numeric_limits<qint64>::min();
        }
    }
    void timesAtTheEndsOfTheLocalClock()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, from);
        LocalZone local(zone.constData());
        const quint32 clamp = from > 0 ? kLastFat : kFirstFat;
        // About 33 hours on either side of where the local year runs out (the zone's offset moves it).
        const bool atTheEdge = from > std::numeric_limits<qint64>::max() - 120000 ||
                               from < std::numeric_limits<qint64>::min() + 120000;
        const qint64 span = atTheEdge ? 40 : 120000;
        const qint64 step = atTheEdge ? 1 : 997;
        for (qint64 t = from; t < from + span; t += step) {
            QCOMPARE(quint32(packFatTime(t)), clamp);
            const qint64 key = dateKey(t);
            QCOMPARE(dateKey(t + 1) == key, t % 2 == 0);
            QVERIFY(dateKey(t + 2) != key);
        }
    }

    void fileTestsFollowLinks()
    {
        TempTree t;
        const QByteArray f = t.file("f");
        const QByteArray d = t.dir("d");
        t.symlink("lf", "f");
        t.symlink("ld", "d");
        t.fifo("p");
        QVERIFY(FileExists(QFile::decodeName(f)));
        QVERIFY(FileExists(t.path() + "/lf"));
        QVERIFY(!FileExists(QFile::decodeName(d)));
        QVERIFY(!FileExists(t.path() + "/p"));
        QVERIFY(DirectoryExists(QFile::decodeName(d)));
        QVERIFY(DirectoryExists(t.path() + "/ld"));
        QVERIFY(!DirectoryExists(QFile::decodeName(f)));
        QVERIFY(!DirectoryExists(QString()));
        QVERIFY(!DirectoryExists(QStringLiteral("   ")));
    }
};

QTEST_GUILESS_MAIN(TestDirSearch)
#include "tst_dirsearch.moc"
