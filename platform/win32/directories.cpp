#include "platform/directories.h"

#include "platform/files.h"
#include "platform/win32/handles.h"
#include "platform/win32/widepath.h"

#include <utility>

#include <windows.h>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The directory a path names, held open; INVALID_HANDLE_VALUE when it names none.
HANDLE openAnchor(HANDLE base, const QByteArray &path)
{
    std::wstring system;
    if (!systemPathIn(base, path, system) || namesDevice(system))
        return INVALID_HANDLE_VALUE;
    return openDirectoryHandle(system, 0);
}

} // namespace

HANDLE openDirectoryHandle(const std::wstring &systemPath, DWORD access)
{
    const HANDLE h = ::CreateFileW(systemPath.c_str(), access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return h;
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(h, &info) || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::CloseHandle(h);
        ::SetLastError(ERROR_DIRECTORY);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

DirectoryAnchor DirectoryAnchor::current()
{
    return PlatformAccess::adopt(openDirectoryHandle(systemPath(currentDirectoryPath()), 0));
}

DirectoryAnchor::DirectoryAnchor(const DirectoryAnchor &base, const QByteArray &path)
    : m_handle(reinterpret_cast<qintptr>(
          openAnchor(base.isValid() ? PlatformAccess::handle(base) : INVALID_HANDLE_VALUE, path)))
{
}

DirectoryAnchor::~DirectoryAnchor()
{
    if (isValid())
        ::CloseHandle(PlatformAccess::handle(*this));
}

DirectoryAnchor::DirectoryAnchor(DirectoryAnchor &&other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoHandle))
{
}

DirectoryAnchor &DirectoryAnchor::operator=(DirectoryAnchor &&other) noexcept
{
    if (this != &other) {
        if (isValid())
            ::CloseHandle(PlatformAccess::handle(*this));
        m_handle = std::exchange(other.m_handle, kNoHandle);
    }
    return *this;
}

bool DirectoryAnchor::enter() const
{
    if (!isValid())
        return false;
    // Where the directory is now, renamed or moved meanwhile or not. The plain form is what the current
    // directory is best kept as (programs started from here get it too); the long form only for a name the
    // plain form would change.
    const std::wstring final = pathOfHandle(PlatformAccess::handle(*this));
    if (final.empty())
        return false;
    const std::wstring plain = withoutLongPrefix(final);
    return SetCurrentDir(fromWide(plainFormIsExact(plain) ? plain : final));
}

bool sizesAreNotReal(const DirectoryAnchor &)
{
    // Windows has no file systems whose files make up their contents when read.
    return false;
}

bool SetCurrentDirFrom(const DirectoryAnchor &base, const QByteArray &path)
{
    std::wstring wide;
    if (!toWide(path, wide) || wide.empty())
        return SetCurrentDir(path); // fails, and says why
    // A path that names its drive is entered as it is ("D:" going to that drive's own current directory);
    // one taken from a directory is taken from the run's.
    if (!isTakenFromDirectory(wide))
        return SetCurrentDir(path);
    return DirectoryAnchor(base, path).enter();
}

bool currentDirIdentity(FileIdentity &identity)
{
    const HANDLE h = openDirectoryHandle(systemPath(currentDirectoryPath()), 0);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    if (!known)
        return false;
    identity = PlatformAccess::identity(info);
    // A made-up identity would tell one directory from itself: better no identity at all.
    return PlatformAccess::isKnown(identity);
}

QList<QByteArray> subdirectoryNames(const QByteArray &directory)
{
    QList<QByteArray> names;
    std::wstring path;
    if (!systemPath(directory, path))
        return names;
    if (path.back() != L'\\')
        path += L'\\';
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileExW((path + L'*').c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L".." || !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        // A link to a directory leads somewhere the user can go only when its target is there.
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            const HANDLE target = openDirectoryHandle(systemPath(path + name), 0);
            if (target == INVALID_HANDLE_VALUE)
                continue;
            ::CloseHandle(target);
        }
        names.append(fromWide(name));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}
