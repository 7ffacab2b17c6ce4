#pragma once

#include "platform/directories.h"

#include <QByteArray>
#include <QtGlobal>

#include <functional>
#include <memory>

// Attribute bits of a directory entry, as a DOS-style file system reports them.
namespace FileAttr {
constexpr quint32 ReadOnly = 0x01;
constexpr quint32 Hidden = 0x02;
constexpr quint32 System = 0x04;
constexpr quint32 VolumeId = 0x08;
constexpr quint32 Directory = 0x10;
constexpr quint32 Archive = 0x20;
constexpr quint32 Device = 0x40;
constexpr quint32 Normal = 0x80;
constexpr quint32 ReparsePoint = 0x400;
} // namespace FileAttr

struct SearchState;

// The FAT packing of a local time, clamped to 1980..2107.
qint32 packFatTime(qint64 utcSeconds);

// A last-write time as the file system gives it. Read as a 32-bit number it is the FAT packing of the
// local time. The packing goes through the local clock, a cost that every entry of every search would
// pay for nothing: the comparison never reads the packing (the date criterion compares
// dateKey(utcSeconds), made only for the files it compares). So it is packed only where it is read.
struct LastWriteTime
{
    qint64 utcSeconds = 0;

    operator qint32() const { return packFatTime(utcSeconds); }
};

// What a directory search fills in for the entry it has just found. One record serves a whole search.
struct DirEntry
{
    LastWriteTime Time; // local last-write time in FAT packing, packed when read
    qint64 Size = 0;    // full size in bytes
    quint32 Attr = 0;   // FileAttr bits
    QByteArray Name;    // the entry's own name, as bytes

    // The search's own data: which file the entry is, and the open search.
    FileIdentity Identity;
    std::shared_ptr<SearchState> Search;
};

constexpr int kNoMoreFiles = 18;

// Searches the current directory. Returns 0 and fills the record with the first entry whose name matches
// the pattern and that has no hidden, system, volume or directory bit outside attrMask; otherwise returns
// a non-zero error code, and the search is already closed.
// Names come sorted with ASCII letters folded to upper case, ties broken by the raw bytes.
int FindFirst(const QByteArray &pattern, quint32 attrMask, DirEntry &entry);
int FindNext(DirEntry &entry);
void FindClose(DirEntry &entry);

// Called every few hundred entries while a search reads or skips entries, so that the caller can keep its
// window responsive through a directory of any size. Empty: nothing is called.
void setSearchKeepAlive(std::function<void()> keepAlive);

// floor(UTC seconds / 2): one key per two-second step, for any 64-bit time.
qint64 exactTimeKey(qint64 utcSeconds);
// The date key of a last-write time: its FAT packing wherever the packing holds the local year (so the
// hour repeated at the end of daylight saving time coincides with itself), and the exact key outside
// 1980..2107. The two kinds are kept apart: a time within the range never equals one outside it.
qint64 dateKey(qint64 utcSeconds);
