// The content criterion: every pair of files, directory 1 in the outer loop, whose bytes are all equal.
//
// Instead of reading both files of every pair, the files of one size are read once, the first time a pair
// of that size needs an answer, and split into classes of equal contents (engine/contentclasses.h); a
// pair then coincides when both files are in one class, and the pair walk (engine/pairwalk.h) visits only
// the pairs of one class. Where every hand-over point is counted (the literal and forced pacing of the
// tests), the walk also takes each pair's byte steps, as many as the loop compares.

#include "engine/comparison.h"

#include "engine/contentclasses.h"
#include "engine/criteriontexts.h"
#include "engine/flags.h"
#include "engine/listing.h"
#include "engine/pacing.h"
#include "engine/pairwalk.h"
#include "engine/release.h"
#include "platform/fileread.h"
#include "platform/pathsyntax.h"

#include <QScopeGuard>

#include <algorithm>

#include <map>
#include <memory>
#include <unordered_map>

namespace {

constexpr qint64 kCompareBlock = 64 << 10;

// A stack's entries in the order its loop pops them, each with the file it names (-1: none) and the
// directory the file is in.
struct Entries
{
    std::vector<QByteArray> names;
    std::vector<int> files;
};

// A directory of the stacks' paths, held open, and whether the sizes its files report are real.
struct HeldDirectory
{
    DirectoryAnchor anchor;
    bool sizesAreNotReal = false;
};

// The directories of the stacks' paths, each held open once: a stack's paths share one.
class Directories
{
public:
    explicit Directories(const DirectoryAnchor &base) : m_base(base) {}
    // The directory part of a full path, held open; a path without one is in the run's directory.
    const HeldDirectory &of(const QByteArray &path)
    {
        const qsizetype cut = nameStart(path);
        if (!m_last || m_lastPath.size() != cut || !path.startsWith(m_lastPath)) {
            m_lastPath = path.left(cut);
            std::unique_ptr<HeldDirectory> &held = m_open[m_lastPath];
            if (!held) {
                held = std::make_unique<HeldDirectory>();
                held->anchor = DirectoryAnchor(m_base, cut > 0 ? m_lastPath : QByteArray("."));
                // Asked once per directory: it is the file system's, not the file's.
                held->sizesAreNotReal = held->anchor.isValid() && sizesAreNotReal(held->anchor);
            }
            m_last = held.get();
        }
        return *m_last;
    }

private:
    const DirectoryAnchor &m_base;
    std::map<QByteArray, std::unique_ptr<HeldDirectory>> m_open;
    QByteArray m_lastPath;
    const HeldDirectory *m_last = nullptr;
};

// How many bytes the loop compares for two files of one listed size: up to and with the first that
// differs, or all of them; none when either cannot be read as the file listed, or when their counts
// differ. A file whose size is not real counts the bytes its reads give.
qint64 bytesCompared(const ContentFile &a, const ContentFile &b, qint64 size)
{
    ReadOnlyFile fa, fb;
    if (!fa.openListed(a.name, a.directory, a.identity, a.sizeUnknown ? -1 : size) ||
        !fb.openListed(b.name, b.directory, b.identity, b.sizeUnknown ? -1 : size))
        return 0;
    const bool untilTheEnd = a.sizeUnknown || b.sizeUnknown;
    std::unique_ptr<char[]> blockA(new char[kCompareBlock]), blockB(new char[kCompareBlock]);
    qint64 firstDifference = -1;
    for (qint64 at = 0;; at += kCompareBlock) {
        const qint64 want = untilTheEnd ? kCompareBlock : std::min(kCompareBlock, size - at);
        if (want <= 0)
            break;
        const qint64 gotA = fa.readUpTo(at, blockA.get(), want), gotB = fb.readUpTo(at, blockB.get(), want);
        if (gotA < 0 || gotB < 0 || (!untilTheEnd && (gotA != want || gotB != want)))
            return 0;
        if (firstDifference < 0) {
            const qint64 common = std::min(gotA, gotB);
            const auto [differsA, differsB] =
                std::mismatch(blockA.get(), blockA.get() + common, blockB.get());
            if (differsA != blockA.get() + common)
                firstDifference = at + (differsA - blockA.get());
        }
        if (gotA != gotB)
            return 0; // unequal counts: no byte is compared
        if (gotA < want)
            return firstDifference >= 0 ? firstDifference + 1 : at + gotA;
    }
    return firstDifference >= 0 ? firstDifference + 1 : size;
}

// Orders files by their sizes, and sizes among them.
struct BySize
{
    const std::vector<qint64> &sizes;
    bool operator()(int file, qint64 size) const { return sizes[size_t(file)] < size; }
    bool operator()(qint64 size, int file) const { return size < sizes[size_t(file)]; }
};

} // namespace

// Rows are stack 1's entries, columns stack 2's. Each entry's key is its file's class once the files of its
// size are classified; before that, a pair of one size is where the reading happens.
class Comparison::ContentsVisitor final : public PairVisitor
{
public:
    ContentsVisitor(Comparison &run, const PathStack &stack1, const PathStack &stack2)
        : m_run(run), m_directories(run.m_runBase)
    {
        m_first = entriesOf(stack1, &ContentFile::firstSide);
        if (!m_cut)
            m_second = entriesOf(stack2, &ContentFile::secondSide);
        if (m_cut)
            return;
        // The files in order of size, as one array: a tree of sizes would cost a node per file to make and
        // as many to free.
        m_bySize.resize(m_files.size());
        for (size_t f = 0; f < m_files.size(); ++f)
            m_bySize[f] = int(f);
        std::stable_sort(m_bySize.begin(), m_bySize.end(), [this, &run](int a, int b) {
            run.m_pacing->keepAlive();
            return m_sizes[size_t(a)] < m_sizes[size_t(b)];
        });
        const size_t count2 = m_second.names.size();
        m_size2.assign(count2, kNoSize);
        m_class2.assign(count2, kNone);
        for (size_t j = 0; j < count2; ++j) {
            if (const int f = m_second.files[j]; f >= 0) {
                m_size2[j] = m_sizes[size_t(f)];
                m_class2[j] = kUnread;
            }
        }
        m_bySize2 = ColumnIndex(m_size2, kNoSize, run.m_pacing.get());
        // Where every point counts, a pair of one size has byte steps even when its files differ.
        m_everyPairOfOneSize = !run.m_pacing->isPaced();
        m_read.assign(m_files.size(), 0);
        // Only the gathering needs to know which entries name one file.
        run.discard(std::move(m_known));
    }

    // Lets go of what the walk used (engine/release.h).
    void release()
    {
        m_run.discard(std::move(m_files));
        m_run.discard(std::move(m_first.names));
        m_run.discard(std::move(m_second.names));
    }

    // A stop came while the entries were gathered (the window is served meanwhile): nothing is ready.
    bool cutShort() const { return m_cut; }
    qint64 rows() const { return qint64(m_first.names.size()); }
    qint64 columns() const override { return qint64(m_second.names.size()); }
    bool enterRow(qint64 i) override
    {
        m_file1 = m_first.files[size_t(i)];
        m_size1 = m_file1 >= 0 ? m_sizes[size_t(m_file1)] : kNoSize;
        m_class1 = m_file1 < 0               ? kNone
                   : m_read[size_t(m_file1)] ? m_files[size_t(m_file1)].contentClass
                                             : kUnread;
        followClass(0);
        return true;
    }
    qint64 nextCandidate(qint64, qint64 from) override { return m_row.next(from, columns()); }
    bool read(qint64 i, qint64 j) override
    {
        // Only a pair of one size needs bytes, and only the first time.
        if (m_class1 != kUnread || m_size2[size_t(j)] != m_size1)
            return true;
        if (!classify(m_size1, i, j))
            return false;
        m_class1 = m_files[size_t(m_file1)].contentClass;
        followClass(j);
        return true;
    }
    qint64 byteSteps(qint64, qint64 j) override
    {
        if (!m_everyPairOfOneSize || m_size2[size_t(j)] != m_size1 || m_size1 < 0)
            return 0;
        return bytesCompared(m_files[size_t(m_file1)], m_files[size_t(m_second.files[size_t(j)])], m_size1);
    }
    void progressAt(qint64 i, qint64 j, qint64 byte) override
    {
        m_run.m_progress.setPairAt(textsOf(Criterion::Contents).progress, m_first.names[size_t(i)],
                                   m_second.names[size_t(j)], byte);
    }
    bool coincide(qint64, qint64 j) override { return m_class1 >= 0 && m_class2[size_t(j)] == m_class1; }
    void report(qint64 i, qint64 j) override
    {
        m_run.addResultLine(textsOf(Criterion::Contents).tag, m_first.names[size_t(i)],
                            m_second.names[size_t(j)]);
    }
    void progress(qint64 i, qint64 j) override
    {
        m_run.m_progress.setPair(textsOf(Criterion::Contents).progress, m_first.names[size_t(i)],
                                 m_second.names[size_t(j)]);
    }

private:
    static constexpr int kNone = -1;   // coincides with nothing
    static constexpr int kUnread = -2; // the files of its size are not classified yet
    static constexpr qint64 kNoSize = -1;

    Entries entriesOf(const PathStack &stack, int ContentFile::*side);
    // Reads the files of one size into classes, the progress following pair (i, j); false when a stop came
    // meanwhile.
    bool classify(qint64 size, qint64 i, qint64 j);
    // The row's candidates from column from on: the columns of its class, or of its size while unread.
    void followClass(qint64 from)
    {
        if (m_everyPairOfOneSize)
            m_row = m_bySize2.columnsOf(m_size1, from);
        else if (m_class1 >= 0)
            m_row = size_t(m_class1) < m_byClass.size()
                        ? ColumnIndex::Cursor(m_byClass[size_t(m_class1)], from)
                        : ColumnIndex::Cursor();
        else if (m_class1 == kUnread)
            m_row = m_bySize2.columnsOf(m_size1, from);
        else
            m_row = ColumnIndex::Cursor();
    }

    Comparison &m_run;
    Directories m_directories;
    // Every path becomes an entry naming a file; entries that name the same file share it.
    std::vector<ContentFile> m_files;
    std::vector<qint64> m_sizes;
    std::unordered_map<FileIdentity, int, FileIdentityHash> m_known;
    Entries m_first, m_second;
    std::vector<int> m_bySize; // the files by size, in order within one size
    // Per column, its size and its class (kUnread until the files of its size are classified).
    std::vector<qint64> m_size2;
    std::vector<int> m_class2;
    ColumnIndex m_bySize2;
    std::vector<std::vector<qint64>> m_byClass; // the columns of each class, in order
    std::vector<char> m_read;
    int m_nextClass = 0;
    // The row being walked.
    int m_file1 = -1;
    qint64 m_size1 = kNoSize;
    int m_class1 = kNone;
    ColumnIndex::Cursor m_row;
    bool m_cut = false;
    bool m_everyPairOfOneSize = false;
};

Entries Comparison::ContentsVisitor::entriesOf(const PathStack &stack, int ContentFile::*side)
{
    Entries e;
    const QualifyingFiles *listed = stack.listing();
    e.names.reserve(size_t(stack.size()));
    e.files.reserve(size_t(stack.size()));
    m_known.reserve(m_known.size() + size_t(stack.size()));
    for (qsizetype k = stack.size() - 1; k >= 0; --k) {
        m_run.m_pacing->keepAlive();
        if (bStop) {
            m_cut = true;
            return e;
        }
        const QByteArray &path = stack.at(k);
        // The listing's name is the path's name part, already made.
        e.names.push_back(listed ? listed->names[size_t(k)] : namePart(path));
        const HeldDirectory &held = m_directories.of(path);
        const DirectoryAnchor &directory = held.anchor;
        qint64 size;
        FileIdentity identity;
        if (listed) {
            // The listing looked at every file a moment ago; it is checked again when it is opened.
            size = listed->sizes[size_t(k)];
            identity = listed->identities[size_t(k)];
        } else if (!regularFileFacts(e.names.back(), size, identity, &directory)) {
            e.files.push_back(-1);
            continue;
        }
        if (!directory.isValid()) {
            e.files.push_back(-1);
            continue;
        }
        auto [it, added] = m_known.try_emplace(identity, int(m_files.size()));
        if (added) {
            m_files.push_back({&directory, e.names.back()});
            m_files.back().identity = identity;
            m_files.back().sizeUnknown = held.sizesAreNotReal;
            m_sizes.push_back(size);
        }
        ++(m_files[size_t(it->second)].*side);
        e.files.push_back(it->second);
    }
    return e;
}

bool Comparison::ContentsVisitor::classify(qint64 size, qint64 i, qint64 j)
{
    ClassifyHooks hooks;
    hooks.handOverAndPollStop = [this] {
        m_run.m_pacing->keepAliveAfterWork();
        return bStop;
    };
    // No byte to show: the text stays what the loop last wrote.
    // Where every point hands over, the walk's byte steps show the loop's texts themselves. A stop seen at
    // the pair's first poll ends it before any byte. The last byte is never shown: a stop clicked there
    // would, in the loop, still let the pair coincide; one byte earlier it ends the pair as here, unreported.
    hooks.watchedPairAt = [this, i, j, size](qint64 byte) {
        byte = std::min(byte, size - 2);
        if (byte >= 0 && !bStop && m_run.m_pacing->isPaced())
            m_run.m_progress.setPairAt(textsOf(Criterion::Contents).progress, m_first.names[size_t(i)],
                                       m_second.names[size_t(j)], byte);
    };
    const auto [from, to] = std::equal_range(m_bySize.begin(), m_bySize.end(), size, BySize{m_sizes});
    const std::vector<int> group(from, to);
    const WatchedPair watched{m_file1, m_second.files[size_t(j)]};
    if (!classifyContents(m_files, group, size, bSameDir, m_nextClass, hooks, watched))
        return false;
    for (int f : group)
        m_read[size_t(f)] = 1;
    m_byClass.resize(size_t(m_nextClass));
    for (const qint64 j : m_bySize2.columnsWith(size)) {
        const int cls = m_files[size_t(m_second.files[size_t(j)])].contentClass;
        m_class2[size_t(j)] = cls;
        if (cls >= 0)
            m_byClass[size_t(cls)].push_back(j);
    }
    return true;
}

void Comparison::CompareByContents(PathStack stack1, PathStack stack2)
{
    const OwnCall call(*this);
    const WalkShape shape{PairSteps::HandOverReadPollLineProgress, bSameDir, true};
    if (!bStop) {
        const auto flushAtEnd = qScopeGuard([this] { m_progress.flush(); });
        ContentsVisitor visitor(*this, stack1, stack2);
        if (!visitor.cutShort()) {
            walkPairs(visitor.rows(), shape, visitor, bStop, *m_pacing);
            visitor.release();
            discard(std::move(stack1));
            discard(std::move(stack2));
            return;
        }
    }
    // A stop came before the first poll: the criterion ends there, and nothing it would read or index
    // before it can be seen. Only its hand-overs remain.
    struct FirstPollOnly final : PairVisitor
    {
        explicit FirstPollOnly(qint64 columns) : m_columns(columns) {}
        qint64 columns() const override { return m_columns; }
        qint64 nextCandidate(qint64, qint64 from) override { return from; }
        bool coincide(qint64, qint64) override { return false; }
        void report(qint64, qint64) override {}
        void progress(qint64, qint64) override {}
        qint64 m_columns;
    } visitor(stack2.size());
    walkPairs(stack1.size(), shape, visitor, bStop, *m_pacing);
}
