#pragma once

#include <QApplication>

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

// Gives the application its title and the fonts their stand-ins; the window needs both.
void initialiseApplication();
