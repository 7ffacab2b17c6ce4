#pragma once

#include <QDialog>

// The directory picker: a small modal dialog, created once at start-up and only hidden between showings.
class TfSelPath : public QDialog
{
    Q_OBJECT
public:
    explicit TfSelPath(QWidget *parent = nullptr);
};

extern TfSelPath *fSelPath;
