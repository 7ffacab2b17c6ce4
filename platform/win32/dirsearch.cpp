#include "platform/dirsearch.h"

#include "platform/searchorder.h"
#include "platform/win32/handles.h"
#include "platform/win32/widepath.h"

#include <limits>
#include <vector>

#include <windows.h>

namespace {

// What the directory gave of one entry, besides its name.
struct Facts
{
    quint32 attr;
    qint64 size;
    qint64 lastWrite; // UTC seconds
    quint64 fileIndex;
};

} // namespace

struct SearchState
{
    quint32 attrMask = 0;
    QByteArray pattern;
    DWORD volumeSerial = 0;
    std::vector<QByteArray> names;
    std::vector<Facts> facts;
    size_t next = 0;
};

namespace {

constexpr quint32 kExcludingBits =
    FileAttr::Hidden | FileAttr::System | FileAttr::VolumeId | FileAttr::Directory;
constexpr PatternRules kPatternRules{.leadingDotExplicit = false, .asciiCaseFolded = true};

// A FILETIME counts 100 ns from 1601-01-01 UTC.
constexpr qint64 kTicksPerSecond = 10'000'000;
constexpr qint64 kSecondsFrom1601To1970 = 11'644'473'600;

qint64 utcSecondsOf(qint64 ticks)
{
    // Rounds down for any value, times before 1601 included.
    const qint64 seconds = ticks / kTicksPerSecond - (ticks % kTicksPerSecond < 0 ? 1 : 0);
    return seconds - kSecondsFrom1601To1970;
}

// The directory's entries as the file system gives them: attributes, sizes, times and file indexes in
// one pass, without opening any entry.
bool readEntries(HANDLE directory, SearchState &state)
{
    // Entries are 8-byte aligned within the buffer.
    std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));
    const DWORD bufferSize = DWORD(buffer.size() * sizeof(LONGLONG));
    unsigned read = 0;
    for (FILE_INFO_BY_HANDLE_CLASS what = FileIdBothDirectoryRestartInfo;; what = FileIdBothDirectoryInfo) {
        if (!::GetFileInformationByHandleEx(directory, what, buffer.data(), bufferSize))
            return ::GetLastError() == ERROR_NO_MORE_FILES || what != FileIdBothDirectoryRestartInfo;
        const char *at = reinterpret_cast<const char *>(buffer.data());
        for (;;) {
            const auto *e = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(at);
            state.names.push_back(
                fromWide(std::wstring_view(e->FileName, e->FileNameLength / sizeof(WCHAR))));
            state.facts.push_back({quint32(e->FileAttributes), qint64(e->EndOfFile.QuadPart),
                                   utcSecondsOf(e->LastWriteTime.QuadPart), quint64(e->FileId.QuadPart)});
            searchKeepAlive(++read);
            if (e->NextEntryOffset == 0)
                break;
            at += e->NextEntryOffset;
        }
    }
}

// The same through the classic search, for file systems that give no file indexes in a listing: their
// entries get identities of their own.
void findEntries(const std::wstring &directory, SearchState &state)
{
    WIN32_FIND_DATAW found;
    const std::wstring pattern = directory.back() == L'\\' ? directory + L'*' : directory + L"\\*";
    const HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                             nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return;
    unsigned read = 0;
    do {
        const qint64 ticks =
            qint64(quint64(found.ftLastWriteTime.dwHighDateTime) << 32 | found.ftLastWriteTime.dwLowDateTime);
        state.names.push_back(fromWide(found.cFileName));
        state.facts.push_back({quint32(found.dwFileAttributes),
                               qint64(quint64(found.nFileSizeHigh) << 32 | found.nFileSizeLow),
                               utcSecondsOf(ticks), 0});
        searchKeepAlive(++read);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

int advance(DirEntry &entry)
{
    SearchState *state = entry.Search.get();
    if (!state)
        return kNoMoreFiles;
    unsigned examined = 0;
    while (state->next < state->names.size()) {
        const size_t k = state->next++;
        const Facts &facts = state->facts[k];
        if (matchesPattern(state->pattern, state->names[k], kPatternRules) &&
            !(facts.attr & kExcludingBits & ~state->attrMask)) {
            entry.Attr = facts.attr;
            entry.Size = facts.size;
            entry.Name = state->names[k];
            entry.Time = {facts.lastWrite};
            entry.Identity = PlatformAccess::identity(state->volumeSerial, facts.fileIndex);
            return 0;
        }
        searchKeepAlive(++examined);
    }
    FindClose(entry);
    return kNoMoreFiles;
}

} // namespace

LocalRange packLocalTime(qint64 utcSeconds, quint32 &packed)
{
    // A FILETIME holds 1601 to 30828; the packing's years lie well within, whatever the zone.
    if (utcSeconds < -kSecondsFrom1601To1970)
        return LocalRange::Before;
    if (utcSeconds > std::numeric_limits<qint64>::max() / kTicksPerSecond - kSecondsFrom1601To1970)
        return LocalRange::After;
    const quint64 ticks = quint64(utcSeconds + kSecondsFrom1601To1970) * quint64(kTicksPerSecond);
    const FILETIME utc{DWORD(ticks), DWORD(ticks >> 32)};
    // The local time as Windows' own search gives it: through the zone's present bias. Its DOS packing
    // is made here from the calendar time rather than by FileTimeToDosDateTime, which wine lets wrap
    // around after 2107 instead of failing.
    FILETIME local;
    SYSTEMTIME calendar;
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &calendar))
        return utcSeconds < 0 ? LocalRange::Before : LocalRange::After;
    if (calendar.wYear < kFatFirstYear)
        return LocalRange::Before;
    if (calendar.wYear > kFatLastYear)
        return LocalRange::After;
    packed = packFat(calendar.wYear, calendar.wMonth, calendar.wDay, calendar.wHour, calendar.wMinute,
                     calendar.wSecond);
    return LocalRange::Within;
}

int FindFirst(const QByteArray &pattern, quint32 attrMask, DirEntry &entry)
{
    FindClose(entry);
    const std::wstring directory = systemPath(currentDirectoryPath());
    const HANDLE h = openDirectoryHandle(directory, FILE_LIST_DIRECTORY);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error ? int(error) : kNoMoreFiles;
    }
    auto state = std::make_shared<SearchState>();
    state->attrMask = attrMask;
    state->pattern = pattern;
    BY_HANDLE_FILE_INFORMATION info;
    const bool listed = ::GetFileInformationByHandle(h, &info) && readEntries(h, *state);
    ::CloseHandle(h);
    if (!listed) {
        state->names.clear();
        state->facts.clear();
        findEntries(directory, *state);
    } else {
        state->volumeSerial = info.dwVolumeSerialNumber;
    }

    const std::vector<size_t> from = sortInSearchOrder(state->names);
    std::vector<Facts> facts;
    facts.reserve(from.size());
    for (const size_t k : from)
        facts.push_back(state->facts[k]);
    state->facts = std::move(facts);
    entry.Search = std::move(state);
    return advance(entry);
}

int FindNext(DirEntry &entry)
{
    return advance(entry);
}

void FindClose(DirEntry &entry)
{
    entry.Search.reset();
}
