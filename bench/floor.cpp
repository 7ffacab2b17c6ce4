// The floor a comparison by name, size or date cannot go below: list and stat both directories, then join
// the entries on the key in a hash table and count the coinciding pairs. Prints the count and the time.
//
//   vestrel-bench-floor name|size|date DIR1 DIR2

#include <chrono>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace {

struct Entry
{
    std::string name;
    long long size;
    long long timeKey;
};

std::vector<Entry> list(const char *dir)
{
    std::vector<Entry> entries;
    DIR *d = ::opendir(dir);
    if (!d) {
        std::perror(dir);
        return entries;
    }
    while (const dirent *e = ::readdir(d)) {
        struct stat st;
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            e->d_name[0] != '.')
            entries.push_back({e->d_name, (long long)st.st_size, (long long)st.st_mtim.tv_sec / 2});
    }
    ::closedir(d);
    return entries;
}

template <class Key, class Of>
long long join(const std::vector<Entry> &first, const std::vector<Entry> &second, Of of)
{
    std::unordered_map<Key, long long> counts;
    for (const Entry &e : second)
        ++counts[of(e)];
    long long pairs = 0;
    for (const Entry &e : first)
        if (auto found = counts.find(of(e)); found != counts.end())
            pairs += found->second;
    return pairs;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: vestrel-bench-floor name|size|date DIR1 DIR2\n");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::vector<Entry> first = list(argv[2]), second = list(argv[3]);
    long long pairs;
    if (std::strcmp(argv[1], "name") == 0)
        pairs = join<std::string>(first, second, [](const Entry &e) { return e.name; });
    else if (std::strcmp(argv[1], "size") == 0)
        pairs = join<long long>(first, second, [](const Entry &e) { return e.size; });
    else
        pairs = join<long long>(first, second, [](const Entry &e) { return e.timeKey; });
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%lld\t%.1f\n", pairs, ms);
    return 0;
}
