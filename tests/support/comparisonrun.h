#pragma once

#include "fixture.h"
#include "resulttexts.h"

#include "platform/dirsearch.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <memory>

class ResultView;

// The criteria of the third page, as bits of one number, so that a data row can name any choice.
enum Criteria : int { ByName = 1, BySize = 2, ByDate = 4, ByContents = 8, AllCriteria = 15 };

// The kinds of files as start-up ticks them: normal files only.
constexpr quint32 kNormalFiles = FileAttr::Archive;

// Ticks the criteria boxes, and the kind boxes from FileAttr bits (Archive stands for the normal files).
void choose(TfMain &w, int criteria, quint32 kinds = kNormalFiles);

// Every line of a result view, in order.
QStringList resultLines(const ResultView &view);

enum class RunPacing { Literal, Paced };
Q_DECLARE_METATYPE(RunPacing)

// One comparison through a fresh main window: the criteria and kinds ticked, the two path texts set,
// every text of the progress field recorded and the current directory kept. Literal pacing makes every
// hand-over point a real one; paced or literal, the usual pacing is back when the run is gone.
struct ComparisonRun
{
    ComparisonRun(const QString &path1, const QString &path2, int criteria = AllCriteria,
                  quint32 kinds = kNormalFiles, RunPacing pacing = RunPacing::Literal);
    ~ComparisonRun();
    ComparisonRun(const ComparisonRun &) = delete;
    ComparisonRun &operator=(const ComparisonRun &) = delete;

    // Clicks Compara and returns the result lines.
    QStringList go();
    QStringList lines() const;
    // The progress field's text: at the end of a run, the count.
    QString progressText() const;
    // The names the inventory showed, in order.
    QStringList listed() const;
    QStringList progress(const QString &prefix) const { return rez.textsStartingWith(prefix); }

    // First in, last out: the directory comes back after the window is gone.
    CurrentDirKeeper keep;
    std::unique_ptr<TfMain> w;
    TextRecorder rez;
};
