#include "platform/messages.h"

#include "platform/exceptions.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QString &titleStore()
{
    static QString title;
    return title;
}

std::function<void(const MessageBoxText &)> &sinkStore()
{
    static std::function<void(const MessageBoxText &)> sink;
    return sink;
}

void showBox(QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    if (sinkStore()) {
        sinkStore()({text, caption, icon == QMessageBox::Critical});
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // A run in progress shows the hourglass everywhere; the box itself must still look clickable.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
}

} // namespace

void setMessageSink(std::function<void(const MessageBoxText &)> sink)
{
    sinkStore() = std::move(sink);
}

void setApplicationTitle(const QString &title)
{
    titleStore() = title;
}

QString applicationTitle()
{
    return titleStore();
}

void ShowMessage(const QString &text)
{
    showBox(QMessageBox::NoIcon, applicationTitle(), text);
}

void showStopMessage(const QString &text, const QString &caption)
{
    showBox(QMessageBox::Critical, caption, text);
}

QString exceptionDisplayText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void showException(const Exception *e)
{
    showBox(QMessageBox::Critical, applicationTitle(), exceptionDisplayText(e ? e->message() : QString()));
}
