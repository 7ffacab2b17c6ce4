// The third page's run control: the checks before a run, the busy and idle states, and the count after.

#include "app/vestrel.h"

#include "engine/flags.h"
#include "engine/pacing.h"
#include "platform/dirsearch.h"
#include "platform/filenames.h"
#include "platform/files.h"
#include "ui/messages.h"
#include "ui/resultview.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <exception>

// Marks the run as active for its whole length. On every way out it lets a close that was asked for
// meanwhile take effect once the handler has returned; when an exception ends the run, the page is put
// back into its idle state before the exception is shown.
class TfMain::RunScope
{
public:
    explicit RunScope(TfMain &window) : m_window(window), m_exceptions(std::uncaught_exceptions())
    {
        m_window.m_comparing = true;
        m_window.m_progress.syncWithPacing();
        pacing::startRun();
        pacing::setBeforeHandOver([&window] { window.flushRunOutput(); });
        // The search calls it every few hundred entries: each call stands for real work.
        setSearchKeepAlive(pacing::keepAliveAfterWork);
    }
    ~RunScope()
    {
        // Nothing of a run's listings or directories outlives it.
        m_window.m_listings.clear();
        m_window.m_runBase = DirectoryAnchor();
        pacing::setBeforeHandOver({});
        setSearchKeepAlive({});
        m_window.m_comparing = false;
        if (std::uncaught_exceptions() > m_exceptions)
            m_window.enterIdleState();
        if (m_window.m_closePending) {
            m_window.m_closePending = false;
            QMetaObject::invokeMethod(&m_window, &QWidget::close, Qt::QueuedConnection);
        }
    }
    RunScope(const RunScope &) = delete;
    RunScope &operator=(const RunScope &) = delete;

private:
    TfMain &m_window;
    int m_exceptions;
};

void TfMain::enterBusyState()
{
    btnGo->setEnabled(false);
    btnStop->setEnabled(true);
    if (!m_hourglass) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_hourglass = true;
    }
}

void TfMain::enterIdleState()
{
    btnGo->setEnabled(true);
    btnStop->setEnabled(false);
    if (m_hourglass) {
        QApplication::restoreOverrideCursor();
        m_hourglass = false;
    }
}

void TfMain::flushRunOutput()
{
    m_progress.flush();
    eRich->flush();
}

bool TfMain::enterRunDirectory(const QString &dirText)
{
    return SetCurrentDirFrom(m_runBase, pathBytes(dirText));
}

void TfMain::btnGoClick(QObject * /*Sender*/)
{
    RunScope run(*this);
    eRez->setText(QString());
    enterBusyState();

    if (ePath1->text().isEmpty() || ePath2->text().isEmpty()) {
        showStopMessage(QStringLiteral("N-ati indicat ambele directorii!"), QStringLiteral("Eroare"));
        enterIdleState();
        return;
    }
    for (QLineEdit *path : {ePath1, ePath2}) {
        const QString text = path->text();
        if (!DirectoryExists(text)) {
            showStopMessage(QStringLiteral("Adresa incorecta:\n") + text, QStringLiteral("Eroare"));
            enterIdleState();
            return;
        }
    }
    m_runBase = DirectoryAnchor::current();

    bStop = false;
    m_resultsFull = false;
    bSameDir = ePath1->text() == ePath2->text();
    if (bSameDir)
        cbByName->setChecked(false);

    eRez->setText(QStringLiteral("Asteptati un pic..."));
    pacing::ProcessMessagesNow();

    CompareDirs();

    flushRunOutput();
    eRez->setText(QStringLiteral("Au fost gasite %1 coincidente").arg(eRich->lineCount()));
    enterIdleState();
    if (m_resultsFull)
        ShowMessage(
            QStringLiteral("Lista rezultatelor este plina: comparatia a fost oprita dupa %1 coincidente.")
                .arg(eRich->lineCount()));
}

void TfMain::btnStopClick(QObject * /*Sender*/)
{
    bStop = true;
}
