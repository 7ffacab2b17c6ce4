#include "app/handlerguard.h"

#include "platform/exceptions.h"
#include "platform/messages.h"

#include <QApplication>
#include <QWidget>

void runHandler(const std::function<void()> &handler)
{
    try {
        handler();
        return;
    } catch (const Exception &e) {
        if (QWidget *grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
        showException(&e);
    } catch (...) {
        if (QWidget *grabber = QWidget::mouseGrabber())
            grabber->releaseMouse();
        showException(nullptr);
    }
}
