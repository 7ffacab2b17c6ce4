#include "ui/formparts.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

void setActiveColour(QPalette &palette, QPalette::ColorRole role, const QColor &colour)
{
    palette.setColor(QPalette::Active, role, colour);
    palette.setColor(QPalette::Inactive, role, colour);
}

void setTextColour(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        setActiveColour(p, role, colour);
    w->setPalette(p);
}

QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top)
{
    auto *l = named(new QLabel(text, parent), name);
    l->setTextFormat(Qt::PlainText);
    l->adjustSize();
    l->move(left, top);
    return l;
}

QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top, const QFont &font,
              const QColor &colour)
{
    auto *l = named(new QLabel(parent), name);
    l->setTextFormat(Qt::PlainText);
    l->setFont(font);
    setTextColour(l, colour);
    l->setText(text);
    l->adjustSize();
    l->move(left, top);
    return l;
}

QFrame *box(QWidget *parent, const char *name, const QRect &bounds)
{
    auto *f = named(new QFrame(parent), name);
    f->setFrameStyle(QFrame::Box | QFrame::Sunken);
    f->setGeometry(bounds);
    return f;
}

QFrame *line(QWidget *parent, const char *name, const QRect &bounds)
{
    auto *f = named(new QFrame(parent), name);
    f->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    f->setGeometry(bounds);
    return f;
}

QIcon checkMarkIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap(QStringLiteral(":/pictures/checkmark.png")), QIcon::Normal);
    icon.addPixmap(QPixmap(QStringLiteral(":/pictures/checkmark-disabled.png")), QIcon::Disabled);
    return icon;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QRect &bounds)
{
    auto *b = named(new QPushButton(text, parent), name);
    b->setGeometry(bounds);
    b->setAutoDefault(false);
    return b;
}

QPushButton *checkMarkButton(QWidget *parent, const char *name, const QString &text, const QRect &bounds)
{
    QPushButton *b = button(parent, name, text, bounds);
    b->setIcon(checkMarkIcon());
    b->setIconSize(QSize(18, 18));
    return b;
}

QLabel *picture(QWidget *parent, const char *name, const char *resource, const QRect &bounds)
{
    auto *p = named(new QLabel(parent), name);
    p->setPixmap(QPixmap(QLatin1String(resource)));
    p->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    p->setGeometry(bounds);
    return p;
}

QCheckBox *checkBox(QGroupBox *parent, const char *name, const QString &text, const QRect &bounds,
                    bool checked)
{
    auto *c = named(new QCheckBox(text, parent), name);
    c->setGeometry(bounds);
    c->setChecked(checked);
    return c;
}

QLineEdit *edit(QWidget *parent, const char *name, const QString &text, const QRect &bounds)
{
    auto *e = named(new QLineEdit(text, parent), name);
    e->setGeometry(bounds);
    return e;
}
