#include "platform/volumes.h"

#include "platform/posix/mountinfo.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <climits>
#include <cstdlib>
#include <map>
#include <optional>
#include <sys/stat.h>

namespace {

// The mount table writes a blank, tab, line break or backslash in a path as a backslash and three octal
// digits.
QByteArray unescapeOctal(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += c;
        }
    }
    return out;
}

bool isUnder(const QByteArray &path, const char *top)
{
    const QByteArray t(top);
    return path == t || path.startsWith(t + '/');
}

// Places where the system keeps its own file systems: a user does not think of them as disks.
bool isSystemPlace(const QByteArray &mountPoint)
{
    if (isUnder(mountPoint, "/run"))
        return !mountPoint.startsWith("/run/media/");
    for (const char *top : {"/proc", "/sys", "/dev", "/boot", "/efi", "/snap", "/var/lib", "/var/snap"})
        if (isUnder(mountPoint, top))
            return true;
    return false;
}

bool isNetworkType(const QByteArray &type)
{
    return type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "fuse.sshfs";
}

// A block device: a disk, a partition, a disc, a card, or a disk image mounted through a loop device.
// RAM disks hold swap or scratch space, not anything a user put there.
bool isDiskDevice(const QByteArray &source)
{
    return source.startsWith("/dev/") && !source.startsWith("/dev/ram") && !source.startsWith("/dev/zram");
}

// Where the desktop mounts removable media and disk images the user opens (udisks: /media/USER/LABEL,
// or /run/media/USER/LABEL): whatever is mounted there is the user's.
bool isRemovableMediaPlace(const QByteArray &mountPoint)
{
    return mountPoint.startsWith("/media/") || mountPoint.startsWith("/run/media/");
}

struct Mount
{
    QByteArray root; // the part of the file system that is mounted
    QByteArray mountPoint;
    QByteArray type;
    QByteArray source;
};

std::optional<Mount> parseLine(const QByteArray &line)
{
    const QList<QByteArray> fields = line.split(' ');
    const qsizetype dash = fields.indexOf("-");
    if (dash < 6 || dash + 2 >= fields.size())
        return std::nullopt;
    return Mount{unescapeOctal(fields[3]), unescapeOctal(fields[4]), fields[dash + 1],
                 unescapeOctal(fields[dash + 2])};
}

// udev writes the bytes of a label that are not safe in a file name as \xNN.
QString unescapeLabel(const QByteArray &name)
{
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            bool ok = false;
            const int byte = name.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out += char(byte);
                i += 3;
                continue;
            }
        }
        out += name[i];
    }
    return QString::fromUtf8(out);
}

QByteArray realPath(const QByteArray &path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : path;
}

} // namespace

QList<Volume> volumesFromMountInfo(const QByteArray &mountInfo,
                                   const std::function<QString(const QByteArray &device)> &labelOf)
{
    // A later mount on the same place hides the earlier one, so only the last one there counts.
    std::map<QByteArray, std::optional<Volume>> byPlace;
    QString rootLabel;
    for (const QByteArray &line : mountInfo.split('\n')) {
        const std::optional<Mount> m = parseLine(line);
        if (!m)
            continue;
        const bool network = isNetworkType(m->type);
        // Packages of self-contained applications are squashfs images on loop devices: they are
        // programs, not disks, wherever they are mounted.
        const bool disk =
            (isDiskDevice(m->source) || isRemovableMediaPlace(m->mountPoint)) && m->type != "squashfs";
        // A bind mount shows a part of a file system that is already on the list; btrfs mounts its
        // subvolumes the same way, and those are volumes in their own right.
        const bool wholeFileSystem = m->root == "/" || m->type == "btrfs" || network;
        if (m->mountPoint == "/") {
            rootLabel = disk && labelOf ? labelOf(m->source) : QString();
            continue;
        }
        if (!m->mountPoint.startsWith('/') || isSystemPlace(m->mountPoint) || !wholeFileSystem ||
            !(disk || network)) {
            byPlace[m->mountPoint] = std::nullopt;
            continue;
        }
        QString label;
        if (network)
            label = QFile::decodeName(m->source);
        else if (labelOf)
            label = labelOf(m->source);
        byPlace[m->mountPoint] = Volume{m->mountPoint, label};
    }
    QList<Volume> volumes{Volume{"/", rootLabel}};
    for (const auto &[place, volume] : byPlace)
        if (volume)
            volumes.append(*volume);
    return volumes;
}

QList<Volume> systemVolumes()
{
    QFile table(QStringLiteral("/proc/self/mountinfo"));
    QByteArray text;
    if (table.open(QIODevice::ReadOnly))
        text = table.readAll();

    QHash<QByteArray, QString> labels;
    const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
    for (const QString &name : byLabel.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QByteArray link = QFile::encodeName(byLabel.filePath(name));
        labels.insert(realPath(link), unescapeLabel(QFile::encodeName(name)));
    }
    QList<Volume> volumes =
        volumesFromMountInfo(text, [&](const QByteArray &device) { return labels.value(realPath(device)); });
    volumes.removeIf([](const Volume &v) {
        struct stat st;
        return v.mountPoint != "/" && (::stat(v.mountPoint.constData(), &st) != 0 || !S_ISDIR(st.st_mode));
    });
    return volumes;
}

QByteArray volumeOf(const QList<QByteArray> &mountPoints, const QByteArray &directory)
{
    QByteArray best = "/";
    for (const QByteArray &m : mountPoints) {
        const bool contains = m == "/" || directory == m || directory.startsWith(m + '/');
        if (contains && m.size() > best.size())
            best = m;
    }
    return best;
}
