// The key filters of the bounds and of the memo, and the other ways text could get into them.

#include "app/vestrel.h"

#include "engine/keys.h"
#include "ui/handlerguard.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>

namespace {

// Qt has no "discard the typed character": the filter asks the handler about each key press and eats
// the ones it discards. The same filter closes the other doors: pasting by shortcut or by the middle
// button (the X11 selection), drops and input-method text. The context menus are the window's own.
class KeyPressFilter : public QObject
{
public:
    using Handler = void (TfMain::*)(QObject *, char &);
    KeyPressFilter(TfMain *window, QWidget *control, Handler handler)
        : QObject(control), m_window(window), m_control(control), m_handler(handler)
    {
    }

    bool eventFilter(QObject * /*watched*/, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            return discardKey(static_cast<QKeyEvent *>(event));
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton;
        case QEvent::InputMethod:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            event->ignore();
            return true;
        default:
            return false;
        }
    }

private:
    bool discardKey(QKeyEvent *event)
    {
        // Shift+Insert and the Paste key type no character, yet paste.
        if (event->matches(QKeySequence::Paste))
            return true;
        const std::optional<char> typed = typedCharacter(event->key(), event->modifiers(), event->text());
        if (!typed)
            return false;
        char key = *typed;
        runHandler([window = m_window, handler = m_handler, control = m_control, &key] {
            (window->*handler)(control, key);
        });
        return key == 0;
    }

    TfMain *m_window;
    QWidget *m_control;
    Handler m_handler;
};

void closeTextDoors(QWidget *control, QWidget *mouseSurface, KeyPressFilter *filter)
{
    control->setAttribute(Qt::WA_InputMethodEnabled, false);
    control->setAcceptDrops(false);
    mouseSurface->setAcceptDrops(false);
    control->installEventFilter(filter);
    if (mouseSurface != control)
        mouseSurface->installEventFilter(filter);
}

} // namespace

void TfMain::installKeyFilters()
{
    for (QLineEdit *edit : {aEdit, bEdit})
        closeTextDoors(edit, edit, new KeyPressFilter(this, edit, &TfMain::aEditKeyPress));
    // The memo's mouse clicks and drops arrive at its viewport. Tab moves on to the next control, as
    // in the window's other edits, instead of being a character the filter would have to discard.
    closeTextDoors(fMemo, fMemo->viewport(), new KeyPressFilter(this, fMemo, &TfMain::fMemoKeyPress));
    fMemo->setTabChangesFocus(true);
}

void TfMain::aEditKeyPress(QObject * /*Sender*/, char &Key)
{
    if (Key == '\b')
        return;
    if (!Digits.contains(Key))
        Key = 0;
}

void TfMain::fMemoKeyPress(QObject * /*Sender*/, char &Key)
{
    if (Key == '\b' || Key == ' ')
        return;
    if (!Digits.contains(Key))
        Key = 0;
}
