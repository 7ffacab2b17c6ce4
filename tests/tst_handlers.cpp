// The application title, the exception display's text, and what the handler guard does with an
// exception that leaves a handler.

#include "support/fixture.h"
#include "support/messageboxes.h"

#include "platform/exceptions.h"
#include "ui/application.h"
#include "ui/handlerguard.h"
#include "ui/messages.h"

#include <QPushButton>
#include <QTest>

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
