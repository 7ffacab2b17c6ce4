#pragma once

#include <QByteArray>
#include <QString>

// Flat benchmark directories, made once under a root and reused while their marker file says they are
// complete.
struct Dataset
{
    QString name;
    int files;
    int bytesPerFile;
};

// Makes (or finds) the dataset's directory under root and returns its path.
QString ensureDataset(const QString &root, const Dataset &set);

// Two directories made together, so that each comparison criterion finds a known kind of coincidence:
//  - names: directory 1 holds the names numbered 0..n-1, directory 2 those numbered n/2..n/2+n-1, so half
//    of each directory's names are in the other too and the other half are its own;
//  - sizes: pseudo-random in minBytes..maxBytes, from a fixed seed (equal bounds: every file that size);
//  - times: every file its own two-second step, directory 2's steps starting three quarters of the way
//    through directory 1's, so a quarter of the times occur in both directories.
struct DatasetPair
{
    QString name; // the directories are <name>-1 and <name>-2
    int filesPerDir;
    int minBytes;
    int maxBytes;
};

struct DatasetPairPaths
{
    QString first;
    QString second;
};

// Makes (or finds) both directories of the pair under root and returns their paths.
DatasetPairPaths ensureDatasetPair(const QString &root, const DatasetPair &pair);

// The benchmark root: $VESTREL_BENCH_DIR, or a folder under the system's temporary directory.
QString benchRoot();
