// The main window as start-up leaves it: state, geometry, texts, fonts, keyboard order, menus, pictures.
// Controls are looked up by name, the way automation sees them.

#include "support/comparisonrun.h"

#include "engine/pacing.h"
#include "ui/application.h"
#include "ui/resultview.h"
#include "ui/selpath.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QTabWidget>
#include <QTest>

namespace {

const QColor kNavy(0x00, 0x00, 0x80);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kDarkGreen(0x00, 0x4A, 0x00);

QString textOf(QWidget *w)
{
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->text();
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->title();
    return QString();
}

QColor textColour(QWidget *w)
{
    return w->palette().color(QPalette::WindowText);
}

// The names of the widgets met on the focus chain from start round to start, keeping only the ones in
// names, in the order met.
QStringList chainFrom(QWidget *start, const QStringList &names)
{
    QStringList met;
    QWidget *w = start;
    for (int steps = 0; steps < 10000; ++steps) {
        if (names.contains(w->objectName()))
            met.append(w->objectName());
        w = w->nextInFocusChain();
        if (w == start)
            break;
    }
    return met;
}

QImage asImage(const QPixmap &p)
{
    return p.toImage().convertToFormat(QImage::Format_ARGB32);
}

// The darkest grey level of a control's picture inside its frame: the colour its text is written in.
int inkOf(QWidget *w, int margin = 4)
{
    const QImage picture = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int darkest = 255;
    for (int y = margin; y < picture.height() - margin; ++y)
        for (int x = margin; x < picture.width() - margin; ++x)
            darkest = std::min(darkest, qGray(picture.pixel(x, y)));
    return darkest;
}

// How a push button of the toolkit with this text, picture and font looks when disabled, in a plain
// window.
int disabledButtonInk(const QPushButton *like)
{
    QWidget plain;
    QPushButton reference(like->text(), &plain);
    reference.setIcon(like->icon());
    reference.setIconSize(like->iconSize());
    reference.setFont(like->font());
    reference.setGeometry(like->geometry());
    reference.setEnabled(false);
    return inkOf(&reference);
}

// Pixels of the green check mark in a picture: clearly green, not grey.
int greenPixels(const QImage &picture)
{
    int n = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            n += c.green() > c.red() + 40 && c.green() > c.blue() + 40;
        }
    return n;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TfMain> m_window;

    template <class W = QWidget> W *find(const char *name)
    {
        W *w = m_window->findChild<W *>(QLatin1String(name));
        if (!w)
            qWarning("no control %s", name);
        return w;
    }

private slots:
    void initTestCase()
    {
        m_window = makeMainWindow();
        QVERIFY(showExposed(*m_window));
    }
    void cleanupTestCase() { m_window.reset(); }

    void startsOnTheComparisonPageWithItsDefaults()
    {
        // A directory of the test's own, so that the paths can only come from the process's current
        // directory.
        // The tree outlives the keeper: Windows removes no directory that is current.
        TempTree tree;
        CurrentDirKeeper keeper;
        QVERIFY(QDir::setCurrent(tree.path()));
        const QString cwd = QDir::toNativeSeparators(QDir::currentPath());

        std::unique_ptr<TfMain> w = makeMainWindow();
        auto *pages = w->findChild<QTabWidget *>(QStringLiteral("pgControl"));
        QVERIFY(pages);
        QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("tSheet3"));
        QCOMPARE(pages->currentIndex(), 2);

        auto *ePath1 = w->findChild<QLineEdit *>(QStringLiteral("ePath1"));
        auto *ePath2 = w->findChild<QLineEdit *>(QStringLiteral("ePath2"));
        QVERIFY(ePath1 && ePath2);
        QCOMPARE(ePath1->text(), cwd);
        QCOMPARE(ePath2->text(), ePath1->text());

        const struct
        {
            const char *name;
            bool enabled;
        } buttons[] = {{"btnGo", true}, {"btnStop", false}, {"btnClose", true}};
        for (const auto &b : buttons) {
            auto *button = w->findChild<QPushButton *>(QLatin1String(b.name));
            QVERIFY2(button, b.name);
            QVERIFY2(button->isEnabled() == b.enabled, b.name);
        }

        const struct
        {
            const char *name;
            bool checked;
        } boxes[] = {{"cbByName", true}, {"cbByVolume", true}, {"cbByContents", true}, {"cbByDate", true},
                     {"cbNormal", true}, {"cbHide", false},    {"cbReadOnly", false},  {"cbSystem", false}};
        for (const auto &b : boxes) {
            auto *box = w->findChild<QCheckBox *>(QLatin1String(b.name));
            QVERIFY2(box, b.name);
            QVERIFY2(box->isChecked() == b.checked, b.name);
        }

        auto *eRich = w->findChild<ResultView *>(QStringLiteral("eRich"));
        QVERIFY(eRich);
        QCOMPARE(eRich->lineCount(), qint64(1));
        QCOMPARE(eRich->toPlainText(), QStringLiteral("Rezultat...\n"));
        QCOMPARE(eRich->shownLineCount(), qint64(1));

        auto *eRez = w->findChild<QLineEdit *>(QStringLiteral("eRez"));
        QVERIFY(eRez);
        QVERIFY(eRez->text().isEmpty());
        QVERIFY(eRez->isReadOnly());
        QVERIFY(!(eRez->focusPolicy() & Qt::TabFocus));

        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("aEdit"))->text(), QStringLiteral("2"));
        QCOMPARE(w->findChild<QLineEdit *>(QStringLiteral("bEdit"))->text(), QStringLiteral("6"));
        QVERIFY(w->findChild<QPlainTextEdit *>(QStringLiteral("fMemo"))->toPlainText().isEmpty());
    }

    void digitsAreExactlyTheTenAsciiDigits_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("member");
        for (char c = '0'; c <= '9'; ++c)
            QTest::addRow("'%c'", c) << int(c) << true;
        const int outside[] = {0, ' ', '/', ':', 'A', 'a', 'z', 'O', 'o', 'l', 127};
        for (int c : outside)
            QTest::addRow("code %d", c) << c << false;
        // At or above 128 as signed char values; several share their low bits with a digit.
        const int high[] = {0x80, 0xB0, 0xB5, 0xB9, 0xD0, 0xF0, 0xFF};
        for (int c : high)
            QTest::addRow("code 0x%X", c) << int(static_cast<signed char>(c)) << false;
    }
    void digitsAreExactlyTheTenAsciiDigits()
    {
        QFETCH(int, code);
        QFETCH(bool, member);
        QCOMPARE(Digits.contains(static_cast<char>(code)), member);
    }

    void windowIsFixedInSizeWithHeaderPagesAndFooterInPlace()
    {
        TfMain *w = m_window.get();
        QCOMPARE(w->objectName(), QStringLiteral("fMain"));
        QCOMPARE(w->size(), QSize(588, 473));
        QCOMPARE(w->minimumSize(), QSize(588, 473));
        QCOMPARE(w->maximumSize(), QSize(588, 473));
        const Qt::WindowFlags flags = w->windowFlags();
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);

        QCOMPARE(find("Panel1")->geometry(), QRect(0, 0, 588, 53));
        QCOMPARE(find("pgControl")->geometry(), QRect(0, 53, 588, 403));
        QCOMPARE(find("Panel1")->parentWidget(), w);
        QCOMPARE(find("pgControl")->parentWidget(), w);

        auto *panel2 = find<QLabel>("Panel2");
        QVERIFY(panel2);
        QCOMPARE(panel2->parentWidget(), w);
        QCOMPARE(panel2->geometry(), QRect(0, 456, 588, 17));
        QVERIFY(!panel2->text().trimmed().isEmpty());
        QCOMPARE(panel2->font().family(), QStringLiteral("Arial"));
        QCOMPARE(panel2->font().pixelSize(), 11);
    }

    void threePagesCarryTheirLaboratoryTitles()
    {
        auto *pages = find<QTabWidget>("pgControl");
        QVERIFY(pages);
        QCOMPARE(pages->count(), 3);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(pages->widget(i)->objectName(), QStringLiteral("tSheet%1").arg(i + 1));
            QCOMPARE(pages->tabText(i), QStringLiteral(" Lucrarea Nr.%1 ").arg(i + 1));
        }
    }

    void everyControlHasItsClassParentPlaceAndText_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QRect>("bounds"); // a width of -1: only the top-left corner is given
        QTest::addColumn<QString>("text"); // null: not checked

        const auto row = [](const char *name, const char *cls, const char *parent, int x, int y, int w, int h,
                            const char *text) {
            QTest::newRow(name) << QString::fromLatin1(cls) << QString::fromLatin1(parent)
                                << QRect(x, y, w, h) << (text ? QString::fromLatin1(text) : QString());
        };
        const auto lbl = [&](const char *name, const char *parent, int x, int y, const char *text) {
            row(name, "QLabel", parent, x, y, -1, -1, text);
        };

        // Header
        lbl("Label1", "Panel1", 235, 12, "Lucrari de laborator");
        lbl("Label2", "Panel1", 234, 11, "Lucrari de laborator");
        lbl("Label3", "Panel1", 10, -1, nullptr);
        lbl("Label4", "Panel1", 29, -1, nullptr);
        lbl("Label5", "Panel1", 45, -1, nullptr);
        lbl("Label6", "Panel1", 11, -2, nullptr);
        lbl("Label7", "Panel1", 30, -2, nullptr);
        lbl("Label8", "Panel1", 46, -2, nullptr);
        lbl("Label9", "Panel1", 10, 36, nullptr);
        lbl("Label10", "Panel1", 10, 35, nullptr);
        lbl("Label11", "Panel1", 234, 28, nullptr);

        // First page
        const char *p1 = "tSheet1";
        row("Bevel3", "QFrame", p1, 6, 8, 567, 241, nullptr);
        row("Image1", "QLabel", p1, 20, 27, 32, 32, nullptr);
        row("Image2", "QLabel", p1, 20, 105, 32, 32, nullptr);
        row("Image3", "QLabel", p1, 20, 183, 32, 32, nullptr);
        row("btnP1", "QPushButton", p1, 461, 50, 98, 24, "Lanseaza 1...");
        row("btnP2", "QPushButton", p1, 461, 130, 98, 24, "Lanseaza 2...");
        row("btnP3", "QPushButton", p1, 461, 212, 98, 24, "Lanseaza 3...");
        row("Bevel1", "QFrame", p1, 13, 85, 552, 2, nullptr);
        row("Bevel2", "QFrame", p1, 13, 165, 552, 2, nullptr);
        lbl("Label12", p1, 39, 27, "Problema 1:");
        lbl("Label15", p1, 38, 43,
            "Tiparirea in ordine inversa a subconsecutivitatii de numere dintre valoarea minima si");
        lbl("Label16", p1, 39, 57, "maxima ale unei liste simplu inlantuite");
        lbl("Label13", p1, 39, 105, "Problema 2:");
        lbl("Label17", p1, 38, 125,
            "Scrieti un program care determina un numar obisnuit din inversul cifrelor numarului dat");
        lbl("Label14", p1, 39, 183, "Problema 3:");
        lbl("Label20", p1, 38, 199,
            "Utilizind functia recursiva, scrieti un program care converteste un intreg citit dintr-un");
        lbl("Label19", p1, 38, 212, "fisier in numere hexazecimale");

        // Second page
        const char *p2 = "tSheet2";
        row("Bevel6", "QFrame", p2, 8, 10, 562, 2, nullptr);
        lbl("Label24", p2, 9, 22,
            "Scrieti un program care la o singura trecere prin fisierul FIN, fara utilizarea fisierelor "
            "suplimentare, va tipari elementele");
        lbl("Label25", p2, 8, 35, "fisierului FIN in urmatoarea ordine:");
        lbl("Label26", p2, 19, 52, "- toate elementele mai mici ca valoarea A");
        lbl("Label27", p2, 19, 65, "- elementele din segmentul [A,B]");
        lbl("Label28", p2, 19, 78, "- restul elementelor pastrind aceeasi ordine din fisierul FIN");
        row("Bevel5", "QFrame", p2, 8, 105, 562, 2, nullptr);
        lbl("Label21", p2, 164, 124, "Valoarea A:");
        row("aEdit", "QLineEdit", p2, 224, 121, 49, 21, "2");
        lbl("Label22", p2, 164, 148, "Valoarea B:");
        row("bEdit", "QLineEdit", p2, 224, 145, 49, 21, "6");
        row("btnLab2", "QPushButton", p2, 294, 144, 91, 24, "Lanseaza...");
        row("Bevel4", "QFrame", p2, 8, 180, 562, 2, nullptr);
        lbl("Label23", p2, 4, 190, "Continutul fisierului:");
        row("fMemo", "QPlainTextEdit", p2, 7, 209, 564, 157, nullptr);

        // Third page
        const char *p3 = "tSheet3";
        row("Bevel8", "QFrame", p3, 9, 10, 562, 56, nullptr);
        lbl("Label18", p3, 21, 17,
            "Un program de comparare a fisierelor din doua directorii. Fisierele pot fi comparate dupa patru "
            "criterii de comparare");
        lbl("Label31", p3, 21, 30,
            "(nume, volum, continut byte cu byte si data creare. In afara de aceasta se poate de indicat "
            "anumite tipuri de fisiere");
        lbl("Label32", p3, 21, 43,
            "care vor fi controlate la coincidenta (obisnuite - archive, ascunse - hide, protejate - read "
            "only, de sistema - system).");
        row("Bevel7", "QFrame", p3, 9, 78, 448, 72, nullptr);
        lbl("Label29", p3, 20, 93, "Directoriul 1:");
        row("ePath1", "QLineEdit", p3, 83, 90, 282, 21, nullptr);
        row("btnGetPath1", "QPushButton", p3, 372, 91, 69, 20, "Schimba...");
        lbl("Label30", p3, 20, 119, "Directoriul 2:");
        row("ePath2", "QLineEdit", p3, 83, 116, 282, 21, nullptr);
        row("btnGetPath2", "QPushButton", p3, 372, 117, 69, 20, "Schimba...");
        row("btnGo", "QPushButton", p3, 474, 79, 97, 23, "&Compara");
        row("btnStop", "QPushButton", p3, 474, 103, 97, 23, "&Opreste");
        row("btnClose", "QPushButton", p3, 474, 127, 97, 23, "&Iesire");
        row("gBox1", "QGroupBox", p3, 9, 158, 128, 98, " Criterii comparare ");
        row("cbByName", "QCheckBox", "gBox1", 22, 17, 66, 17, "Nume");
        row("cbByVolume", "QCheckBox", "gBox1", 22, 35, 66, 17, "Volum");
        row("cbByContents", "QCheckBox", "gBox1", 22, 53, 90, 17, "Continut");
        row("cbByDate", "QCheckBox", "gBox1", 22, 71, 90, 17, "Data creare");
        row("gBox2", "QGroupBox", p3, 9, 265, 129, 99, " Tip fisiere ");
        row("cbNormal", "QCheckBox", "gBox2", 24, 18, 80, 17, "Obisnuite");
        row("cbHide", "QCheckBox", "gBox2", 24, 36, 80, 17, "Ascunse");
        row("cbReadOnly", "QCheckBox", "gBox2", 24, 54, 82, 17, "Protejate");
        row("cbSystem", "QCheckBox", "gBox2", 24, 72, 82, 17, "De sistema");
        row("eRich", "ResultView", p3, 150, 163, 420, 178, nullptr);
        row("eRez", "QLineEdit", p3, 150, 343, 420, 21, nullptr);
    }
    void everyControlHasItsClassParentPlaceAndText()
    {
        QFETCH(QString, className);
        QFETCH(QString, parentName);
        QFETCH(QRect, bounds);
        QFETCH(QString, text);

        const QList<QWidget *> all =
            m_window->findChildren<QWidget *>(QLatin1String(QTest::currentDataTag()));
        QCOMPARE(all.size(), 1);
        QWidget *w = all.front();
        QCOMPARE(QString::fromLatin1(w->metaObject()->className()), className);
        QVERIFY(w->parentWidget());
        QCOMPARE(w->parentWidget()->objectName(), parentName);
        if (bounds.width() < 0)
            QCOMPARE(w->pos(), bounds.topLeft());
        else
            QCOMPARE(w->geometry(), bounds);
        if (!text.isNull())
            QCOMPARE(textOf(w), text);
    }

    void headerShowsTitleInitialsAndGroupOverTheirShadows()
    {
        QLabel *l[12] = {};
        for (int i = 1; i <= 11; ++i) {
            l[i] = find<QLabel>(QStringLiteral("Label%1").arg(i).toLatin1().constData());
            QVERIFY(l[i]);
            QCOMPARE(l[i]->parentWidget()->objectName(), QStringLiteral("Panel1"));
        }

        // The title and its light shadow.
        for (int i : {1, 2}) {
            QCOMPARE(l[i]->text(), QStringLiteral("Lucrari de laborator"));
            QCOMPARE(l[i]->font().family(), QStringLiteral("Verdana"));
            QCOMPARE(l[i]->font().pixelSize(), 16);
            QVERIFY(l[i]->font().bold());
        }
        QCOMPARE(textColour(l[1]), QColor(0xEF, 0xF4, 0xFA));
        QCOMPARE(textColour(l[2]), kDarkGreen);

        // Three initials of our own (no real institution's), each over its grey shadow.
        QCOMPARE(l[6]->text() + l[7]->text() + l[8]->text(), QStringLiteral("VTL"));
        const QColor initialColours[3] = {QColor(0xC6, 0x00, 0x00), QColor(0xFC, 0xAB, 0x03),
                                          QColor(0x00, 0x00, 0x9D)};
        for (int k = 0; k < 3; ++k) {
            QLabel *shadow = l[3 + k];
            QLabel *letter = l[6 + k];
            QCOMPARE(letter->text().size(), 1);
            QVERIFY2(letter->text().front().isLetter(), qPrintable(letter->text()));
            QCOMPARE(shadow->text(), letter->text());
            QCOMPARE(textColour(shadow), kGrey);
            QCOMPARE(textColour(letter), initialColours[k]);
            for (QLabel *x : {shadow, letter}) {
                QCOMPARE(x->font().family(), QStringLiteral("Impact"));
                QCOMPARE(x->font().pixelSize(), 35);
            }
        }

        // The group name and its shadow.
        QVERIFY(!l[10]->text().isEmpty());
        QCOMPARE(l[9]->text(), l[10]->text());
        QCOMPARE(textColour(l[9]), kGrey);
        QCOMPARE(textColour(l[10]), QColor(0x00, 0x66, 0x66));
        for (int i : {9, 10}) {
            QCOMPARE(l[i]->font().family(), QStringLiteral("Tahoma"));
            QCOMPARE(l[i]->font().pixelSize(), 11);
            QVERIFY(l[i]->font().bold());
        }

        const QString course = l[11]->text();
        QVERIFY2(course.startsWith(QLatin1String("la \"")) && course.endsWith(QLatin1Char('"')) &&
                     course.size() > 5,
                 qPrintable(course));
        QCOMPARE(l[11]->font().family(), QStringLiteral("Verdana"));
        QCOMPARE(l[11]->font().pixelSize(), 11);
        QCOMPARE(textColour(l[11]), kDarkGreen);

        // Later labels are drawn over earlier ones: each shadow lies under its text.
        const QObjectList stack = find("Panel1")->children();
        for (int i = 1; i < 11; ++i)
            QVERIFY2(stack.indexOf(l[i]) < stack.indexOf(l[i + 1]), qPrintable(l[i]->objectName()));
    }

    void controlsHaveTheirFontsColoursAndScrollBars()
    {
        auto *label12 = find<QLabel>("Label12");
        QVERIFY(label12->font().bold());
        QCOMPARE(textColour(label12), kNavy);

        auto *fMemo = find<QPlainTextEdit>("fMemo");
        QCOMPARE(fMemo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(fMemo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(fMemo->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOn);
        QCOMPARE(fMemo->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(fMemo->font().pixelSize(), 12);

        auto *eRich = find<ResultView>("eRich");
        QCOMPARE(eRich->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(eRich->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

        auto *eRez = find<QLineEdit>("eRez");
        QCOMPARE(eRez->palette().color(QPalette::Base), QColor(0xC0, 0xC6, 0xD1));
        QVERIFY(eRez->font().bold());

        auto *btnGo = find<QPushButton>("btnGo");
        QCOMPARE(btnGo->font().family(), QStringLiteral("Arial"));
        QVERIFY(btnGo->font().bold());
        QCOMPARE(btnGo->font().pixelSize(), 11);
    }

    void labelsFitAndUseTextFaces()
    {
        const QStringList installed = QFontDatabase::families();
        const QList<QLabel *> labels = m_window->findChildren<QLabel *>();
        QVERIFY(labels.size() >= 35);
        for (QLabel *l : labels) {
            const QByteArray name = l->objectName().toLatin1();
            QWidget *parent = l->parentWidget();
            QVERIFY2(l->x() + l->width() <= parent->width(),
                     name + " ends at " + QByteArray::number(l->x() + l->width()) + ", its parent is " +
                         QByteArray::number(parent->width()) + " wide");
            if (l->text().isEmpty())
                continue;
            // The whole text shows: the label is as wide as its text.
            const int textWidth = l->fontMetrics().horizontalAdvance(l->text());
            QVERIFY2(textWidth <= l->contentsRect().width(),
                     name + " shows " + QByteArray::number(l->contentsRect().width()) + " of " +
                         QByteArray::number(textWidth) + " pixels");

            const QString face = QFontInfo(l->font()).family();
            QVERIFY2(installed.contains(face), name + " uses " + face.toUtf8());
            QVERIFY2(face != QLatin1String("D050000L") &&
                         !face.contains(QLatin1String("Dingbat"), Qt::CaseInsensitive) &&
                         !face.contains(QLatin1String("Symbol"), Qt::CaseInsensitive),
                     name + " uses " + face.toUtf8());
            QVERIFY2(QFontDatabase::writingSystems(face).contains(QFontDatabase::Latin),
                     name + " uses " + face.toUtf8());
        }

        // Texts on a bevelled area stay inside its frame.
        const struct
        {
            const char *bevel;
            QStringList labels;
        } areas[] = {
            {"Bevel8", {"Label18", "Label31", "Label32"}},
            {"Bevel3", {"Label15", "Label16", "Label17", "Label20", "Label19"}},
        };
        for (const auto &area : areas) {
            const int right = find(area.bevel)->geometry().x() + find(area.bevel)->geometry().width();
            for (const QString &n : area.labels) {
                QLabel *l = find<QLabel>(n.toLatin1().constData());
                QVERIFY2(l->x() + l->width() <= right,
                         qPrintable(n + QLatin1String(" leaves ") + QLatin1String(area.bevel)));
            }
        }
    }

    void focusChainFollowsTheTabOrderOfEachPage_data()
    {
        QTest::addColumn<QStringList>("order");
        QTest::newRow("page 1") << QStringList{"btnP1", "btnP2", "btnP3"};
        QTest::newRow("page 2") << QStringList{"aEdit", "btnLab2", "bEdit", "fMemo"};
        QTest::newRow("page 3") << QStringList{"ePath1",       "btnGo",       "btnClose", "ePath2",
                                               "btnGetPath1",  "btnGetPath2", "cbByName", "cbByVolume",
                                               "cbByContents", "cbByDate",    "cbNormal", "cbHide",
                                               "cbReadOnly",   "cbSystem",    "btnStop",  "eRich"};
    }
    void focusChainFollowsTheTabOrderOfEachPage()
    {
        QFETCH(QStringList, order);
        for (const QString &n : order) {
            QWidget *w = find(n.toLatin1().constData());
            QVERIFY(w);
            QVERIFY2(w->focusPolicy() & Qt::TabFocus, qPrintable(n));
        }
        QCOMPARE(chainFrom(find(order.front().toLatin1().constData()), order), order);
    }

    void tabKeyWalksTheThirdPagePassingOverTheDisabledStop()
    {
        // The Tab key walks the third page in the same order; the stop button is disabled at start, so
        // it is passed over.
        const QStringList expected{"ePath1",      "btnGo",    "btnClose",   "ePath2",       "btnGetPath1",
                                   "btnGetPath2", "cbByName", "cbByVolume", "cbByContents", "cbByDate",
                                   "cbNormal",    "cbHide",   "cbReadOnly", "cbSystem",     "eRich"};
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QWidget *first = find("ePath1");
        first->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(QApplication::focusWidget(), first);
        QStringList walked{QApplication::focusWidget()->objectName()};
        for (int i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked.append(QApplication::focusWidget()->objectName());
        }
        QCOMPARE(walked, expected);
    }

    void memoMenuHoldsReloadAndSaveAndTheOtherMenuIsEmpty()
    {
        auto *memoMenu = find<QMenu>("pMenuMemo");
        QVERIFY(memoMenu);
        const QList<QAction *> actions = memoMenu->actions();
        QCOMPARE(actions.size(), 2);
        QCOMPARE(actions[0]->text(), QStringLiteral("&Reinnoieste datele"));
        QCOMPARE(actions[0]->objectName(), QStringLiteral("iReloadData"));
        QCOMPARE(actions[1]->text(), QStringLiteral("&Salveaza in fisier"));
        QCOMPARE(actions[1]->objectName(), QStringLiteral("iSaveData"));

        auto *menu = find<QMenu>("pMenu");
        QVERIFY(menu);
        QVERIFY(menu->actions().isEmpty());

        for (const char *n : {"aEdit", "bEdit", "fMemo"})
            QVERIFY2(find(n)->contextMenuPolicy() == Qt::CustomContextMenu, n);
    }

    void exercisePicturesHaveTheirColours_data()
    {
        QTest::addColumn<int>("minHue");
        QTest::addColumn<int>("maxHue");
        QTest::newRow("Image1") << 255 << 320; // violet
        QTest::newRow("Image2") << 90 << 150;  // green
        QTest::newRow("Image3") << 200 << 250; // blue
    }
    void exercisePicturesHaveTheirColours()
    {
        QFETCH(int, minHue);
        QFETCH(int, maxHue);
        auto *image = find<QLabel>(QTest::currentDataTag());
        QVERIFY(image);
        const QPixmap pixmap = image->pixmap();
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.size(), QSize(16, 16));

        const QImage img = asImage(pixmap);
        qint64 r = 0, g = 0, b = 0, n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb p = img.pixel(x, y);
                if (qAlpha(p) < 128)
                    continue;
                r += qRed(p);
                g += qGreen(p);
                b += qBlue(p);
                ++n;
            }
        QVERIFY(n > 16 * 16 / 4);
        const QColor average(int(r / n), int(g / n), int(b / n));
        QVERIFY2(average.hsvSaturation() > 64, qPrintable(average.name()));
        QVERIFY2(average.hsvHue() >= minHue && average.hsvHue() <= maxHue,
                 qPrintable(average.name() + QLatin1String(" hue ") + QString::number(average.hsvHue())));
    }

    void launchButtonsHaveOwnDisabledPicturesAndRunButtonsNone_data()
    {
        QTest::addColumn<bool>("hasIcon");
        for (const char *n : {"btnP1", "btnP2", "btnP3", "btnLab2"})
            QTest::newRow(n) << true;
        for (const char *n : {"btnGo", "btnStop", "btnClose"})
            QTest::newRow(n) << false;
    }
    void launchButtonsHaveOwnDisabledPicturesAndRunButtonsNone()
    {
        QFETCH(bool, hasIcon);
        auto *button = find<QPushButton>(QTest::currentDataTag());
        QVERIFY(button);
        const QIcon icon = button->icon();
        if (!hasIcon) {
            QVERIFY(icon.isNull());
            return;
        }
        QVERIFY(!icon.isNull());
        QCOMPARE(button->iconSize(), QSize(18, 18));
        const QPixmap normal = icon.pixmap(QSize(18, 18), QIcon::Normal);
        const QPixmap disabled = icon.pixmap(QSize(18, 18), QIcon::Disabled);
        QVERIFY(!normal.isNull());
        QVERIFY(!disabled.isNull());
        QCOMPARE(normal.size(), QSize(18, 18));
        QCOMPARE(disabled.size(), QSize(18, 18));
        QVERIFY(asImage(disabled) != asImage(normal));

        // A picture of its own, not merely the normal one greyed by the style.
        QStyleOption option(0);
        option.palette = QGuiApplication::palette();
        const QPixmap greyed = QApplication::style()->generatedIconPixmap(QIcon::Disabled, normal, &option);
        QVERIFY(asImage(disabled) != asImage(greyed));
    }

    // No colour the window sets reaches the disabled state: every control, enabled or not today, looks as the
    // toolkit's own disabled control would once it is disabled. "&Opreste" at rest is drawn like a disabled
    // button of the toolkit, not in the black of "&Iesire"; a disabled check-mark button shows its own grey
    // picture.
    void disabledControlsLookDisabled()
    {
        const QList<QWidget *> all = m_window->findChildren<QWidget *>();
        QVERIFY(all.size() > 87);
        for (QWidget *w : all) {
            const QPalette toolkit = QApplication::palette(w);
            for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                                   QPalette::Base, QPalette::Button})
                QVERIFY2(
                    w->palette().color(QPalette::Disabled, role) == toolkit.color(QPalette::Disabled, role),
                    qPrintable(w->objectName() + QLatin1String(" colour role ") + QString::number(role)));
        }

        auto *btnStop = find<QPushButton>("btnStop");
        auto *btnClose = find<QPushButton>("btnClose");
        QVERIFY(!btnStop->isEnabled() && btnClose->isEnabled());
        const int enabledInk = inkOf(btnClose), stopInk = inkOf(btnStop),
                  reference = disabledButtonInk(btnStop);
        QVERIFY2(enabledInk < 0x40, qPrintable(QString::number(enabledInk)));
        QVERIFY2(reference > enabledInk + 0x40, qPrintable(QString::number(reference)));
        QVERIFY2(std::abs(stopInk - reference) <= 8,
                 qPrintable(QStringLiteral("Opreste %1, a disabled button %2").arg(stopInk).arg(reference)));

        // Every kind of control with text on the pages turns to the disabled colour: labels (coloured or
        // not), check boxes, buttons with a picture, edits.
        const int disabledText =
            qGray(QApplication::palette().color(QPalette::Disabled, QPalette::WindowText).rgb());
        for (const char *name :
             {"Label12", "Label15", "Label29", "btnP1", "btnLab2", "cbByName", "ePath1", "aEdit"}) {
            QWidget *w = find(name);
            auto *button = qobject_cast<QPushButton *>(w);
            QVERIFY2(inkOf(w, 3) < disabledText - 0x20, name);
            w->setEnabled(false);
            const int ink = inkOf(w, 3);
            const int expected = button ? disabledButtonInk(button) : disabledText;
            w->setEnabled(true);
            const QByteArray what =
                QStringLiteral("%1: %2, not %3").arg(name).arg(ink).arg(expected).toUtf8();
            if (button)
                QVERIFY2(std::abs(ink - expected) <= 8, what);
            else
                QVERIFY2(ink >= expected - 0x20, what);
        }

        // The check-mark button's own disabled picture, grey where the enabled one is green.
        auto *btnP1 = find<QPushButton>("btnP1");
        QVERIFY(greenPixels(btnP1->grab().toImage()) > 20);
        btnP1->setEnabled(false);
        const QImage disabled = btnP1->grab().toImage();
        btnP1->setEnabled(true);
        QCOMPARE(greenPixels(disabled), 0);
    }

    // During a run "&Compara" is disabled and looks it; "&Opreste" is enabled and looks like "&Iesire".
    void compareLooksDisabledAndStopEnabledDuringARun()
    {
        TempTree t;
        t.file("one/a", "x");
        t.file("two/a", "x");
        ComparisonRun run(t.path() + "/one", t.path() + "/two");
        TfMain *w = run.w.get();
        QVERIFY(showExposed(*w));
        int goInk = -1, stopInk = -1, closeInk = -1;
        bool goEnabled = true;
        pacingOf(*run.w).handOverHook = [&](const Pacing &) {
            if (goInk >= 0)
                return;
            goEnabled = w->btnGo->isEnabled();
            goInk = inkOf(w->btnGo);
            stopInk = inkOf(w->btnStop);
            closeInk = inkOf(w->btnClose);
        };
        run.go();
        QVERIFY(goInk >= 0);
        QVERIFY(!goEnabled);
        const int reference = disabledButtonInk(w->btnGo);
        QVERIFY2(std::abs(goInk - reference) <= 8,
                 qPrintable(QStringLiteral("Compara %1, a disabled button %2").arg(goInk).arg(reference)));
        QVERIFY2(std::abs(stopInk - closeInk) <= 8,
                 qPrintable(QStringLiteral("%1 %2").arg(stopInk).arg(closeInk)));
        QVERIFY(inkOf(w->btnGo) < 0x40);
    }

    // The program's own icon, the one an installation puts in the icon theme, is the application's and every
    // window's.
    void everyWindowCarriesTheProgramIcon()
    {
        TfSelPath picker;
        const struct
        {
            const char *whose;
            QIcon icon;
        } icons[] = {{"application", QApplication::windowIcon()},
                     {"main window", m_window->windowIcon()},
                     {"picker", picker.windowIcon()}};
        for (const auto &[whose, icon] : icons)
            for (const int size : {16, 32, 48, 64, 128, 256}) {
                const QImage installed(
                    QStringLiteral(VESTREL_SOURCE_DIR "/packaging/icons/%1x%1.png").arg(size));
                QVERIFY(!installed.isNull());
                QVERIFY2(icon.pixmap(QSize(size, size))
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied) ==
                             installed.convertToFormat(QImage::Format_ARGB32_Premultiplied),
                         qPrintable(QStringLiteral("%1 at %2").arg(whose).arg(size)));
            }
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("ro.tovi.Vestrel"));
    }

    // The toolkit's texts in the window are Romanian although the tests run in another locale (C, or the
    // system's own where the system sets it): the edit menus of the path edits (with their shortcuts), of a
    // read-only edit, of a text view, and the standard buttons.
    void toolkitTextsAreRomanianInAnotherLocale()
    {
        QVERIFY2(QLocale().language() != QLocale::Romanian, qPrintable(QLocale().name()));
        const auto key = [](QKeySequence::StandardKey k) {
            return QLatin1Char('\t') + QKeySequence(k).toString(QKeySequence::NativeText);
        };
        const QStringList editMenu{"&Anuleaza" + key(QKeySequence::Undo),
                                   "&Reface" + key(QKeySequence::Redo),
                                   "&Taie" + key(QKeySequence::Cut),
                                   "&Copiaza" + key(QKeySequence::Copy),
                                   "&Lipeste" + key(QKeySequence::Paste),
                                   "Sterge",
                                   "Selecteaza tot" + key(QKeySequence::SelectAll)};
        QCOMPARE(key(QKeySequence::Copy), QStringLiteral("\tCtrl+C"));
        const auto texts = [](QMenu *menu) {
            QStringList shown;
            for (QAction *a : menu->actions())
                if (!a->isSeparator())
                    shown.append(a->text());
            delete menu;
            return shown;
        };
        auto *ePath1 = find<QLineEdit>("ePath1");
        QCOMPARE(texts(ePath1->createStandardContextMenu()), editMenu);
        TfSelPath picker;
        QCOMPARE(texts(picker.ePath->createStandardContextMenu()),
                 (QStringList{"&Copiaza" + key(QKeySequence::Copy),
                              "Selecteaza tot" + key(QKeySequence::SelectAll)}));
        QPlainTextEdit text;
        QCOMPARE(texts(text.createStandardContextMenu()), editMenu);

        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes |
                                 QDialogButtonBox::No | QDialogButtonBox::Close);
        QCOMPARE(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("OK"));
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Anulare"));
        QCOMPARE(buttons.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Da"));
        QCOMPARE(buttons.button(QDialogButtonBox::No)->text(), QStringLiteral("&Nu"));
        QCOMPARE(buttons.button(QDialogButtonBox::Close)->text(), QStringLiteral("Inchide"));
        QMessageBox box(QMessageBox::Critical, QStringLiteral("x"), QStringLiteral("y"), QMessageBox::Ok);
        box.setDetailedText(QStringLiteral("z"));
        QStringList boxButtons;
        for (QAbstractButton *b : box.buttons())
            boxButtons.append(b->text());
        boxButtons.sort();
        QCOMPARE(boxButtons, (QStringList{"Arata detaliile...", "OK"}));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
