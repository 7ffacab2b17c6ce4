// The main window's description: every control with its name, place, text, font, colour and start-up
// state. Bounds are pixels inside the parent (the page, or the group box for check boxes).

#include "app/vestrel.h"

#include "ui/formparts.h"

#include "ui/fonts.h"
#include "ui/resultview.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

constexpr int kClientWidth = 588;
constexpr int kHeaderHeight = 53;
constexpr int kStatusHeight = 17;
constexpr int kPagesHeight = 403;

QWidget *page(QTabWidget *pages, const char *name, const QString &caption)
{
    auto *p = named(new QWidget, name);
    p->setFont(uiFont(Face::MsSansSerif, 11));
    setTextColour(p, Qt::black);
    pages->addTab(p, caption);
    return p;
}

} // namespace

void TfMain::createHeader()
{
    Panel1 = named(new QFrame(this), "Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setGeometry(0, 0, kClientWidth, kHeaderHeight);

    const QFont heading = uiFont(Face::Verdana, 16, true);
    const QFont initials = uiFont(Face::Impact, 35);
    const QFont group = uiFont(Face::Tahoma, 11, true);
    const QString title = QStringLiteral("Lucrari de laborator");
    const QString letters[3] = {QStringLiteral("V"), QStringLiteral("T"), QStringLiteral("L")};
    const QString groupName = QStringLiteral("Grupa C-241");
    const QColor grey(0x80, 0x80, 0x80);

    Label1 = label(Panel1, "Label1", title, 235, 12, heading, QColor(0xEF, 0xF4, 0xFA));
    Label2 = label(Panel1, "Label2", title, 234, 11, heading, QColor(0x00, 0x4A, 0x00));
    Label3 = label(Panel1, "Label3", letters[0], 10, -1, initials, grey);
    Label4 = label(Panel1, "Label4", letters[1], 29, -1, initials, grey);
    Label5 = label(Panel1, "Label5", letters[2], 45, -1, initials, grey);
    Label6 = label(Panel1, "Label6", letters[0], 11, -2, initials, QColor(0xC6, 0x00, 0x00));
    Label7 = label(Panel1, "Label7", letters[1], 30, -2, initials, QColor(0xFC, 0xAB, 0x03));
    Label8 = label(Panel1, "Label8", letters[2], 46, -2, initials, QColor(0x00, 0x00, 0x9D));
    Label9 = label(Panel1, "Label9", groupName, 10, 36, group, grey);
    Label10 = label(Panel1, "Label10", groupName, 10, 35, group, QColor(0x00, 0x66, 0x66));
    Label11 = label(Panel1, "Label11", QStringLiteral("la \"Programarea calculatoarelor\""), 234, 28,
                    uiFont(Face::Verdana, 11), QColor(0x00, 0x4A, 0x00));
}

void TfMain::createFirstPage()
{
    QWidget *p = tSheet1;
    const QFont bold = uiFont(Face::MsSansSerif, 11, true);
    const QColor navy(0x00, 0x00, 0x80);

    Bevel3 = box(p, "Bevel3", {6, 8, 567, 241});
    Label12 = label(p, "Label12", QStringLiteral("Problema 1:"), 39, 27, bold, navy);
    Image1 = picture(p, "Image1", ":/pictures/ball-violet.png", {20, 27, 32, 32});
    Label15 =
        label(p, "Label15",
              QStringLiteral("Tiparirea in ordine inversa a subconsecutivitatii de numere dintre valoarea "
                             "minima si"),
              38, 43);
    Label16 = label(p, "Label16", QStringLiteral("maxima ale unei liste simplu inlantuite"), 39, 57);
    btnP1 = checkMarkButton(p, "btnP1", QStringLiteral("Lanseaza 1..."), {461, 50, 98, 24});
    Bevel1 = line(p, "Bevel1", {13, 85, 552, 2});
    Label13 = label(p, "Label13", QStringLiteral("Problema 2:"), 39, 105, bold, navy);
    Image2 = picture(p, "Image2", ":/pictures/ball-green.png", {20, 105, 32, 32});
    Label17 =
        label(p, "Label17",
              QStringLiteral("Scrieti un program care determina un numar obisnuit din inversul cifrelor "
                             "numarului dat"),
              38, 125);
    btnP2 = checkMarkButton(p, "btnP2", QStringLiteral("Lanseaza 2..."), {461, 130, 98, 24});
    Bevel2 = line(p, "Bevel2", {13, 165, 552, 2});
    Label14 = label(p, "Label14", QStringLiteral("Problema 3:"), 39, 183, bold, navy);
    Image3 = picture(p, "Image3", ":/pictures/ball-blue.png", {20, 183, 32, 32});
    Label20 =
        label(p, "Label20",
              QStringLiteral("Utilizind functia recursiva, scrieti un program care converteste un intreg "
                             "citit dintr-un"),
              38, 199);
    Label19 = label(p, "Label19", QStringLiteral("fisier in numere hexazecimale"), 38, 212);
    btnP3 = checkMarkButton(p, "btnP3", QStringLiteral("Lanseaza 3..."), {461, 212, 98, 24});

    setTabOrder(btnP1, btnP2);
    setTabOrder(btnP2, btnP3);
}

void TfMain::createSecondPage()
{
    QWidget *p = tSheet2;
    Bevel6 = line(p, "Bevel6", {8, 10, 562, 2});
    Label24 = label(p, "Label24",
                    QStringLiteral("Scrieti un program care la o singura trecere prin fisierul FIN, fara "
                                   "utilizarea fisierelor suplimentare, va tipari elementele"),
                    9, 22);
    Label25 = label(p, "Label25", QStringLiteral("fisierului FIN in urmatoarea ordine:"), 8, 35);
    Label26 = label(p, "Label26", QStringLiteral("- toate elementele mai mici ca valoarea A"), 19, 52);
    Label27 = label(p, "Label27", QStringLiteral("- elementele din segmentul [A,B]"), 19, 65);
    Label28 = label(p, "Label28",
                    QStringLiteral("- restul elementelor pastrind aceeasi ordine din fisierul FIN"), 19, 78);
    Bevel5 = line(p, "Bevel5", {8, 105, 562, 2});
    Label21 = label(p, "Label21", QStringLiteral("Valoarea A:"), 164, 124);
    aEdit = edit(p, "aEdit", QStringLiteral("2"), {224, 121, 49, 21});
    Label22 = label(p, "Label22", QStringLiteral("Valoarea B:"), 164, 148);
    bEdit = edit(p, "bEdit", QStringLiteral("6"), {224, 145, 49, 21});
    btnLab2 = checkMarkButton(p, "btnLab2", QStringLiteral("Lanseaza..."), {294, 144, 91, 24});
    Bevel4 = line(p, "Bevel4", {8, 180, 562, 2});
    Label23 = label(p, "Label23", QStringLiteral("Continutul fisierului:"), 4, 190);
    fMemo = named(new QPlainTextEdit(p), "fMemo");
    fMemo->setGeometry(7, 209, 564, 157);
    fMemo->setFont(uiFont(Face::CourierNew, 12));
    fMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    fMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    fMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    setTabOrder(aEdit, btnLab2);
    setTabOrder(btnLab2, bEdit);
    setTabOrder(bEdit, fMemo);
}

void TfMain::createThirdPage()
{
    QWidget *p = tSheet3;
    Bevel8 = box(p, "Bevel8", {9, 10, 562, 56});
    Label18 =
        label(p, "Label18",
              QStringLiteral("Un program de comparare a fisierelor din doua directorii. Fisierele pot fi "
                             "comparate dupa patru criterii de comparare"),
              21, 17);
    Label31 =
        label(p, "Label31",
              QStringLiteral("(nume, volum, continut byte cu byte si data creare. In afara de aceasta se "
                             "poate de indicat anumite tipuri de fisiere"),
              21, 30);
    Label32 =
        label(p, "Label32",
              QStringLiteral("care vor fi controlate la coincidenta (obisnuite - archive, ascunse - hide, "
                             "protejate - read only, de sistema - system)."),
              21, 43);
    Bevel7 = box(p, "Bevel7", {9, 78, 448, 72});
    Label29 = label(p, "Label29", QStringLiteral("Directoriul 1:"), 20, 93);
    ePath1 = edit(p, "ePath1", QString(), {83, 90, 282, 21});
    btnGetPath1 = button(p, "btnGetPath1", QStringLiteral("Schimba..."), {372, 91, 69, 20});
    Label30 = label(p, "Label30", QStringLiteral("Directoriul 2:"), 20, 119);
    ePath2 = edit(p, "ePath2", QString(), {83, 116, 282, 21});
    btnGetPath2 = button(p, "btnGetPath2", QStringLiteral("Schimba..."), {372, 117, 69, 20});

    btnGo = button(p, "btnGo", QStringLiteral("&Compara"), {474, 79, 97, 23});
    btnGo->setFont(uiFont(Face::Arial, 11, true));
    btnStop = button(p, "btnStop", QStringLiteral("&Opreste"), {474, 103, 97, 23});
    btnStop->setEnabled(false);
    btnClose = button(p, "btnClose", QStringLiteral("&Iesire"), {474, 127, 97, 23});

    gBox1 = named(new QGroupBox(QStringLiteral(" Criterii comparare "), p), "gBox1");
    gBox1->setGeometry(9, 158, 128, 98);
    cbByName = checkBox(gBox1, "cbByName", QStringLiteral("Nume"), {22, 17, 66, 17}, true);
    cbByVolume = checkBox(gBox1, "cbByVolume", QStringLiteral("Volum"), {22, 35, 66, 17}, true);
    cbByContents = checkBox(gBox1, "cbByContents", QStringLiteral("Continut"), {22, 53, 90, 17}, true);
    cbByDate = checkBox(gBox1, "cbByDate", QStringLiteral("Data creare"), {22, 71, 90, 17}, true);

    gBox2 = named(new QGroupBox(QStringLiteral(" Tip fisiere "), p), "gBox2");
    gBox2->setGeometry(9, 265, 129, 99);
    cbNormal = checkBox(gBox2, "cbNormal", QStringLiteral("Obisnuite"), {24, 18, 80, 17}, true);
    cbHide = checkBox(gBox2, "cbHide", QStringLiteral("Ascunse"), {24, 36, 80, 17}, false);
    cbReadOnly = checkBox(gBox2, "cbReadOnly", QStringLiteral("Protejate"), {24, 54, 82, 17}, false);
    cbSystem = checkBox(gBox2, "cbSystem", QStringLiteral("De sistema"), {24, 72, 82, 17}, false);

    eRich = named(new ResultView(p), "eRich");
    eRich->setGeometry(150, 163, 420, 178);
    eRich->setFocusPolicy(Qt::StrongFocus);
    eRich->addLine("Rezultat...");
    eRich->flush();

    eRez = edit(p, "eRez", QString(), {150, 343, 420, 21});
    eRez->setReadOnly(true);
    eRez->setFocusPolicy(Qt::ClickFocus);
    eRez->setFont(uiFont(Face::MsSansSerif, 11, true));
    QPalette rez = eRez->palette();
    setActiveColour(rez, QPalette::Base, QColor(0xC0, 0xC6, 0xD1));
    setActiveColour(rez, QPalette::Text, Qt::black);
    eRez->setPalette(rez);

    QWidget *order[] = {ePath1,     btnGo,      btnClose,     ePath2,   btnGetPath1, btnGetPath2,
                        cbByName,   cbByVolume, cbByContents, cbByDate, cbNormal,    cbHide,
                        cbReadOnly, cbSystem,   btnStop,      eRich};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TfMain::createStatusStrip()
{
    Panel2 = named(new QLabel(this), "Panel2");
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setGeometry(0, kHeaderHeight + kPagesHeight, kClientWidth, kStatusHeight);
    Panel2->setFont(uiFont(Face::Arial, 11));
    Panel2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Panel2->setTextFormat(Qt::PlainText);
    Panel2->setText(QStringLiteral(" Elaborat de Tovi, grupa C-241, 2026"));
}

void TfMain::createMenus()
{
    pMenuMemo = named(new QMenu(this), "pMenuMemo");
    iReloadData = pMenuMemo->addAction(QStringLiteral("&Reinnoieste datele"));
    iReloadData->setObjectName(QStringLiteral("iReloadData"));
    iSaveData = pMenuMemo->addAction(QStringLiteral("&Salveaza in fisier"));
    iSaveData->setObjectName(QStringLiteral("iSaveData"));
    pMenu = named(new QMenu(this), "pMenu");

    fMemo->setContextMenuPolicy(Qt::CustomContextMenu);
    aEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    bEdit->setContextMenuPolicy(Qt::CustomContextMenu);
}

TfMain::TfMain(QWidget *parent) : QWidget(parent)
{
    // The pictures live in the core library, which the linker would otherwise leave out.
    Q_INIT_RESOURCE(resources);
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("Lucrari de laborator - realizat de Tovi"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kHeaderHeight + kPagesHeight + kStatusHeight);
    setFont(uiFont(Face::MsSansSerif, 11));

    createHeader();

    pgControl = named(new QTabWidget(this), "pgControl");
    pgControl->setGeometry(0, kHeaderHeight, kClientWidth, kPagesHeight);
    QFont tabFont = uiFont(Face::MsSansSerif, 11, true);
    pgControl->tabBar()->setFont(tabFont);
    setTextColour(pgControl->tabBar(), Qt::black);
    tSheet1 = page(pgControl, "tSheet1", QStringLiteral(" Lucrarea Nr.1 "));
    tSheet2 = page(pgControl, "tSheet2", QStringLiteral(" Lucrarea Nr.2 "));
    tSheet3 = page(pgControl, "tSheet3", QStringLiteral(" Lucrarea Nr.3 "));
    createFirstPage();
    createSecondPage();
    createThirdPage();
    createComparison();
    pgControl->setCurrentWidget(tSheet3);

    createStatusStrip();
    createMenus();
    connectHandlers();

    FormCreate(this);
}
