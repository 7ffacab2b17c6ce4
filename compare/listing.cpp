#include "compare/listing.h"

#include "compare/flags.h"
#include "platform/dirsearch.h"

QualifyingFiles listQualifying(quint32 mask)
{
    QualifyingFiles files;
    DirEntry entry;
    for (int rc = FindFirst("*.*", mask, entry); rc == 0; rc = FindNext(entry)) {
        if (!isSelected(entry.Attr, mask))
            continue;
        files.names.push_back(entry.Name);
        files.sizes.push_back(entry.Size);
        files.timeKeys.push_back(entry.TimeKey);
    }
    FindClose(entry);
    return files;
}

QByteArray namePart(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}
