#include "platform/fileread.h"

#include "platform/win32/handles.h"
#include "platform/win32/widepath.h"

#include <algorithm>

#include <windows.h>
#include <winioctl.h>

namespace {

// Shared with everyone: a comparison only reads, and a file that another program holds open (an editor,
// an indexer, an antivirus scan) is still compared rather than taken for unreadable.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Windows keeps no small limit of open handles per process (its own cap is 2^24); the comparison keeps at
// most this many open at once, as it may on Linux, and turns to reopening when the system runs short.
constexpr qint64 kOpenFileLimit = qint64(1) << 20;

// One read call takes a 32-bit count.
constexpr qint64 kMaxRead = qint64(1) << 30;

HANDLE handleOf(qintptr handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

qint64 sizeOf(const BY_HANDLE_FILE_INFORMATION &info)
{
    return qint64(quint64(info.nFileSizeHigh) << 32 | info.nFileSizeLow);
}

// The facts of an open handle when it is a regular file: on a disk (no device, pipe or console), and no
// directory.
bool regularFacts(HANDLE h, BY_HANDLE_FILE_INFORMATION &info)
{
    return ::GetFileType(h) == FILE_TYPE_DISK && ::GetFileInformationByHandle(h, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The system path of a path taken in a directory, when it names a file (never a device: opening one can
// have effects of its own). In a directory that could not be held nothing is found.
bool filePathIn(const DirectoryAnchor *directory, const QByteArray &path, std::wstring &system)
{
    if (directory && !directory->isValid())
        return false;
    return systemPathIn(PlatformAccess::handle(directory), path, system) && !namesDevice(system);
}

} // namespace

qint64 raiseOpenFileLimit()
{
    return kOpenFileLimit;
}

bool regularFileFacts(const QByteArray &path, qint64 &size, FileIdentity &identity,
                      const DirectoryAnchor *directory)
{
    std::wstring system;
    if (path.isEmpty() || !filePathIn(directory, path, system))
        return false;
    const HANDLE h =
        ::CreateFileW(system.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool regular = regularFacts(h, info);
    ::CloseHandle(h);
    if (!regular)
        return false;
    size = sizeOf(info);
    identity = PlatformAccess::identity(info);
    return true;
}

bool ReadOnlyFile::openChecked(const QByteArray &path, const DirectoryAnchor *directory, bool followLinks,
                               FileIdentity identity, qint64 size)
{
    close();
    std::wstring system;
    if (path.isEmpty() || (directory && !directory->isValid()))
        return false;
    // A listed name is taken exactly as the directory gave it.
    if (followLinks ? !filePathIn(directory, path, system)
                    : !entryPathIn(PlatformAccess::handle(directory), path, system))
        return false;
    const HANDLE h = ::CreateFileW(system.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                   followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        m_lackedHandle = error == ERROR_TOO_MANY_OPEN_FILES || error == ERROR_NO_SYSTEM_RESOURCES;
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!regularFacts(h, info) || (!followLinks && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) ||
        !PlatformAccess::isSameFile(identity, PlatformAccess::identity(info)) ||
        (size >= 0 && sizeOf(info) != size)) {
        ::CloseHandle(h);
        return false;
    }
    m_mayHaveHoles = (info.dwFileAttributes & FILE_ATTRIBUTE_SPARSE_FILE) != 0;
    m_handle = reinterpret_cast<qintptr>(h);
    m_size = sizeOf(info);
    m_identity = identity;
    return true;
}

void ReadOnlyFile::close()
{
    if (isOpen())
        ::CloseHandle(handleOf(m_handle));
    m_handle = kNoHandle;
    m_lackedHandle = false;
}

ReadOnlyFile::Extent ReadOnlyFile::dataExtent(qint64 offset) const
{
    if (!m_mayHaveHoles)
        return {offset, m_size};
    FILE_ALLOCATED_RANGE_BUFFER query;
    query.FileOffset.QuadPart = offset;
    query.Length.QuadPart = m_size - offset;
    // The first range is enough: the rest is asked for when the reading gets there.
    FILE_ALLOCATED_RANGE_BUFFER range;
    DWORD returned = 0;
    if (!::DeviceIoControl(handleOf(m_handle), FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, &range,
                           sizeof range, &returned, nullptr) &&
        ::GetLastError() != ERROR_MORE_DATA)
        return {offset, m_size}; // the file system cannot tell
    if (returned < sizeof range) {
        // Nothing but a hole up to the end, or the end came sooner than it was.
        return currentSize() >= m_size ? Extent{m_size, m_size} : Extent{-1, -1};
    }
    const qint64 start = std::max(offset, qint64(range.FileOffset.QuadPart));
    if (start >= m_size)
        return {m_size, m_size};
    const qint64 end = std::min(qint64(range.FileOffset.QuadPart + range.Length.QuadPart), m_size);
    return {start, end <= start ? m_size : end};
}

qint64 ReadOnlyFile::readUpTo(qint64 offset, char *buffer, qint64 length) const
{
    qint64 done = 0;
    while (done < length) {
        // An offset given with the read: no file pointer is shared between reads.
        const quint64 at = quint64(offset + done);
        OVERLAPPED position{};
        position.Offset = DWORD(at);
        position.OffsetHigh = DWORD(at >> 32);
        DWORD got = 0;
        if (!::ReadFile(handleOf(m_handle), buffer + done, DWORD(std::min(length - done, kMaxRead)), &got,
                        &position)) {
            if (::GetLastError() == ERROR_HANDLE_EOF)
                break;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

qint64 ReadOnlyFile::currentSize() const
{
    LARGE_INTEGER size;
    return ::GetFileSizeEx(handleOf(m_handle), &size) ? qint64(size.QuadPart) : -1;
}
