// What the drive selector offers, worked out from sample mount tables so that no test depends on the
// machine's own mounts.

#include "platform/posix/mountinfo.h"
#include "platform/volumes.h"

#include <QTest>

namespace {

QString labelOf(const QByteArray &device)
{
    if (device == "/dev/sda2")
        return QStringLiteral("Sistem");
    if (device == "/dev/sdb1")
        return QStringLiteral("STICK 32");
    if (device == "/dev/nvme0n1p3")
        return QStringLiteral("Date \u0219coala");
    return QString();
}

} // namespace

class TestVolumes : public QObject
{
    Q_OBJECT

private slots:
    void aDesktopOffersItsDisksAndRemovableMediaOnly()
    {
        const QByteArray table = "22 28 0:21 / /proc rw,nosuid - proc proc rw\n"
                                 "23 28 0:22 / /sys rw,nosuid - sysfs sysfs rw\n"
                                 "24 28 0:5 / /dev rw,nosuid - devtmpfs udev rw,size=8000k\n"
                                 "25 24 0:23 / /dev/pts rw - devpts devpts rw\n"
                                 "26 28 0:24 / /run rw,nosuid - tmpfs tmpfs rw\n"
                                 "28 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
                                 "29 28 8:1 / /boot/efi rw,relatime shared:2 - vfat /dev/sda1 rw\n"
                                 "30 28 7:0 / /snap/core/1 ro,nodev - squashfs /dev/loop0 ro\n"
                                 "31 28 0:25 / /tmp rw - tmpfs tmpfs rw\n"
                                 "32 26 8:17 / /run/media/ana/STICK\\04032 rw shared:7 - vfat /dev/sdb1 rw\n"
                                 "33 28 259:3 / /mnt/date rw shared:8 - ext4 /dev/nvme0n1p3 rw\n"
                                 "34 28 0:40 / /mnt/share rw - cifs //server/cursuri rw,vers=3.0\n"
                                 "35 28 8:2 /home/ana/proiect /mnt/proiect rw - ext4 /dev/sda2 rw\n"
                                 "36 28 8:33 / /mnt/backup rw shared:9 - ext4 /dev/sdc1 rw\n"
                                 "37 28 0:41 / /mnt/iso ro - iso9660 /dev/loop3 ro\n"
                                 "38 26 0:50 / /run/user/1000 rw - tmpfs tmpfs rw\n"
                                 "39 28 0:51 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
                                 // A disk image the desktop opened, a phone, and a compressed RAM disk.
                                 "40 26 7:5 / /media/ana/IMAGINE rw - ext4 /dev/loop5 rw\n"
                                 "41 26 0:52 / /media/ana/TELEFON rw - fuse.jmtpfs jmtpfs rw\n"
                                 "42 28 252:0 / /var/tmp/z rw - ext4 /dev/zram0 rw\n"
                                 "43 28 7:6 / /media/ana/app rw - squashfs /dev/loop6 ro\n";
        const QList<Volume> volumes = volumesFromMountInfo(table, labelOf);
        const QList<Volume> expected{
            {"/", QStringLiteral("Sistem")},
            {"/media/ana/IMAGINE", QString()},
            {"/media/ana/TELEFON", QString()},
            {"/mnt/backup", QString()},
            {"/mnt/date", QStringLiteral("Date \u0219coala")},
            {"/mnt/iso", QString()},
            {"/mnt/share", QStringLiteral("//server/cursuri")},
            {"/run/media/ana/STICK 32", QStringLiteral("STICK 32")},
        };
        QCOMPARE(volumes, expected);
    }

    // The last mount on a place is what the place shows; an empty or broken table still offers the root.
    void laterMountsHideEarlierOnes()
    {
        const QByteArray table = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                 "2 1 8:17 / /mnt/a rw - ext4 /dev/sdb1 rw\n"
                                 "3 1 0:30 / /mnt/a rw - tmpfs tmpfs rw\n"
                                 "4 1 0:31 / /mnt/b rw - tmpfs tmpfs rw\n"
                                 "5 1 8:33 / /mnt/b rw - xfs /dev/sdc1 rw\n"
                                 "6 1 0:32 / / rw - overlay overlay rw\n"
                                 "garbage line without the separator\n"
                                 "7 1 8:49 / /mnt/c rw - ext4\n";
        const QList<Volume> expected{{"/", QString()}, {"/mnt/b", QString()}};
        QCOMPARE(volumesFromMountInfo(table, labelOf), expected);
        QCOMPARE(volumesFromMountInfo(QByteArray(), labelOf), (QList<Volume>{{"/", QString()}}));
    }

    // btrfs mounts its subvolumes by their path inside the file system, and each is a volume of its own.
    void btrfsSubvolumesAreVolumes()
    {
        const QByteArray table = "1 0 0:33 /@ / rw - btrfs /dev/nvme0n1p2 rw,subvol=/@\n"
                                 "2 1 0:33 /@home /home rw - btrfs /dev/nvme0n1p2 rw,subvol=/@home\n"
                                 "3 1 0:33 /@var /var/lib/x rw - btrfs /dev/nvme0n1p2 rw\n";
        const QList<Volume> expected{{"/", QString()}, {"/home", QString()}};
        QCOMPARE(volumesFromMountInfo(table, labelOf), expected);
    }

    void escapedMountPointsAreDecodedToTheirBytes()
    {
        const QByteArray table = "1 0 8:1 / /mnt/a\\134b\\011c\\012d rw - ext4 /dev/sdd1 rw\n"
                                 "2 0 8:2 / /mnt/caf\\351 rw - ext4 /dev/sdd2 rw\n"
                                 "3 0 8:3 / /mnt/x\\9 rw - ext4 /dev/sdd3 rw\n";
        const QList<Volume> volumes = volumesFromMountInfo(table, {});
        QCOMPARE(volumes.size(), 4);
        QCOMPARE(volumes[1].mountPoint, QByteArray("/mnt/a\\b\tc\nd"));
        QCOMPARE(volumes[2].mountPoint, QByteArray("/mnt/caf\xe9"));
        QCOMPARE(volumes[3].mountPoint, QByteArray("/mnt/x\\9"));
    }

    void aDirectoryBelongsToTheDeepestMountAbove()
    {
        const QList<QByteArray> points{"/", "/mnt/usb", "/mnt/usb/inner", "/home"};
        QCOMPARE(volumeOf(points, "/"), QByteArray("/"));
        QCOMPARE(volumeOf(points, "/mnt"), QByteArray("/"));
        QCOMPARE(volumeOf(points, "/mnt/usb"), QByteArray("/mnt/usb"));
        QCOMPARE(volumeOf(points, "/mnt/usb/docs"), QByteArray("/mnt/usb"));
        QCOMPARE(volumeOf(points, "/mnt/usb2/docs"), QByteArray("/"));
        QCOMPARE(volumeOf(points, "/mnt/usb/inner/x"), QByteArray("/mnt/usb/inner"));
        QCOMPARE(volumeOf({}, "/home"), QByteArray("/"));
    }

    // The machine's own list always starts with the root, and every other entry is a directory.
    void systemListStartsAtTheRoot()
    {
        const QList<Volume> volumes = systemVolumes();
        QVERIFY(!volumes.isEmpty());
        QCOMPARE(volumes.front().mountPoint, QByteArray("/"));
        for (const Volume &v : volumes)
            QVERIFY2(QFileInfo(QFile::decodeName(v.mountPoint)).isDir(), v.mountPoint.constData());
    }
};

QTEST_GUILESS_MAIN(TestVolumes)
#include "tst_volumes.moc"
