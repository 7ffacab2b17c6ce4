#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// A place the drive selector offers: the root of the file system or a mounted volume a user would
// recognise as a disk of their own, or a drive.
struct Volume
{
    QByteArray mountPoint;
    QString label; // empty when the volume has none
    // Choosing it enters the mount point itself: the system remembers the directory last current on it
    // (a drive letter), and entering the mount point goes back there.
    bool systemKeepsCurrentDirectory = false;

    bool operator==(const Volume &) const = default;
};

// The volumes of this machine: on a system with one tree of directories, the root and what is mounted
// in it (from its mount table and its labelled disks; mount points that are not directories, such as a
// file bound over another, are left out); on a system with drive letters, its drives in letter order.
QList<Volume> systemVolumes();

// The mount point among the given ones under which a directory lies: in one tree, the longest that
// contains it (the root at least); with drive letters, the directory's drive, none (empty) for a
// directory on no drive of the list, such as a network share named by its server.
QByteArray volumeOf(const QList<QByteArray> &mountPoints, const QByteArray &directory);
