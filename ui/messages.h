#pragma once

#include <QString>

class Exception;

#include <functional>

// Which of the program's boxes a box is.
enum class MessageBoxKind {
    Simple,   // the toolkit's simple message box (ShowMessage)
    Stop,     // the system message box with a stop icon (showStopMessage)
    Exception // the toolkit's exception display (showException)
};

// The application title captions the simple message box and the exception display.
void setApplicationTitle(const QString &title);
QString applicationTitle();

// The toolkit's simple message box: no icon, one OK button, captioned with the application title.
void ShowMessage(const QString &text);

// The system message box with a stop icon and one OK button, owned by no window.
void showStopMessage(const QString &text, const QString &caption);

// The toolkit's exception display. A null exception stands for one that is not the toolkit's own:
// it is shown with an empty message.
void showException(const Exception *e);
QString exceptionDisplayText(const QString &message);
