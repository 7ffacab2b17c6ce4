// The comparison engine: lists both directories, then calls the chosen criteria.

#include "app/vestrel.h"

#include "engine/flags.h"
#include "engine/pacing.h"
#include "platform/dirsearch.h"
#include "platform/filenames.h"
#include "ui/resultview.h"

#include <QCheckBox>
#include <QLineEdit>

namespace {

// The attribute bits of the kinds ticked. "Obisnuite" stands for the archive bit that ordinary files
// carry; the system's own normal bit marks a file with no other bit, and such a file never takes part.
quint32 chosenKinds(const TfMain &w)
{
    quint32 mask = 0;
    if (w.cbNormal->isChecked())
        mask |= FileAttr::Archive;
    if (w.cbHide->isChecked())
        mask |= FileAttr::Hidden;
    if (w.cbReadOnly->isChecked())
        mask |= FileAttr::ReadOnly;
    if (w.cbSystem->isChecked())
        mask |= FileAttr::System;
    return mask;
}

} // namespace

void TfMain::CompareDirs()
{
    PathStack S1, S2;
    QString dirText = ePath1->text();
    kindMask = chosenKinds(*this);
    eRich->clearLines();

    if (!takeInventory(dirText, S1))
        return;
    if (bSameDir) {
        S2 = S1;
    } else {
        dirText = ePath2->text();
        if (!takeInventory(dirText, S2))
            return;
    }
    if (S1.empty() || S2.empty())
        return;
    if (cbByName->isChecked())
        CompareByName(S1, S2);
    if (cbByVolume->isChecked())
        CompareByVolume(kindMask);
    if (cbByDate->isChecked())
        CompareByTime(kindMask);
    if (cbByContents->isChecked())
        CompareByContents(S1, S2);
}

bool TfMain::takeInventory(const QString &dirText, PathStack &stack)
{
    if (!enterRunDirectory(dirText))
        return true;
    DirEntry entry;
    if (FindFirst("*.*", kindMask, entry) != 0)
        return true;
    const QByteArray directory = pathBytes(dirText) + '/';
    // The facts of the files pushed, kept for the criteria, which then need not look at them again.
    auto listing = std::make_shared<QualifyingFiles>();
    do {
        if (!isSelected(entry.Attr, kindMask)) {
            pacing::keepAlive();
            continue;
        }
        m_progress.set(QStringLiteral("Initializare: "), entry.Name);
        pacing::ProcessMessages();
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
    if (!pacing::isLiteral() && currentDirIdentity(here))
        m_listings.keep(here, listing);
    stack.setListing(std::move(listing));
    return true;
}
