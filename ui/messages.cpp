#include "ui/messages.h"

#include "platform/exceptions.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
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

// The window manager writes the caption in the title bar between the window's icon and its buttons,
// often in a larger bold face; the toolkit sizes a box by its text and leaves room for the caption only
// in its own small title face, so a short text got a box whose caption was cut. The box is made at least
// as wide as the caption in a face a quarter larger than the window's, bold, plus room for an icon and
// three buttons of a title bar that high.
int widthForCaption(const QString &caption)
{
    QFont face = QApplication::font();
    if (face.pointSizeF() > 0)
        face.setPointSizeF(face.pointSizeF() * 1.25);
    else
        face.setPixelSize(face.pixelSize() * 5 / 4);
    face.setBold(true);
    const QFontMetrics metrics(face);
    const int titleBarHeight = 2 * metrics.height();
    return metrics.horizontalAdvance(caption) + 4 * titleBarHeight + 2 * metrics.height();
}

void showBox(MessageBoxKind kind, const QString &caption, const QString &text)
{
    if (sinkStore()) {
        sinkStore()({text, caption, kind});
        return;
    }
    QMessageBox box(kind == MessageBoxKind::Simple ? QMessageBox::NoIcon : QMessageBox::Critical, caption,
                    text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // The box takes its width from its layout's minimum, so a spacer across the whole grid sets it.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(
            new QSpacerItem(widthForCaption(caption), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
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
    showBox(MessageBoxKind::Simple, applicationTitle(), text);
}

void showStopMessage(const QString &text, const QString &caption)
{
    showBox(MessageBoxKind::Stop, caption, text);
}

QString exceptionDisplayText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void showException(const Exception *e)
{
    showBox(MessageBoxKind::Exception, applicationTitle(),
            exceptionDisplayText(e ? e->message() : QString()));
}
