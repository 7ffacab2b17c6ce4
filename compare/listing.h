#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

// The files of one directory that qualify under a kinds mask, in search order, with the facts the size and
// date criteria compare. The keys sit in arrays of their own so that a pass over them reads little memory.
struct QualifyingFiles
{
    std::vector<QByteArray> names;
    std::vector<qint64> sizes;
    std::vector<qint64> timeKeys;

    qsizetype count() const { return qsizetype(names.size()); }
};

// Lists the current directory's qualifying files.
QualifyingFiles listQualifying(quint32 mask);

// The entry's own name in a full path: what follows the last separator.
QByteArray namePart(const QByteArray &path);
