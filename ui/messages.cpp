#include "ui/messages.h"

#include "platform/exceptions.h"
#include "platform/systembox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace {

QString &titleStore()
{
    static QString title;
    return title;
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

// Room for the window manager's frame around a box, on both sides together.
constexpr int kFrameAllowance = 16;

// The widest a box may be: the toolkit lets a box grow to the whole screen when it is small, and to a
// little over half of it when it is large; never past its available width.
int widestBox(const QScreen *screen)
{
    const int available = screen->availableGeometry().width();
    const int limit = available <= 1024 ? available : std::min(available - 480, 1000);
    return std::min(limit, available - kFrameAllowance);
}

// The box's text in the label's place. A label wraps only between words, so a long path was cut at the
// box's edge, and its text could not be taken out of it. This view looks like the label but wraps
// anywhere a word does not fit, scrolls when the text is taller than a box should be, and its text can
// be selected and copied.
class BoxText : public QTextEdit
{
public:
    BoxText(const QString &text, const QLabel *label, QWidget *parent) : QTextEdit(parent)
    {
        setObjectName(QStringLiteral("boxText"));
        setFont(label->font());
        setFrameShape(QFrame::NoFrame);
        viewport()->setAutoFillBackground(false);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        document()->setDocumentMargin(0);
        setPlainText(text);
        setReadOnly(true);
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        // Clicked into to select, but Enter still reaches the box's button first.
        setFocusPolicy(Qt::ClickFocus);
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);

        m_measure.setDefaultFont(font());
        m_measure.setDocumentMargin(0);
        m_measure.setPlainText(text);
        m_natural = int(std::ceil(m_measure.idealWidth())) + 1;
        QTextOption wrap = m_measure.defaultTextOption();
        wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_measure.setDefaultTextOption(wrap);
    }

    // The most the text may take: wider or taller, it wraps or scrolls.
    void setLimits(int widest, int tallest)
    {
        m_widest = std::max(widest, 1);
        m_tallest = std::max(tallest, fontMetrics().height());
        updateGeometry();
    }

    QSize sizeHint() const override
    {
        const int width = std::min(m_natural, m_widest);
        return QSize(width, heightForWidth(width));
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override
    {
        m_measure.setTextWidth(width);
        const int needed = int(std::ceil(m_measure.size().height())) + 1;
        return std::min(needed, m_tallest);
    }

private:
    mutable QTextDocument m_measure;
    int m_natural = 0;
    int m_widest = QWIDGETSIZE_MAX;
    int m_tallest = QWIDGETSIZE_MAX;
};

// Puts the text view in the label's cell. The label stays, hidden, so that the box's text reads as
// before.
void replaceLabel(QMessageBox &box, QGridLayout *grid, const QString &text)
{
    auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    const int index = label ? grid->indexOf(label) : -1;
    if (index < 0) {
        box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        return;
    }
    int row, column, rows, columns;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    auto *view = new BoxText(text, label, &box);
    label->hide();
    grid->addWidget(view, row, column, rows, columns, label->alignment() & Qt::AlignVertical_Mask);

    // What the rest of the box's row takes beside the text, while the text is as wide as it likes: it is
    // wrong only when another row is wider than the text's, when the text is short enough to fit anyway.
    const QScreen *screen = box.screen();
    grid->invalidate();
    const int beside = grid->totalMinimumSize().width() - view->minimumSizeHint().width();
    view->setLimits(widestBox(screen) - beside, screen->availableGeometry().height() * 3 / 5);
    grid->invalidate();
}

void showBox(MessageBoxKind kind, const QString &caption, const QString &text)
{
    QMessageBox box(kind == MessageBoxKind::Simple ? QMessageBox::NoIcon : QMessageBox::Critical, caption,
                    text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        replaceLabel(box, grid, text);
        // The box takes its width from its layout's minimum, so a spacer across the whole grid sets it.
        const int captionWidth = std::min(widthForCaption(caption), widestBox(box.screen()));
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    // A run in progress shows the hourglass everywhere; the box itself must still look clickable.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
}

} // namespace

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
    // The system's own box only where the program's windows are the system's own too: on another
    // platform plugin (offscreen, for one) a system box would stand apart from everything else shown.
    if (QGuiApplication::platformName() == QLatin1String("windows") && showSystemStopBox(text, caption))
        return;
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
