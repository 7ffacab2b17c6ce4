#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <cstddef>
#include <vector>

// What the directory search (platform/dirsearch.h) does alike on every platform: the order of its
// entries, the names its patterns match, its keep-alive calls, and the keys and FAT packing of last-write
// times. Each platform's search reads the directory and the local clock in its own way and leaves the
// rest to these.

// Calls the keep-alive hook (setSearchKeepAlive) at every few hundredth step that count numbers; at once
// when count is 0 (one long step has just been done).
void searchKeepAlive(unsigned count);

// Puts names in search order: ASCII letters folded to upper case, ties broken by the raw bytes. Returns,
// for each place, where the name now there stood before, so that what goes with the names can follow them.
std::vector<size_t> sortInSearchOrder(std::vector<QByteArray> &names);

// How a platform's patterns read: whether a leading '.' of a name must be matched by a '.' of the
// pattern (POSIX globbing), and whether ASCII letters match either case (Windows).
struct PatternRules
{
    bool leadingDotExplicit = false;
    bool asciiCaseFolded = false;
};

// Whether a name matches a pattern: "*" and "*.*" match every name; otherwise '*' matches any run of
// characters and '?' one character, every other byte itself.
bool matchesPattern(const QByteArray &pattern, const QByteArray &name, PatternRules rules);

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

enum class LocalRange { Before, Within, After };

// Where the local time of a UTC time falls against the years the FAT packing holds, and its packing when
// within. Each platform's own clock: packFatTime and dateKey are made from it.
LocalRange packLocalTime(qint64 utcSeconds, quint32 &packed);
