#pragma once

// Building blocks of the windows' descriptions: each makes one control with its name (also its object
// name), place and text, as the descriptions give them.

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QRect>
#include <QString>

class QCheckBox;
class QFont;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

template <class W> W *named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A colour for the enabled states only: a disabled control keeps the style's own disabled colour, so that
// it looks disabled.
void setActiveColour(QPalette &palette, QPalette::ColorRole role, const QColor &colour);
// The text colour of a control and of everything inside it, for the enabled states.
void setTextColour(QWidget *w, const QColor &colour);

// A label sizes itself to its text, as a description places only its top-left corner.
QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top);
QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top, const QFont &font,
              const QColor &colour);
// A framed bevel, and a bevel that is one horizontal line.
QFrame *box(QWidget *parent, const char *name, const QRect &bounds);
QFrame *line(QWidget *parent, const char *name, const QRect &bounds);
// The green check mark, with its own picture for the disabled state.
QIcon checkMarkIcon();
QPushButton *button(QWidget *parent, const char *name, const QString &text, const QRect &bounds);
QPushButton *checkMarkButton(QWidget *parent, const char *name, const QString &text, const QRect &bounds);
QLabel *picture(QWidget *parent, const char *name, const char *resource, const QRect &bounds);
QCheckBox *checkBox(QGroupBox *parent, const char *name, const QString &text, const QRect &bounds,
                    bool checked);
QLineEdit *edit(QWidget *parent, const char *name, const QString &text, const QRect &bounds);
