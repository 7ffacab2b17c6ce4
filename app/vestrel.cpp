#include "app/vestrel.h"

#include "platform/files.h"
#include "ui/handlerguard.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

TDigitSet Digits;
TfMain *fMain = nullptr;

void TDigitSet::include(char c)
{
    if (c >= '0' && c <= '9')
        m_bits |= quint16(1u << (c - '0'));
}

bool TDigitSet::contains(char c) const
{
    return c >= '0' && c <= '9' && (m_bits & (1u << (c - '0')));
}

TfMain::~TfMain() = default;

void TfMain::FormCreate(QObject * /*Sender*/)
{
    for (char c = '0'; c <= '9'; ++c)
        Digits.include(c);
    ePath1->setText(GetCurrentDir());
    ePath2->setText(GetCurrentDir());
}

void TfMain::btnCloseClick(QObject * /*Sender*/)
{
    close();
}

void TfMain::closeEvent(QCloseEvent *event)
{
    // A close asked for during a comparison waits until the run has returned to the message loop; the
    // window stays on screen and usable meanwhile.
    if (m_comparing) {
        m_closePending = true;
        event->ignore();
        return;
    }
    event->accept();
}

namespace {

// Replaces a control's standard context menu by the window's own; an empty menu means no menu at all.
void attachPopup(QWidget *control, QMenu *menu)
{
    QObject::connect(control, &QWidget::customContextMenuRequested, menu, [control, menu](const QPoint &pos) {
        if (!menu->isEmpty())
            menu->popup(control->mapToGlobal(pos));
    });
}

} // namespace

void TfMain::connectHandlers()
{
    attachPopup(fMemo, pMenuMemo);
    attachPopup(aEdit, pMenu);
    attachPopup(bEdit, pMenu);

    connect(btnClose, &QPushButton::clicked, this, guarded(this, &TfMain::btnCloseClick, btnClose));
    connect(btnGo, &QPushButton::clicked, this, guarded(this, &TfMain::btnGoClick, btnGo));
    connect(btnStop, &QPushButton::clicked, this, guarded(this, &TfMain::btnStopClick, btnStop));
    connect(btnGetPath1, &QPushButton::clicked, this, guarded(this, &TfMain::btnGetPath1Click, btnGetPath1));
    connect(btnGetPath2, &QPushButton::clicked, this, guarded(this, &TfMain::btnGetPath1Click, btnGetPath2));

    connect(btnP1, &QPushButton::clicked, this, guarded(this, &TfMain::btnP1Click, btnP1));
    connect(btnP2, &QPushButton::clicked, this, guarded(this, &TfMain::btnP2Click, btnP2));
    connect(btnP3, &QPushButton::clicked, this, guarded(this, &TfMain::btnP3Click, btnP3));
    connect(btnLab2, &QPushButton::clicked, this, guarded(this, &TfMain::btnLab2Click, btnLab2));
    connect(iReloadData, &QAction::triggered, this, guarded(this, &TfMain::iReloadDataClick, iReloadData));
    connect(iSaveData, &QAction::triggered, this, guarded(this, &TfMain::iSaveDataClick, iSaveData));
    connect(pgControl, &QTabWidget::currentChanged, this,
            [this, show = guarded(this, &TfMain::tSheet2Show, tSheet2)] {
                if (pgControl->currentWidget() == tSheet2)
                    show();
            });
    installKeyFilters();
}
