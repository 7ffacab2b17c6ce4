// The key filters of the bounds and the memo, and the doors that are closed around them: pasting by
// shortcut, input-method text, drops and context menus.

#include "support/secondpage.h"

#include "engine/keys.h"
#include "platform/files.h"
#include "ui/memofile.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

namespace {

// Plays keys on a control: "type:TEXT" types each character, "key:NAME" presses a key, "ctrl:NAME" and
// "shift:NAME" press it with that modifier, "raw:NAME" sends the key press by hand, "text:TEXT" sends each
// character as a key press by hand (QTest types only Latin-1), "pad:DIGIT" a digit of the numeric keypad.
void play(QWidget *w, const QStringList &steps)
{
    const auto keyCode = [](const QString &name) {
        static const QHash<QString, Qt::Key> keys{{"Return", Qt::Key_Return},
                                                  {"Enter", Qt::Key_Enter},
                                                  {"Escape", Qt::Key_Escape},
                                                  {"Tab", Qt::Key_Tab},
                                                  {"Backspace", Qt::Key_Backspace},
                                                  {"Delete", Qt::Key_Delete},
                                                  {"Home", Qt::Key_Home},
                                                  {"End", Qt::Key_End},
                                                  {"Left", Qt::Key_Left},
                                                  {"Insert", Qt::Key_Insert},
                                                  {"Paste", Qt::Key_Paste},
                                                  {"A", Qt::Key_A},
                                                  {"V", Qt::Key_V},
                                                  {"X", Qt::Key_X},
                                                  {"Z", Qt::Key_Z}};
        if (!keys.contains(name))
            qFatal("unknown key %s", qPrintable(name));
        return keys.value(name);
    };
    for (const QString &step : steps) {
        const QString kind = step.section(QLatin1Char(':'), 0, 0), arg = step.section(QLatin1Char(':'), 1);
        if (kind == QLatin1String("type"))
            QTest::keyClicks(w, arg);
        else if (kind == QLatin1String("key"))
            QTest::keyClick(w, keyCode(arg));
        else if (kind == QLatin1String("ctrl"))
            QTest::keyClick(w, keyCode(arg), Qt::ControlModifier);
        else if (kind == QLatin1String("shift"))
            QTest::keyClick(w, keyCode(arg), Qt::ShiftModifier);
        else if (kind == QLatin1String("raw")) {
            // Keys that QTest cannot make, sent as the platform would.
            QKeyEvent press(QEvent::KeyPress, keyCode(arg), Qt::NoModifier);
            QApplication::sendEvent(w, &press);
        } else if (kind == QLatin1String("text")) {
            for (const QChar c : arg) {
                QKeyEvent press(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
                QApplication::sendEvent(w, &press);
            }
        } else if (kind == QLatin1String("pad"))
            QTest::keyClick(w, arg.at(0).toLatin1(), Qt::KeypadModifier);
        else
            qFatal("unknown step %s", qPrintable(step));
    }
}

} // namespace

class TestKeyFilters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_page = std::make_unique<SecondPage>(QByteArray("1 2\r\n"));
        m_page->showPage2();
        m_w = m_page->w.get();
        QApplication::clipboard()->setText(QStringLiteral("77"));

        // The same paste reaches an edit without the filter: the refusals below are the filter's doing.
        QLineEdit plain;
        QVERIFY(showExposed(plain));
        QTest::keyClick(&plain, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(plain.text(), QStringLiteral("77"));
    }

    // Ctrl+V is one character whichever text the key event carries.
    void keyEventsGiveTheCharacterTheyType()
    {
        QCOMPARE(typedCharacter(Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16")),
                 std::optional<char>('\x16'));
        QCOMPARE(typedCharacter(Qt::Key_V, Qt::ControlModifier, QStringLiteral("v")),
                 std::optional<char>('\x16'));
        QCOMPARE(typedCharacter(Qt::Key_5, Qt::NoModifier, QStringLiteral("5")), std::optional<char>('5'));
        QCOMPARE(typedCharacter(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")),
                 std::optional<char>('\r'));
        QCOMPARE(typedCharacter(Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b")),
                 std::optional<char>('\b'));
        QCOMPARE(typedCharacter(Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f")), std::nullopt);
        QCOMPARE(typedCharacter(Qt::Key_Left, Qt::ControlModifier, QString()), std::nullopt);
        const std::optional<char> nonAscii =
            typedCharacter(Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u0663"));
        QVERIFY(nonAscii && *nonAscii != 0 && !Digits.contains(*nonAscii));
    }

    void boundsTakeOnlyAsciiDigitsAndBackspace_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *tag, const char *edit, const char *start, const QStringList &steps,
                            const char *expected) {
            QTest::newRow(tag) << edit << start << steps << expected;
        };
        row("minus sign", "aEdit", "", {"type:-5"}, "5");
        row("letters, blank and signs", "aEdit", "", {"type:a1 +2.e"}, "12");
        row("Enter and Esc", "aEdit", "", {"type:1", "key:Return", "key:Enter", "key:Escape", "type:2"},
            "12");
        row("Ctrl+V", "aEdit", "1", {"ctrl:V"}, "1");
        row("Shift+Insert and the Paste key", "bEdit", "1", {"shift:Insert", "raw:Paste"}, "1");
        // Ctrl+A would select all, and the next digit replace it.
        row("Ctrl+A", "aEdit", "12", {"ctrl:A", "type:3"}, "123");
        row("Ctrl+X", "bEdit", "12", {"ctrl:A", "ctrl:X"}, "12");
        row("backspace", "aEdit", "123", {"key:Backspace"}, "12");
        row("keys that type nothing still work", "aEdit", "123",
            {"key:Home", "key:Delete", "key:End", "key:Left", "type:9"}, "293");
        row("keypad digits", "bEdit", "", {"pad:4", "pad:2"}, "42");
        row("a digit that is not ASCII", "aEdit", "1", {"text:\u0663\uff15"}, "1");
    }
    void boundsTakeOnlyAsciiDigitsAndBackspace()
    {
        QFETCH(QString, edit);
        QFETCH(QString, start);
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        auto *e = m_w->findChild<QLineEdit *>(edit);
        e->setText(start);
        e->setFocus();
        e->end(false);
        play(e, steps);
        QCOMPARE(e->text(), expected);
    }

    void memoTakesOnlyDigitsBlanksAndBackspace_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Enter inserts nothing") << QStringList{"key:Return", "key:Enter"} << "1 2\n";
        QTest::newRow("digits and the blank") << QStringList{"type:12 7"} << "1 2\n12 7";
        QTest::newRow("letters and signs") << QStringList{"type:a-b+.,"} << "1 2\n";
        QTest::newRow("Ctrl+V, Shift+Insert") << QStringList{"ctrl:V", "shift:Insert"} << "1 2\n";
        QTest::newRow("backspace removes a line break") << QStringList{"key:Backspace", "type:3"} << "1 23";
        QTest::newRow("Ctrl+Z") << QStringList{"type:5", "ctrl:Z"} << "1 2\n5";
    }
    void memoTakesOnlyDigitsBlanksAndBackspace()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        m_page->leaveAndReturn();
        m_w->fMemo->setFocus();
        m_w->fMemo->moveCursor(QTextCursor::End);
        play(m_w->fMemo, steps);
        QCOMPARE(memoText(m_w->fMemo), expected);
    }

    void noTextEntersByInputMethodDropOrContextMenu()
    {
        m_w->aEdit->setText(QStringLiteral("1"));
        m_w->bEdit->setText(QStringLiteral("3"));
        m_w->fMemo->setPlainText(QStringLiteral("2"));
        for (QWidget *target : {static_cast<QWidget *>(m_w->aEdit), static_cast<QWidget *>(m_w->bEdit),
                                static_cast<QWidget *>(m_w->fMemo)}) {
            target->setFocus();
            QInputMethodEvent composed;
            composed.setCommitString(QStringLiteral("99"));
            QApplication::sendEvent(target, &composed);
        }
        QMimeData mime;
        mime.setText(QStringLiteral("55"));
        for (QWidget *target : {static_cast<QWidget *>(m_w->aEdit), m_w->fMemo->viewport()}) {
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &drop);
        }
        QCOMPARE(m_w->aEdit->text(), QStringLiteral("1"));
        QCOMPARE(m_w->bEdit->text(), QStringLiteral("3"));
        QCOMPARE(memoText(m_w->fMemo), QStringLiteral("2"));

        // The bounds have no context menu at all, so no clipboard commands.
        QTest::mouseClick(m_w->aEdit, Qt::RightButton);
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), m_w->aEdit->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(m_w->aEdit, &menu);
        QTest::qWait(50);
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
    }

private:
    std::unique_ptr<SecondPage> m_page;
    TfMain *m_w = nullptr;
};

QTEST_MAIN(TestKeyFilters)
#include "tst_keyfilters.moc"
