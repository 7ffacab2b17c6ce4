#include "compare/contentclasses.h"

#include "compare/blockhash.h"
#include "platform/fileread.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace {

// Blocks are as large as the memory budget allows for the members being read side by side.
constexpr qint64 kMinBlock = qint64(64) << 10;
constexpr qint64 kMaxBlock = qint64(4) << 20;
// Larger groups than the descriptors allow are read with the files opened again for every block.
size_t maxOpenFiles()
{
    static const size_t limit = [] {
        const qint64 available = raiseOpenFileLimit();
        return size_t(std::max<qint64>(64, available - 256));
    }();
    return limit;
}

// A block of zeros, shared by every member whose current block lies in a hole of its file.
const char *zeros()
{
    static const std::unique_ptr<char, decltype(&std::free)> block(
        static_cast<char *>(std::calloc(kMaxBlock, 1)), &std::free);
    return block.get();
}

struct Member
{
    int file;
    ReadOnlyFile handle;
    std::unique_ptr<char[]> block;
    bool inHole = false; // the current block is a hole: zeros that were not read
    qint64 blockAt = -1; // the offset of the block held

    const char *data() const { return inHole ? zeros() : block.get(); }
};

bool sameBlock(const Member &a, const Member &b, qint64 length)
{
    return (a.inHole && b.inHole) || std::memcmp(a.data(), b.data(), size_t(length)) == 0;
}

using Class = std::vector<Member *>;

class Classifier
{
public:
    Classifier(std::vector<ContentFile> &files, qint64 size, bool sameDirectory, const ClassifyHooks &hooks,
               qint64 memoryBudget)
        : m_files(files), m_size(size), m_sameDirectory(sameDirectory), m_hooks(hooks),
          m_memoryBudget(memoryBudget)
    {
    }

    bool run(const std::vector<int> &group, int &nextClass);

private:
    bool stillReadable(Member &m);
    bool useful(const Class &c) const;
    char *ownBlock(Member &m);
    // Reads a block into the buffer given (nothing when it lies in a hole); false when it cannot.
    bool readBlock(Member &m, qint64 offset, qint64 length, char *into);
    void drop(Member &m);
    // Splits members that hold their current block into classes whose blocks are equal.
    void splitByHash(const Class &rest, qint64 length, std::vector<Class> &into);
    std::vector<Class> keepUseful(std::vector<Class> classes);

    std::vector<ContentFile> &m_files;
    qint64 m_size;
    bool m_sameDirectory;
    const ClassifyHooks &m_hooks;
    qint64 m_memoryBudget;
    std::vector<std::unique_ptr<Member>> m_members;
    bool m_keepOpen = true;
    qint64 m_blockSize = 0;
    std::unique_ptr<char[]> m_scratch;
};

bool Classifier::useful(const Class &c) const
{
    int first = 0, second = 0;
    for (const Member *m : c) {
        first += m_files[size_t(m->file)].firstSide;
        second += m_files[size_t(m->file)].secondSide;
    }
    return m_sameDirectory ? first >= 2 : (first > 0 && second > 0);
}

bool Classifier::stillReadable(Member &m)
{
    // Opened again: it must still be the very file that was listed, of the same size.
    const ContentFile &file = m_files[size_t(m.file)];
    return m.handle.openAgain(file.name, file.directory, file.device, file.inode) &&
           m.handle.size() == m_size;
}

char *Classifier::ownBlock(Member &m)
{
    if (!m.block)
        m.block.reset(new char[size_t(std::min(m_blockSize, m_size))]); // reads overwrite it all
    return m.block.get();
}

bool Classifier::readBlock(Member &m, qint64 offset, qint64 length, char *into)
{
    if (!m.handle.isOpen() && !stillReadable(m))
        return false;
    // Sparse files: a block inside a hole is known to be zeros without reading it.
    m.inHole = m.handle.dataFrom(offset) >= offset + length;
    const bool ok = m.inHole || m.handle.readAt(offset, into, length);
    m.blockAt = into == m.block.get() || m.inHole ? offset : -1;
    if (!m_keepOpen || offset + length >= m_size)
        m.handle.close();
    return ok;
}

void Classifier::drop(Member &m)
{
    m.handle.close();
    m.block.reset();
}

void Classifier::splitByHash(const Class &rest, qint64 length, std::vector<Class> &into)
{
    // Sorted by hash; within one hash the bytes decide.
    std::unordered_map<quint64, std::vector<size_t>> byHash;
    for (Member *m : rest) {
        std::vector<size_t> &candidates = byHash[blockHash(m->data(), length)];
        auto match = std::find_if(candidates.begin(), candidates.end(),
                                  [&](size_t k) { return sameBlock(*into[k].front(), *m, length); });
        if (match != candidates.end()) {
            into[*match].push_back(m);
        } else {
            candidates.push_back(into.size());
            into.push_back(Class{m});
        }
    }
}

std::vector<Class> Classifier::keepUseful(std::vector<Class> classes)
{
    std::vector<Class> kept;
    for (Class &c : classes) {
        if (useful(c)) {
            kept.push_back(std::move(c));
        } else {
            for (Member *m : c)
                drop(*m);
        }
    }
    return kept;
}

bool Classifier::run(const std::vector<int> &group, int &nextClass)
{
    // Whole multiples of the minimum block keep reads aligned to pages.
    m_blockSize =
        std::clamp(m_memoryBudget / qint64(std::max<size_t>(1, group.size())), kMinBlock, kMaxBlock);
    m_blockSize = std::max(kMinBlock, m_blockSize / kMinBlock * kMinBlock);
    m_keepOpen = group.size() <= maxOpenFiles();
    // Files are opened when their first block is read, so that small files are opened only once.
    Class all;
    for (int f : group) {
        m_members.push_back(std::make_unique<Member>());
        m_members.back()->file = f;
        all.push_back(m_members.back().get());
    }
    std::vector<Class> classes = keepUseful({all});
    m_scratch.reset(new char[size_t(std::min(m_blockSize, m_size))]);

    for (qint64 offset = 0; offset < m_size && !classes.empty(); offset += m_blockSize) {
        const qint64 length = std::min(m_blockSize, m_size - offset);
        std::vector<Class> next;
        for (Class &c : classes) {
            // A single file listed on both sides equals itself: there is nothing to read, once it is known
            // to be readable.
            if (c.size() == 1) {
                Member &m = *c.front();
                if (offset > 0 || stillReadable(m))
                    next.push_back(std::move(c));
                m.handle.close();
                continue;
            }
            // The first member's block is kept. The others are read into a scratch block that stays in
            // the cache while it is compared, and kept only when it differs: most blocks equal the first
            // member's, and one comparison each settles them, with no hashing at all.
            Class same, rest;
            for (Member *m : c) {
                if (m->blockAt != offset) {
                    const bool read =
                        readBlock(*m, offset, length, same.empty() ? ownBlock(*m) : m_scratch.get());
                    if (m_hooks.comparing)
                        m_hooks.comparing(m_files[size_t(c.front()->file)], m_files[size_t(m->file)], offset);
                    if (m_hooks.stopRequested())
                        return false;
                    if (!read) {
                        drop(*m);
                        continue;
                    }
                }
                const char *bytes = m->blockAt == offset ? m->data() : m_scratch.get();
                if (same.empty()) {
                    same.push_back(m);
                } else if ((m->inHole && same.front()->inHole) ||
                           std::memcmp(bytes, same.front()->data(), size_t(length)) == 0) {
                    same.push_back(m);
                } else {
                    if (m->blockAt != offset) {
                        std::memcpy(ownBlock(*m), bytes, size_t(length));
                        m->blockAt = offset;
                    }
                    rest.push_back(m);
                }
            }
            if (!same.empty())
                next.push_back(std::move(same));
            if (!rest.empty())
                splitByHash(rest, length, next);
        }
        classes = keepUseful(std::move(next));
    }

    for (const Class &c : classes) {
        for (Member *m : c)
            m_files[size_t(m->file)].contentClass = nextClass;
        ++nextClass;
    }
    return true;
}

} // namespace

bool classifyContents(std::vector<ContentFile> &files, const std::vector<int> &group, qint64 size,
                      bool sameDirectory, int &nextClass, const ClassifyHooks &hooks, qint64 memoryBudget)
{
    Classifier classifier(files, size, sameDirectory, hooks, memoryBudget);
    return classifier.run(group, nextClass);
}
