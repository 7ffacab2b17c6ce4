#pragma once

#include <QApplication>
#include <QIcon>

// The application object. Handlers catch their own exceptions (see runHandler); notify() is only the
// safety net for one that escapes from elsewhere, so that none ever unwinds through the event loop.
class TApplication : public QApplication
{
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// "Vestrel" by Tovi
QString vestrelTitle();

// The program's own icon, at the sizes an installation puts in the icon theme.
QIcon vestrelIcon();

// The toolkit's texts (edit menus, standard buttons) in Romanian, whatever the user's locale.
void installToolkitTranslation();

// Gives the application its title, its icon, the toolkit's texts in Romanian and the fonts their
// stand-ins: everything the windows need before they are made.
void initialiseApplication();
