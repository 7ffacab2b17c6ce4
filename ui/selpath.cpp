#include "ui/selpath.h"

#include "platform/filenames.h"
#include "platform/files.h"
#include "ui/dirbox.h"
#include "ui/drivebox.h"
#include "ui/fonts.h"
#include "ui/formparts.h"
#include "ui/handlerguard.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

TfSelPath *fSelPath = nullptr;

TfSelPath::TfSelPath(QWidget *parent) : QDialog(parent)
{
    Q_INIT_RESOURCE(resources);
    setObjectName(QStringLiteral("fSelPath"));
    setWindowTitle(QStringLiteral("Alegere directoriu..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(387, 171);
    setFont(uiFont(Face::MsSansSerif, 11));

    Label1 = label(this, "Label1", QStringLiteral("Disc:"), 32, 12);
    Label2 = label(this, "Label2", QStringLiteral("Directoriu:"), 8, 32);

    DriveBox = named(new TDriveBox(this), "DriveBox");
    DriveBox->setGeometry(61, 10, 234, 22);
    DriveBox->setFont(uiFont(Face::MsSansSerif, 13));

    DirBox = named(new TDirBox(this), "DirBox");
    DirBox->setGeometry(61, 38, 234, 100);
    DriveBox->follow(DirBox->directory());

    btnOk = named(new QPushButton(QStringLiteral("&OK"), this), "btnOk");
    btnOk->setGeometry(303, 9, 76, 25);
    btnOk->setIcon(checkMarkIcon());
    btnOk->setIconSize(QSize(18, 18));
    btnOk->setDefault(true);

    ePath = named(new QLineEdit(this), "ePath");
    ePath->setGeometry(7, 144, 372, 21);
    ePath->setReadOnly(true);
    QPalette grey = ePath->palette();
    setActiveColour(grey, QPalette::Base, QColor(0xE4, 0xE4, 0xE4));
    ePath->setPalette(grey);

    btnClose = named(new QPushButton(QStringLiteral("&Anulare"), this), "btnClose");
    btnClose->setGeometry(304, 39, 75, 25);

    setTabOrder(DriveBox, DirBox);
    setTabOrder(DirBox, btnOk);
    setTabOrder(btnOk, ePath);
    setTabOrder(ePath, btnClose);
    DriveBox->setFocus();

    connectHandlers();
}

void TfSelPath::connectHandlers()
{
    connect(this, &TfSelPath::shown, this, guarded(this, &TfSelPath::FormShow, this));
    connect(DirBox, &TDirBox::changed, this, guarded(this, &TfSelPath::DirBoxChange, DirBox));
    connect(btnClose, &QPushButton::clicked, this, guarded(this, &TfSelPath::btnCloseClick, btnClose));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);

    // The link between the drive selector and the directory list, and the list's own opening of a row:
    // both change the current directory, which can fail, so they run guarded like any handler.
    connect(DirBox, &TDirBox::openRequested, this,
            [this](const QByteArray &directory) { runHandler([&] { DirBox->setDirectory(directory); }); });
    connect(DriveBox, &TDriveBox::driveChosen, this,
            [this](const QByteArray &directory) { runHandler([&] { DirBox->setDirectory(directory); }); });
    connect(DirBox, &TDirBox::changed, DriveBox, [this] { DriveBox->follow(DirBox->directory()); });
}

void TfSelPath::FormShow(QObject * /*Sender*/)
{
    // The list keeps its directory from one showing to the next, but what lies in it and which volumes
    // are mounted may have changed since.
    DirBox->refresh();
    if (!DriveBox->refresh())
        DriveBox->follow(DirBox->directory());
    ePath->setText(GetCurrentDir());
}

void TfSelPath::DirBoxChange(QObject * /*Sender*/)
{
    ePath->setText(pathText(DirBox->directory()));
}

void TfSelPath::btnCloseClick(QObject * /*Sender*/)
{
    ePath->clear();
    close();
}

int TfSelPath::ShowModal()
{
    const QPointer<QWidget> previous = QApplication::activeWindow();
    centreOnScreen(previous);
    const int result = exec();
    // The window system may hand the activation back late, or not at all (offscreen); the caller asks
    // at once which control has the focus.
    if (previous && previous->isVisible())
        QApplication::setActiveWindow(previous);
    return result;
}

// The toolkit centres a dialog by itself only at its first showing, with a guess at the window manager's
// frame, and later showings come back where the frame really put it. Placing the client area ourselves,
// with the frame this dialog had last time (or the opener's, which the same window manager drew), puts
// the framed window at the centre every time.
void TfSelPath::centreOnScreen(const QWidget *opener)
{
    const auto frameOf = [](const QWidget *w) {
        const QRect outer = w->frameGeometry(), inner = w->geometry();
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                        outer.bottom() - inner.bottom());
    };
    QMargins frame = frameOf(this);
    if (frame.isNull() && opener)
        frame = frameOf(opener);
    const QScreen *screen = opener ? opener->screen() : QGuiApplication::primaryScreen();
    QRect outer(QPoint(), size().grownBy(frame));
    outer.moveCenter(screen->availableGeometry().center());
    setGeometry(outer.marginsRemoved(frame));
}

void TfSelPath::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window shown again by the window system (after being minimised with its owner) is no new showing.
    if (!event->spontaneous())
        emit shown();
}

void TfSelPath::keyPressEvent(QKeyEvent *event)
{
    // No button is a cancel button: Esc does nothing. The close box still ends the showing.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
