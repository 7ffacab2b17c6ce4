#include "engine/blockhash.h"

#include <cstring>

namespace {

constexpr quint64 kPrime1 = 0x9E3779B185EBCA87ull;
constexpr quint64 kPrime2 = 0xC2B2AE3D27D4EB4Full;

inline quint64 rotl(quint64 x, int r)
{
    return (x << r) | (x >> (64 - r));
}

inline quint64 load64(const char *p)
{
    quint64 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline quint64 lane(quint64 acc, quint64 word)
{
    return rotl(acc + word * kPrime2, 31) * kPrime1;
}

} // namespace

quint64 blockHash(const char *data, qint64 length)
{
    // Four independent lanes keep the multiplier busy; the tail is folded in word by word, then byte by byte.
    quint64 a = kPrime1 + kPrime2, b = kPrime2, c = 0, d = 0 - kPrime1;
    const char *p = data;
    const char *end = data + length;
    for (; end - p >= 32; p += 32) {
        a = lane(a, load64(p));
        b = lane(b, load64(p + 8));
        c = lane(c, load64(p + 16));
        d = lane(d, load64(p + 24));
    }
    quint64 h = rotl(a, 1) + rotl(b, 7) + rotl(c, 12) + rotl(d, 18) + quint64(length);
    for (; end - p >= 8; p += 8)
        h = rotl(h ^ lane(0, load64(p)), 27) * kPrime1 + kPrime2;
    for (; p < end; ++p)
        h = rotl(h ^ (quint64(static_cast<unsigned char>(*p)) * kPrime1), 11) * kPrime2;
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    return h;
}
