// The name, size and date criteria: every pair of files, directory 1 in the outer loop, one result line per
// coincidence. The pair walk (engine/pairwalk.h) keeps every step of the loops where it matters and passes
// over the pairs whose keys differ.

#include "engine/comparison.h"

#include "engine/criteriontexts.h"
#include "engine/flags.h"
#include "engine/listing.h"
#include "engine/pacing.h"
#include "engine/pairwalk.h"
#include "engine/release.h"
#include "platform/filenames.h"
#include "platform/files.h"

#include <QHash>

#include <QScopeGuard>
#include <unordered_map>

namespace {

struct QByteArrayHash
{
    size_t operator()(const QByteArray &bytes) const { return qHash(bytes); }
};

// The file names of a stack in the order its loop pops them: top first. The listing that filled the
// stack has them made already; they are shared, not copied.
std::vector<QByteArray> namesInPopOrder(const PathStack &stack, Pacing &pacing)
{
    std::vector<QByteArray> names;
    names.reserve(size_t(stack.size()));
    const QualifyingFiles *listed = stack.listing();
    for (qsizetype i = stack.size() - 1; i >= 0; --i) {
        pacing.keepAlive();
        names.push_back(listed ? listed->names[size_t(i)] : namePart(stack.at(i)));
    }
    return names;
}

} // namespace

// Rows and columns are both stacks' names; a pair coincides when the names are the same bytes.
class Comparison::NameVisitor final : public PairVisitor
{
public:
    NameVisitor(Comparison &run, const PathStack &stack1, const PathStack &stack2)
        : m_run(run), m_names1(namesInPopOrder(stack1, *run.m_pacing)),
          m_names2(namesInPopOrder(stack2, *run.m_pacing))
    {
    }

    qint64 rows() const { return qint64(m_names1.size()); }
    qint64 columns() const override { return qint64(m_names2.size()); }
    bool enterRow(qint64) override
    {
        m_rowReady = false;
        return true;
    }
    qint64 nextCandidate(qint64 i, qint64 from) override
    {
        if (!m_rowReady) {
            indexColumns();
            const auto id = m_ids.find(m_names1[size_t(i)]);
            m_cursor = m_index.columnsOf(id == m_ids.end() ? -1 : id->second, 0);
            m_rowReady = true;
        }
        return m_cursor.next(from, columns());
    }
    bool coincide(qint64 i, qint64 j) override { return m_names1[size_t(i)] == m_names2[size_t(j)]; }
    void report(qint64 i, qint64 j) override
    {
        m_run.addResultLine(textsOf(Criterion::Name).tag, m_names1[size_t(i)], m_names2[size_t(j)]);
    }
    void progress(qint64 i, qint64 j) override
    {
        m_run.m_progress.setPair(textsOf(Criterion::Name).progress, m_names1[size_t(i)], m_names2[size_t(j)]);
    }

    // Lets go of what it held (engine/release.h).
    void release()
    {
        m_run.discard(std::move(m_names1));
        m_run.discard(std::move(m_names2));
        m_run.discard(std::move(m_ids));
    }

private:
    Comparison &m_run;
    std::vector<QByteArray> m_names1, m_names2;
    // Made when the first candidate is asked for: a criterion that a stop ends at its first poll needs none.
    void indexColumns()
    {
        if (m_indexed)
            return;
        // Equal names get equal numbers, so that the index holds numbers rather than names.
        std::vector<qint64> ids2;
        ids2.reserve(m_names2.size());
        // Growing would rehash every name so far in one stretch.
        m_ids.reserve(m_names2.size());
        for (const QByteArray &name : m_names2) {
            m_run.m_pacing->keepAlive();
            ids2.push_back(m_ids.try_emplace(name, qint64(m_ids.size())).first->second);
        }
        m_index = ColumnIndex(ids2, -1, m_run.m_pacing.get());
        m_indexed = true;
    }

    // Not a QHash: one that is emptied an entry at a time looks for its first entry from the start each time.
    std::unordered_map<QByteArray, qint64, QByteArrayHash> m_ids;
    ColumnIndex m_index;
    bool m_indexed = false;
    ColumnIndex::Cursor m_cursor;
    bool m_rowReady = false;
};

void Comparison::CompareByName(PathStack stack1, PathStack stack2)
{
    const OwnCall call(*this);
    const auto flushAtEnd = qScopeGuard([this] { m_progress.flush(); });
    NameVisitor visitor(*this, stack1, stack2);
    walkPairs(visitor.rows(), {PairSteps::ProgressPollHandOverLine}, visitor, bStop, *m_pacing);
    visitor.release();
    discard(std::move(stack1));
    discard(std::move(stack2));
}

void Comparison::CompareByVolume(quint32 mask)
{
    compareByKey(mask, Criterion::Volume);
}

void Comparison::CompareByTime(quint32 mask)
{
    compareByKey(mask, Criterion::Time);
}

// The directory a path text names, as the system sees it: converted again only when the text changes.
class Comparison::DirectoryText
{
public:
    DirectoryText(Comparison &run, int directory) : m_run(run), m_directory(directory) {}
    // Makes the directory the path text names now the current one; changed tells whether the text
    // differs from the one entered last time.
    bool enter(bool *changed = nullptr)
    {
        QString text = m_run.m_inputs.pathText(m_directory);
        const bool differs = !m_entered || text != m_text;
        if (differs) {
            m_text = std::move(text);
            m_bytes = pathBytes(m_text);
            m_entered = true;
        }
        if (changed)
            *changed = differs;
        return SetCurrentDirFrom(m_run.m_runBase, m_bytes);
    }
    // Enters the directory entered last time again, without reading the text.
    void enterAgain() const { SetCurrentDirFrom(m_run.m_runBase, m_bytes); }

private:
    Comparison &m_run;
    int m_directory;
    QString m_text;
    QByteArray m_bytes;
    bool m_entered = false;
};

// The size and date criteria: rows are directory 1's qualifying files, columns directory 2's, searched
// again for every row in the loop that the walk stands for. Between two real hand-overs the path edits
// cannot change, so directory 2's listing is kept while its text stays the same, and the changes of
// directory that a row makes are made only when they can be seen: at the first row after a hand-over,
// at a hand-over itself, and at the end.
class Comparison::KeyVisitor final : public PairVisitor
{
public:
    KeyVisitor(Comparison &run, quint32 mask, Criterion criterion)
        : m_run(run), m_mask(mask), m_texts(textsOf(criterion)), m_byDate(criterion == Criterion::Time),
          m_dir1(run, 1), m_dir2(run, 2)
    {
    }

    // Enters directory 1 and lists it; false when the criterion does nothing.
    bool start()
    {
        if (!m_dir1.enter())
            return false;
        m_actual = m_literal = Where::Dir1;
        m_entered1 = m_run.m_pacing->handOvers();
        m_rows = m_run.listingHere(m_mask);
        return true;
    }
    qint64 rows() const { return m_rows->count(); }

    qint64 columns() const override { return m_columns ? m_columns->count() : 0; }
    bool enterRow(qint64) override
    {
        if (needsReal(m_entered2)) {
            bool changed = false;
            if (!m_dir2.enter(&changed))
                return false; // the current directory stays where it was: directory 1
            // Listing may serve the window: it must see the directory the loop is in.
            m_actual = m_literal = Where::Dir2;
            if (!m_columns || changed || m_run.m_pacing->isLiteral()) {
                m_columns = m_run.listingHere(m_mask);
                m_indexed = false;
            }
        }
        m_literal = Where::Dir2;
        m_rowReady = false;
        return true;
    }
    bool leaveRow(qint64) override
    {
        if (needsReal(m_entered1)) {
            if (!m_dir1.enter())
                return false; // still in directory 2
            m_actual = Where::Dir1;
        }
        m_literal = Where::Dir1;
        return true;
    }
    qint64 nextCandidate(qint64 i, qint64 from) override
    {
        // The index is made when the first candidate is asked for: a criterion that a stop ends at its
        // first poll needs none.
        if (!m_indexed) {
            m_index = ColumnIndex(keys(*m_columns), std::nullopt, m_run.m_pacing.get());
            m_indexed = true;
        }
        if (!m_rowReady) {
            m_cursor = m_index.columnsOf(key1(i), 0);
            m_rowReady = true;
        }
        return m_cursor.next(from, columns());
    }
    bool coincide(qint64 i, qint64 j) override { return key1(i) == keys(*m_columns)[size_t(j)]; }
    void report(qint64 i, qint64 j) override
    {
        m_run.addResultLine(m_texts.tag, m_rows->names[size_t(i)], m_columns->names[size_t(j)]);
    }
    void progress(qint64 i, qint64 j) override
    {
        m_run.m_progress.setPair(m_texts.progress, m_rows->names[size_t(i)], m_columns->names[size_t(j)]);
    }

    // Brings the current directory to where the loop has it now.
    void catchUp()
    {
        if (m_actual == m_literal)
            return;
        (m_literal == Where::Dir1 ? m_dir1 : m_dir2).enterAgain();
        m_actual = m_literal;
    }

private:
    enum class Where { Dir1, Dir2 };
    // A change of directory is made for real in literal pacing, and after a hand-over, when the edits may
    // have changed; otherwise it would enter the same directory as last time.
    bool needsReal(quint64 &enteredAt) const
    {
        const quint64 now = m_run.m_pacing->handOvers();
        if (!m_run.m_pacing->isLiteral() && enteredAt == now)
            return false;
        enteredAt = now;
        return true;
    }
    const std::vector<qint64> &keys(const QualifyingFiles &files) const
    {
        return m_byDate ? files.timeKeys(m_run.m_pacing.get()) : files.sizes;
    }
    qint64 key1(qint64 i) const { return keys(*m_rows)[size_t(i)]; }

    Comparison &m_run;
    quint32 m_mask;
    const CriterionTexts &m_texts;
    bool m_byDate;
    DirectoryText m_dir1, m_dir2;
    Listing m_rows, m_columns;
    ColumnIndex m_index;
    bool m_indexed = false;
    ColumnIndex::Cursor m_cursor;
    bool m_rowReady = false;
    Where m_actual = Where::Dir1, m_literal = Where::Dir1;
    quint64 m_entered1 = 0, m_entered2 = ~quint64(0);
};

void Comparison::compareByKey(quint32 mask, Criterion criterion)
{
    const OwnCall call(*this);
    const auto flushAtEnd = qScopeGuard([this] { m_progress.flush(); });
    KeyVisitor visitor(*this, mask, criterion);
    if (!visitor.start())
        return;
    const Pacing::BeforeHandOver catchUp(*m_pacing, [&visitor] { visitor.catchUp(); });
    const PairSteps steps = criterion == Criterion::Volume ? PairSteps::LineProgressHandOverPoll
                                                           : PairSteps::LineProgressPollHandOver;
    walkPairs(visitor.rows(), {steps, bSameDir}, visitor, bStop, *m_pacing);
    visitor.catchUp();
}
