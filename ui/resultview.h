#pragma once

#include "engine/resultlines.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QByteArray>
#include <QClipboard>
#include <QString>

#include <limits>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QMenu;
class QTextLayout;

// A place in the result view's text: a line and a column of its shown text (UTF-16 units). Every line
// ends with a line break, so the end of the text is column 0 of the line after the last.
struct TextPosition
{
    qint64 line = 0;
    int column = 0;
    auto operator<=>(const TextPosition &) const = default;
};

// The result view: a read-only text of plain lines, one per coincidence, without wrapping. Adding a line
// costs next to nothing; the view shows the lines added so far whenever the run flushes before handing
// control to the event loop, and follows the end while the user has not scrolled away from it. Only the
// visible lines are laid out and painted, so its cost does not grow with the number of lines. Any part
// of the text can be selected with the mouse or the keyboard and copied.
class ResultView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    using Position = TextPosition;

    // One copy takes at most this many bytes of lines: the text is built in memory at once.
    static constexpr qint64 kDefaultCopyLimit = qint64(64) << 20;

    explicit ResultView(QWidget *parent = nullptr);
    ~ResultView() override;

    void clearLines();
    // Adds a line; false when the view is full and the line was not added.
    bool addLine(QByteArrayView utf8);
    qint64 lineCount() const { return m_lines.count(); }
    void setCapacity(qint64 lines) { m_lines.setCapacity(lines); }
    // The line as shown (see resultLineText).
    QString lineText(qint64 line) const { return m_lines.text(line); }
    // The line exactly as added.
    QByteArray lineBytes(qint64 line) const { return m_lines.bytes(line).toByteArray(); }
    // Every line, each ended by a line feed.
    QString toPlainText() const;
    // Shows the lines added since the last call.
    void flush();
    // The lines shown: those added up to the last flush().
    qint64 shownLineCount() const { return m_shown; }

    Position cursorPosition() const { return m_cursor; }
    bool hasSelection() const { return m_anchor != m_cursor; }
    // The selection from the anchor to the cursor (either may come first).
    void select(Position anchor, Position cursor);
    void selectAll();
    // The selected text, lines ended by line feeds.
    QString selectedText() const;
    // Puts the selected text on the clipboard; a selection beyond the copy limit is refused with a message.
    void copy();
    void setCopyLimit(qint64 bytes) { m_copyLimit = bytes; }

    // The lines the last paint drew, [first, end); the end may count the empty place after the last line.
    std::pair<qint64, qint64> paintedLines() const { return m_painted; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    enum class Motion {
        PreviousChar,
        NextChar,
        PreviousWord,
        NextWord,
        PreviousLine,
        NextLine,
        PreviousPage,
        NextPage,
        LineStart,
        LineEnd,
        TextStart,
        TextEnd
    };

    // Geometry: rows are line numbers, the vertical scroll bar's value is the top row.
    int lineHeight() const { return m_lineHeight; }
    int fullRows() const;
    qint64 topRow() const;
    int originX() const;
    void updateScrollBars();
    void measureWidest();
    void widenTo(int textWidth);

    void layOut(QTextLayout &layout, qint64 line) const;
    void paintLine(QPainter &painter, qint64 line, int y, const QRect &clip);

    // What a drag selects: characters, or whole words after a double click, whole lines after a triple.
    enum class Unit { Characters, Words, Lines };

    // Places and motions. A place at a point lies between two characters, or before the character under
    // the point when onCharacter is set.
    Position positionAt(QPoint point, bool onCharacter = false) const;
    Position clamped(Position at) const;
    Position moved(Position from, Motion motion);
    std::pair<Position, Position> unitAt(QPoint point, Unit unit) const;
    Position lineEnd(qint64 line) const;
    int cursorX(Position at) const;

    void moveCursor(Position to, bool keepAnchor);
    void ensureVisible(Position at);
    void dragTo(QPoint point);
    void autoScroll();
    void copyTo(QClipboard::Mode mode, bool refuseLoudly);
    void showContextMenu(QPoint globalPos);
    void restartBlink();

    ResultLines m_lines;
    qint64 m_shown = 0;
    qint64 m_measured = -1;
    int m_widest = 0;
    int m_lineHeight = 1;

    Position m_anchor;
    Position m_cursor;
    int m_desiredX = -1;
    // A drag with the left button, from the unit (a character, word or line) first pressed.
    bool m_dragging = false;
    Unit m_unit = Unit::Characters;
    std::pair<Position, Position> m_dragStart;
    QPoint m_dragPoint;
    QPoint m_doubleClickPoint;
    QBasicTimer m_autoScroll;
    QBasicTimer m_tripleClick;
    QBasicTimer m_blink;
    bool m_caretOn = false;

    qint64 m_copyLimit = kDefaultCopyLimit;
    std::pair<qint64, qint64> m_painted{0, 0};

    QMenu *m_menu;
    QAction *m_copyAction;
    QAction *m_selectAllAction;
};
