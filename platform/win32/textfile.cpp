#include "platform/textfile.h"

#include "platform/filenames.h"
#include "platform/win32/widepath.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

namespace {

bool reserveSpace = true;

// Reads and writes go a block at a time: a failure part way is then known to the block.
constexpr DWORD kBlock = 64 * 1024;

// The file behind an open handle is a file of a disk, not a directory or a device.
bool isRegularFile(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info;
    return ::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

class Handle
{
public:
    explicit Handle(HANDLE h) : m_handle(h) {}
    ~Handle()
    {
        if (isOpen())
            ::CloseHandle(m_handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    bool isOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

OVERLAPPED at(qint64 offset)
{
    OVERLAPPED where = {};
    where.Offset = DWORD(quint64(offset) & 0xffffffffu);
    where.OffsetHigh = DWORD(quint64(offset) >> 32);
    return where;
}

// Writes length bytes at offset 0. attempted is how far the file may have been overwritten when a
// write fails: to the end of the block being written, whatever the call said it wrote.
bool writeFromStart(HANDLE file, const char *data, qint64 length, qint64 &attempted)
{
    qint64 done = 0;
    attempted = 0;
    while (done < length) {
        const DWORD chunk = DWORD(std::min<qint64>(length - done, kBlock));
        attempted = done + chunk;
        OVERLAPPED where = at(done);
        DWORD n = 0;
        if (!::WriteFile(file, data + done, chunk, &n, &where) || n == 0)
            return false;
        done += n;
    }
    attempted = done;
    return true;
}

// The first length bytes of the file; nothing when they cannot be read.
std::optional<QByteArray> readFromStart(HANDLE file, qint64 length)
{
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    qint64 done = 0;
    while (done < length) {
        const DWORD chunk = DWORD(std::min<qint64>(length - done, kBlock));
        OVERLAPPED where = at(done);
        DWORD n = 0;
        if (!::ReadFile(file, bytes.data() + done, chunk, &n, &where))
            return ::GetLastError() == ERROR_HANDLE_EOF
                       ? std::optional<QByteArray>(bytes.left(qsizetype(done)))
                       : std::nullopt;
        if (n == 0)
            break; // shorter than a moment ago: what is there is all there is to keep
        done += n;
    }
    bytes.truncate(qsizetype(done));
    return bytes;
}

bool setSize(HANDLE file, qint64 size)
{
    FILE_END_OF_FILE_INFO end;
    end.EndOfFile.QuadPart = size;
    return ::SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end);
}

// Asks the file system for the clusters the new contents need beyond what the file has, so that writing
// them cannot run out of space part way; overwriting what the file already has needs none, so saving the
// same text on a full disk still works. Where the file system cannot reserve without changing the size,
// the file is extended to the new size, which allocates the same clusters; a failure puts the size back.
bool reserve(HANDLE file, qint64 oldSize, qint64 newSize)
{
    if (!reserveSpace || newSize <= oldSize)
        return true;
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize.QuadPart = newSize;
    if (::SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation))
        return true;
    const DWORD error = ::GetLastError();
    if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION &&
        error != ERROR_CALL_NOT_IMPLEMENTED)
        return false;
    if (setSize(file, newSize))
        return true;
    setSize(file, oldSize);
    return false;
}

// Overwrites the open file with contents. On failure the old contents are put back from the bytes the
// new ones were to cover, when they could be read, and the file gets its old size again.
bool replaceContents(HANDLE file, qint64 oldSize, bool readable, const QByteArray &contents)
{
    const qint64 newSize = contents.size();
    std::optional<QByteArray> old;
    if (readable)
        old = readFromStart(file, std::min(oldSize, newSize));
    if (!reserve(file, oldSize, newSize))
        return false;

    qint64 attempted = 0;
    // Flushed before the old tail is cut off: a failure the system reports late (a network file system)
    // still finds the tail there to keep.
    if (writeFromStart(file, contents.constData(), newSize, attempted) && ::FlushFileBuffers(file) &&
        setSize(file, newSize))
        return true;

    // The clusters written back are the file's own, so this needs no free space.
    qint64 restored = 0;
    if (old)
        writeFromStart(file, old->constData(), std::min<qint64>(attempted, old->size()), restored);
    if (setSize(file, oldSize))
        ::FlushFileBuffers(file);
    return false;
}

struct FileId
{
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
    bool operator==(const FileId &) const = default;
};

std::optional<FileId> idOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(file, &info))
        return std::nullopt;
    return FileId{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// A save that failed on a file it had created leaves no file behind: the path is as it was before. The
// file is found again through any link, and removed only while it is still the file the save made.
void removeCreatedFile(const std::wstring &path, const FileId &created)
{
    const Handle again(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!again.isOpen() || idOf(again.get()) != created)
        return;
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = TRUE;
    ::SetFileInformationByHandle(again.get(), FileDispositionInfo, &disposition, sizeof disposition);
}

// The path as the system takes it in one call; false for a path that names no file, or a device (a
// reserved name such as "NUL" or "COM1", a pipe), which opening could make wait for a peer or act.
bool filePath(const QString &path, std::wstring &name)
{
    std::wstring wide;
    if (!toWide(pathBytes(path), wide) || wide.empty() || namesDevice(wide))
        return false;
    name = systemPath(wide);
    return true;
}

} // namespace

WholeFile readWholeFile(const QString &path, qint64 limit)
{
    std::wstring name;
    if (!filePath(path, name))
        return {};
    // Other writers are kept out while it is read, so the text is one version of the file.
    const Handle file(::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.isOpen() || !isRegularFile(file.get()))
        return {};
    WholeFile whole;
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file.get(), &size))
        return whole;
    // A sparse file may claim any size: it is refused before a byte of it is read.
    if (size.QuadPart > limit) {
        whole.outcome = WholeFile::TooLarge;
        return whole;
    }
    QByteArray bytes;
    bytes.reserve(qsizetype(size.QuadPart));
    char buffer[kBlock];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.get(), buffer, kBlock, &n, nullptr))
            return whole;
        if (n == 0)
            break;
        bytes.append(buffer, n);
        if (bytes.size() > limit) {
            whole.outcome = WholeFile::TooLarge;
            return whole;
        }
    }
    whole.outcome = WholeFile::Read;
    whole.bytes = std::move(bytes);
    return whole;
}

// Written by hand rather than with QFile or QSaveFile: Qt 6.4's file engine counts a short write (a full
// disk) as success when the write after it fails, and QSaveFile replaces the file by another one, which
// loses its hard links and its own permissions and needs room for a second copy.
bool saveWholeFile(const QString &path, const QByteArray &contents)
{
    std::wstring name;
    if (!filePath(path, name))
        return false;
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
    if (existed && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // The plain write (CREATE_ALWAYS with normal attributes) is refused on a hidden or system file.
    if (existed && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
        return false;

    // Opened without truncating, but otherwise as the plain write opens it, so that exactly the files and
    // users it refuses are refused; other writers are kept out meanwhile. Reading too, where the file's
    // permissions allow it, keeps the old contents at hand for a failure part way; a file that may be
    // written but not read is written all the same.
    constexpr DWORD kShare = FILE_SHARE_READ;
    bool readable = true;
    HANDLE opened = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, kShare, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
        readable = false;
        opened = ::CreateFileW(name.c_str(), GENERIC_WRITE, kShare, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    const bool created = ::GetLastError() != ERROR_ALREADY_EXISTS;
    std::optional<FileId> id;
    bool ok = false;
    {
        const Handle file(opened);
        LARGE_INTEGER size = {};
        id = idOf(file.get());
        ok = isRegularFile(file.get()) && ::GetFileSizeEx(file.get(), &size) &&
             replaceContents(file.get(), size.QuadPart, readable, contents);
    }
    if (!ok && created && id)
        removeCreatedFile(name, *id);
    return ok;
}

void setSpaceReservation(bool reserve)
{
    reserveSpace = reserve;
}
