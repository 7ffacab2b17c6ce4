#pragma once

#include "fixture.h"
#include "standins.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// The second page of a window started in a folder of its own, which stays current while it lives: prog/
// holds data.txt when its bytes are given, and the stand-in for LAB2 when asked for (its records go into
// records/). The window is shown; the page comes up, and loads the data file, at showPage2().
struct SecondPage
{
    explicit SecondPage(const std::optional<QByteArray> &data = std::nullopt, bool withLab2 = false);
    void showPage2();
    void leaveAndReturn();
    // Clicks Lanseaza...
    void launch();
    void typeInMemo(const QString &digits);
    QString memo() const;
    QByteArray data() const { return tree.bytes() + "/prog/data.txt"; }
    // The data file's bytes; "<none>" when it cannot be read.
    QByteArray dataFile() const;

    TempTree tree;
    CurrentDirKeeper keeper;
    StandIns standIns{tree.bytes() + "/records"};
    std::unique_ptr<TfMain> w;
};
