#pragma once

#include "platform/directories.h"

#include <QByteArray>
#include <QtGlobal>

#include <map>
#include <memory>
#include <utility>
#include <vector>

class Leftovers;
class Pacing;

// The files of one directory that qualify under a kinds mask, in search order, with the facts the
// criteria compare. The keys sit in arrays of their own so that a pass over them reads little memory.
class QualifyingFiles
{
public:
    std::vector<QByteArray> names;
    std::vector<qint64> sizes;
    std::vector<qint64> lastWrites; // UTC seconds
    std::vector<FileIdentity> identities;

    qsizetype count() const { return qsizetype(names.size()); }
    void add(const QByteArray &name, qint64 size, qint64 lastWrite, FileIdentity identity)
    {
        names.push_back(name);
        sizes.push_back(size);
        lastWrites.push_back(lastWrite);
        identities.push_back(identity);
        m_timeKeysMade = false;
    }
    // The date keys of the last writes, made at the first call: each goes through the local clock, and
    // only the date criterion needs them. Made from the times listed, they are the keys the listing
    // would have made itself.
    const std::vector<qint64> &timeKeys(Pacing *pacing = nullptr) const;

private:
    mutable std::vector<qint64> m_timeKeys;
    mutable bool m_timeKeysMade = false;
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
    // Lets go of every listing, their names to be freed later where nobody else holds them.
    void handOverTo(Leftovers &leftovers);
    void keep(quint32 mask, FileIdentity directory, std::shared_ptr<QualifyingFiles> listing)
    {
        m_byDirectory[{mask, directory}] = std::move(listing);
    }
    // The listing of the current directory under the mask: the one kept for it, or a new one (kept from
    // now on).
    Listing here(quint32 mask);

private:
    std::map<std::pair<quint32, FileIdentity>, std::shared_ptr<QualifyingFiles>> m_byDirectory;
};

// The entry's own name in a full path: what follows the last separator.
QByteArray namePart(const QByteArray &path);
