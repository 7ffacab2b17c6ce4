#include "platform/win32/widepath.h"

#include "platform/filenames.h"

#include <vector>

#include <winternl.h>

namespace {

// Paths below this length pass every call as they are; a directory's path must leave room for the
// 8.3 name of a file in it (MAX_PATH - 12), so the limit is that.
constexpr size_t kShortPathLimit = MAX_PATH - 12;

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kLongUncPrefix = L"\\\\?\\UNC\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool isDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

bool startsWith(const std::wstring &text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() && std::wstring_view(text).substr(0, prefix.size()) == prefix;
}

bool startsWithNoCase(const std::wstring &text, std::wstring_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        const wchar_t a = text[i] >= L'a' && text[i] <= L'z' ? wchar_t(text[i] - 32) : text[i];
        const wchar_t b = prefix[i] >= L'a' && prefix[i] <= L'z' ? wchar_t(prefix[i] - 32) : prefix[i];
        if (a != b)
            return false;
    }
    return true;
}

// An encoded surrogate: ED A0..BF 80..BF, which UTF-8 proper refuses.
bool encodedSurrogateAt(const QByteArray &bytes, qsizetype at, char16_t &unit)
{
    if (at + 3 > bytes.size())
        return false;
    const auto b0 = static_cast<unsigned char>(bytes[at]);
    const auto b1 = static_cast<unsigned char>(bytes[at + 1]);
    const auto b2 = static_cast<unsigned char>(bytes[at + 2]);
    if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80)
        return false;
    unit = char16_t(0xD000 | (b1 & 0x3F) << 6 | (b2 & 0x3F));
    return true;
}

// What GetFullPathNameW makes of a path: absolute, '/' turned into '\', "." and ".." resolved; empty when
// it cannot.
std::wstring fullPathName(const std::wstring &path)
{
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFullPathNameW(path.c_str(), DWORD(full.size()), full.data(), nullptr);
        if (n == 0)
            return std::wstring();
        if (n < full.size()) {
            full.resize(n);
            return full;
        }
        full.resize(n);
    }
}

// The long form of a full path.
std::wstring longForm(const std::wstring &full)
{
    if (startsWith(full, kLongPrefix) || startsWith(full, kDevicePrefix))
        return full;
    if (full.size() >= 2 && isSeparator(full[0]) && isSeparator(full[1]))
        return std::wstring(kLongUncPrefix) + full.substr(2);
    return std::wstring(kLongPrefix) + full;
}

bool isRelative(const std::wstring &path)
{
    return !path.empty() && !isSeparator(path[0]) && !(path.size() >= 2 && path[1] == L':');
}

bool isRootRelative(const std::wstring &path)
{
    return !path.empty() && isSeparator(path[0]) && !(path.size() >= 2 && isSeparator(path[1]));
}

// The root of a full path in the plain form: "C:\" or "\\server\share\".
std::wstring rootOf(const std::wstring &plain)
{
    if (plain.size() >= 2 && plain[1] == L':')
        return plain.substr(0, 2) + L'\\';
    if (plain.size() >= 2 && isSeparator(plain[0]) && isSeparator(plain[1])) {
        const size_t server = plain.find(L'\\', 2);
        const size_t share = server == std::wstring::npos ? server : plain.find(L'\\', server + 1);
        return share == std::wstring::npos ? plain + L'\\' : plain.substr(0, share + 1);
    }
    return std::wstring();
}

std::wstring joined(const std::wstring &directory, const std::wstring &rest)
{
    if (directory.empty() || directory.back() == L'\\')
        return directory + rest;
    return directory + L'\\' + rest;
}

// The path of an open handle from the object's own name, for where GetFinalPathNameByHandleW cannot give
// it: wine's has room for MAX_PATH characters only. Wine names a file by its DOS path ("\??\C:\a"); a
// name of another form (Windows' "\Device\...") is not taken here: Windows' own call gives any length.
std::wstring objectPathOf(HANDLE handle)
{
    using Query = NTSTATUS(NTAPI *)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    static const auto query = [] {
        const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
        return ntdll ? reinterpret_cast<Query>(
                           reinterpret_cast<void *>(::GetProcAddress(ntdll, "NtQueryObject")))
                     : nullptr;
    }();
    if (!query)
        return std::wstring();
    // The longest name a path can have, and the structure before it.
    std::vector<LONGLONG> buffer((sizeof(OBJECT_NAME_INFORMATION) + 0x10000 * sizeof(WCHAR)) /
                                 sizeof(LONGLONG));
    ULONG returned = 0;
    if (query(handle, ObjectNameInformation, buffer.data(), ULONG(buffer.size() * sizeof(LONGLONG)),
              &returned) < 0)
        return std::wstring();
    const auto *info = reinterpret_cast<const OBJECT_NAME_INFORMATION *>(buffer.data());
    const std::wstring name(info->Name.Buffer, info->Name.Length / sizeof(WCHAR));
    constexpr std::wstring_view kDosDevices = L"\\?\?\\";
    if (!startsWith(name, kDosDevices))
        return std::wstring();
    return std::wstring(kLongPrefix) + name.substr(kDosDevices.size());
}

} // namespace

bool toWide(const QByteArray &bytes, std::wstring &wide)
{
    wide.clear();
    wide.reserve(size_t(bytes.size()));
    bool lastWasHigh = false;
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t u;
        char16_t unit;
        if (const int length = decodeUtf8At(bytes, i, u); length > 0) {
            if (u == 0)
                return false;
            if (u < 0x10000) {
                wide.push_back(wchar_t(u));
            } else {
                wide.push_back(wchar_t(0xD800 + ((u - 0x10000) >> 10)));
                wide.push_back(wchar_t(0xDC00 + ((u - 0x10000) & 0x3FF)));
            }
            i += length;
            lastWasHigh = false;
        } else if (encodedSurrogateAt(bytes, i, unit)) {
            // A high and a low surrogate side by side are one character, whose bytes are its four-byte
            // form: these would be a second spelling of that name.
            const bool isLow = unit >= 0xDC00;
            if (isLow && lastWasHigh)
                return false;
            wide.push_back(wchar_t(unit));
            i += 3;
            lastWasHigh = !isLow;
        } else {
            return false;
        }
    }
    return true;
}

QByteArray fromWide(std::wstring_view wide)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(wide.size()));
    for (size_t i = 0; i < wide.size(); ++i) {
        const char16_t u = char16_t(wide[i]);
        if (QChar::isHighSurrogate(u) && i + 1 < wide.size() &&
            QChar::isLowSurrogate(char16_t(wide[i + 1]))) {
            appendUtf8(bytes, QChar::surrogateToUcs4(u, char16_t(wide[i + 1])));
            ++i;
        } else {
            // A lone surrogate takes the three-byte form, as any other code unit below U+10000.
            appendUtf8(bytes, u);
        }
    }
    return bytes;
}

std::wstring systemPath(const std::wstring &path)
{
    if (path.empty() || startsWith(path, kLongPrefix) || startsWith(path, kDevicePrefix))
        return path;
    // Only an absolute path is as long as it looks; the others are as long as the current directory
    // (of their drive) makes them.
    const bool driveAbsolute = path.size() >= 3 && path[1] == L':' && isSeparator(path[2]);
    const bool network = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    if ((driveAbsolute || network) && path.size() < kShortPathLimit)
        return path;
    const std::wstring full = fullPathName(path);
    if (full.empty() || full.size() < kShortPathLimit)
        return path;
    return longForm(full);
}

bool systemPath(const QByteArray &bytes, std::wstring &path)
{
    std::wstring wide;
    if (bytes.isEmpty() || !toWide(bytes, wide))
        return false;
    path = systemPath(wide);
    return true;
}

std::wstring withoutLongPrefix(const std::wstring &path)
{
    if (startsWithNoCase(path, kLongUncPrefix))
        return L"\\\\" + path.substr(kLongUncPrefix.size());
    if (startsWith(path, kLongPrefix) && path.size() >= kLongPrefix.size() + 2 &&
        isDriveLetter(path[kLongPrefix.size()]) && path[kLongPrefix.size() + 1] == L':')
        return path.substr(kLongPrefix.size());
    return path;
}

bool namesDevice(const std::wstring &path)
{
    if (startsWith(path, kLongPrefix)) {
        // In the long form only a drive's or a share's path is one of files; the rest are the objects
        // of devices (a volume itself, "\\?\C:" without a root, pipes).
        const std::wstring rest = path.substr(kLongPrefix.size());
        const bool drivePath =
            rest.size() >= 3 && isDriveLetter(rest[0]) && rest[1] == L':' && rest[2] == L'\\';
        const bool volumePath = startsWithNoCase(rest, L"VOLUME{") && rest.find(L"}\\") != std::wstring::npos;
        return !drivePath && !volumePath && !startsWithNoCase(rest, L"UNC\\");
    }
    const std::wstring full = fullPathName(path);
    return full.empty() || startsWith(full, kDevicePrefix);
}

std::wstring pathOfHandle(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    // Some network file systems cannot normalise a name; the name as opened names the same file.
    for (const DWORD flags : {DWORD(FILE_NAME_NORMALIZED), DWORD(FILE_NAME_OPENED)}) {
        for (;;) {
            const DWORD n =
                ::GetFinalPathNameByHandleW(handle, path.data(), DWORD(path.size()), flags | VOLUME_NAME_DOS);
            if (n == 0)
                break;
            if (n < path.size()) {
                path.resize(n);
                return path;
            }
            path.resize(n);
        }
    }
    return objectPathOf(handle);
}

bool systemPathIn(HANDLE directory, const QByteArray &path, std::wstring &out)
{
    std::wstring wide;
    if (path.isEmpty() || !toWide(path, wide))
        return false;
    const bool relative = isRelative(wide);
    if (directory == INVALID_HANDLE_VALUE || !(relative || isRootRelative(wide))) {
        out = systemPath(wide);
        return true;
    }
    // No call takes a path relative to a directory handle: the directory's own path, wherever it is now,
    // stands in for it, and the whole is resolved as the system resolves a path.
    const std::wstring base = withoutLongPrefix(pathOfHandle(directory));
    if (base.empty())
        return false;
    const std::wstring full =
        fullPathName(relative ? joined(base, wide) : joined(rootOf(base), wide.substr(1)));
    if (full.empty())
        return false;
    out = full.size() < kShortPathLimit ? full : longForm(full);
    return true;
}

bool isTakenFromDirectory(const std::wstring &path)
{
    return isRelative(path) || isRootRelative(path);
}

bool plainFormIsExact(const std::wstring &plain)
{
    // The names after the root: a drive's "C:\" or a share's "\\server\share\" is left as it is.
    size_t begin = rootOf(plain).size();
    while (begin < plain.size()) {
        size_t end = plain.find(L'\\', begin);
        if (end == std::wstring::npos)
            end = plain.size();
        const std::wstring_view name = std::wstring_view(plain).substr(begin, end - begin);
        if (!name.empty() && name != L"." && name != L".." && (name.back() == L'.' || name.back() == L' '))
            return false;
        begin = end + 1;
    }
    return !namesDevice(plain);
}

std::wstring currentDirectoryPath()
{
    std::wstring current(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetCurrentDirectoryW(DWORD(current.size()), current.data());
        if (n == 0)
            return std::wstring();
        if (n < current.size()) {
            current.resize(n);
            return withoutLongPrefix(current);
        }
        current.resize(n);
    }
}

bool entryPathIn(HANDLE directory, const QByteArray &name, std::wstring &out)
{
    std::wstring wide;
    if (name.isEmpty() || name.contains('\\') || name.contains('/') || !toWide(name, wide))
        return false;
    const std::wstring base =
        directory == INVALID_HANDLE_VALUE ? longForm(currentDirectoryPath()) : pathOfHandle(directory);
    if (base.empty())
        return false;
    out = joined(base, wide);
    return true;
}
