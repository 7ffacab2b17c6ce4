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
    // Offers the machine's volumes.
    explicit TDriveBox(QWidget *parent = nullptr);

    void setVolumes(const QList<Volume> &volumes);
    const QList<Volume> &volumes() const { return m_volumes; }

    // Records a directory as the last one current on its volume and shows that volume.
    void follow(const QByteArray &directory);
    // The directory last current on a volume of the list.
    QByteArray lastDirectory(int index) const { return m_last.value(index); }

signals:
    void driveChosen(const QByteArray &directory);

private:
    QList<Volume> m_volumes;
    QList<QByteArray> m_last;
};
