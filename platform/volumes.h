#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// A place the drive selector offers: the root of the file system, or a mounted volume a user would
// recognise as a disk of their own.
struct Volume
{
    QByteArray mountPoint;
    QString label; // empty when the volume has none

    bool operator==(const Volume &) const = default;
};

// The volumes of this machine, from its mount table and its labelled disks; mount points that are not
// directories (a file bound over another) are left out.
QList<Volume> systemVolumes();

// The mount point among the given ones under which a directory lies: the longest that contains it.
QByteArray volumeOf(const QList<QByteArray> &mountPoints, const QByteArray &directory);
