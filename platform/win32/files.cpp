#include "platform/files.h"

#include "platform/filenames.h"
#include "platform/win32/widepath.h"

#include <windows.h>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

quint64 g_currentDirChanges = 0;
DWORD g_lastError = 0;

// A drive without a medium (a card reader, an optical drive) fails the call with ERROR_NOT_READY rather
// than stopping the program at a system dialog; for this thread, while the object lives.
class NoCriticalErrorBox
{
public:
    NoCriticalErrorBox() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS, &m_saved); }
    ~NoCriticalErrorBox() { ::SetThreadErrorMode(m_saved, nullptr); }
    NoCriticalErrorBox(const NoCriticalErrorBox &) = delete;
    NoCriticalErrorBox &operator=(const NoCriticalErrorBox &) = delete;

private:
    DWORD m_saved = 0;
};

bool failed(DWORD error)
{
    g_lastError = error;
    return false;
}

// The attributes of what a path names, after following links: a link's own attributes say only that it
// is one, so what it leads to is opened and looked at.
bool followedAttributes(const QString &path, DWORD &attributes)
{
    std::wstring wide;
    if (!systemPath(pathBytes(path), wide) || namesDevice(wide))
        return false;
    const NoCriticalErrorBox quiet;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data))
        return false;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        attributes = data.dwFileAttributes;
        return true;
    }
    const HANDLE h = ::CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = ::GetFileInformationByHandle(h, &info);
    ::CloseHandle(h);
    if (known)
        attributes = info.dwFileAttributes;
    return known;
}

bool longPathsEnabled()
{
    // Only a process that declares itself long-path aware, on a system that allows it, may have a current
    // directory longer than MAX_PATH; elsewhere the system (and wine, which does not check) has room for no
    // more.
    static const bool enabled = [] {
        using Query = BOOLEAN(WINAPI *)();
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        const auto query = ntdll ? reinterpret_cast<Query>(reinterpret_cast<void *>(
                                       ::GetProcAddress(ntdll, "RtlAreLongPathsEnabled")))
                                 : nullptr;
        return query && query() != 0;
    }();
    return enabled;
}

// Whether a directory's path fits where the system keeps the current directory: MAX_PATH characters with
// a trailing backslash and a NUL.
bool fitsCurrentDirectory(const std::wstring &path)
{
    std::wstring full(2 * MAX_PATH, L'\0');
    const DWORD n = ::GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size())
        return n == 0; // what cannot be resolved fails as the system says
    full = withoutLongPrefix(full.substr(0, n));
    return full.size() + (full.back() == L'\\' ? 1 : 2) <= MAX_PATH;
}

bool isDriveAlone(const std::wstring &path)
{
    return path.size() == 2 && path[1] == L':' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

wchar_t upperDrive(wchar_t letter)
{
    return letter >= L'a' && letter <= L'z' ? wchar_t(letter - (L'a' - L'A')) : letter;
}

// The environment variable in which Windows programs keep a drive's own current directory ("=C:").
std::wstring driveVariable(wchar_t letter)
{
    return std::wstring{L'=', upperDrive(letter), L':'};
}

// Where a drive named alone ("D:") leads: its own current directory, the one last entered on it, or its
// root when none was.
std::wstring driveCurrentDirectory(wchar_t letter)
{
    const std::wstring current = currentDirectoryPath();
    if (current.size() >= 2 && current[1] == L':' && upperDrive(current[0]) == upperDrive(letter))
        return current;
    const std::wstring name = driveVariable(letter);
    std::wstring value(MAX_PATH, L'\0');
    DWORD n = ::GetEnvironmentVariableW(name.c_str(), value.data(), DWORD(value.size()));
    if (n >= value.size()) {
        value.resize(n);
        n = ::GetEnvironmentVariableW(name.c_str(), value.data(), DWORD(value.size()));
    }
    if (n > 2 && n < value.size() && upperDrive(value[0]) == upperDrive(letter) && value[1] == L':') {
        value.resize(n);
        return value;
    }
    return std::wstring{letter, L':', L'\\'};
}

// Keeps the drive's own current directory, as Windows programs do, so that naming the drive alone
// comes back to it.
void rememberDriveDirectory()
{
    const std::wstring current = currentDirectoryPath();
    if (current.size() >= 3 && current[1] == L':')
        ::SetEnvironmentVariableW(driveVariable(current[0]).c_str(), current.c_str());
}

} // namespace

bool FileExists(const QString &path)
{
    DWORD attributes;
    return followedAttributes(path, attributes) && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const QString &path)
{
    DWORD attributes;
    return followedAttributes(path, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

QByteArray currentDirBytes()
{
    return fromWide(currentDirectoryPath());
}

QString GetCurrentDir()
{
    return pathText(currentDirBytes());
}

bool SetCurrentDir(const QByteArray &path)
{
    if (path.isEmpty())
        return failed(ERROR_PATH_NOT_FOUND);
    std::wstring wide;
    if (!toWide(path, wide))
        return failed(ERROR_INVALID_NAME);
    if (isDriveAlone(wide))
        wide = driveCurrentDirectory(wide[0]);
    const std::wstring target = systemPath(wide);
    if (!longPathsEnabled() && !fitsCurrentDirectory(target))
        return failed(ERROR_FILENAME_EXCED_RANGE);
    const NoCriticalErrorBox quiet;
    if (!::SetCurrentDirectoryW(target.c_str()))
        return failed(::GetLastError());
    rememberDriveDirectory();
    ++g_currentDirChanges;
    return true;
}

quint64 currentDirChanges()
{
    return g_currentDirChanges;
}

void noteCurrentDirChanged()
{
    ++g_currentDirChanges;
}

int lastSystemError()
{
    return int(g_lastError);
}
