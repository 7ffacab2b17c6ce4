#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <functional>

struct ShownBox
{
    QString text;
    QString caption;
    QMessageBox::Icon icon;
    bool operator==(const ShownBox &) const = default;
};
// What a failed comparison shows of a box.
char *toString(const ShownBox &box);

// The caption of the program's own boxes, spelt out.
inline const QString kProgramCaption = QStringLiteral("\"Vestrel\" by Tovi");

// While it lives, answers every message box that appears by pressing its OK button, and records the box's
// text, caption and icon.
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT
public:
    MessageBoxAnswerer();
    QList<ShownBox> boxes;
    // Called while each box is up, before it is answered: the one moment a test can be sure to see what the
    // window looks like behind the box, whatever the platform's timers do.
    std::function<void()> whileShown;

private:
    void answer();
    QTimer m_timer;
};
