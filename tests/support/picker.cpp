#include "picker.h"

#include "app/selpath.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

void whenPickerShown(std::function<void(TfSelPath &)> action)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        if (!fSelPath || QApplication::activeModalWidget() != fSelPath || !fSelPath->isActiveWindow())
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<TfSelPath> picker = fSelPath;
        action(*fSelPath);
        QTimer::singleShot(10000, [picker] {
            if (picker && picker->isVisible()) {
                qWarning("the picker was left open");
                picker->done(QDialog::Rejected);
            }
        });
    });
    poll->start(5);
}
