// The content criterion: every pair of files, directory 1 in the outer loop, whose bytes are all equal.
//
// Instead of reading both files of every pair, the files of one size are read once, the first time a pair
// of that size needs an answer, and split into classes of equal contents (engine/contentclasses.h); a
// pair then coincides when both files are in one class, and the pair walk (engine/pairwalk.h) visits only
// the pairs of one class. In literal pacing the files of every pair are read and compared byte by byte, as
// the progress texts tell.

#include "app/vestrel.h"

#include "engine/contentclasses.h"
#include "engine/criteriontexts.h"
#include "engine/flags.h"
#include "engine/listing.h"
#include "engine/pacing.h"
#include "engine/pairwalk.h"
#include "platform/fileread.h"

#include <QScopeGuard>

#include <map>
#include <memory>
#include <unordered_map>

namespace {

constexpr qint64 kLiteralBlock = 64 << 10;

// A stack's entries in the order its loop pops them, each with the file it names (-1: none) and the
// directory the file is in.
struct Entries
{
    std::vector<QByteArray> names;
    std::vector<int> files;
};

// The directories of the stacks' paths, each held open once: a stack's paths share one.
class Directories
{
public:
    explicit Directories(const DirectoryAnchor &base) : m_base(base) {}
    // The directory part of a full path, held open; a path without one is in the run's directory.
    const DirectoryAnchor &of(const QByteArray &path)
    {
        const qsizetype cut = path.lastIndexOf('/') + 1;
        if (!m_last || m_lastPath.size() != cut || !path.startsWith(m_lastPath)) {
            m_lastPath = path.left(cut);
            std::unique_ptr<DirectoryAnchor> &anchor = m_open[m_lastPath];
            if (!anchor)
                anchor = std::make_unique<DirectoryAnchor>(m_base, cut > 0 ? m_lastPath : QByteArray("."));
            m_last = anchor.get();
        }
        return *m_last;
    }

private:
    const DirectoryAnchor &m_base;
    std::map<QByteArray, std::unique_ptr<DirectoryAnchor>> m_open;
    QByteArray m_lastPath;
    const DirectoryAnchor *m_last = nullptr;
};

} // namespace

// Rows are stack 1's entries, columns stack 2's. Each entry's key is its file's class once the files of its
// size are classified; before that, a pair of one size is where the reading happens.
class TfMain::ContentsVisitor final : public PairVisitor
{
public:
    ContentsVisitor(TfMain &window, const PathStack &stack1, const PathStack &stack2)
        : m_window(window), m_directories(window.m_runBase)
    {
        m_first = entriesOf(stack1, &ContentFile::firstSide);
        if (!m_cut)
            m_second = entriesOf(stack2, &ContentFile::secondSide);
        if (m_cut)
            return;
        for (size_t f = 0; f < m_files.size(); ++f) {
            pacing::keepAlive();
            m_bySize[m_sizes[f]].push_back(int(f));
        }
        const size_t count2 = m_second.names.size();
        m_size2.assign(count2, kNoSize);
        m_class2.assign(count2, kNone);
        for (size_t j = 0; j < count2; ++j) {
            if (const int f = m_second.files[j]; f >= 0) {
                m_size2[j] = m_sizes[size_t(f)];
                m_class2[j] = kUnread;
            }
        }
        m_bySize2 = ColumnIndex(m_size2, kNoSize);
        m_read.assign(m_files.size(), 0);
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
    bool coincide(qint64, qint64 j) override { return m_class1 >= 0 && m_class2[size_t(j)] == m_class1; }
    void report(qint64 i, qint64 j) override
    {
        m_window.AddResultLine(textsOf(Criterion::Contents).tag, m_first.names[size_t(i)],
                               m_second.names[size_t(j)]);
    }
    void progress(qint64 i, qint64 j) override
    {
        m_window.m_progress.setPair(textsOf(Criterion::Contents).progress, m_first.names[size_t(i)],
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
        if (m_class1 >= 0)
            m_row = size_t(m_class1) < m_byClass.size()
                        ? ColumnIndex::Cursor(m_byClass[size_t(m_class1)], from)
                        : ColumnIndex::Cursor();
        else if (m_class1 == kUnread)
            m_row = m_bySize2.columnsOf(m_size1, from);
        else
            m_row = ColumnIndex::Cursor();
    }

    TfMain &m_window;
    Directories m_directories;
    // Every path becomes an entry naming a file; entries that name the same file share it.
    std::vector<ContentFile> m_files;
    std::vector<qint64> m_sizes;
    std::unordered_map<FileIdentity, int, FileIdentityHash> m_known;
    Entries m_first, m_second;
    std::map<qint64, std::vector<int>> m_bySize;
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
};

Entries TfMain::ContentsVisitor::entriesOf(const PathStack &stack, int ContentFile::*side)
{
    Entries e;
    const QualifyingFiles *listed = stack.listing();
    e.names.reserve(size_t(stack.size()));
    e.files.reserve(size_t(stack.size()));
    m_known.reserve(m_known.size() + size_t(stack.size()));
    for (qsizetype k = stack.size() - 1; k >= 0; --k) {
        pacing::keepAlive();
        if (bStop) {
            m_cut = true;
            return e;
        }
        const QByteArray &path = stack.at(k);
        // The listing's name is the path's name part, already made.
        e.names.push_back(listed ? listed->names[size_t(k)] : namePart(path));
        const DirectoryAnchor &directory = m_directories.of(path);
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
            m_sizes.push_back(size);
        }
        ++(m_files[size_t(it->second)].*side);
        e.files.push_back(it->second);
    }
    return e;
}

bool TfMain::ContentsVisitor::classify(qint64 size, qint64 i, qint64 j)
{
    ClassifyHooks hooks;
    hooks.handOverAndPollStop = [] {
        pacing::ProcessMessagesAfterWork();
        return bStop;
    };
    // No byte to show: the text stays what the loop last wrote.
    hooks.watchedPairAt = [this, i, j](qint64 byte) {
        if (byte >= 0)
            m_window.m_progress.setPairAt(textsOf(Criterion::Contents).progress, m_first.names[size_t(i)],
                                          m_second.names[size_t(j)], byte);
    };
    const std::vector<int> &group = m_bySize[size];
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

void TfMain::CompareByContents(PathStack stack1, PathStack stack2)
{
    if (pacing::isLiteral())
        compareContentsLiterally(std::move(stack1), std::move(stack2));
    else
        compareContentsByClasses(stack1, stack2);
}

void TfMain::compareContentsByClasses(const PathStack &stack1, const PathStack &stack2)
{
    const WalkShape shape{PairSteps::HandOverReadPollLineProgress, bSameDir, true};
    if (!bStop) {
        const auto flushAtEnd = qScopeGuard([this] { m_progress.flush(); });
        ContentsVisitor visitor(*this, stack1, stack2);
        if (!visitor.cutShort()) {
            walkPairs(visitor.rows(), shape, visitor, bStop);
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
    walkPairs(stack1.size(), shape, visitor, bStop);
}

namespace {

// One file of a literal comparison: its count is its size, or -1 when it cannot be read.
struct LiteralFile
{
    ReadOnlyFile file;
    qint64 count = -1;

    void open(Directories &directories, const QByteArray &path)
    {
        const DirectoryAnchor &directory = directories.of(path);
        count = directory.isValid() && file.open(namePart(path), &directory) ? file.size() : -1;
    }
};

} // namespace

void TfMain::compareContentsLiterally(PathStack stack1, PathStack stack2)
{
    std::unique_ptr<char[]> block1(new char[kLiteralBlock]), block2(new char[kLiteralBlock]);
    Directories directories(m_runBase);
    const QString &prefix = textsOf(Criterion::Contents).progress;
    const QLatin1StringView tag = textsOf(Criterion::Contents).tag;
    const auto flushAtEnd = qScopeGuard([this] { m_progress.flush(); });
    for (quint32 i = 0; !stack1.empty(); ++i) {
        pacing::ProcessMessages();
        const QByteArray name1 = namePart(stack1.top());
        LiteralFile file1;
        file1.open(directories, stack1.top());
        stack1.pop();
        PathStack work = stack2;
        for (quint32 j = 0; !work.empty(); ++j) {
            pacing::ProcessMessages();
            const QByteArray name2 = namePart(work.top());
            if (bSameDir && j <= i) {
                work.pop();
                continue;
            }
            LiteralFile file2;
            file2.open(directories, work.top());
            work.pop();
            if (bStop)
                return;
            // Two files that cannot be read have equal counts, but nothing in common.
            if (file1.count == file2.count && file1.count >= 0) {
                qint64 k = 0;
                bool differ = false;
                while (k < file1.count && !differ) {
                    const qint64 length = std::min(kLiteralBlock, file1.count - k);
                    if (!file1.file.readAt(k, block1.get(), length) ||
                        !file2.file.readAt(k, block2.get(), length))
                        break;
                    for (qint64 b = 0; b < length; ++b, ++k) {
                        m_progress.setPairAt(prefix, name1, name2, k);
                        if (bStop)
                            return;
                        pacing::ProcessMessages();
                        if (block1[size_t(b)] != block2[size_t(b)]) {
                            differ = true;
                            break;
                        }
                    }
                }
                if (k == file1.count)
                    AddResultLine(tag, name1, name2);
            }
            m_progress.setPair(prefix, name1, name2);
        }
    }
}
