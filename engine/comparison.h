#pragma once

#include "engine/criteriontexts.h"
#include "engine/flags.h"
#include "engine/listing.h"
#include "engine/pacing.h"
#include "engine/pathstack.h"
#include "engine/progress.h"
#include "engine/release.h"
#include "platform/directories.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

#include <memory>

// What a comparison reads from the face that drives it, at the moments its loops read the page's controls:
// a path text each time a directory is entered, a criterion's box when the run reaches it, the kinds once.
class ComparisonInputs
{
public:
    virtual ~ComparisonInputs() = default;
    // The text that names directory 1 or 2, as it stands now.
    virtual QString pathText(int directory) const = 0;
    // Whether the criterion is chosen, as it stands now.
    virtual bool isChosen(Criterion criterion) const = 0;
    // The chosen kinds of files, as attribute bits.
    virtual quint32 chosenKinds() const = 0;
};

// What a comparison tells the face that drives it.
class ComparisonReport
{
public:
    virtual ~ComparisonReport() = default;
    // The run empties the results before it lists the directories.
    virtual void clearResults() = 0;
    // One coincidence, the names as the criterion compared them; false when the results can take no more
    // (the run then ends as if stopped).
    virtual bool AddResultLine(QLatin1StringView tag, const QByteArray &firstName,
                               const QByteArray &secondName) = 0;
    // The progress text to show now.
    virtual void showProgress(const QString &text) = 0;
    // Just before a real hand-over, after the progress text: what the face holds of the run is made
    // visible (the window shows the lines added since, a batch front end writes its output out).
    virtual void writeOut() = 0;
    // A real hand-over: the window serves its events.
    virtual void handOver() = 0;
};

// The comparison of two directories, on Qt Core alone: the inventory, the name, size, date and content
// criteria, the progress text, and what a run holds (its base directory, its listings, its pacing). The
// window and vestrel-compare are two faces of it. It shows no message box and catches nothing: the
// process-wide flags of engine/flags.h are its other inputs, bStop polled where the loops poll it.
class Comparison
{
public:
    Comparison(ComparisonInputs &inputs, ComparisonReport &report);
    ~Comparison();
    Comparison(const Comparison &) = delete;
    Comparison &operator=(const Comparison &) = delete;

    // The pacing every run starts from (engine/pacingcontrol.h).
    PacingSettings &pacingSettings() { return m_settings; }

    // A run whose paths have passed their checks starts: relative path texts are taken from the current
    // directory from now on, the stop flag is cleared and the same-directory flag set from the two texts.
    // Returns the same-directory flag.
    bool beginRun(const QString &path1, const QString &path2);
    // The run is over: what it held is let go, a piece at a time, with the window served in between.
    void endRun();
    // The run's hand-overs.
    Pacing &pacing() { return *m_pacing; }
    // The progress text, recorded now and shown at the next hand-over or the end of a phase.
    ProgressText &progress() { return m_progress; }
    // The results could take no more lines during this run.
    bool resultsFull() const { return m_resultsFull; }

    void CompareDirs();
    // Lists the files of the directory that a path text names into a stack; false when a stop ends it.
    bool takeInventory(const QString &dirText, PathStack &stack);
    void CompareByName(PathStack stack1, PathStack stack2);
    void CompareByVolume(quint32 mask);
    void CompareByTime(quint32 mask);
    void CompareByContents(PathStack stack1, PathStack stack2);

private:
    class DirectoryText;
    class NameVisitor;
    class KeyVisitor;
    class ContentsVisitor;

    // Outside a run, a call of the inventory or of a criterion is a short run of its own, paced as the
    // settings say now; inside a run (or inside such a call) it is part of it.
    class OwnCall;
    // A pacing made from the settings as they are now.
    void refreshPacing();
    std::unique_ptr<Pacing> makePacing();
    bool addResultLine(QLatin1StringView tag, const QByteArray &firstName, const QByteArray &secondName);
    // Makes the directory a path text names current: a relative text means the same place for the
    // whole run, the directory that was current when the run checked its paths.
    bool enterRunDirectory(const QString &dirText);
    void compareByKey(quint32 mask, Criterion criterion);
    // Lets go of a container the run needs no more: element by element with the window served, or after
    // the run when a stop asks it to end at once.
    template <typename Container> void discard(Container &&container)
    {
        if (bStop)
            m_leftovers.take(std::move(container));
        else
            releaseGradually(container, *m_pacing);
    }
    // The qualifying files of the current directory, listed once for the whole run.
    Listing listingHere(quint32 mask);
    void releaseRunState();

    ComparisonInputs &m_inputs;
    ComparisonReport &m_report;
    PacingSettings m_settings;
    std::unique_ptr<Pacing> m_pacing;
    std::unique_ptr<Pacing::BeforeHandOver> m_showProgress;
    ProgressText m_progress;
    DirectoryAnchor m_runBase; // the directory that was current when the run checked its paths
    RunListings m_listings;
    Leftovers m_leftovers; // what the run's loops held, let go of after it
    bool m_running = false;
    bool m_resultsFull = false;
};

class Comparison::OwnCall
{
public:
    explicit OwnCall(Comparison &comparison) : m_comparison(comparison), m_own(!comparison.m_running)
    {
        if (m_own) {
            m_comparison.refreshPacing();
            m_comparison.m_running = true;
        }
    }
    ~OwnCall()
    {
        if (m_own)
            m_comparison.m_running = false;
    }
    OwnCall(const OwnCall &) = delete;
    OwnCall &operator=(const OwnCall &) = delete;

private:
    Comparison &m_comparison;
    bool m_own;
};
