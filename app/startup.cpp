#include "app/startup.h"

#include "app/vestrel.h"
#include "platform/exceptions.h"
#include "platform/process.h"
#include "ui/application.h"
#include "ui/messages.h"
#include "ui/selpath.h"

#include <memory>

int VestrelMain(int argc, char **argv, const std::function<void()> &windowsCreated)
{
    initialiseProcess();
    std::unique_ptr<TApplication> application;
    std::unique_ptr<TfMain> mainWindow;
    std::unique_ptr<TfSelPath> picker;
    try {
        application = std::make_unique<TApplication>(argc, argv);
        initialiseApplication();
        mainWindow = std::make_unique<TfMain>();
        fMain = mainWindow.get();
        picker = std::make_unique<TfSelPath>();
        fSelPath = picker.get();
        if (windowsCreated)
            windowsCreated();
        fMain->show();
        application->exec();
    } catch (const Exception &e) {
        if (application)
            showException(&e);
    } catch (...) {
        if (application)
            showException(nullptr);
    }
    fSelPath = nullptr;
    fMain = nullptr;
    picker.reset();
    mainWindow.reset();
    return 0;
}
