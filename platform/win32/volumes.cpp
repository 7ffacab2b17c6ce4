#include "platform/volumes.h"

#include <windows.h>

#include <winnetwk.h>

#include <vector>

namespace {

// Asking about a drive without a medium (a card reader, a disc drive) makes the system offer a "no disk"
// dialog unless the thread says it handles such errors itself; then the call just fails.
class NoCriticalErrorDialogs
{
public:
    NoCriticalErrorDialogs()
    {
        ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &m_before);
    }
    ~NoCriticalErrorDialogs() { ::SetThreadErrorMode(m_before, nullptr); }
    NoCriticalErrorDialogs(const NoCriticalErrorDialogs &) = delete;
    NoCriticalErrorDialogs &operator=(const NoCriticalErrorDialogs &) = delete;

private:
    DWORD m_before = 0;
};

// The volume's label; none when it has none, or no medium is in the drive.
QString volumeLabel(const wchar_t *root)
{
    wchar_t label[MAX_PATH + 1] = {};
    if (!::GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0))
        return QString();
    return QString::fromWCharArray(label);
}

// The network name a drive letter is connected to ("\\server\share"); none when it is not known.
QString networkName(const wchar_t *device)
{
    std::vector<wchar_t> name(MAX_PATH + 1);
    DWORD length = DWORD(name.size());
    DWORD rc = ::WNetGetConnectionW(device, name.data(), &length);
    if (rc == ERROR_MORE_DATA) {
        name.resize(length + 1);
        length = DWORD(name.size());
        rc = ::WNetGetConnectionW(device, name.data(), &length);
    }
    return rc == NO_ERROR ? QString::fromWCharArray(name.data()) : QString();
}

char lowerLetter(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

QList<Volume> systemVolumes()
{
    const NoCriticalErrorDialogs quiet;
    QList<Volume> volumes;
    const DWORD drives = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(drives & (DWORD(1) << i)))
            continue;
        const wchar_t letter = wchar_t(L'A' + i);
        const wchar_t root[] = {letter, L':', L'\\', L'\0'};
        const wchar_t device[] = {letter, L':', L'\0'};
        Volume volume;
        volume.mountPoint = QByteArray(1, char('a' + i)) + ':';
        // The system remembers a current directory for each drive, and "c:" alone names it.
        volume.systemKeepsCurrentDirectory = true;
        switch (::GetDriveTypeW(root)) {
        case DRIVE_FIXED:
        case DRIVE_CDROM:
        case DRIVE_RAMDISK:
            volume.label = volumeLabel(root);
            break;
        case DRIVE_REMOTE:
            volume.label = networkName(device);
            break;
        default:
            // A removable drive is not asked: a floppy drive would be spun up at every listing, and its
            // medium changes anyway.
            break;
        }
        volumes.append(volume);
    }
    return volumes;
}

QByteArray volumeOf(const QList<QByteArray> &mountPoints, const QByteArray &directory)
{
    // The long form "\\?\C:\..." is on its drive too; "\\?\UNC\..." and "\\server\share\..." are on none.
    const QByteArray path = directory.startsWith("\\\\?\\") ? directory.mid(4) : directory;
    if (path.size() < 2 || !isLetter(path[0]) || path[1] != ':')
        return QByteArray();
    for (const QByteArray &m : mountPoints)
        if (m.size() == 2 && m[1] == ':' && lowerLetter(m[0]) == lowerLetter(path[0]))
            return m;
    return QByteArray();
}
