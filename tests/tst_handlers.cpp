// The application title, the exception display's text, and what the handler guard does with an
// exception that leaves a handler.

#include "support/fixture.h"
#include "support/messageboxes.h"

#include "platform/exceptions.h"
#include "ui/application.h"
#include "ui/handlerguard.h"
#include "ui/messages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>

#include <stdexcept>

class TestHandlers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { makeMainWindow(); } // sets the application title as start-up does

    void titleIsTheProgramsOwn()
    {
        QCOMPARE(vestrelTitle(), QStringLiteral("\"Vestrel\" by Tovi"));
        QCOMPARE(vestrelTitle().size(), 17);
        QCOMPARE(applicationTitle(), vestrelTitle());
    }

    void exceptionDisplayAddsAFullStopWhereTheTextNeedsOne_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        const auto row = [](const char *tag, const QString &message, const QString &shown) {
            QTest::newRow(tag) << message << shown;
        };
        row("file", "Cannot open file x", "Cannot open file x.");
        row("i/o", "I/O error 5", "I/O error 5.");
        row("exclamation", "Gata!", "Gata!");
        row("dot", "a.", "a.");
        row("empty", "", "");
        row("dash", "x-", "x-");
        row("comma", "x,", "x,");
        row("space", "x ", "x ");
        row("slash", "x/", "x/.");
        row("quote", "x\"", "x\"");
        row("single letter", "z", "z.");
        row("non-latin", QStringLiteral("Eroare \u0219"), QStringLiteral("Eroare \u0219."));
    }
    void exceptionDisplayAddsAFullStopWhereTheTextNeedsOne()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(exceptionDisplayText(message), shown);
    }

    void closeButtonClosesWithoutBox()
    {
        std::unique_ptr<TfMain> w = makeMainWindow();
        QVERIFY(showExposed(*w));
        MessageBoxAnswerer answerer;
        auto *btnClose = w->findChild<QPushButton *>(QStringLiteral("btnClose"));
        QVERIFY(btnClose);
        QTest::mouseClick(btnClose, Qt::LeftButton);
        QTRY_VERIFY(!w->isVisible());
        QTest::qWait(50);
        QVERIFY(answerer.boxes.isEmpty());

        // Clicked by program too.
        QVERIFY(showExposed(*w));
        btnClose->click();
        QTRY_VERIFY(!w->isVisible());
        QTest::qWait(50);
        QVERIFY(answerer.boxes.isEmpty());
    }

    void anExceptionLeavingAHandlerIsShownOnceAndTheProgramGoesOn_data()
    {
        QTest::addColumn<int>(
            "kind"); // 0 the toolkit's Exception, 1 a class derived from it, 2 a foreign one
        QTest::addColumn<QString>("text");
        QTest::newRow("Exception") << 0 << QStringLiteral("Cannot open file x.");
        QTest::newRow("EInOutError") << 1 << QStringLiteral("I/O error 5.");
        QTest::newRow("runtime_error") << 2 << QString();
    }
    void anExceptionLeavingAHandlerIsShownOnceAndTheProgramGoesOn()
    {
        QFETCH(int, kind);
        QFETCH(QString, text);

        std::unique_ptr<TfMain> w = makeMainWindow();
        QVERIFY(showExposed(*w));
        MessageBoxAnswerer answerer;
        bool reachedThrow = false;
        runHandler([&] {
            reachedThrow = true;
            switch (kind) {
            case 0:
                throw Exception(QStringLiteral("Cannot open file x"));
            case 1:
                throw EInOutError(5);
            default:
                throw std::runtime_error("not the toolkit's");
            }
        });
        // runHandler came back: the program goes on.
        QVERIFY(reachedThrow);
        QCOMPARE(answerer.boxes, (QList<ShownBox>{{text, kProgramCaption, QMessageBox::Critical}}));
        QVERIFY(w->isVisible());

        // The window still works after the display.
        auto *btnClose = w->findChild<QPushButton *>(QStringLiteral("btnClose"));
        btnClose->click();
        QTRY_VERIFY(!w->isVisible());
        QCOMPARE(answerer.boxes.size(), 1);
    }

    void aBoxShowsItsWholeTextInsideTheScreenForCopying_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("oneLine");
        QString deep = QStringLiteral("/tmp/vestrel-XXXXXX");
        for (int level = 0; level < 22; ++level)
            deep += QLatin1Char('/') + QString(197, QLatin1Char('d')) + QString::number(100 + level);
        QTest::newRow("a path of 22 names of 200 characters")
            << QStringLiteral("Adresa incorecta:\n") + deep << false;
        QTest::newRow("a long word among short ones")
            << QStringLiteral("Cannot open file ") + QString(400, QLatin1Char('x')) +
                   QStringLiteral(" because the file was not found where it was looked for.")
            << false;
        QTest::newRow("a short text") << QStringLiteral("N-ati indicat ambele directorii!") << true;
    }
    // A label wraps between words only, so each long name was cut at the box's edge, and its text could
    // not be copied: the user could not read the path back.
    void aBoxShowsItsWholeTextInsideTheScreenForCopying()
    {
        QFETCH(QString, text);
        QFETCH(bool, oneLine);
        QGuiApplication::clipboard()->clear();
        bool seen = false;
        QRect box, inBox, available;
        QString shown, copied;
        Qt::TextInteractionFlags flags;
        qreal widestLine = 0;
        int viewportWidth = 0, lines = 0;
        bool allInView = false;
        bool enterClosed = true;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto *b = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!b || !b->isVisible())
                return;
            poll.stop();
            seen = true;
            box = b->frameGeometry();
            available = b->screen()->availableGeometry();
            if (auto *view = b->findChild<QTextEdit *>(); view && view->isVisible()) {
                inBox = QRect(view->mapTo(b, QPoint()), view->size());
                shown = view->toPlainText();
                flags = view->textInteractionFlags();
                widestLine = view->document()->idealWidth();
                viewportWidth = view->viewport()->width();
                for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next())
                    lines += block.layout()->lineCount();
                // Either all of it is in sight, or the rest can be scrolled to.
                allInView = view->document()->size().height() <= view->viewport()->height() ||
                            view->verticalScrollBar()->isVisible();
                view->selectAll();
                view->copy();
                copied = QGuiApplication::clipboard()->text();
                view->setFocus();
            }
            // Enter still presses OK, with the focus in the text too.
            QTest::keyClick(b->focusWidget() ? b->focusWidget() : b, Qt::Key_Return);
            QTimer::singleShot(200, b, [&, b] {
                enterClosed = false;
                b->button(QMessageBox::Ok)->click();
            });
        });
        poll.start(5);
        showStopMessage(text, QStringLiteral("Eroare"));

        QVERIFY(seen);
        QVERIFY2(box.width() <= available.width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(box.width()).arg(available.width())));
        QCOMPARE(shown, text);
        QVERIFY(flags.testFlag(Qt::TextSelectableByMouse));
        QVERIFY(flags.testFlag(Qt::TextSelectableByKeyboard));
        QCOMPARE(copied, text);
        QVERIFY(QRect(QPoint(), box.size()).contains(inBox));
        QVERIFY2(widestLine <= viewportWidth,
                 qPrintable(QStringLiteral("a line of %1 pixels in %2").arg(widestLine).arg(viewportWidth)));
        QVERIFY(allInView);
        QCOMPARE(lines == 1, oneLine);
        QVERIFY(enterClosed);
    }

    void quietHandlerShowsNothing()
    {
        MessageBoxAnswerer answerer;
        int runs = 0;
        runHandler([&] { ++runs; });
        QCOMPARE(runs, 1);
        QTest::qWait(50);
        QVERIFY(answerer.boxes.isEmpty());
    }
};

QTEST_MAIN(TestHandlers)
#include "tst_handlers.moc"
