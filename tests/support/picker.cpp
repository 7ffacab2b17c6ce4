#include "picker.h"

#include "platform/files.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

ProgramWithPicker::ProgramWithPicker(const QByteArray &startDirectory)
{
    if (!SetCurrentDir(startDirectory))
        qFatal("cannot enter %s", startDirectory.constData());
    w = makeMainWindow();
    picker = std::make_unique<TfSelPath>();
    fSelPath = picker.get();
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w.get()))
        qFatal("the main window did not become active");
}

ProgramWithPicker::~ProgramWithPicker()
{
    fSelPath = nullptr;
}

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
