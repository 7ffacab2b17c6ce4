#include "ui/drivebox.h"

#include "platform/filenames.h"

#include <QHash>

TDriveBox::TDriveBox(QWidget *parent) : QComboBox(parent)
{
    setVolumeSource(systemVolumes);
    // Only a choice of the user's asks for a change; showing a volume through follow() does not. A drive
    // whose last directory the system keeps is asked for as itself: the system's directory is the right
    // one even when it was changed behind the selector's back (a comparison run enters directories too).
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index < 0 || index >= m_last.size())
            return;
        const Volume &v = m_volumes[index];
        emit driveChosen(v.systemKeepsCurrentDirectory ? v.mountPoint : m_last[index]);
    });
}

void TDriveBox::setVolumeSource(VolumeSource source)
{
    m_source = std::move(source);
    refresh();
}

bool TDriveBox::refresh()
{
    return setVolumes(m_source ? m_source() : QList<Volume>{Volume{"/", QString()}});
}

bool TDriveBox::setVolumes(const QList<Volume> &volumes)
{
    QHash<QByteArray, QByteArray> lastOn;
    for (qsizetype i = 0; i < m_volumes.size(); ++i)
        lastOn.insert(m_volumes[i].mountPoint, m_last[i]);
    const QByteArray shown = currentIndex() >= 0 ? m_volumes.value(currentIndex()).mountPoint : QByteArray();

    m_volumes = volumes;
    m_last.clear();
    clear();
    bool kept = false;
    for (const Volume &v : m_volumes) {
        addItem(v.label.isEmpty() ? displayName(v.mountPoint)
                                  : displayName(v.mountPoint) + QLatin1Char(' ') + v.label);
        m_last.append(lastOn.value(v.mountPoint, v.mountPoint));
        if (v.mountPoint == shown) {
            setCurrentIndex(count() - 1);
            kept = true;
        }
    }
    return kept;
}

void TDriveBox::follow(const QByteArray &directory)
{
    QList<QByteArray> mountPoints;
    for (const Volume &v : m_volumes)
        mountPoints.append(v.mountPoint);
    const QByteArray volume = volumeOf(mountPoints, directory);
    // A directory on no drive (a network share named by its server) shows none rather than one it is
    // not on.
    if (volume.isEmpty()) {
        setCurrentIndex(-1);
        return;
    }
    const int index = int(mountPoints.indexOf(volume));
    if (index < 0)
        return;
    m_last[index] = directory;
    setCurrentIndex(index);
}
