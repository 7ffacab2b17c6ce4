#include "platform/dirsearch.h"

#include "platform/files.h"
#include "platform/posix/dosattributes.h"
#include "platform/posix/handles.h"

#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <limits>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

struct SearchState
{
    int dirFd = -1;
    quint32 attrMask = 0;
    QByteArray pattern;
    std::vector<QByteArray> names;
    size_t next = 0;
    bool askXattr = true;
    quint64 currentDirChanges = 0; // while unchanged, the searched directory is the current one

    ~SearchState()
    {
        if (dirFd >= 0)
            ::close(dirFd);
    }
};

namespace {

constexpr quint32 kExcludingBits =
    FileAttr::Hidden | FileAttr::System | FileAttr::VolumeId | FileAttr::Directory;
constexpr quint32 kDosBits = FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System | FileAttr::Archive;
constexpr unsigned kKeepAliveEvery = 256;

std::function<void()> &keepAliveHook()
{
    static std::function<void()> hook;
    return hook;
}

void keepAlive(unsigned count)
{
    if (count % kKeepAliveEvery == 0 && keepAliveHook())
        keepAliveHook()();
}

inline unsigned char folded(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

bool matchesPattern(const QByteArray &pattern, const QByteArray &name)
{
    // "*.*" means every name, with or without a dot.
    if (pattern == "*.*" || pattern == "*")
        return true;
    return ::fnmatch(pattern.constData(), name.constData(), FNM_PERIOD) == 0;
}

// The years the FAT packing holds: seven bits of years counted from 1980.
constexpr qint64 kFatFirstYear = 1980;
constexpr qint64 kFatLastYear = kFatFirstYear + 127;

// The date in the high 16 bits (years since 1980, month, day), the time in the low 16 bits (hours,
// minutes, seconds divided by two).
constexpr quint32 packFat(qint64 year, int month, int day, int hour, int minute, int second)
{
    return (quint32(year - kFatFirstYear) << 25) | (quint32(month) << 21) | (quint32(day) << 16) |
           (quint32(hour) << 11) | (quint32(minute) << 5) | quint32(second / 2);
}

constexpr quint32 kFirstFatTime = packFat(kFatFirstYear, 1, 1, 0, 0, 0);
constexpr quint32 kLastFatTime = packFat(kFatLastYear, 12, 31, 23, 59, 59);
// Packed keys lie below every exact key, which floor(UTC seconds / 2) keeps within +-2^62.
constexpr qint64 kPackedKeyBase = std::numeric_limits<qint64>::min();

enum class LocalRange { Before, Within, After };

// Where the local time falls against the years the FAT packing can hold, and its packing when within.
LocalRange packLocalTime(qint64 utcSeconds, quint32 &packed)
{
    const time_t t = static_cast<time_t>(utcSeconds);
    struct tm local
    {
    };
    // Beyond the years an int can count, there is no local time: the sign tells the side.
    if (!::localtime_r(&t, &local))
        return utcSeconds < 0 ? LocalRange::Before : LocalRange::After;
    const qint64 year = qint64(local.tm_year) + 1900;
    if (year < kFatFirstYear)
        return LocalRange::Before;
    if (year > kFatLastYear)
        return LocalRange::After;
    // A leap second (60) is packed with the two seconds before it.
    packed = packFat(year, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                     std::min(local.tm_sec, 59));
    return LocalRange::Within;
}

struct TimeFacts
{
    qint32 fat;
    qint64 key;
};

TimeFacts timeFacts(qint64 utcSeconds)
{
    quint32 packed = 0;
    switch (packLocalTime(utcSeconds, packed)) {
    case LocalRange::Before:
        return {static_cast<qint32>(kFirstFatTime), exactTimeKey(utcSeconds)};
    case LocalRange::After:
        return {static_cast<qint32>(kLastFatTime), exactTimeKey(utcSeconds)};
    case LocalRange::Within:
        break;
    }
    return {static_cast<qint32>(packed), kPackedKeyBase + qint64(packed)};
}

int readDosAttrib(const SearchState &state, const QByteArray &name, bool &supported)
{
    // No xattr call takes a directory descriptor. The name alone is the fastest lookup while the searched
    // directory is still the current one; otherwise the entry is opened in the searched directory (never
    // through a link: the attribute is the entry's own). Both need read permission on the file.
    int fd = -1;
    if (state.currentDirChanges != currentDirChanges()) {
        fd = ::openat(state.dirFd, name.constData(),
                      O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return -1;
    }
    const auto closeFile = qScopeGuard([fd] {
        if (fd >= 0)
            ::close(fd);
    });
    const auto get = [&](char *value, size_t size) {
        return fd >= 0 ? ::fgetxattr(fd, "user.DOSATTRIB", value, size)
                       : ::lgetxattr(name.constData(), "user.DOSATTRIB", value, size);
    };
    char value[256];
    const ssize_t n = get(value, sizeof value);
    if (n >= 0)
        return parseDosAttrib(QByteArray(value, qsizetype(n)));
    if (errno == ENOTSUP)
        supported = false;
    // A longer value (a text ahead of a long binary record) is read whole, at the size it has now.
    QByteArray longer;
    while (errno == ERANGE) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0)
            return -1;
        longer.resize(qsizetype(size));
        const ssize_t got = get(longer.data(), size_t(size));
        if (got >= 0)
            return parseDosAttrib(longer.left(qsizetype(got)));
    }
    return -1;
}

// Fills the record from the named entry; false when the entry is gone or does not qualify.
bool examine(SearchState &state, const QByteArray &name, DirEntry &entry)
{
    if (!matchesPattern(state.pattern, name))
        return false;
    struct stat st;
    if (::fstatat(state.dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    quint32 attr;
    qint64 size = 0;
    if (S_ISREG(st.st_mode)) {
        const int dos = state.askXattr ? readDosAttrib(state, name, state.askXattr) : -1;
        attr = regularFileAttr(name, st.st_mode, dos);
        size = st.st_size;
    } else if (S_ISDIR(st.st_mode)) {
        attr = FileAttr::Directory;
    } else if (S_ISLNK(st.st_mode)) {
        attr = FileAttr::ReparsePoint;
    } else {
        attr = FileAttr::Device;
    }
    if (attr & kExcludingBits & ~state.attrMask)
        return false;
    entry.Attr = attr;
    entry.Size = size;
    entry.Name = name;
    entry.Time = {st.st_mtim.tv_sec};
    entry.Identity = PlatformAccess::identity(st);
    return true;
}

// Sorts by keys folded once per name rather than once per comparison. The sort goes in runs that are
// merged bottom-up, with a keep-alive call between steps, so a huge directory never blocks for long.
void sortInSearchOrder(std::vector<QByteArray> &names)
{
    using Keyed = std::pair<QByteArray, QByteArray>;
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    unsigned count = 0;
    for (QByteArray &n : names) {
        QByteArray key = n;
        for (char &c : key)
            c = char(folded(static_cast<unsigned char>(c)));
        keyed.emplace_back(std::move(key), std::move(n));
        keepAlive(++count);
    }
    constexpr size_t kRun = 4096;
    const size_t n = keyed.size();
    for (size_t begin = 0; begin < n; begin += kRun) {
        std::sort(keyed.begin() + begin, keyed.begin() + std::min(n, begin + kRun));
        keepAlive(0);
    }
    for (size_t width = kRun; width < n; width *= 2) {
        for (size_t begin = 0; begin + width < n; begin += 2 * width) {
            std::inplace_merge(keyed.begin() + begin, keyed.begin() + begin + width,
                               keyed.begin() + std::min(n, begin + 2 * width));
            keepAlive(0);
        }
    }
    for (size_t i = 0; i < n; ++i)
        names[i] = std::move(keyed[i].second);
}

int advance(DirEntry &entry)
{
    SearchState *state = entry.Search.get();
    if (!state)
        return kNoMoreFiles;
    unsigned examined = 0;
    while (state->next < state->names.size()) {
        const QByteArray &name = state->names[state->next++];
        if (examine(*state, name, entry))
            return 0;
        keepAlive(++examined);
    }
    FindClose(entry);
    return kNoMoreFiles;
}

} // namespace

void setSearchKeepAlive(std::function<void()> keepAlive)
{
    keepAliveHook() = std::move(keepAlive);
}

qint32 packFatTime(qint64 utcSeconds)
{
    return timeFacts(utcSeconds).fat;
}

qint64 exactTimeKey(qint64 utcSeconds)
{
    // Rounds down for negative times too, without negating (which overflows for the earliest time).
    return utcSeconds / 2 - (utcSeconds % 2 < 0 ? 1 : 0);
}

qint64 dateKey(qint64 utcSeconds)
{
    return timeFacts(utcSeconds).key;
}

int parseDosAttrib(const QByteArray &value)
{
    // Samba and others store the attributes as a text "0x…", alone or ahead of a binary record.
    const qsizetype end = value.indexOf('\0');
    const QByteArray text = end < 0 ? value : value.left(end);
    if (!text.startsWith("0x") && !text.startsWith("0X"))
        return -1;
    bool ok = false;
    const uint bits = text.mid(2).toUInt(&ok, 16);
    return ok ? int(bits & 0xffff) : -1;
}

quint32 regularFileAttr(const QByteArray &name, unsigned mode, int dosAttrib)
{
    quint32 attr;
    if (dosAttrib >= 0) {
        attr = quint32(dosAttrib) & kDosBits;
    } else {
        attr = FileAttr::Archive;
        if (name.startsWith('.'))
            attr |= FileAttr::Hidden;
        if ((mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
            attr |= FileAttr::ReadOnly;
    }
    return attr ? attr : FileAttr::Normal;
}

int FindFirst(const QByteArray &pattern, quint32 attrMask, DirEntry &entry)
{
    FindClose(entry);
    const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno ? errno : kNoMoreFiles;
    auto state = std::make_shared<SearchState>();
    state->dirFd = fd;
    state->attrMask = attrMask;
    state->pattern = pattern;
    state->currentDirChanges = currentDirChanges();

    // The listing reads through a second descriptor, so the first one stays free for the *at calls.
    const int listFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return kNoMoreFiles;
    }
    unsigned read = 0;
    while (const dirent *d = ::readdir(dir)) {
        state->names.emplace_back(d->d_name);
        keepAlive(++read);
    }
    ::closedir(dir);

    sortInSearchOrder(state->names);
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
