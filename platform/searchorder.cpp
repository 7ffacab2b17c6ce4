#include "platform/searchorder.h"

#include "platform/dirsearch.h"
#include "platform/filenames.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <utility>

namespace {

constexpr unsigned kKeepAliveEvery = 256;

std::function<void()> &keepAliveHook()
{
    static std::function<void()> hook;
    return hook;
}

inline unsigned char folded(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

constexpr quint32 kFirstFatTime = packFat(kFatFirstYear, 1, 1, 0, 0, 0);
constexpr quint32 kLastFatTime = packFat(kFatLastYear, 12, 31, 23, 59, 59);
// Packed keys lie below every exact key, which floor(UTC seconds / 2) keeps within +-2^62.
constexpr qint64 kPackedKeyBase = std::numeric_limits<qint64>::min();

struct TimeFacts
{
    qint32 fat;
    qint64 key;
};

TimeFacts timeFacts(qint64 utcSeconds)
{
    quint32 packed = 0;
    switch (packLocalTime(utcSeconds, packed)) {
    case LocalRange::Before:
        return {static_cast<qint32>(kFirstFatTime), exactTimeKey(utcSeconds)};
    case LocalRange::After:
        return {static_cast<qint32>(kLastFatTime), exactTimeKey(utcSeconds)};
    case LocalRange::Within:
        break;
    }
    return {static_cast<qint32>(packed), kPackedKeyBase + qint64(packed)};
}

// The length of the character at name[at]: a well-formed UTF-8 sequence, or a single byte.
qsizetype characterAt(const QByteArray &name, qsizetype at)
{
    char32_t codePoint;
    const int length = decodeUtf8At(name, at, codePoint);
    return length > 0 ? length : 1;
}

bool sameByte(char a, char b, PatternRules rules)
{
    if (!rules.asciiCaseFolded)
        return a == b;
    return folded(static_cast<unsigned char>(a)) == folded(static_cast<unsigned char>(b));
}

} // namespace

void setSearchKeepAlive(std::function<void()> keepAlive)
{
    keepAliveHook() = std::move(keepAlive);
}

void searchKeepAlive(unsigned count)
{
    if (count % kKeepAliveEvery == 0 && keepAliveHook())
        keepAliveHook()();
}

// Sorts by keys folded once per name rather than once per comparison. The sort goes in runs that are
// merged bottom-up, with a keep-alive call between steps, so a huge directory never blocks for long.
std::vector<size_t> sortInSearchOrder(std::vector<QByteArray> &names)
{
    struct Keyed
    {
        QByteArray key;
        QByteArray name;
        size_t from;

        bool operator<(const Keyed &other) const
        {
            return key != other.key ? key < other.key : name < other.name;
        }
    };
    std::vector<Keyed> keyed;
    keyed.reserve(names.size());
    unsigned count = 0;
    for (QByteArray &n : names) {
        QByteArray key = n;
        for (char &c : key)
            c = char(folded(static_cast<unsigned char>(c)));
        keyed.push_back({std::move(key), std::move(n), keyed.size()});
        searchKeepAlive(++count);
    }
    constexpr size_t kRun = 4096;
    const size_t n = keyed.size();
    for (size_t begin = 0; begin < n; begin += kRun) {
        std::sort(keyed.begin() + begin, keyed.begin() + std::min(n, begin + kRun));
        searchKeepAlive(0);
    }
    for (size_t width = kRun; width < n; width *= 2) {
        for (size_t begin = 0; begin + width < n; begin += 2 * width) {
            std::inplace_merge(keyed.begin() + begin, keyed.begin() + begin + width,
                               keyed.begin() + std::min(n, begin + 2 * width));
            searchKeepAlive(0);
        }
    }
    std::vector<size_t> from(n);
    for (size_t i = 0; i < n; ++i) {
        names[i] = std::move(keyed[i].name);
        from[i] = keyed[i].from;
    }
    return from;
}

bool matchesPattern(const QByteArray &pattern, const QByteArray &name, PatternRules rules)
{
    // "*.*" means every name, with or without a dot.
    if (pattern == "*.*" || pattern == "*")
        return true;
    if (rules.leadingDotExplicit && name.startsWith('.') && !pattern.startsWith('.'))
        return false;
    // Greedy matching with one point to come back to: the last '*' seen takes one more character each
    // time what follows it fails. Linear in the pattern times the name, without recursion.
    qsizetype p = 0, n = 0;
    qsizetype starAt = -1, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = ++p;
            resumeAt = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += characterAt(name, n);
        } else if (p < pattern.size() && sameByte(pattern[p], name[n], rules)) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt;
            resumeAt += characterAt(name, resumeAt);
            n = resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size() && n == name.size();
}

qint32 packFatTime(qint64 utcSeconds)
{
    return timeFacts(utcSeconds).fat;
}

qint64 exactTimeKey(qint64 utcSeconds)
{
    // Rounds down for negative times too, without negating (which overflows for the earliest time).
    return utcSeconds / 2 - (utcSeconds % 2 < 0 ? 1 : 0);
}

qint64 dateKey(qint64 utcSeconds)
{
    return timeFacts(utcSeconds).key;
}
