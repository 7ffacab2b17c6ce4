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

// Two directories whose files all have one size, for the content criterion. The contents are pseudo-random
// bytes from fixed seeds, so every machine makes the same files:
//  - randomWithCopies: every file its own bytes, except that about one directory-2 file in copyOneIn is a
//    copy of a directory-1 file;
//  - sharedPrefix: every file the same bytes but for its last 8, which are its own, except that equalPairs
//    directory-2 files end as a directory-1 file does, and so equal it;
//  - allEqual: every file of both directories the same bytes.
struct ContentPair
{
    enum class Layout { randomWithCopies, sharedPrefix, allEqual };

    QString name; // the directories are <name>-1 and <name>-2
    Layout layout;
    int filesPerDir;
    qint64 bytesPerFile; // a multiple of 8
    int copyOneIn = 0;   // randomWithCopies only
    int equalPairs = 0;  // sharedPrefix only
};

struct ContentPairFacts
{
    DatasetPairPaths paths;
    qint64 dataBytes;     // the sizes of all the files of both directories, added up
    qint64 equalFiles;    // how many directory-2 files equal some directory-1 file
    qint64 expectedPairs; // how many (directory-1 file, directory-2 file) pairs have equal contents
};

// Makes (or finds) both directories of the pair under root. The facts follow from the layout alone, so
// they are the same whether the directories were made now or found.
ContentPairFacts ensureContentPair(const QString &root, const ContentPair &pair);

// Two directories for the content criterion at scale, laid out as two copies of one folder that went their
// own ways:
//  - names: as in DatasetPair, half of each directory's names are in the other too;
//  - sizes: pseudo-random in 0..maxBytes, from a fixed seed;
//  - contents: pseudo-random bytes of each file's own, except that about one shared name in equalOneIn has
//    the same size and bytes in both directories (files of one size may also happen to agree: the empty
//    ones, and a few of only a few bytes; the facts count them);
//  - times: every file its own two-second step, except that sharedTimeSteps steps occur in both.
struct MixedContentPair
{
    QString name; // the directories are <name>-1 and <name>-2
    int filesPerDir;
    int maxBytes;
    int equalOneIn;
    int sharedTimeSteps;
};

// Makes (or finds) both directories of the pair under root, with the same facts as ensureContentPair.
ContentPairFacts ensureMixedContentPair(const QString &root, const MixedContentPair &pair);

// The benchmark root: $VESTREL_BENCH_DIR, or a folder under the system's temporary directory.
QString benchRoot();
