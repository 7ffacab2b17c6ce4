// The name, size and date criteria: every pair of files, directory 1 in the outer loop, one result line per
// coincidence. The loops keep every step in its order; what makes them fast is that a step costs a few
// instructions (paced hand-overs, progress recorded by reference, directory 2 listed once per path text).

#include "app/vestrel.h"

#include "compare/flags.h"
#include "compare/listing.h"
#include "compare/pacing.h"
#include "platform/dirsearch.h"
#include "platform/files.h"

#include <QHash>
#include <QLineEdit>

namespace {

const QString kNameProgress = QStringLiteral("[by name]  ");
const QString kVolumeProgress = QStringLiteral("[by volume]  ");
const QString kTimeProgress = QStringLiteral("[by time]    ");

} // namespace

// The size and date criteria differ in the key they compare, their texts, and whether the stop flag is
// polled before or after the hand-over.
struct TfMain::KeyCriterion
{
    QLatin1StringView tag;
    const QString &progress;
    const std::vector<qint64> QualifyingFiles::*keys;
    qint64 DirEntry::*key;
    bool pollBeforeHandOver;
};

void TfMain::CompareByName(PathStack stack1, PathStack stack2)
{
    // Every pass over a fresh copy of stack 2 pops the same names in the same order: top to bottom.
    std::vector<QByteArray> names2;
    std::vector<int> ids2;
    QHash<QByteArray, int> ids;
    names2.reserve(size_t(stack2.size()));
    for (qsizetype i = stack2.size() - 1; i >= 0; --i) {
        names2.push_back(namePart(stack2.at(i)));
        auto id = ids.constFind(names2.back());
        if (id == ids.cend())
            id = ids.insert(names2.back(), int(ids.size()));
        ids2.push_back(id.value());
    }

    QByteArray name1; // outlives the loop body: the recorded progress refers to it
    while (!stack1.empty()) {
        pacing::ProcessMessages();
        name1 = namePart(stack1.top());
        stack1.pop();
        const int id1 = ids.value(name1, -1);
        for (size_t j = 0; j < names2.size(); ++j) {
            m_progress.setPair(kNameProgress, name1, names2[j]);
            if (bStop) {
                m_progress.flush();
                return;
            }
            pacing::ProcessMessages();
            if (ids2[j] == id1)
                AddResultLine(QLatin1StringView("[by name]    "), name1, names2[j]);
        }
    }
    m_progress.flush();
}

void TfMain::CompareByVolume(quint32 mask)
{
    compareByKey(mask, {QLatin1StringView("[by volume]  "), kVolumeProgress, &QualifyingFiles::sizes,
                        &DirEntry::Size, false});
}

void TfMain::CompareByTime(quint32 mask)
{
    compareByKey(mask, {QLatin1StringView("[by time]  "), kTimeProgress, &QualifyingFiles::timeKeys,
                        &DirEntry::TimeKey, true});
}

void TfMain::compareByKey(quint32 mask, const KeyCriterion &c)
{
    qint64 p1 = 0;
    if (!SetCurrentDir(runPath(ePath1->text())))
        return;
    DirEntry search1;
    if (FindFirst("*.*", mask, search1) != 0)
        return;

    // Directory 2 is searched again for every directory-1 file; within this call the listing is kept while
    // the path text stays the same (in literal pacing it is read afresh every time).
    QualifyingFiles dir2;
    QString listedText;
    bool listed = false;
    QByteArray name1; // outlives the loop body: the recorded progress refers to it
    auto end = [&] {
        FindClose(search1);
        m_progress.flush();
    };

    do {
        if (!isSelected(search1.Attr, mask)) {
            pacing::keepAlive();
            continue;
        }
        ++p1;
        pacing::ProcessMessages();
        const QString text2 = ePath2->text();
        if (!SetCurrentDir(runPath(text2)))
            return end();
        if (!listed || text2 != listedText || pacing::isLiteral()) {
            m_progress.flush(); // it may refer to the listing about to be replaced
            dir2 = listQualifying(mask);
            listedText = text2;
            listed = true;
        }
        name1 = search1.Name;
        const qint64 key1 = search1.*c.key;
        const std::vector<qint64> &keys2 = dir2.*c.keys;
        // Under the same-directory rule every pair with p2 <= p1 is passed over without any step.
        const qsizetype first = bSameDir ? std::min<qsizetype>(p1, dir2.count()) : 0;
        for (qsizetype j = first; j < dir2.count(); ++j) {
            if (keys2[size_t(j)] == key1)
                AddResultLine(c.tag, name1, dir2.names[size_t(j)]);
            m_progress.setPair(c.progress, name1, dir2.names[size_t(j)]);
            if (c.pollBeforeHandOver) {
                if (bStop)
                    return end();
                pacing::ProcessMessages();
            } else {
                pacing::ProcessMessages();
                if (bStop)
                    return end();
            }
        }
        if (!SetCurrentDir(runPath(ePath1->text())))
            return end();
    } while (FindNext(search1) == 0);
    end();
}
