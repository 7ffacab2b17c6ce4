// The windows as a window manager shows them, on a real (virtual) X display: where the picker appears
// at each showing, whether a message box's title bar holds its whole caption, which icon the windows
// give the window manager, and the edit menu a right click opens. Run by x11windows.sh, which starts
// the display and the window manager.

#include "platform/exceptions.h"
#include "support/fixture.h"
#include "ui/messages.h"
#include "ui/selpath.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <functional>

namespace {

// What xprop says of a property of a window's X window.
QString property(const QWidget *w, const char *name)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-len"), QStringLiteral("100000000"), QStringLiteral("-id"),
                 QString::number(w->window()->winId()), QLatin1String(name)});
    xprop.waitForFinished(10000);
    return QString::fromUtf8(xprop.readAllStandardOutput());
}

// The window manager's frame around a window (_NET_FRAME_EXTENTS), as the X server knows it; null before
// the window manager has framed it.
QMargins frameOf(const QWidget *w)
{
    const QRegularExpression extents(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"));
    const QRegularExpressionMatch m = extents.match(property(w, "_NET_FRAME_EXTENTS"));
    if (!m.hasMatch())
        return QMargins();
    return QMargins(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(2).toInt(),
                    m.captured(4).toInt());
}

QRect framedGeometry(const QWidget *w)
{
    return w->geometry().marginsAdded(frameOf(w));
}

// Waits until the window manager has framed a window and has had time to draw it.
bool waitForFrame(QWidget *w)
{
    if (!QTest::qWaitForWindowActive(w)) {
        qWarning("%s did not become active", qPrintable(w->windowTitle()));
        return false;
    }
    if (!QTest::qWaitFor([w] { return !frameOf(w).isNull(); }, 5000)) {
        qWarning("%s got no frame", qPrintable(w->windowTitle()));
        return false;
    }
    QTest::qWait(400);
    return true;
}

// Runs an action once a modal window of the given kind is the active one, from inside its showing.
template <class W> void whenModal(std::function<void(W *)> action)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        auto *w = qobject_cast<W *>(QApplication::activeModalWidget());
        if (!w || !w->isActiveWindow())
            return;
        poll->stop();
        poll->deleteLater();
        action(w);
    });
    poll->start(10);
}

// The title bar of a framed window, as the screen shows it.
QImage titleBar(const QWidget *w)
{
    const QRect outer = framedGeometry(w);
    const int height = w->geometry().top() - outer.top();
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, outer.left(), outer.top(), outer.width(), height)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// How many columns lie between the first and the last one where two pictures of the same title bar
// differ: with and without a caption, that is the width the caption is drawn in.
int drawnWidth(const QImage &withCaption, const QImage &without)
{
    int first = -1, last = -1;
    for (int x = 0; x < std::min(withCaption.width(), without.width()); ++x)
        for (int y = 0; y < std::min(withCaption.height(), without.height()); ++y)
            if (withCaption.pixel(x, y) != without.pixel(x, y)) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
    return first < 0 ? 0 : last - first + 1;
}

// The width of a caption written in full, in a window wide enough for any caption.
int fullCaptionWidth(const QString &caption)
{
    QWidget wide;
    wide.setWindowTitle(caption);
    wide.setFixedSize(800, 60);
    wide.show();
    if (!waitForFrame(&wide))
        return -1;
    const QImage with = titleBar(&wide);
    wide.setWindowTitle(QStringLiteral(" "));
    QTest::qWait(400);
    return drawnWidth(with, titleBar(&wide));
}

// The sizes of the icon a window gives the window manager (_NET_WM_ICON), as xprop lists them.
QStringList iconSizes(const QWidget *w)
{
    QStringList sizes;
    const QRegularExpression size(QStringLiteral("Icon \\((\\d+) x (\\d+)\\)"));
    for (auto m = size.globalMatch(property(w, "_NET_WM_ICON")); m.hasNext();) {
        const QRegularExpressionMatch found = m.next();
        sizes.append(found.captured(1) + QLatin1Char('x') + found.captured(2));
    }
    sizes.sort();
    return sizes;
}

} // namespace

class TestX11Windows : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TfMain> m_window;
    std::unique_ptr<TfSelPath> m_picker;

private slots:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        m_window = makeMainWindow();
        m_picker = std::make_unique<TfSelPath>();
        fSelPath = m_picker.get();
        m_window->show();
        QVERIFY(waitForFrame(m_window.get()));
    }
    void cleanupTestCase()
    {
        fSelPath = nullptr;
        m_picker.reset();
        m_window.reset();
    }

    // The toolkit placed the first showing by a guess at the frame, 20 pixels off the later ones.
    void pickerCentredAtEveryShowing()
    {
        QList<QRect> frames;
        for (int showing = 0; showing < 3; ++showing) {
            whenModal<TfSelPath>([&](TfSelPath *picker) {
                if (waitForFrame(picker))
                    frames.append(framedGeometry(picker));
                picker->btnOk->click();
            });
            QTest::mouseClick(m_window->btnGetPath1, Qt::LeftButton);
        }
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames[1], frames[0]);
        QCOMPARE(frames[2], frames[0]);
        const QPoint centre = m_window->screen()->availableGeometry().center();
        QVERIFY2((frames[0].center() - centre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("the picker's frame is centred at %1,%2, the screen at %3,%4")
                                .arg(frames[0].center().x())
                                .arg(frames[0].center().y())
                                .arg(centre.x())
                                .arg(centre.y())));
    }

    void boxesShowTheirWholeCaption_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("exception display, I/O error 13") << 0;
        QTest::newRow("simple message") << 1;
        QTest::newRow("Eroare box") << 2;
    }
    // The caption is drawn as wide in the box's title bar as in a window wide enough for any caption: the
    // window manager did not have to shorten it.
    void boxesShowTheirWholeCaption()
    {
        QFETCH(int, kind);
        const QString caption = kind == 2 ? QStringLiteral("Eroare") : applicationTitle();
        const int full = fullCaptionWidth(caption);
        QVERIFY(full > 0);

        int drawn = -1;
        QSize box;
        whenModal<QMessageBox>([&](QMessageBox *b) {
            if (waitForFrame(b)) {
                const QImage with = titleBar(b);
                b->setWindowTitle(QStringLiteral(" "));
                QTest::qWait(400);
                drawn = drawnWidth(with, titleBar(b));
                box = b->size();
            }
            b->button(QMessageBox::Ok)->click();
        });
        if (kind == 0) {
            const EInOutError error(13);
            showException(&error);
        } else if (kind == 1) {
            ShowMessage(QStringLiteral("Gata!"));
        } else {
            showStopMessage(QStringLiteral("Nu exista directoriul"), caption);
        }
        QVERIFY2(drawn >= full - 1,
                 qPrintable(QStringLiteral("a box %1 pixels wide draws %2 of the caption's %3 pixels")
                                .arg(box.width())
                                .arg(drawn)
                                .arg(full)));
    }

    // A path longer than the screen is wide, in names longer than a line: the framed box stays on the
    // screen, and its text wraps inside it.
    void aBoxWithALongPathStaysOnTheScreen()
    {
        QString deep = QStringLiteral("/tmp");
        for (int level = 0; level < 22; ++level)
            deep += QLatin1Char('/') + QString(197, QLatin1Char('d')) + QString::number(100 + level);
        QRect framed, available;
        qreal widestLine = -1;
        int viewportWidth = 0;
        whenModal<QMessageBox>([&](QMessageBox *b) {
            if (waitForFrame(b)) {
                framed = framedGeometry(b);
                available = b->screen()->availableGeometry();
                if (const auto *view = b->findChild<QTextEdit *>()) {
                    widestLine = view->document()->idealWidth();
                    viewportWidth = view->viewport()->width();
                }
            }
            b->button(QMessageBox::Ok)->click();
        });
        showStopMessage(QStringLiteral("Adresa incorecta:\n") + deep, QStringLiteral("Eroare"));
        QVERIFY2(available.contains(framed), qPrintable(QStringLiteral("%1,%2 %3x%4 framed")
                                                            .arg(framed.x())
                                                            .arg(framed.y())
                                                            .arg(framed.width())
                                                            .arg(framed.height())));
        QVERIFY(widestLine >= 0);
        QVERIFY(widestLine <= viewportWidth);
    }

    // Not the generic frame icon: the program's own, at the sizes an installation puts in the icon theme.
    void windowsShowTheProgramIcon()
    {
        const QStringList ours{"128x128", "16x16", "256x256", "32x32", "48x48", "64x64"};
        QCOMPARE(iconSizes(m_window.get()), ours);
        QStringList pickerSizes;
        whenModal<TfSelPath>([&](TfSelPath *picker) {
            if (waitForFrame(picker))
                pickerSizes = iconSizes(picker);
            picker->btnOk->click();
        });
        QTest::mouseClick(m_window->btnGetPath2, Qt::LeftButton);
        QCOMPARE(pickerSizes, ours);
    }

    // A right click of the mouse on a path edit, through the X server, opens the edit menu in Romanian.
    void editMenuInRomanian()
    {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        const QPoint at = m_window->ePath1->mapToGlobal(m_window->ePath1->rect().center());
        QProcess::execute(QStringLiteral("xdotool"),
                          {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                           QStringLiteral("click"), QStringLiteral("3")});
        QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QTest::qWait(300);
        const QByteArray picture = qgetenv("VESTREL_MENU_PICTURE");
        if (!picture.isEmpty())
            QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(picture));
        QStringList texts;
        for (QAction *a : menu->actions())
            if (!a->isSeparator())
                texts.append(a->text().section(QLatin1Char('\t'), 0, 0));
        menu->close();
        QCOMPARE(texts, (QStringList{"&Anuleaza", "&Reface", "&Taie", "&Copiaza", "&Lipeste", "Sterge",
                                     "Selecteaza tot"}));
    }
};

QTEST_MAIN(TestX11Windows)
#include "x11windows_helper.moc"
