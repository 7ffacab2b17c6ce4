#include "engine/contentclasses.h"

#include "platform/fileread.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <tuple>

namespace {

// The first block is small, so that files that differ early cost little of their length; the later ones are
// as large as the budget allows, up to what stays in the processor's cache while it is compared (measured:
// blocks of 256 KiB compare 1 MiB files a quarter faster than blocks of 1 MiB).
constexpr qint64 kFirstBlock = qint64(4) << 10;
constexpr qint64 kMinBlock = qint64(64) << 10;
constexpr qint64 kMaxBlock = qint64(256) << 10;
// The differing ends of blocks kept for the exact split: few enough that holding them costs little, many
// enough for the groups of a few files that most sizes have.
constexpr qint64 kMinTails = qint64(2) << 20;

// Larger groups than the descriptors allow are read with the files opened again for every block. The rest
// of the program needs some too (its directories, the display); should there be fewer than guessed, the
// first open that lacks a descriptor turns to reopening anyway.
size_t maxOpenFiles()
{
    static const size_t limit = [] {
        const qint64 available = raiseOpenFileLimit();
        return size_t(available > 1024 ? available - 256 : available / 4);
    }();
    return limit;
}

// Where the reads of a file whose size says nothing may end: anywhere.
constexpr qint64 kUnbounded = std::numeric_limits<qint64>::max();

// A block of zeros, standing for a member's block that lies in a hole of its file.
const char *zeros()
{
    static const std::unique_ptr<char, decltype(&std::free)> block(
        static_cast<char *>(std::calloc(kMaxBlock, 1)), &std::free);
    return block.get();
}

// Where a and b first differ; length when they agree. Large steps first: most blocks agree for long.
qint64 firstDifference(const char *a, const char *b, qint64 length)
{
    constexpr qint64 kStep = 4096;
    qint64 at = 0;
    while (at < length && std::memcmp(a + at, b + at, size_t(std::min(kStep, length - at))) == 0)
        at += kStep;
    if (at >= length)
        return length;
    const qint64 end = std::min(at + kStep, length);
    if constexpr (std::endian::native == std::endian::little) {
        for (; end - at >= 8; at += 8) {
            quint64 x, y;
            std::memcpy(&x, a + at, 8);
            std::memcpy(&y, b + at, 8);
            if (x != y)
                return at + std::countr_zero(x ^ y) / 8;
        }
    }
    while (at < end && a[at] == b[at])
        ++at;
    return at;
}

struct Member
{
    int file = -1;
    // Where its contents end: its listed size, or kUnbounded when that says nothing (its reads tell).
    qint64 limit = 0;
    ReadOnlyFile handle;
    bool opened = false; // it has been opened once: it is readable as far as that goes
    // The last extent found: a hole from extentFrom up to extent.start, then data up to extent.end.
    qint64 extentFrom = -1;
    ReadOnlyFile::Extent extent{0, 0};
};

// A member's bytes of one block.
struct Block
{
    const char *bytes;
    qint64 count; // fewer than asked for only when the file's reads ended there while its size stays
    bool ended;   // the member's contents end within the block
};

// A member whose block differs from the first member's: from where, and a hash of what follows.
struct Differing
{
    Member *member;
    qint64 from;
    qint64 count;
    bool ended;
    quint64 hash;
    qint64 tailAt; // where the bytes from `from` on are kept; -1: not kept, they must be read again

    auto key() const { return std::tie(hash, from, count, ended); }
};

// The differing ends of one block's members, as many as fit; those that do not are read again when they
// turn out to matter. Allocated once per group, for at most what the group can need, and touched only
// where used.
class Tails
{
public:
    void reserve(qint64 capacity)
    {
        m_capacity = capacity;
        m_bytes.reset(new char[size_t(std::max<qint64>(capacity, 1))]);
    }
    void clear() { m_used = 0; }
    qint64 keep(const char *bytes, qint64 length)
    {
        if (m_used + length > m_capacity)
            return -1;
        std::memcpy(m_bytes.get() + m_used, bytes, size_t(length));
        m_used += length;
        return m_used - length;
    }
    const char *at(qint64 offset) const { return m_bytes.get() + offset; }

private:
    qint64 m_used = 0;
    qint64 m_capacity = 0;
    std::unique_ptr<char[]> m_bytes;
};

using Class = std::vector<Member *>;

class Classifier
{
public:
    Classifier(std::vector<ContentFile> &files, qint64 size, bool sameDirectory, const ClassifyHooks &hooks,
               qint64 memoryBudget);

    bool run(const std::vector<int> &group, int &nextClass, WatchedPair watched);

private:
    struct Pending
    {
        Class members;
        qint64 offset; // the members are known to agree on every byte before it
    };

    bool useful(const Class &c) const;
    bool handOverAndPollStop() const
    {
        if (m_hooks.watchedPairAt)
            m_hooks.watchedPairAt(watchedByte());
        return m_hooks.handOverAndPollStop && m_hooks.handOverAndPollStop();
    }
    void blockRead() const
    {
        if (m_hooks.blockRead)
            m_hooks.blockRead();
    }
    // The byte that the comparison of the watched pair, one byte after the other, shows now: the first not
    // known to be equal in both, within the files; -1 where it shows none.
    qint64 watchedByte() const;
    // The watched pair is known to agree on every byte before at.
    void watchedAgree(qint64 at) { m_watch.agreed = std::max(m_watch.agreed, at); }
    bool holdsWatched(const Class &c) const;
    // What one block told of the watched pair, if it was in the class: up to where the two agree.
    void watchBlock(const Class &agreeing, qint64 offset);
    bool open(Member &m);
    // Where m's next data lies at or after offset (m open); start -1: m is shorter than listed.
    ReadOnlyFile::Extent extentAt(Member &m, qint64 offset);
    // Reads m's block at offset; false when m cannot be read or is not what was listed any more.
    bool readBlock(Member &m, qint64 offset, qint64 length, char *into, Block &block);
    // What came of a step on a class: it can go on, it changed (members dropped, holes stepped over) and
    // must be looked at again, or a stop was requested.
    enum class Step { Ready, Changed, Stopped };

    // Follows one class from offset on until it ends, is split or gives no coincidence.
    bool follow(Class c, qint64 offset);
    // Where the class's next block lies: its first member readable, holes that all members share stepped
    // over; the block's length.
    Step placeBlock(Class &c, qint64 &offset, qint64 &length);
    // Reads the first member's block, which the others are compared with; an unreadable one is dropped.
    Step readFirst(Class &c, qint64 offset, qint64 length, Block &first);
    // Reads the other members' blocks: those that agree with the first stay in c, the others are set aside
    // for split(); false when a stop was requested.
    bool sortByBlock(Class &c, qint64 offset, qint64 length, const Block &first);
    // Keeps where m left the first member, and a hash of the rest of its block, to sort it by.
    void setAside(Member &m, qint64 from, const Block &block);
    // Sets aside where the next data of any member lies, when the first member has a hole at offset.
    bool nextData(Class &c, qint64 offset, qint64 &at, qint64 &end);
    void split(std::vector<Differing> &differing, qint64 offset, qint64 length);
    // A class whose members agree to the end: opens those never opened, to know they can be read.
    bool finish(Class c);
    static void dropFirst(Class &c);

    std::vector<ContentFile> &m_files;
    const qint64 m_listedSize;
    // Where the reading of every member ends at the latest: the listed size, unless a member's reads tell.
    qint64 m_size;
    bool m_sameDirectory;
    const ClassifyHooks &m_hooks;
    qint64 m_blockSize;
    qint64 m_tailBudget;
    bool m_keepOpen = true;
    std::unique_ptr<Member[]> m_members;
    size_t m_memberCount = 0;
    std::unique_ptr<char[]> m_firstBlock;
    std::unique_ptr<char[]> m_scratch;
    Tails m_tails;
    std::vector<Differing> m_differing;
    std::vector<Pending> m_pending;
    std::vector<Class> m_finished;
    struct Watch
    {
        Member *first = nullptr;
        Member *second = nullptr;
        qint64 agreed = 0; // both are known to hold the same bytes before it
    } m_watch;
};

Classifier::Classifier(std::vector<ContentFile> &files, qint64 size, bool sameDirectory,
                       const ClassifyHooks &hooks, qint64 memoryBudget)
    : m_files(files), m_listedSize(size), m_size(size), m_sameDirectory(sameDirectory), m_hooks(hooks),
      m_blockSize(std::clamp(memoryBudget / 32 / kMinBlock * kMinBlock, kMinBlock, kMaxBlock)),
      m_tailBudget(std::max(kMinTails, memoryBudget / 16))
{
}

bool Classifier::useful(const Class &c) const
{
    int first = 0, second = 0;
    for (const Member *m : c) {
        first += m_files[size_t(m->file)].firstSide;
        second += m_files[size_t(m->file)].secondSide;
    }
    return m_sameDirectory ? first >= 2 : (first > 0 && second > 0);
}

void Classifier::dropFirst(Class &c)
{
    // The last member takes its place: the order of the others does not matter, and the class may be long.
    c.front()->handle.close();
    c.front() = c.back();
    c.pop_back();
}

bool Classifier::open(Member &m)
{
    if (m.handle.isOpen())
        return true;
    const ContentFile &file = m_files[size_t(m.file)];
    const qint64 size = file.sizeUnknown ? -1 : m_listedSize;
    bool ok = m.handle.openListed(file.name, file.directory, file.identity, size);
    if (!ok && m.handle.lackedHandle()) {
        // Fewer descriptors than the group needs: from here on each file is open only while it is read.
        // A file is unreadable for what it is, never for the descriptors that others hold.
        m_keepOpen = false;
        for (size_t k = 0; k < m_memberCount; ++k)
            m_members[k].handle.close();
        ok = m.handle.openListed(file.name, file.directory, file.identity, size);
    }
    m.opened = m.opened || ok;
    return ok;
}

ReadOnlyFile::Extent Classifier::extentAt(Member &m, qint64 offset)
{
    // What a pseudo-file's blocks say of its holes is as made up as its size.
    if (m.limit == kUnbounded || !m.handle.mayHaveHoles())
        return {offset, m.limit};
    if (m.extentFrom < 0 || offset < m.extentFrom || offset >= m.extent.end) {
        m.extent = m.handle.dataExtent(offset);
        m.extentFrom = offset;
        if (m.extent.start < 0)
            return m.extent;
    }
    return {std::max(offset, m.extent.start), m.extent.end};
}

bool Classifier::readBlock(Member &m, qint64 offset, qint64 length, char *into, Block &block)
{
    // Beside files whose reads tell where they end, a file may be compared past its listed end: there it
    // has nothing, and nothing needs reading.
    const qint64 wanted = std::min(length, m.limit - offset);
    if (wanted <= 0) {
        block = {zeros(), 0, true};
        return true;
    }
    if (!open(m))
        return false;
    const ReadOnlyFile::Extent data = extentAt(m, offset);
    bool ok = data.start >= 0;
    if (ok && data.start >= offset + wanted) {
        block = {zeros(), wanted, wanted < length}; // a hole: nothing to read
    } else if (ok) {
        const qint64 count = m.handle.readUpTo(offset, into, wanted);
        // Reads that end early are the file's contents only while its size still says what was listed
        // (otherwise it was cut short meanwhile), or when its size says nothing.
        const bool early = count >= 0 && count < wanted;
        ok = count >= 0 && (!early || m.limit == kUnbounded || m.handle.currentSize() == m_listedSize);
        block = {into, count, count < length};
    }
    if (!ok || !m_keepOpen || block.ended || offset + wanted >= m.limit)
        m.handle.close();
    return ok;
}

bool Classifier::nextData(Class &c, qint64 offset, qint64 &at, qint64 &end)
{
    size_t kept = 0;
    for (size_t k = 0; k < c.size(); ++k) {
        Member &m = *c[k];
        const bool wasOpen = m.handle.isOpen();
        const ReadOnlyFile::Extent data = open(m) ? extentAt(m, offset) : ReadOnlyFile::Extent{-1, -1};
        if (!wasOpen && !m_keepOpen)
            m.handle.close();
        if (data.start < 0) {
            m.handle.close();
            if (handOverAndPollStop())
                return false;
            continue;
        }
        if (data.start < at) {
            at = data.start;
            end = data.end;
        } else if (data.start == at) {
            end = std::min(end, data.end);
        }
        c[kept++] = &m;
    }
    c.resize(kept);
    return true;
}

bool Classifier::follow(Class c, qint64 offset)
{
    while (useful(c)) {
        if (holdsWatched(c))
            watchedAgree(offset);
        if (c.size() == 1 || offset >= m_size)
            return finish(std::move(c));
        qint64 length = 0;
        const Step placed = placeBlock(c, offset, length);
        if (placed != Step::Ready) {
            if (placed == Step::Stopped)
                return false;
            continue;
        }
        Block first{};
        const Step read = readFirst(c, offset, length, first);
        if (read != Step::Ready) {
            if (read == Step::Stopped)
                return false;
            continue;
        }
        if (!sortByBlock(c, offset, length, first))
            return false;
        split(m_differing, offset, length);
        if (first.ended)
            return finish(std::move(c)); // the first member's reads end here, and so do its equals'
        offset += length;
    }
    for (Member *m : c)
        m->handle.close();
    return true;
}

Classifier::Step Classifier::placeBlock(Class &c, qint64 &offset, qint64 &length)
{
    Member &rep = *c.front();
    if (offset >= rep.limit) {
        // Its end is behind it, not the others' (whose reads tell): they go on being compared with nothing.
        length = offset == 0 ? kFirstBlock : m_blockSize;
        return Step::Ready;
    }
    if (!open(rep)) {
        dropFirst(c);
        return handOverAndPollStop() ? Step::Stopped : Step::Changed;
    }
    const ReadOnlyFile::Extent data = extentAt(rep, offset);
    if (data.start < 0) {
        dropFirst(c);
        return Step::Changed;
    }
    qint64 at = data.start, end = data.end;
    if (at > offset) {
        // Where every member has a hole, all are zeros: stepped over without reading.
        if (!nextData(c, offset, at, end))
            return Step::Stopped;
        if (at > offset) {
            if (handOverAndPollStop())
                return Step::Stopped;
            offset = at;
            return Step::Changed;
        }
        if (c.empty() || c.front() != &rep)
            return Step::Changed;
    }
    // Up to where the data found ends, so that no long hole of the others is read.
    length = std::min({offset == 0 ? kFirstBlock : m_blockSize, m_size - offset, end - offset});
    return Step::Ready;
}

Classifier::Step Classifier::readFirst(Class &c, qint64 offset, qint64 length, Block &first)
{
    Member &rep = *c.front();
    const bool read = readBlock(rep, offset, length, m_firstBlock.get(), first);
    blockRead();
    if (!read)
        dropFirst(c);
    if (handOverAndPollStop())
        return Step::Stopped;
    return read ? Step::Ready : Step::Changed;
}

bool Classifier::sortByBlock(Class &c, qint64 offset, qint64 length, const Block &first)
{
    Block other{};
    m_differing.clear();
    m_tails.clear();
    // The members that agree with the first one stay in c, in their order.
    size_t agreeing = 1;
    for (size_t k = 1; k < c.size(); ++k) {
        Member &m = *c[k];
        const bool read = readBlock(m, offset, length, m_scratch.get(), other);
        blockRead();
        if (handOverAndPollStop())
            return false;
        if (!read)
            continue;
        const qint64 common = std::min(first.count, other.count);
        const qint64 from =
            first.bytes == other.bytes ? common : firstDifference(first.bytes, other.bytes, common);
        if (from == common && first.count == other.count && first.ended == other.ended)
            c[agreeing++] = &m;
        else
            setAside(m, from, other);
    }
    c.resize(agreeing);
    watchBlock(c, offset);
    return true;
}

void Classifier::setAside(Member &m, qint64 from, const Block &block)
{
    const char *tail = block.bytes + from;
    const qint64 tailLength = block.count - from;
    const quint64 hash = (m_hooks.hashBlock ? m_hooks.hashBlock : blockHash)(tail, tailLength) ^
                         (quint64(from) * 0x9E3779B185EBCA87ull) ^ (quint64(block.count) << 1) ^
                         quint64(block.ended);
    m_differing.push_back({&m, from, block.count, block.ended, hash, m_tails.keep(tail, tailLength)});
}

void Classifier::split(std::vector<Differing> &differing, qint64 offset, qint64 length)
{
    std::sort(differing.begin(), differing.end(),
              [](const Differing &a, const Differing &b) { return a.key() < b.key(); });
    for (size_t begin = 0; begin < differing.size();) {
        size_t end = begin + 1;
        while (end < differing.size() && differing[end].key() == differing[begin].key())
            ++end;
        Class same;
        bool kept = true;
        for (size_t k = begin; k < end; ++k) {
            same.push_back(differing[k].member);
            kept = kept && differing[k].tailAt >= 0;
        }
        const Differing &d = differing[begin];
        if (!useful(same)) {
            for (Member *m : same)
                m->handle.close();
        } else if (same.size() == 1) {
            m_pending.push_back({std::move(same), m_size});
        } else if (!kept) {
            // They agree up to where they left the first member; from there on they are read again.
            m_pending.push_back({std::move(same), offset + d.from});
        } else {
            // Their kept ends decide: each set of equal ends goes on from the next block.
            const qint64 tailLength = d.count - d.from;
            const qint64 next = d.ended ? m_size : offset + length;
            std::vector<Class> equal;
            std::vector<const char *> ends;
            for (size_t k = begin; k < end; ++k) {
                const char *tail = m_tails.at(differing[k].tailAt);
                size_t e = 0;
                while (e < ends.size() && std::memcmp(ends[e], tail, size_t(tailLength)) != 0)
                    ++e;
                if (e == ends.size()) {
                    ends.push_back(tail);
                    equal.emplace_back();
                }
                equal[e].push_back(differing[k].member);
            }
            for (Class &e : equal) {
                if (useful(e)) {
                    m_pending.push_back({std::move(e), next});
                } else {
                    for (Member *m : e)
                        m->handle.close();
                }
            }
        }
        begin = end;
    }
}

bool Classifier::finish(Class c)
{
    size_t readable = 0;
    for (size_t k = 0; k < c.size(); ++k) {
        Member &m = *c[k];
        const bool wasOpened = m.opened;
        if (wasOpened || open(m))
            c[readable++] = &m;
        m.handle.close();
        if (!wasOpened && handOverAndPollStop())
            return false;
    }
    c.resize(readable);
    if (holdsWatched(c))
        watchedAgree(m_listedSize);
    if (useful(c))
        m_finished.push_back(std::move(c));
    return true;
}

qint64 Classifier::watchedByte() const
{
    const Watch &w = m_watch;
    // Files of no bytes, or whose sizes say nothing, give no byte to show; nor do those that cannot be read.
    if (!w.first || !w.second || m_listedSize <= 0 || w.first->limit == kUnbounded ||
        w.second->limit == kUnbounded || !w.first->opened || !w.second->opened)
        return -1;
    return std::min(w.agreed, m_listedSize - 1);
}

bool Classifier::holdsWatched(const Class &c) const
{
    if (!m_watch.first || !m_watch.second)
        return false;
    const auto holds = [&c](const Member *m) { return std::find(c.begin(), c.end(), m) != c.end(); };
    return holds(m_watch.first) && holds(m_watch.second);
}

void Classifier::watchBlock(const Class &agreeing, qint64 offset)
{
    if (!m_watch.first || !m_watch.second || m_watch.first == m_watch.second)
        return;
    const auto set = [this](const Member *m) {
        return std::find_if(m_differing.begin(), m_differing.end(),
                            [m](const Differing &d) { return d.member == m; });
    };
    const auto d1 = set(m_watch.first), d2 = set(m_watch.second);
    const bool a1 = std::find(agreeing.begin(), agreeing.end(), m_watch.first) != agreeing.end();
    const bool a2 = std::find(agreeing.begin(), agreeing.end(), m_watch.second) != agreeing.end();
    const bool s1 = d1 != m_differing.end(), s2 = d2 != m_differing.end();
    if (a1 && s2) {
        watchedAgree(offset + d2->from);
    } else if (a2 && s1) {
        watchedAgree(offset + d1->from);
    } else if (s1 && s2) {
        qint64 at = std::min(d1->from, d2->from);
        // Both left the first member at one byte: their kept ends tell how much further they agree.
        if (d1->from == d2->from && d1->tailAt >= 0 && d2->tailAt >= 0)
            at += firstDifference(m_tails.at(d1->tailAt), m_tails.at(d2->tailAt),
                                  std::min(d1->count, d2->count) - d1->from);
        watchedAgree(offset + at);
    }
    // Agreeing both, they are followed on together and the next block tells.
}

bool Classifier::run(const std::vector<int> &group, int &nextClass, WatchedPair watched)
{
    m_keepOpen = group.size() <= maxOpenFiles();
    m_members = std::make_unique<Member[]>(group.size());
    m_memberCount = group.size();
    Class all;
    for (size_t k = 0; k < group.size(); ++k) {
        Member &m = m_members[k];
        m.file = group[k];
        m.limit = m_files[size_t(m.file)].sizeUnknown ? kUnbounded : m_listedSize;
        m_size = std::max(m_size, m.limit);
        if (m.file == watched.first)
            m_watch.first = &m;
        if (m.file == watched.second)
            m_watch.second = &m;
        all.push_back(&m);
    }
    const qint64 block = std::min(m_size, std::max(kMinBlock, m_blockSize));
    m_firstBlock.reset(new char[size_t(std::max<qint64>(1, block))]);
    m_scratch.reset(new char[size_t(std::max<qint64>(1, block))]);
    m_tails.reserve(std::min(m_tailBudget, qint64(group.size()) * block));

    m_pending.push_back({std::move(all), 0});
    while (!m_pending.empty()) {
        Pending p = std::move(m_pending.back());
        m_pending.pop_back();
        if (!follow(std::move(p.members), p.offset))
            return false;
    }
    for (const Class &c : m_finished) {
        for (Member *m : c)
            m_files[size_t(m->file)].contentClass = nextClass;
        ++nextClass;
    }
    return true;
}

} // namespace

bool classifyContents(std::vector<ContentFile> &files, const std::vector<int> &group, qint64 size,
                      bool sameDirectory, int &nextClass, const ClassifyHooks &hooks, WatchedPair watched,
                      qint64 memoryBudget)
{
    Classifier classifier(files, size, sameDirectory, hooks, memoryBudget);
    return classifier.run(group, nextClass, watched);
}
