#include "support/bytenames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <string>
#include <windows.h>
#include <winioctl.h>

namespace {

// The names the tests make are valid UTF-8: their wide form is the decoded text.
std::wstring wide(const QByteArray &path)
{
    return QDir::toNativeSeparators(QString::fromUtf8(path)).toStdWString();
}

struct Handle
{
    HANDLE h;
    ~Handle()
    {
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
    }
};

void writeAll(HANDLE h, const QByteArray &contents, const QByteArray &path)
{
    DWORD written = 0;
    if (!contents.isEmpty() &&
        (!::WriteFile(h, contents.constData(), DWORD(contents.size()), &written, nullptr) ||
         written != DWORD(contents.size())))
        qFatal("cannot write %s", path.constData());
}

} // namespace

void makeDirectory(const QByteArray &path)
{
    if (!::CreateDirectoryW(wide(path).c_str(), nullptr))
        qFatal("cannot make %s", path.constData());
}

void writeBytes(const QByteArray &path, const QByteArray &contents)
{
    const Handle f{::CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE)
        qFatal("cannot write %s", path.constData());
    writeAll(f.h, contents, path);
}

QByteArray readBytes(const QByteArray &path)
{
    QByteArray contents;
    const Handle f{::CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE)
        return contents;
    char buffer[4096];
    DWORD n = 0;
    while (::ReadFile(f.h, buffer, sizeof buffer, &n, nullptr) && n > 0)
        contents.append(buffer, qsizetype(n));
    return contents;
}

void setModificationTime(const QByteArray &path, qint64 seconds)
{
    // FILETIME counts 100 ns steps from 1601.
    const quint64 ticks = quint64((seconds + 11644473600LL) * 10000000LL);
    const FILETIME time{DWORD(ticks), DWORD(ticks >> 32)};
    const Handle f{::CreateFileW(wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)};
    if (f.h == INVALID_HANDLE_VALUE || !::SetFileTime(f.h, nullptr, &time, &time))
        qFatal("cannot set the time of %s", path.constData());
}

ContentsRemover::~ContentsRemover()
{
    QDir dir(QString::fromUtf8(m_directory));
    const QStringList entries =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QString path = dir.filePath(entry);
        ::SetFileAttributesW(QDir::toNativeSeparators(path).toStdWString().c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!QDir(path).removeRecursively())
            QFile::remove(path);
    }
}

void writeFileWithMode(const QByteArray &path, const QByteArray &contents, int mode)
{
    {
        const Handle f{::CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr)};
        if (f.h == INVALID_HANDLE_VALUE)
            qFatal("cannot create %s", path.constData());
        writeAll(f.h, contents, path);
    }
    if ((mode & 0200) == 0 && !::SetFileAttributesW(wide(path).c_str(), FILE_ATTRIBUTE_READONLY))
        qFatal("cannot make %s read-only", path.constData());
}

void makeSparseFile(const QByteArray &path, qint64 size, const QByteArray &tail)
{
    const Handle f{::CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)};
    DWORD returned = 0;
    if (f.h == INVALID_HANDLE_VALUE)
        qFatal("cannot make the sparse file %s", path.constData());
    // Where the file system cannot mark it sparse, the file is still of that size and reads as zeros.
    ::DeviceIoControl(f.h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = size - tail.size();
    if (!::SetFilePointerEx(f.h, at, nullptr, FILE_BEGIN))
        qFatal("cannot make the sparse file %s", path.constData());
    writeAll(f.h, tail, path);
    LARGE_INTEGER end;
    end.QuadPart = size;
    if (!::SetFilePointerEx(f.h, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(f.h))
        qFatal("cannot make the sparse file %s", path.constData());
}

namespace {

// The long form of a full path, which no length limit applies to.
std::wstring longForm(const QByteArray &path)
{
    const std::wstring plain = wide(path);
    return plain.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC\\" + plain.substr(2) : L"\\\\?\\" + plain;
}

void removeLongTree(const std::wstring &path)
{
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring entry = path + L"\\" + name;
            ::SetFileAttributesW(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeLongTree(entry);
            else
                ::DeleteFileW(entry.c_str());
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryW(path.c_str());
}

} // namespace

QByteArray makeDeepTree(const QByteArray &base, const QList<QByteArray> &components,
                        const QList<QPair<QByteArray, QByteArray>> &files)
{
    QByteArray deep = base;
    for (const QByteArray &component : components) {
        deep += '/' + component;
        // Wine hands the whole path to the Linux system, which takes no path beyond PATH_MAX bytes.
        if (!::CreateDirectoryW(longForm(deep).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
    for (const auto &[path, contents] : files) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash > 0)
            ::CreateDirectoryW(longForm(deep + '/' + path.left(slash)).c_str(), nullptr);
        const Handle f{::CreateFileW(longForm(deep + '/' + path).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                     nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr)};
        if (f.h == INVALID_HANDLE_VALUE)
            qFatal("cannot make the deep tree under %s", base.constData());
        writeAll(f.h, contents, path);
    }
    return deep;
}

void removeDeepTree(const QByteArray &base, const QByteArray &component)
{
    removeLongTree(longForm(base + '/' + component));
}

void allowRemoval(const QByteArray &directory)
{
    const QString top = QString::fromUtf8(directory);
    QDirIterator it(top, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        ::SetFileAttributesW(QDir::toNativeSeparators(it.next()).toStdWString().c_str(),
                             FILE_ATTRIBUTE_NORMAL);
}

bool makeFifo(const QByteArray &)
{
    return false; // a named pipe on Windows lives in its own name space, never in a directory
}

bool makeSymlink(const QByteArray &path, const QByteArray &target)
{
    return ::CreateSymbolicLinkW(wide(path).c_str(), wide(target).c_str(),
                                 SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
}

bool namesAreBytes()
{
    return false;
}

bool makeFileIfNamable(const QByteArray &path)
{
    const Handle f{::CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_ARCHIVE, nullptr)};
    return f.h != INVALID_HANDLE_VALUE;
}

void markHidden(const QByteArray &path)
{
    const std::wstring name = wide(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !::SetFileAttributesW(name.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN))
        qFatal("cannot hide %s", path.constData());
}

bool keepsDeepCurrentDirectory()
{
    return false;
}

bool isSuperUser()
{
    return false;
}

bool canMakeUnreadableFiles()
{
    return false;
}
