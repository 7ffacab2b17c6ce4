#include "ui/handlerguard.h"

#include "platform/exceptions.h"
#include "ui/messages.h"

#include <QApplication>
#include <QWidget>

namespace {

// The box must get the clicks that dismiss it.
void releaseMouse()
{
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
}

} // namespace

void runHandler(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const Exception &e) {
        releaseMouse();
        showException(&e);
    } catch (...) {
        releaseMouse();
        showException(nullptr);
    }
}
