#include "app/application.h"

#include "platform/exceptions.h"
#include "platform/fonts.h"
#include "platform/messages.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Exception &e) {
        showException(&e);
    } catch (...) {
        showException(nullptr);
    }
    return false;
}

QString vestrelTitle()
{
    return QStringLiteral("\"Vestrel\" by Tovi");
}

void initialiseApplication()
{
    setApplicationTitle(vestrelTitle());
    installFontSubstitutes();
}
