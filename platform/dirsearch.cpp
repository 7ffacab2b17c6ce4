#include "platform/dirsearch.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
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

int readDosAttrib(const SearchState &state, const QByteArray &name, bool &supported)
{
    // No xattr call takes a directory descriptor; the descriptor's /proc link names the directory even
    // when something else changes the current directory between two calls of the search.
    const QByteArray path = "/proc/self/fd/" + QByteArray::number(state.dirFd) + '/' + name;
    char value[256];
    const ssize_t n = ::lgetxattr(path.constData(), "user.DOSATTRIB", value, sizeof value);
    if (n < 0) {
        if (errno == ENOTSUP)
            supported = false;
        return -1;
    }
    return parseDosAttrib(QByteArray(value, int(n)));
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
    entry.Time = packFatTime(st.st_mtim.tv_sec);
    entry.TimeKey = exactTimeKey(st.st_mtim.tv_sec);
    return true;
}

int advance(DirEntry &entry)
{
    SearchState *state = entry.Search.get();
    if (!state)
        return kNoMoreFiles;
    while (state->next < state->names.size()) {
        const QByteArray &name = state->names[state->next++];
        if (examine(*state, name, entry))
            return 0;
    }
    FindClose(entry);
    return kNoMoreFiles;
}

} // namespace

bool searchOrderLess(const QByteArray &a, const QByteArray &b)
{
    const auto *pa = reinterpret_cast<const unsigned char *>(a.constData());
    const auto *pb = reinterpret_cast<const unsigned char *>(b.constData());
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char ca = folded(pa[i]), cb = folded(pb[i]);
        if (ca != cb)
            return ca < cb;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

qint32 packFatTime(qint64 utcSeconds)
{
    const time_t t = static_cast<time_t>(utcSeconds);
    struct tm local
    {
    };
    if (!::localtime_r(&t, &local))
        return (1 << 21) | (1 << 16);
    const int year = local.tm_year + 1900;
    if (year < 1980)
        return (1 << 21) | (1 << 16);
    if (year > 2107)
        return static_cast<qint32>((127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u);
    const quint32 packed = (quint32(year - 1980) << 25) | (quint32(local.tm_mon + 1) << 21) |
                           (quint32(local.tm_mday) << 16) | (quint32(local.tm_hour) << 11) |
                           (quint32(local.tm_min) << 5) | quint32(std::min(local.tm_sec, 59) / 2);
    return static_cast<qint32>(packed);
}

qint64 exactTimeKey(qint64 utcSeconds)
{
    return utcSeconds >= 0 ? utcSeconds / 2 : -((-utcSeconds + 1) / 2);
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

    // The listing reads through a second descriptor, so the first one stays free for the *at calls.
    const int listFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DIR *dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return kNoMoreFiles;
    }
    while (const dirent *d = ::readdir(dir))
        state->names.emplace_back(d->d_name);
    ::closedir(dir);

    std::sort(state->names.begin(), state->names.end(), searchOrderLess);
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
