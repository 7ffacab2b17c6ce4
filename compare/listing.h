#pragma once

#include "platform/directories.h"

#include <QByteArray>
#include <QtGlobal>

#include <map>
#include <memory>
#include <vector>

// The files of one directory that qualify under a kinds mask, in search order, with the facts the
// criteria compare. The keys sit in arrays of their own so that a pass over them reads little memory.
struct QualifyingFiles
{
    std::vector<QByteArray> names;
    std::vector<qint64> sizes;
    std::vector<qint64> timeKeys;
    std::vector<FileIdentity> identities;

    qsizetype count() const { return qsizetype(names.size()); }
    void add(const QByteArray &name, qint64 size, qint64 timeKey, FileIdentity identity)
    {
        names.push_back(name);
        sizes.push_back(size);
        timeKeys.push_back(timeKey);
        identities.push_back(identity);
    }
};

using Listing = std::shared_ptr<const QualifyingFiles>;

// Lists the current directory's qualifying files.
QualifyingFiles listQualifying(quint32 mask);

// The listings a run has made, by directory: every entry is looked at once for the whole run, and the
// criteria that search a directory again find its facts here.
class RunListings
{
public:
    void clear() { m_byDirectory.clear(); }
    void keep(FileIdentity directory, Listing listing) { m_byDirectory[directory] = std::move(listing); }
    // The listing of the current directory: the one kept for it, or a new one (kept from now on).
    Listing here(quint32 mask);

private:
    std::map<FileIdentity, Listing> m_byDirectory;
};

// The entry's own name in a full path: what follows the last separator.
QByteArray namePart(const QByteArray &path);
