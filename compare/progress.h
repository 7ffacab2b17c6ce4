#pragma once

#include <QByteArray>
#include <QString>

class QLineEdit;

// The progress text of a run. The loops record it for every file or pair; it reaches the edit only just
// before a real hand-over to the event loop and at the end of each phase, since nobody can see it in
// between. In literal pacing every recorded text is written at once.
class ProgressText
{
public:
    explicit ProgressText(QLineEdit *target) : m_target(target) {}

    void set(const QString &text);
    // The prefix followed by the displayed form of a file name.
    void set(const QString &prefix, const QByteArray &name);
    void flush();

private:
    QLineEdit *m_target;
    QString m_prefix;
    QByteArray m_name;
    bool m_hasName = false;
    bool m_pending = false;
};
