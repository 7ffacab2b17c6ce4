// The content criterion: every pair of files, directory 1 in the outer loop, whose bytes are all equal.
//
// The pair loops keep their order of steps. Instead of reading both files of every pair, the files of one
// size are read once, the first time a pair of that size needs an answer, and split into classes of equal
// contents (compare/contentclasses.h); a pair then coincides when both files are in one class. In literal
// pacing the files of every pair are read and compared byte by byte, as the progress texts tell.

#include "app/vestrel.h"

#include "compare/contentclasses.h"
#include "compare/flags.h"
#include "compare/listing.h"
#include "compare/pacing.h"
#include "platform/fileread.h"

#include <QHash>
#include <QScopeGuard>

#include <map>
#include <memory>

namespace {

const QString kContentsProgress = QStringLiteral("[by contents]  ");
const QLatin1StringView kContentsTag("[by contents]");
constexpr qint64 kLiteralBlock = 64 << 10;

struct FileKey
{
    quint64 device;
    quint64 inode;
    bool operator<(const FileKey &o) const
    {
        return device != o.device ? device < o.device : inode < o.inode;
    }
};

// The entries of one stack in the order its loop pops them, each with the file it names (-1: none).
struct Entries
{
    std::vector<QByteArray> names;
    std::vector<int> files;
};

} // namespace

void TfMain::CompareByContents(PathStack stack1, PathStack stack2)
{
    if (pacing::isLiteral())
        compareContentsLiterally(std::move(stack1), std::move(stack2));
    else
        compareContentsByClasses(stack1, stack2);
}

void TfMain::compareContentsByClasses(const PathStack &stack1, const PathStack &stack2)
{
    // Every path becomes an entry naming a file; entries that name the same file share it.
    std::vector<ContentFile> files;
    std::vector<qint64> sizes;
    std::map<FileKey, int> known;
    // The directories the stacks' files are in, each opened once (a stack's paths share one).
    std::map<QByteArray, std::unique_ptr<DirectoryHandle>> directories;
    auto directoryOf = [&](const QByteArray &path) {
        const QByteArray dir = path.left(path.lastIndexOf('/') + 1);
        std::unique_ptr<DirectoryHandle> &handle = directories[dir];
        if (!handle)
            handle = std::make_unique<DirectoryHandle>(dir.isEmpty() ? QByteArray(".") : dir);
        return handle->descriptor();
    };
    auto entriesOf = [&](const PathStack &stack, int ContentFile::*side) {
        Entries e;
        for (qsizetype i = stack.size() - 1; i >= 0; --i) {
            pacing::keepAlive();
            const QByteArray path = runFilePath(stack.at(i));
            e.names.push_back(namePart(path));
            const int directory = directoryOf(path);
            qint64 size;
            quint64 device, inode;
            if (!regularFileFacts(e.names.back(), size, device, inode, directory)) {
                e.files.push_back(-1);
                continue;
            }
            auto [it, added] = known.try_emplace(FileKey{device, inode}, int(files.size()));
            if (added) {
                files.push_back({directory, e.names.back()});
                files.back().device = device;
                files.back().inode = inode;
                sizes.push_back(size);
            }
            ++(files[size_t(it->second)].*side);
            e.files.push_back(it->second);
        }
        return e;
    };
    const Entries first = entriesOf(stack1, &ContentFile::firstSide);
    const Entries second = entriesOf(stack2, &ContentFile::secondSide);

    std::map<qint64, std::vector<int>> bySize;
    for (size_t f = 0; f < files.size(); ++f)
        bySize[sizes[f]].push_back(int(f));
    const ClassifyHooks hooks{[] {
                                  pacing::ProcessMessagesAfterWork();
                                  return bStop;
                              },
                              [this](const ContentFile &a, const ContentFile &b, qint64 byte) {
                                  m_progress.setPairAt(kContentsProgress, a.name, b.name, byte);
                              }};
    // Per directory-2 entry, its size and its class: kUnread until the files of its size have been read,
    // -1 when it can coincide with nothing. The pair loop then compares two numbers.
    constexpr int kUnread = -2;
    const size_t count2 = second.names.size();
    std::vector<qint64> size2(count2, -1);
    std::vector<int> class2(count2, -1);
    std::map<qint64, std::vector<size_t>> entries2BySize;
    for (size_t j = 0; j < count2; ++j) {
        if (const int f = second.files[j]; f >= 0) {
            size2[j] = sizes[size_t(f)];
            class2[j] = kUnread;
            entries2BySize[size2[j]].push_back(j);
        }
    }
    std::vector<char> read(files.size(), 0);
    int nextClass = 0;
    // Reads the files of one size into classes; false when a stop came meanwhile.
    auto readSize = [&](qint64 size) {
        const std::vector<int> &group = bySize[size];
        if (!classifyContents(files, group, size, bSameDir, nextClass, hooks))
            return false;
        for (int f : group)
            read[size_t(f)] = 1;
        for (size_t j : entries2BySize[size])
            class2[j] = files[size_t(second.files[j])].contentClass;
        return true;
    };

    QByteArray name1; // outlives the loop body: the recorded progress refers to it
    // Written out while the names it refers to still exist.
    const auto flushAtEnd = qScopeGuard([this] { m_progress.flush(); });
    for (size_t i = 0; i < first.names.size(); ++i) {
        pacing::ProcessMessages();
        name1 = first.names[i];
        const int f1 = first.files[i];
        const qint64 size1 = f1 >= 0 ? sizes[size_t(f1)] : -2; // -2: equal to no entry's size
        int class1 = f1 < 0 ? -1 : read[size_t(f1)] ? files[size_t(f1)].contentClass : kUnread;
        for (size_t j = 0; j < count2; ++j) {
            pacing::ProcessMessages();
            if (bSameDir && j <= i)
                continue;
            // The read step: only a pair of one size needs bytes, and only the first time.
            if (class1 == kUnread && size2[j] == size1) {
                if (!readSize(size1))
                    return;
                class1 = files[size_t(f1)].contentClass;
            }
            if (bStop)
                return;
            if (class1 >= 0 && class2[j] == class1)
                AddResultLine(kContentsTag, name1, second.names[j]);
            m_progress.setPair(kContentsProgress, name1, second.names[j]);
        }
    }
}

namespace {

// One file of a literal comparison: its count is its size, or -1 when it cannot be read.
struct LiteralFile
{
    ReadOnlyFile file;
    qint64 count = -1;

    void open(const QByteArray &path) { count = file.open(path) ? file.size() : -1; }
};

} // namespace

void TfMain::compareContentsLiterally(PathStack stack1, PathStack stack2)
{
    std::unique_ptr<char[]> block1(new char[kLiteralBlock]), block2(new char[kLiteralBlock]);
    QByteArray name1, name2;
    const auto flushAtEnd = qScopeGuard([this] { m_progress.flush(); });
    for (quint32 i = 0; !stack1.empty(); ++i) {
        pacing::ProcessMessages();
        name1 = namePart(stack1.top());
        LiteralFile file1;
        file1.open(runFilePath(stack1.top()));
        stack1.pop();
        PathStack work = stack2;
        for (quint32 j = 0; !work.empty(); ++j) {
            pacing::ProcessMessages();
            name2 = namePart(work.top());
            if (bSameDir && j <= i) {
                work.pop();
                continue;
            }
            LiteralFile file2;
            file2.open(runFilePath(work.top()));
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
                        m_progress.setPairAt(kContentsProgress, name1, name2, k);
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
                    AddResultLine(kContentsTag, name1, name2);
            }
            m_progress.setPair(kContentsProgress, name1, name2);
        }
    }
}
