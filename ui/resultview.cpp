#include "ui/resultview.h"

#include "platform/filenames.h"
#include "ui/handlerguard.h"
#include "ui/messages.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kLeftMargin = 3;
constexpr int kTopMargin = 1;
// Room after the widest line for the caret and the mark of a selected line break.
constexpr int kRightMargin = 6;
// A tab advances to the next multiple of this many average character widths: every tag and its four
// blanks end before the first stop, so the names of all criteria line up.
constexpr int kTabStopChars = 8;
// Lines are laid out without wrapping: the width only has to exceed any line.
constexpr qreal kUnboundedWidth = 1 << 24;
constexpr int kAutoScrollMs = 50;
// A copy of more bytes than this takes a noticeable moment: the pointer says so.
constexpr qint64 kSlowCopyBytes = 4 << 20;

struct KeyMotion
{
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    int motion;
};

} // namespace

ResultView::ResultView(QWidget *parent)
    : QAbstractScrollArea(parent), m_menu(new QMenu(this)),
      m_copyAction(m_menu->addAction(QStringLiteral("&Copiaza"))),
      m_selectAllAction(m_menu->addAction(QStringLiteral("Selecteaza &tot")))
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    // The keys are the view's own (keyPressEvent); the menu only shows them.
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_selectAllAction->setShortcut(QKeySequence::SelectAll);
    for (QAction *action : {m_copyAction, m_selectAllAction}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setShortcutVisibleInContextMenu(true);
    }
    connect(m_copyAction, &QAction::triggered, this, [this] { runHandler([this] { copy(); }); });
    connect(m_selectAllAction, &QAction::triggered, this, [this] { runHandler([this] { selectAll(); }); });
    m_lineHeight = std::max(1, fontMetrics().lineSpacing());
    updateScrollBars();
}

ResultView::~ResultView() = default;

void ResultView::clearLines()
{
    m_lines.clear();
    m_shown = 0;
    m_measured = -1;
    m_widest = 0;
    m_anchor = m_cursor = Position();
    m_desiredX = -1;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

bool ResultView::addLine(QByteArrayView utf8)
{
    return m_lines.append(utf8);
}

void ResultView::flush()
{
    if (m_shown == m_lines.count())
        return;
    QScrollBar *bar = verticalScrollBar();
    // Like a terminal: the view keeps to the end until the user scrolls away from it or is selecting.
    const bool following = !m_dragging && bar->value() >= bar->maximum();
    const bool newRowsVisible = m_shown <= topRow() + fullRows();
    m_shown = m_lines.count();
    measureWidest();
    updateScrollBars();
    if (following)
        bar->setValue(bar->maximum());
    if (newRowsVisible || following)
        viewport()->update();
}

QString ResultView::toPlainText() const
{
    QString all;
    for (qint64 i = 0; i < m_lines.count(); ++i)
        all += m_lines.text(i) + QLatin1Char('\n');
    return all;
}

int ResultView::fullRows() const
{
    return std::max(1, (viewport()->height() - kTopMargin) / m_lineHeight);
}

qint64 ResultView::topRow() const
{
    return verticalScrollBar()->value();
}

int ResultView::originX() const
{
    return kLeftMargin - horizontalScrollBar()->value();
}

void ResultView::updateScrollBars()
{
    // One row more than lines: the empty place after the last line break.
    const int rows = fullRows();
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, int(std::max<qint64>(0, m_shown + 1 - rows)));
    vertical->setPageStep(rows);
    vertical->setSingleStep(1);
    QScrollBar *horizontal = horizontalScrollBar();
    const int width = viewport()->width();
    horizontal->setRange(0, std::max(0, kLeftMargin + m_widest + kRightMargin - width));
    horizontal->setPageStep(std::max(1, width));
    horizontal->setSingleStep(std::max(1, 2 * fontMetrics().averageCharWidth()));
}

void ResultView::measureWidest()
{
    const qint64 longest = m_lines.longestLine();
    if (longest < 0 || longest == m_measured)
        return;
    m_measured = longest;
    QTextLayout layout;
    layOut(layout, longest);
    m_widest = std::max(m_widest, int(std::ceil(layout.lineAt(0).naturalTextWidth())));
}

void ResultView::widenTo(int textWidth)
{
    // The line with the most bytes is not always the widest: a wider one seen is made reachable.
    if (textWidth <= m_widest)
        return;
    m_widest = textWidth;
    QMetaObject::invokeMethod(this, &ResultView::updateScrollBars, Qt::QueuedConnection);
}

void ResultView::layOut(QTextLayout &layout, qint64 line) const
{
    layout.setText(line < m_shown ? m_lines.text(line) : QString());
    layout.setFont(font());
    QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(Qt::LeftToRight);
    option.setTabStopDistance(kTabStopChars * fontMetrics().averageCharWidth());
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine row = layout.createLine();
    row.setLineWidth(kUnboundedWidth);
    row.setPosition(QPointF(0, 0));
    layout.endLayout();
}

void ResultView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect clip = event->rect();
    const qint64 top = topRow();
    const qint64 first = top + std::max(0, clip.top() - kTopMargin) / m_lineHeight;
    const qint64 end =
        std::min(m_shown + 1, top + std::max(0, clip.bottom() - kTopMargin) / m_lineHeight + 1);
    for (qint64 line = first; line < end; ++line)
        paintLine(painter, line, kTopMargin + int(line - top) * m_lineHeight, clip);
    m_painted = {first, std::max(first, end)};
}

void ResultView::paintLine(QPainter &painter, qint64 line, int y, const QRect &clip)
{
    QTextLayout layout;
    layOut(layout, line);
    const QTextLine row = layout.lineAt(0);
    widenTo(int(std::ceil(row.naturalTextWidth())));

    const QPalette::ColorGroup group = hasFocus() ? QPalette::Active : QPalette::Inactive;
    QList<QTextLayout::FormatRange> selections;
    const auto [start, end] = std::minmax(m_anchor, m_cursor);
    if (start != end && start.line <= line && line <= end.line) {
        QTextCharFormat selected;
        selected.setBackground(palette().brush(group, QPalette::Highlight));
        selected.setForeground(palette().brush(group, QPalette::HighlightedText));
        const int from = start.line == line ? start.column : 0;
        const int to = end.line == line ? end.column : int(layout.text().size());
        if (to > from)
            selections.append({from, to - from, selected});
        // A selected line break shows as a narrow mark after the line's text.
        if (end.line > line)
            painter.fillRect(QRectF(originX() + row.naturalTextWidth(), y,
                                    std::max(2, fontMetrics().averageCharWidth() / 2), m_lineHeight),
                             selected.background());
    }
    painter.setPen(palette().color(group, QPalette::Text));
    const QPointF origin(originX(), y);
    layout.draw(&painter, origin, selections, clip);
    if (m_caretOn && m_cursor.line == line)
        layout.drawCursor(&painter, origin, m_cursor.column, 1);
}

void ResultView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ResultView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void ResultView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_lineHeight = std::max(1, fontMetrics().lineSpacing());
        m_measured = -1;
        m_widest = 0;
        measureWidest();
        updateScrollBars();
        viewport()->update();
    }
}

ResultView::Position ResultView::positionAt(QPoint point, bool onCharacter) const
{
    const int dy = point.y() - kTopMargin;
    const qint64 row = topRow() + (dy < 0 ? -1 - (-dy - 1) / m_lineHeight : dy / m_lineHeight);
    if (row < 0)
        return Position();
    if (row >= m_shown)
        return {m_shown, 0};
    QTextLayout layout;
    layOut(layout, row);
    const auto mode = onCharacter ? QTextLine::CursorOnCharacter : QTextLine::CursorBetweenCharacters;
    return {row, layout.lineAt(0).xToCursor(point.x() - originX(), mode)};
}

ResultView::Position ResultView::clamped(Position at) const
{
    at.line = std::clamp<qint64>(at.line, 0, m_shown);
    at.column = std::clamp(at.column, 0, lineEnd(at.line).column);
    return at;
}

ResultView::Position ResultView::lineEnd(qint64 line) const
{
    return {line, line < m_shown ? int(m_lines.text(line).size()) : 0};
}

int ResultView::cursorX(Position at) const
{
    QTextLayout layout;
    layOut(layout, at.line);
    return int(layout.lineAt(0).cursorToX(at.column));
}

ResultView::Position ResultView::moved(Position from, Motion motion)
{
    QTextLayout layout;
    layOut(layout, from.line);
    const int length = int(layout.text().size());
    const bool words = motion == Motion::PreviousWord || motion == Motion::NextWord;
    const auto unit = words ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
    bool vertical = false;
    qint64 step = 1;
    Position to = from;
    switch (motion) {
    case Motion::PreviousChar:
    case Motion::PreviousWord:
        if (from.column > 0)
            to.column = layout.previousCursorPosition(from.column, unit);
        else if (from.line > 0)
            to = lineEnd(from.line - 1);
        break;
    case Motion::NextChar:
    case Motion::NextWord:
        if (from.column < length)
            to.column = layout.nextCursorPosition(from.column, unit);
        else if (from.line < m_shown)
            to = {from.line + 1, 0};
        break;
    case Motion::LineStart:
        to.column = 0;
        break;
    case Motion::LineEnd:
        to.column = length;
        break;
    case Motion::TextStart:
        to = Position();
        break;
    case Motion::TextEnd:
        to = {m_shown, 0};
        break;
    case Motion::PreviousPage:
    case Motion::NextPage:
        step = fullRows();
        [[fallthrough]];
    case Motion::PreviousLine:
    case Motion::NextLine:
        vertical = true;
        break;
    }
    if (!vertical) {
        m_desiredX = -1;
        return to;
    }
    // Up and down keep to the column where the vertical movement began.
    if (m_desiredX < 0)
        m_desiredX = int(layout.lineAt(0).cursorToX(from.column));
    const bool back = motion == Motion::PreviousLine || motion == Motion::PreviousPage;
    to.line = std::clamp<qint64>(from.line + (back ? -step : step), 0, m_shown);
    if (to.line == from.line)
        return from;
    QTextLayout target;
    layOut(target, to.line);
    to.column = target.lineAt(0).xToCursor(m_desiredX);
    return to;
}

std::pair<ResultView::Position, ResultView::Position> ResultView::unitAt(QPoint point, Unit unit) const
{
    const Position at = positionAt(point, unit == Unit::Words);
    if (at.line >= m_shown)
        return {at, at};
    if (unit == Unit::Lines)
        return {{at.line, 0}, {at.line + 1, 0}};
    if (unit == Unit::Characters)
        return {at, at};
    const QString text = m_lines.text(at.line);
    if (text.isEmpty())
        return {at, at};
    const int character = std::clamp(at.column, 0, int(text.size()) - 1);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    finder.setPosition(character);
    const qsizetype start = finder.isAtBoundary() ? character : finder.toPreviousBoundary();
    finder.setPosition(character);
    const qsizetype end = finder.toNextBoundary();
    return {{at.line, int(std::max<qsizetype>(0, start))}, {at.line, int(end < 0 ? text.size() : end)}};
}

void ResultView::select(Position anchor, Position cursor)
{
    m_anchor = clamped(anchor);
    m_cursor = clamped(cursor);
    restartBlink();
}

void ResultView::selectAll()
{
    select(Position(), {m_shown, 0});
}

void ResultView::moveCursor(Position to, bool keepAnchor)
{
    select(keepAnchor ? m_anchor : to, to);
}

void ResultView::ensureVisible(Position at)
{
    QScrollBar *vertical = verticalScrollBar();
    const int rows = fullRows();
    if (at.line < vertical->value())
        vertical->setValue(int(at.line));
    else if (at.line >= vertical->value() + rows)
        vertical->setValue(int(at.line - rows + 1));
    QScrollBar *horizontal = horizontalScrollBar();
    const int x = kLeftMargin + cursorX(at);
    const int width = viewport()->width();
    if (x < horizontal->value() + kLeftMargin)
        horizontal->setValue(x - width / 3);
    else if (x > horizontal->value() + width - kRightMargin)
        horizontal->setValue(x - 2 * width / 3);
}

QString ResultView::selectedText() const
{
    const auto [start, end] = std::minmax(m_anchor, m_cursor);
    QString text;
    text.reserve(
        qsizetype(m_lines.byteCount(start.line, std::min(end.line + 1, m_shown)) + (end.line - start.line)));
    for (qint64 line = start.line; line <= end.line && line < m_shown; ++line) {
        const QString shown = m_lines.text(line);
        const qsizetype from = line == start.line ? start.column : 0;
        if (line == end.line) {
            text += QStringView(shown).sliced(from, end.column - from);
            break;
        }
        text += QStringView(shown).sliced(from);
        text += QLatin1Char('\n');
    }
    return text;
}

void ResultView::copy()
{
    copyTo(QClipboard::Clipboard, true);
}

void ResultView::copyTo(QClipboard::Mode mode, bool refuseLoudly)
{
    if (!hasSelection())
        return;
    const auto [start, end] = std::minmax(m_anchor, m_cursor);
    // The whole text is built in memory and handed to the clipboard at once: a selection too large for
    // that is refused before anything is built, and a copy says why.
    const qint64 bytes =
        m_lines.byteCount(start.line, std::min(end.line + 1, m_shown)) + (end.line - start.line);
    if (bytes > m_copyLimit) {
        if (refuseLoudly)
            ShowMessage(QStringLiteral("Textul selectat (%1 linii) este prea mare pentru a fi copiat: se pot "
                                       "copia cel mult %2 MB odata.")
                            .arg(end.line - start.line + (end.column > 0 ? 1 : 0))
                            .arg(std::max<qint64>(1, m_copyLimit >> 20)));
        return;
    }
    const bool slow = bytes > kSlowCopyBytes;
    if (slow)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restoreCursor = qScopeGuard([slow] {
        if (slow)
            QApplication::restoreOverrideCursor();
    });
    QApplication::clipboard()->setText(selectedText(), mode);
}

void ResultView::keyPressEvent(QKeyEvent *event)
{
    static constexpr KeyMotion kMotions[] = {
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, int(Motion::PreviousChar)},
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, int(Motion::NextChar)},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, int(Motion::PreviousWord)},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, int(Motion::NextWord)},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, int(Motion::PreviousLine)},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, int(Motion::NextLine)},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, int(Motion::PreviousPage)},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, int(Motion::NextPage)},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, int(Motion::LineStart)},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, int(Motion::LineEnd)},
        {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, int(Motion::LineStart)},
        {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, int(Motion::LineEnd)},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, int(Motion::TextStart)},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, int(Motion::TextEnd)},
    };
    runHandler([&] {
        if (event == QKeySequence::Copy) {
            copy();
            return;
        }
        if (event == QKeySequence::SelectAll) {
            selectAll();
            return;
        }
        for (const KeyMotion &k : kMotions) {
            const bool extend = event->matches(k.select);
            if (!extend && !event->matches(k.move))
                continue;
            const auto motion = Motion(k.motion);
            const Position to = moved(m_cursor, motion);
            // A page key turns the page: the cursor keeps its row on the screen.
            if (motion == Motion::PreviousPage || motion == Motion::NextPage)
                verticalScrollBar()->setValue(int(verticalScrollBar()->value() + (to.line - m_cursor.line)));
            moveCursor(to, extend);
            ensureVisible(to);
            return;
        }
        QAbstractScrollArea::keyPressEvent(event);
    });
}

void ResultView::mousePressEvent(QMouseEvent *event)
{
    runHandler([&] {
        if (event->button() != Qt::LeftButton)
            return;
        const QPoint point = event->position().toPoint();
        m_dragging = true;
        m_dragPoint = point;
        m_desiredX = -1;
        if (m_tripleClick.isActive() &&
            (point - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
            m_tripleClick.stop();
            m_unit = Unit::Lines;
            m_dragStart = unitAt(point, m_unit);
            select(m_dragStart.first, m_dragStart.second);
            return;
        }
        m_unit = Unit::Characters;
        moveCursor(positionAt(point), event->modifiers() & Qt::ShiftModifier);
        m_dragStart = {m_anchor, m_anchor};
    });
}

void ResultView::mouseDoubleClickEvent(QMouseEvent *event)
{
    runHandler([&] {
        if (event->button() != Qt::LeftButton)
            return;
        const QPoint point = event->position().toPoint();
        m_dragging = true;
        m_dragPoint = m_doubleClickPoint = point;
        m_unit = Unit::Words;
        m_dragStart = unitAt(point, m_unit);
        select(m_dragStart.first, m_dragStart.second);
        m_tripleClick.start(QApplication::doubleClickInterval(), this);
    });
}

void ResultView::mouseMoveEvent(QMouseEvent *event)
{
    runHandler([&] {
        if (!m_dragging || !(event->buttons() & Qt::LeftButton))
            return;
        dragTo(event->position().toPoint());
        if (viewport()->rect().contains(m_dragPoint))
            m_autoScroll.stop();
        else if (!m_autoScroll.isActive())
            m_autoScroll.start(kAutoScrollMs, this);
    });
}

void ResultView::mouseReleaseEvent(QMouseEvent *event)
{
    runHandler([&] {
        if (event->button() != Qt::LeftButton || !m_dragging)
            return;
        m_dragging = false;
        m_autoScroll.stop();
        // What the mouse selected becomes the primary selection, as in every X program.
        if (hasSelection() && QApplication::clipboard()->supportsSelection())
            copyTo(QClipboard::Selection, false);
    });
}

void ResultView::dragTo(QPoint point)
{
    m_dragPoint = point;
    const auto [first, last] = unitAt(point, m_unit);
    if (first < m_dragStart.first)
        select(m_dragStart.second, first);
    else
        select(m_dragStart.first, std::max(last, m_dragStart.second));
}

void ResultView::autoScroll()
{
    // Beyond an edge the view scrolls towards the pointer, faster the farther it is.
    const QRect area = viewport()->rect();
    QScrollBar *vertical = verticalScrollBar();
    if (m_dragPoint.y() < area.top())
        vertical->setValue(vertical->value() - 1 - (area.top() - m_dragPoint.y()) / m_lineHeight);
    else if (m_dragPoint.y() > area.bottom())
        vertical->setValue(vertical->value() + 1 + (m_dragPoint.y() - area.bottom()) / m_lineHeight);
    QScrollBar *horizontal = horizontalScrollBar();
    if (m_dragPoint.x() < area.left())
        horizontal->setValue(horizontal->value() - horizontal->singleStep());
    else if (m_dragPoint.x() > area.right())
        horizontal->setValue(horizontal->value() + horizontal->singleStep());
    dragTo(m_dragPoint);
}

void ResultView::contextMenuEvent(QContextMenuEvent *event)
{
    runHandler([&] { showContextMenu(event->globalPos()); });
}

void ResultView::showContextMenu(QPoint globalPos)
{
    m_copyAction->setEnabled(hasSelection());
    m_menu->popup(globalPos);
}

void ResultView::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartBlink();
}

void ResultView::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    restartBlink();
}

void ResultView::restartBlink()
{
    // The caret shows where the keys move and select from; the view repaints whole, it is cheap.
    m_caretOn = hasFocus();
    const int flash = QApplication::cursorFlashTime();
    if (m_caretOn && flash >= 2)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
    viewport()->update();
}

void ResultView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretOn = !m_caretOn;
        viewport()->update();
    } else if (event->timerId() == m_autoScroll.timerId()) {
        autoScroll();
    } else if (event->timerId() == m_tripleClick.timerId()) {
        m_tripleClick.stop();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}
