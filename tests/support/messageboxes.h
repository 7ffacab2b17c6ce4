#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

struct ShownBox
{
    QString text;
    QString caption;
    QMessageBox::Icon icon;
    bool applicationModal;
};

// While it lives, answers every message box that appears by pressing its OK button, and records the box's
// text, caption and icon.
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT
public:
    MessageBoxAnswerer();
    QList<ShownBox> boxes;

private:
    void answer();
    QTimer m_timer;
};
