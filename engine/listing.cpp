#include "engine/listing.h"

#include "engine/flags.h"
#include "engine/pacing.h"
#include "engine/release.h"
#include "platform/dirsearch.h"
#include "platform/pathsyntax.h"

const std::vector<qint64> &QualifyingFiles::timeKeys(Pacing *pacing) const
{
    if (!m_timeKeysMade) {
        std::vector<qint64> keys;
        keys.reserve(lastWrites.size());
        for (const qint64 seconds : lastWrites) {
            if (pacing)
                pacing->keepAlive();
            keys.push_back(dateKey(seconds));
        }
        m_timeKeys = std::move(keys);
        m_timeKeysMade = true;
    }
    return m_timeKeys;
}

QualifyingFiles listQualifying(quint32 mask)
{
    QualifyingFiles files;
    DirEntry entry;
    for (int rc = FindFirst("*.*", mask, entry); rc == 0; rc = FindNext(entry)) {
        if (isSelected(entry.Attr, mask))
            files.add(entry.Name, entry.Size, entry.Time.utcSeconds, entry.Identity);
    }
    FindClose(entry);
    return files;
}

Listing RunListings::here(quint32 mask)
{
    FileIdentity directory;
    const bool known = currentDirIdentity(directory);
    if (known) {
        if (const auto found = m_byDirectory.find({mask, directory}); found != m_byDirectory.end())
            return found->second;
    }
    auto listing = std::make_shared<QualifyingFiles>(listQualifying(mask));
    if (known)
        m_byDirectory[{mask, directory}] = listing;
    return listing;
}

void RunListings::handOverTo(Leftovers &leftovers)
{
    for (auto &[directory, listing] : m_byDirectory)
        if (listing.use_count() == 1)
            leftovers.take(std::move(listing->names));
    m_byDirectory.clear();
}

QByteArray namePart(const QByteArray &path)
{
    return path.mid(nameStart(path));
}
