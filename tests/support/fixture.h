#pragma once

#include "app/vestrel.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QLineEdit;

// A fresh main window, as start-up makes it, for one test.
std::unique_ptr<TfMain> makeMainWindow();

// A directory tree built for one test and removed after it.
class TempTree
{
public:
    TempTree();
    QString path() const { return m_dir.path(); }
    QByteArray bytes() const;
    // Creates a file (and any missing parent directories) under the tree; returns its full path.
    QByteArray file(const QByteArray &relative, const QByteArray &contents = QByteArray(), int mode = 0644);
    // A file of the given size that ends in tail, a hole before it.
    QByteArray sparse(const QByteArray &relative, qint64 size, const QByteArray &tail = QByteArray());
    QByteArray dir(const QByteArray &relative);
    QByteArray fifo(const QByteArray &relative);
    QByteArray symlink(const QByteArray &relative, const QByteArray &target);

private:
    QTemporaryDir m_dir;
};

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
void useLiteralPacing();
// Paced hand-overs again, at the usual interval, with no hook.
void restorePacing();

// Keeps the process's current directory across a test that changes it.
class CurrentDirKeeper
{
public:
    CurrentDirKeeper();
    ~CurrentDirKeeper();

private:
    QByteArray m_saved;
};
