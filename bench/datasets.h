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

// The benchmark root: $VESTREL_BENCH_DIR, or a folder under the system's temporary directory.
QString benchRoot();
