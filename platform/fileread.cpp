#include "platform/fileread.h"

// How a file is opened is the platform's (openChecked); what is looked at first is the same everywhere.

bool ReadOnlyFile::open(const QByteArray &path, const DirectoryAnchor *directory)
{
    close();
    qint64 size;
    FileIdentity identity;
    // Looked at before it is opened: opening a FIFO or a device could block or have side effects.
    return regularFileFacts(path, size, identity, directory) &&
           openChecked(path, directory, true, identity, size);
}

bool ReadOnlyFile::openListed(const QByteArray &name, const DirectoryAnchor *directory, FileIdentity identity,
                              qint64 size)
{
    // A link put in the entry's place since it was listed is opened as itself, and refused.
    return openChecked(name, directory, false, identity, size);
}
