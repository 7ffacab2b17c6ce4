// The third page's run control: the checks before a run, the busy and idle states, the count after, and
// the page as the face through which the comparison engine reads the controls and reports.

#include "app/vestrel.h"

#include "engine/flags.h"
#include "engine/runchecks.h"
#include "platform/dirsearch.h"
#include "platform/filenames.h"
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
    }
    ~RunScope()
    {
        m_window.m_comparison->endRun();
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

void TfMain::createComparison()
{
    m_face = std::make_unique<ComparisonFace>(*this);
    m_comparison = std::make_unique<Comparison>(*m_face, *m_face);
}

QString TfMain::ComparisonFace::pathText(int directory) const
{
    return (directory == 1 ? m_window.ePath1 : m_window.ePath2)->text();
}

bool TfMain::ComparisonFace::isChosen(Criterion criterion) const
{
    switch (criterion) {
    case Criterion::Name:
        return m_window.cbByName->isChecked();
    case Criterion::Volume:
        return m_window.cbByVolume->isChecked();
    case Criterion::Time:
        return m_window.cbByDate->isChecked();
    case Criterion::Contents:
        return m_window.cbByContents->isChecked();
    }
    return false;
}

// The attribute bits of the kinds ticked. "Obisnuite" stands for the archive bit that ordinary files
// carry; the system's own normal bit marks a file with no other bit, and such a file never takes part.
quint32 TfMain::ComparisonFace::chosenKinds() const
{
    quint32 mask = 0;
    if (m_window.cbNormal->isChecked())
        mask |= FileAttr::Archive;
    if (m_window.cbHide->isChecked())
        mask |= FileAttr::Hidden;
    if (m_window.cbReadOnly->isChecked())
        mask |= FileAttr::ReadOnly;
    if (m_window.cbSystem->isChecked())
        mask |= FileAttr::System;
    return mask;
}

void TfMain::ComparisonFace::clearResults()
{
    m_window.eRich->clearLines();
}

bool TfMain::ComparisonFace::AddResultLine(QLatin1StringView tag, const QByteArray &firstName,
                                           const QByteArray &secondName)
{
    return m_window.AddResultLine(tag, firstName, secondName);
}

void TfMain::ComparisonFace::showProgress(const QString &text)
{
    m_window.eRez->setText(text);
}

void TfMain::ComparisonFace::writeOut()
{
    m_window.eRich->flush();
}

void TfMain::ComparisonFace::handOver()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

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

void TfMain::btnGoClick(QObject * /*Sender*/)
{
    RunScope run(*this);
    eRez->setText(QString());
    enterBusyState();

    if (const auto refusal = pathsRefusal(ePath1->text(), ePath2->text())) {
        showStopMessage(*refusal, refusalCaption());
        enterIdleState();
        return;
    }

    // Clears bStop and sets bSameDir.
    if (m_comparison->beginRun(ePath1->text(), ePath2->text()))
        cbByName->setChecked(false);

    eRez->setText(waitingText());
    m_comparison->pacing().ProcessMessagesNow();

    CompareDirs();

    m_comparison->progress().flush();
    eRich->flush();
    eRez->setText(resultCountText(eRich->lineCount()));
    enterIdleState();
    if (m_comparison->resultsFull())
        ShowMessage(resultsFullText(eRich->lineCount()));
}

void TfMain::btnStopClick(QObject * /*Sender*/)
{
    bStop = true;
}
