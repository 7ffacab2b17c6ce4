#include "platform/drivebox.h"

#include "platform/filenames.h"

TDriveBox::TDriveBox(QWidget *parent) : QComboBox(parent)
{
    setVolumes(systemVolumes());
    // Only a choice of the user's asks for a change; showing a volume through follow() does not.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < m_last.size())
            emit driveChosen(m_last[index]);
    });
}

void TDriveBox::setVolumes(const QList<Volume> &volumes)
{
    m_volumes = volumes;
    m_last.clear();
    clear();
    for (const Volume &v : m_volumes) {
        addItem(v.label.isEmpty() ? displayName(v.mountPoint)
                                  : displayName(v.mountPoint) + QLatin1Char(' ') + v.label);
        m_last.append(v.mountPoint);
    }
}

void TDriveBox::follow(const QByteArray &directory)
{
    QList<QByteArray> mountPoints;
    for (const Volume &v : m_volumes)
        mountPoints.append(v.mountPoint);
    const int index = int(mountPoints.indexOf(volumeOf(mountPoints, directory)));
    if (index < 0)
        return;
    m_last[index] = directory;
    setCurrentIndex(index);
}
