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

#include <functional>

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

namespace {

// The directory a path edit names, as bytes for the system: converted again only when the text changes.
class DirectoryText
{
public:
    explicit DirectoryText(QLineEdit *edit) : m_edit(edit) {}
    // Makes the directory the edit names now the current one; changed tells whether the text differs
    // from the one entered last time.
    bool enter(const std::function<QByteArray(const QString &)> &resolve, bool *changed = nullptr)
    {
        QString text = m_edit->text();
        const bool differs = !m_entered || text != m_text;
        if (differs) {
            m_text = std::move(text);
            m_bytes = resolve(m_text);
            m_entered = true;
        }
        if (changed)
            *changed = differs;
        return SetCurrentDir(m_bytes);
    }

private:
    QLineEdit *m_edit;
    QString m_text;
    QByteArray m_bytes;
    bool m_entered = false;
};

// One directory-1 file against directory 2's files from position first on, in the criterion's order of
// steps. The loop is the hot spot of the criterion (10^8 pairs for two directories of 10^4 files): the
// poll order is fixed at compile time, and outside literal pacing the progress text follows the position
// j by reference instead of being recorded for every pair. Returns false when a stop ends the criterion.
template <bool PollBeforeHandOver, bool RecordEachPair, class Report, class Record>
bool scanSecondDirectory(qint64 key1, const qint64 *keys2, qsizetype first, qsizetype count, qsizetype &j,
                         Report report, Record record)
{
    for (j = first; j < count; ++j) {
        if (keys2[j] == key1)
            report(j);
        if constexpr (RecordEachPair)
            record(j);
        if constexpr (PollBeforeHandOver) {
            if (bStop)
                return false;
            pacing::ProcessMessages();
        } else {
            pacing::ProcessMessages();
            if (bStop)
                return false;
        }
    }
    return true;
}

} // namespace

void TfMain::compareByKey(quint32 mask, const KeyCriterion &c)
{
    qint64 p1 = 0;
    const auto resolve = [this](const QString &text) { return runPath(text); };
    DirectoryText dir1Text(ePath1), dir2Text(ePath2);
    if (!dir1Text.enter(resolve))
        return;
    DirEntry search1;
    if (FindFirst("*.*", mask, search1) != 0)
        return;

    // Directory 2 is searched again for every directory-1 file; within this call the listing is kept while
    // the path text stays the same (in literal pacing it is read afresh every time).
    QualifyingFiles dir2;
    bool listed = false;
    QByteArray name1; // outlives the loop body: the recorded progress refers to it
    qsizetype j = 0;  // likewise
    auto end = [&] {
        FindClose(search1);
        m_progress.flush();
    };
    const bool literal = pacing::isLiteral();
    const auto report = [&](qsizetype at) { AddResultLine(c.tag, name1, dir2.names[size_t(at)]); };
    const auto record = [&](qsizetype at) { m_progress.setPair(c.progress, name1, dir2.names[size_t(at)]); };

    do {
        if (!isSelected(search1.Attr, mask)) {
            pacing::keepAlive();
            continue;
        }
        ++p1;
        pacing::ProcessMessages();
        bool changed = false;
        if (!dir2Text.enter(resolve, &changed))
            return end();
        if (!listed || changed || literal) {
            m_progress.flush(); // it may refer to the listing about to be replaced
            dir2 = listQualifying(mask);
            listed = true;
        }
        name1 = search1.Name;
        const qint64 key1 = search1.*c.key;
        const qint64 *keys2 = (dir2.*c.keys).data();
        // Under the same-directory rule every pair with p2 <= p1 is passed over without any step.
        const qsizetype first = bSameDir ? std::min<qsizetype>(p1, dir2.count()) : 0;
        const qsizetype count = dir2.count();
        if (first < count && !literal)
            m_progress.setPairFrom(c.progress, name1, dir2.names.data(), &j);
        bool going;
        if (literal)
            going = c.pollBeforeHandOver
                        ? scanSecondDirectory<true, true>(key1, keys2, first, count, j, report, record)
                        : scanSecondDirectory<false, true>(key1, keys2, first, count, j, report, record);
        else
            going = c.pollBeforeHandOver
                        ? scanSecondDirectory<true, false>(key1, keys2, first, count, j, report, record)
                        : scanSecondDirectory<false, false>(key1, keys2, first, count, j, report, record);
        // The text follows j no further: it stays at the last pair tested.
        if (first < count && !literal)
            record(std::min(j, count - 1));
        if (!going)
            return end();
        if (!dir1Text.enter(resolve))
            return end();
    } while (FindNext(search1) == 0);
    end();
}
