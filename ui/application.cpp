#include "ui/application.h"

#include "platform/exceptions.h"
#include "ui/fonts.h"
#include "ui/messages.h"

#include <QIcon>
#include <QTranslator>

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

QIcon vestrelIcon()
{
    // The program's resources live in the core library, which the linker would otherwise leave out.
    Q_INIT_RESOURCE(resources);
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1.png").arg(size), QSize(size, size));
    return icon;
}

void installToolkitTranslation()
{
    // The window is Romanian whatever the user's locale, and Debian ships no Romanian translation of the
    // toolkit: ours is built into the program. Installed once, it lives as long as the application.
    static QTranslator *const translator = [] {
        auto *t = new QTranslator(QCoreApplication::instance());
        (void)t->load(QStringLiteral(":/translations/qt_ro.qm"));
        return t;
    }();
    QCoreApplication::installTranslator(translator);
}

void initialiseApplication()
{
    setApplicationTitle(vestrelTitle());
    installFontSubstitutes();
    installToolkitTranslation();
    QApplication::setWindowIcon(vestrelIcon());
    // Names the menu entry, whose icon a desktop shows for the running program.
    QGuiApplication::setDesktopFileName(QStringLiteral("ro.tovi.Vestrel"));
}
