#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TDirBox;
class TDriveBox;

// The directory picker: a small modal dialog, created once at start-up and only hidden between showings,
// so that its controls keep their state from one showing to the next. Its result is the text of ePath:
// the chosen directory, or empty when nothing was chosen.
class TfSelPath : public QDialog
{
    Q_OBJECT
public:
    explicit TfSelPath(QWidget *parent = nullptr);

    QLabel *Label1, *Label2;
    TDriveBox *DriveBox;
    TDirBox *DirBox;
    QPushButton *btnOk;
    QLineEdit *ePath;
    QPushButton *btnClose;

    void FormShow(QObject *Sender);
    void DirBoxChange(QObject *Sender);
    void btnCloseClick(QObject *Sender);

    // Shows the dialog, centred on the screen, and returns when it has closed, with its result. Meanwhile
    // no other window takes input; afterwards the window that was active before is active again, its
    // focus where it was.
    int ShowModal();

signals:
    // The on-show event: each time the dialog is shown.
    void shown();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void connectHandlers();
    void centreOnScreen(const QWidget *opener);
};

extern TfSelPath *fSelPath;
