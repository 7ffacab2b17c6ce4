#pragma once

#include "engine/pacingcontrol.h"

#include "tree.h"

#include "app/vestrel.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <memory>

class QLineEdit;

// A fresh main window, as start-up makes it, for one test.
std::unique_ptr<TfMain> makeMainWindow();

// Shows a window and waits until it is on screen; false when it never came.
[[nodiscard]] bool showExposed(QWidget &window);

// Every text an edit shows, in order, as long as the recorder lives.
class TextRecorder
{
public:
    explicit TextRecorder(QLineEdit *edit);
    ~TextRecorder();
    TextRecorder(const TextRecorder &) = delete;
    TextRecorder &operator=(const TextRecorder &) = delete;
    QStringList texts;
    QStringList textsStartingWith(const QString &prefix) const;

private:
    QMetaObject::Connection m_connection;
};

// Every hand-over point of a run becomes a real one, so that progress texts and stop points can be traced;
// the hand-over hook is cleared.
void useLiteralPacing(TfMain &w);
// Paced hand-overs again, at the usual interval, with no hook.
void restorePacing(TfMain &w);
// The pacing that the window's runs start from, for tests to tune and watch.
PacingSettings &pacingOf(TfMain &w);
