#include "platform/dirsearch.h"

#include "platform/files.h"
#include "platform/posix/dosattributes.h"
#include "platform/posix/handles.h"
#include "platform/searchorder.h"

#include <QScopeGuard>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
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
constexpr PatternRules kPatternRules{.leadingDotExplicit = true, .asciiCaseFolded = false};

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
    if (!matchesPattern(state.pattern, name, kPatternRules))
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
        searchKeepAlive(++examined);
    }
    FindClose(entry);
    return kNoMoreFiles;
}

} // namespace

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
        searchKeepAlive(++read);
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
