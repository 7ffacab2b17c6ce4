// The run of a comparison and its inventory: what a run holds, the listing of both directories, and the
// order in which the chosen criteria follow.

#include "engine/comparison.h"

#include "engine/flags.h"
#include "engine/release.h"
#include "platform/dirsearch.h"
#include "platform/filenames.h"
#include "platform/pathsyntax.h"

#include <exception>

Comparison::Comparison(ComparisonInputs &inputs, ComparisonReport &report)
    : m_inputs(inputs), m_report(report),
      m_progress([&report](const QString &text) { report.showProgress(text); })
{
    refreshPacing();
}

Comparison::~Comparison()
{
    releaseRunState();
}

std::unique_ptr<Pacing> Comparison::makePacing()
{
    return std::make_unique<Pacing>(m_settings, [this] { m_report.handOver(); });
}

void Comparison::refreshPacing()
{
    m_showProgress.reset();
    m_pacing = makePacing();
    m_showProgress = std::make_unique<Pacing::BeforeHandOver>(*m_pacing, [this] {
        m_progress.flush();
        m_report.writeOut();
    });
    m_progress.setLiteral(m_pacing->isLiteral());
}

bool Comparison::beginRun(const QString &path1, const QString &path2)
{
    refreshPacing();
    m_running = true;
    m_runBase = DirectoryAnchor::current();
    m_resultsFull = false;
    // The search calls it every few hundred entries: each call stands for real work.
    setSearchKeepAlive([pacing = m_pacing.get()] { pacing->keepAliveAfterWork(); });
    bStop = false;
    bSameDir = path1 == path2;
    return bSameDir;
}

void Comparison::endRun()
{
    if (!m_running)
        return;
    if (std::uncaught_exceptions() == 0)
        m_progress.flush();
    m_listings.handOverTo(m_leftovers);
    releaseRunState();
    m_leftovers.releaseLater();
}

void Comparison::releaseRunState()
{
    // Nothing of a run's listings or directories outlives it.
    m_listings.clear();
    m_runBase = DirectoryAnchor();
    setSearchKeepAlive({});
    m_running = false;
}

bool Comparison::addResultLine(QLatin1StringView tag, const QByteArray &firstName,
                               const QByteArray &secondName)
{
    if (m_report.AddResultLine(tag, firstName, secondName))
        return true;
    // The results hold every line in memory and have reached their limit: the run ends as if stopped, and
    // the face says why when it is over.
    m_resultsFull = true;
    bStop = true;
    return false;
}

bool Comparison::enterRunDirectory(const QString &dirText)
{
    return SetCurrentDirFrom(m_runBase, pathBytes(dirText));
}

void Comparison::CompareDirs()
{
    const OwnCall call(*this);
    PathStack S1, S2;
    QString dirText = m_inputs.pathText(1);
    kindMask = m_inputs.chosenKinds();
    m_report.clearResults();

    const auto release = [&] {
        m_leftovers.take(std::move(S1));
        m_leftovers.take(std::move(S2));
    };
    if (!takeInventory(dirText, S1))
        return release();
    if (bSameDir) {
        S2 = S1;
    } else {
        dirText = m_inputs.pathText(2);
        if (!takeInventory(dirText, S2))
            return release();
    }
    if (S1.empty() || S2.empty())
        return release();
    if (m_inputs.isChosen(Criterion::Name))
        CompareByName(S1, S2);
    if (m_inputs.isChosen(Criterion::Volume))
        CompareByVolume(kindMask);
    if (m_inputs.isChosen(Criterion::Time))
        CompareByTime(kindMask);
    if (m_inputs.isChosen(Criterion::Contents))
        CompareByContents(S1, S2);
    release();
}

bool Comparison::takeInventory(const QString &dirText, PathStack &stack)
{
    const OwnCall call(*this);
    if (!enterRunDirectory(dirText))
        return true;
    DirEntry entry;
    if (FindFirst("*.*", kindMask, entry) != 0)
        return true;
    Pacing &pacing = *m_pacing;
    const QByteArray directory = pathBytes(dirText) + pathSeparator();
    // The facts of the files pushed, kept for the criteria, which then need not look at them again.
    auto listing = std::make_shared<QualifyingFiles>();
    do {
        if (!isSelected(entry.Attr, kindMask)) {
            pacing.keepAlive();
            continue;
        }
        m_progress.set(QStringLiteral("Initializare: "), entry.Name);
        pacing.ProcessMessages();
        if (bStop) {
            FindClose(entry);
            m_progress.flush();
            return false;
        }
        stack.push(directory + entry.Name);
        listing->add(entry.Name, entry.Size, entry.Time.utcSeconds, entry.Identity);
    } while (FindNext(entry) == 0);
    FindClose(entry);
    m_progress.flush();
    FileIdentity here;
    if (!pacing.isLiteral() && currentDirIdentity(here))
        m_listings.keep(kindMask, here, listing);
    stack.setListing(std::move(listing));
    return true;
}

Listing Comparison::listingHere(quint32 mask)
{
    // Literal pacing searches the directory again every time, as the loops say.
    if (m_pacing->isLiteral())
        return std::make_shared<const QualifyingFiles>(listQualifying(mask));
    return m_listings.here(mask);
}
