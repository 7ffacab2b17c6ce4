#pragma once

#include "engine/comparison.h"
#include "engine/pathstack.h"

#include <QByteArray>
#include <QWidget>

#include <memory>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QAction;
class ResultView;

// The set of the characters '0' to '9' that the key filters consult. Characters are taken as signed
// 8-bit values, so nothing at or above 128 is ever a member.
class TDigitSet
{
public:
    constexpr TDigitSet() = default;
    void include(char c);
    bool contains(char c) const;

private:
    quint16 m_bits = 0;
};

extern TDigitSet Digits;

// The main window: every control is a named member, and the operations of the three pages are members
// too (the window's own handlers here, the first two pages in launcher/, the comparison in compare/).
class TfMain : public QWidget
{
    Q_OBJECT
public:
    explicit TfMain(QWidget *parent = nullptr);
    ~TfMain() override;

    // Header strip
    QFrame *Panel1;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10,
        *Label11;
    // Pages
    QTabWidget *pgControl;
    QWidget *tSheet1, *tSheet2, *tSheet3;
    // First page
    QFrame *Bevel3, *Bevel1, *Bevel2;
    QLabel *Label12, *Label13, *Label14, *Label15, *Label16, *Label17, *Label19, *Label20;
    QLabel *Image1, *Image2, *Image3;
    QPushButton *btnP1, *btnP2, *btnP3;
    // Second page
    QFrame *Bevel6, *Bevel5, *Bevel4;
    QLabel *Label21, *Label22, *Label23, *Label24, *Label25, *Label26, *Label27, *Label28;
    QLineEdit *aEdit, *bEdit;
    QPushButton *btnLab2;
    QPlainTextEdit *fMemo;
    // Third page
    QFrame *Bevel8, *Bevel7;
    QLabel *Label18, *Label31, *Label32, *Label29, *Label30;
    QLineEdit *ePath1, *ePath2;
    QPushButton *btnGetPath1, *btnGetPath2, *btnGo, *btnStop, *btnClose;
    QGroupBox *gBox1, *gBox2;
    QCheckBox *cbByName, *cbByVolume, *cbByContents, *cbByDate;
    QCheckBox *cbNormal, *cbHide, *cbReadOnly, *cbSystem;
    ResultView *eRich;
    QLineEdit *eRez;
    // Status strip
    QLabel *Panel2;
    // Popup menus
    QMenu *pMenuMemo, *pMenu;
    QAction *iReloadData, *iSaveData;

    // The window's own handlers.
    void FormCreate(QObject *Sender);
    void btnCloseClick(QObject *Sender);

    // Both "Schimba..." buttons: the directory picker.
    void btnGetPath1Click(QObject *Sender);

    // Comparison run control.
    void btnGoClick(QObject *Sender);
    void btnStopClick(QObject *Sender);
    // The comparison itself is the engine's (engine/comparison.h); these members hand the work to it.
    void CompareDirs();
    // Lists the files of the directory that a path text names into a stack; false when a stop ends it.
    bool takeInventory(const QString &dirText, PathStack &stack);
    void CompareByName(PathStack stack1, PathStack stack2);
    void CompareByVolume(quint32 kindMask);
    void CompareByTime(quint32 kindMask);
    void CompareByContents(PathStack stack1, PathStack stack2);
    // Appends one line to the result view; false when the view can take no more.
    bool AddResultLine(QLatin1StringView tag, const QByteArray &firstName, const QByteArray &secondName);

    bool isComparing() const { return m_comparing; }
    // The engine behind the third page: its pacing settings are what tests tune.
    Comparison &comparison() { return *m_comparison; }

    // The first two pages (launcher/).
    void LaunchProgram(QString path);
    void btnP1Click(QObject *Sender);
    void btnP2Click(QObject *Sender);
    void btnP3Click(QObject *Sender);
    void tSheet2Show(QObject *Sender);
    void iReloadDataClick(QObject *Sender);
    void iSaveDataClick(QObject *Sender);
    void btnLab2Click(QObject *Sender);
    // Key filters: set Key to 0 to discard the typed character.
    void aEditKeyPress(QObject *Sender, char &Key);
    void fMemoKeyPress(QObject *Sender, char &Key);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createHeader();
    void createFirstPage();
    void createSecondPage();
    void createThirdPage();
    void createStatusStrip();
    void createMenus();
    void connectHandlers();
    void installKeyFilters();

    void enterBusyState();
    void enterIdleState();

    class RunScope;
    // The third page as the comparison's face: the engine reads the controls and reports through it.
    class ComparisonFace final : public ComparisonInputs, public ComparisonReport
    {
    public:
        explicit ComparisonFace(TfMain &window) : m_window(window) {}
        QString pathText(int directory) const override;
        bool isChosen(Criterion criterion) const override;
        quint32 chosenKinds() const override;
        void clearResults() override;
        bool AddResultLine(QLatin1StringView tag, const QByteArray &firstName,
                           const QByteArray &secondName) override;
        void showProgress(const QString &text) override;
        void writeOut() override;
        void handOver() override;

    private:
        TfMain &m_window;
    };
    void createComparison();
    std::unique_ptr<ComparisonFace> m_face;
    std::unique_ptr<Comparison> m_comparison;
    bool m_comparing = false;
    bool m_closePending = false;
    bool m_hourglass = false;
    QByteArray m_line; // reused by every result line
};

extern TfMain *fMain;
