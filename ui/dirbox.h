#pragma once

#include <QByteArray>
#include <QListWidget>

// The directory list: the chain of directories from the root down to its directory, then that
// directory's subdirectories. A single click only highlights a row; a double click asks for the row to be
// opened (openRequested), and whoever owns the list opens it with setDirectory, where a failure can be
// reported. Enter is left to the dialog, whose default button it presses.
class TDirBox : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int PathRole = Qt::UserRole;
    static constexpr int LevelRole = Qt::UserRole + 1;
    static constexpr int RowHeight = 16;

    // Takes the process's current directory, without changing it.
    explicit TDirBox(QWidget *parent = nullptr);

    QByteArray directory() const { return m_directory; }

    // Makes the directory current, reads the current directory back as the list's own, rebuilds the rows
    // and raises changed(). A directory that cannot be entered throws EInOutError with the system's error
    // number, and then nothing has changed.
    void setDirectory(const QByteArray &directory);

    // Reads the rows again for the same directory, without entering it; the highlighted row stays
    // highlighted while it is still there.
    void refresh();

    // The subdirectories of a directory as the list shows them: hidden ones left out, sorted by name
    // without regard to letter case. One that cannot be listed has none.
    static QList<QByteArray> subdirectories(const QByteArray &directory);

signals:
    void openRequested(const QByteArray &directory);
    void changed();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void rebuild();
    void scrollToDirectory();

    QByteArray m_directory;
    int m_directoryRow = 0;
};
