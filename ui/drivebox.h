#pragma once

#include "platform/volumes.h"

#include <QComboBox>

// The drive selector: "/" and the mounted volumes. It remembers, for each volume, the directory that was
// last current on it (its mount point at first); choosing a volume asks for that directory
// (driveChosen), and whoever owns the selector switches the directory list to it.
class TDriveBox : public QComboBox
{
    Q_OBJECT
public:
    using VolumeSource = std::function<QList<Volume>()>;

    // Offers the machine's volumes.
    explicit TDriveBox(QWidget *parent = nullptr);

    // Where the volumes come from (the machine's own by default); they are read at once, and again at
    // each refresh.
    void setVolumeSource(VolumeSource source);
    // Reads the volumes again: a volume still mounted keeps the directory last current on it, and the
    // volume shown stays shown. False when the volume shown is gone.
    bool refresh();
    const QList<Volume> &volumes() const { return m_volumes; }

    // Records a directory as the last one current on its volume and shows that volume.
    void follow(const QByteArray &directory);

signals:
    void driveChosen(const QByteArray &directory);

private:
    bool setVolumes(const QList<Volume> &volumes);

    VolumeSource m_source;
    QList<Volume> m_volumes;
    QList<QByteArray> m_last;
};
