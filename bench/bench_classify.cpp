// The content classifier on its own: lists two directories, splits the files of every size that both hold
// into classes of equal contents, as the content criterion does the first time it meets a pair of that
// size, and tells what that cost. No window and no pair loop, so the figures are the classifier's share of
// a `vestrel-compare --by contents` run.
//
//   vestrel-bench-classify [--budget BYTES] DIR1 DIR2
//
// --budget gives the classifier another memory budget than its default (which sets its block size).
//
// One line goes to standard output, fields separated by blanks:
//
//   list_ms classify_ms classify_cpu_ms pairs read_bytes peak_rss_kib list_peak_rss_kib read_calls
//
// classify_cpu_ms is the processor time (user and system) the classes took: on a busy machine it tells
// more than the wall time.
// pairs counts the (directory-1 file, directory-2 file) pairs in one class; read_bytes and read_calls are
// what /proc/self/io counted while the classes were made (rchar, syscr); the peak resident memory is the
// process's whole (VmHWM), the second after the listing alone.

#include "engine/contentclasses.h"
#include "platform/dirsearch.h"
#include "platform/fileread.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sys/resource.h>
#include <vector>

namespace {

struct IoCounts
{
    long long rchar = 0;
    long long syscr = 0;
};

IoCounts ioCounts()
{
    IoCounts c;
    std::FILE *f = std::fopen("/proc/self/io", "r");
    if (!f)
        return c;
    char line[128];
    while (std::fgets(line, sizeof line, f)) {
        std::sscanf(line, "rchar: %lld", &c.rchar);
        std::sscanf(line, "syscr: %lld", &c.syscr);
    }
    std::fclose(f);
    return c;
}

double cpuMs()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

long long peakResidentKib()
{
    std::FILE *f = std::fopen("/proc/self/status", "r");
    long long kib = -1;
    if (!f)
        return kib;
    char line[128];
    while (std::fgets(line, sizeof line, f))
        std::sscanf(line, "VmHWM: %lld", &kib);
    std::fclose(f);
    return kib;
}

struct Listed
{
    std::vector<ContentFile> files;
    std::vector<qint64> sizes;
    std::map<FileIdentity, int> known;
};

// The regular files of a directory, found by the directory search the content criterion uses; a file met
// before (a hard link, or the same directory given twice) only gets one more entry on this side.
void list(const char *path, const DirectoryAnchor &dir, int ContentFile::*side, Listed &into)
{
    if (!dir.isValid() || !dir.enter()) {
        std::fprintf(stderr, "%s: cannot enter the directory\n", path);
        std::exit(1);
    }
    constexpr quint32 kAnyFile = FileAttr::ReadOnly | FileAttr::Hidden | FileAttr::System | FileAttr::Archive;
    constexpr quint32 kNotRegular = FileAttr::Directory | FileAttr::Device | FileAttr::ReparsePoint;
    DirEntry e;
    for (int rc = FindFirst("*", kAnyFile, e); rc == 0; rc = FindNext(e)) {
        if (e.Attr & kNotRegular)
            continue;
        auto [it, added] = into.known.try_emplace(e.Identity, 0);
        if (added) {
            it->second = int(into.files.size());
            ContentFile f{&dir, e.Name};
            f.identity = e.Identity;
            into.files.push_back(f);
            into.sizes.push_back(e.Size);
        }
        ++(into.files[size_t(it->second)].*side);
    }
    FindClose(e);
}

} // namespace

int main(int argc, char **argv)
{
    qint64 budget = 0;
    if (argc == 5 && std::strcmp(argv[1], "--budget") == 0) {
        budget = std::atoll(argv[2]);
        argv += 2;
        argc -= 2;
    }
    if (argc != 3) {
        std::fputs("usage: vestrel-bench-classify [--budget BYTES] DIR1 DIR2\n", stderr);
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    const DirectoryAnchor start = DirectoryAnchor::current();
    const DirectoryAnchor dir1(start, argv[1]), dir2(start, argv[2]);
    Listed listed;
    list(argv[1], dir1, &ContentFile::firstSide, listed);
    list(argv[2], dir2, &ContentFile::secondSide, listed);
    std::map<qint64, std::vector<int>> bySize;
    for (size_t f = 0; f < listed.files.size(); ++f)
        bySize[listed.sizes[f]].push_back(int(f));
    const double listMs = timer.nsecsElapsed() / 1e6;
    const long long listPeak = peakResidentKib();

    const IoCounts before = ioCounts();
    const double cpuBefore = cpuMs();
    timer.restart();
    const ClassifyHooks hooks{[] { return false; }, {}};
    int nextClass = 0;
    for (const auto &[size, group] : bySize) {
        int first = 0, second = 0;
        for (int f : group) {
            first += listed.files[size_t(f)].firstSide;
            second += listed.files[size_t(f)].secondSide;
        }
        if (first > 0 && second > 0)
            budget > 0 ? classifyContents(listed.files, group, size, false, nextClass, hooks, {}, budget)
                       : classifyContents(listed.files, group, size, false, nextClass, hooks);
    }
    const double classifyMs = timer.nsecsElapsed() / 1e6;
    const double classifyCpuMs = cpuMs() - cpuBefore;
    const IoCounts after = ioCounts();

    std::vector<long long> first(size_t(nextClass), 0), second(size_t(nextClass), 0);
    for (const ContentFile &f : listed.files) {
        if (f.contentClass >= 0) {
            first[size_t(f.contentClass)] += f.firstSide;
            second[size_t(f.contentClass)] += f.secondSide;
        }
    }
    long long pairs = 0;
    for (size_t c = 0; c < first.size(); ++c)
        pairs += first[c] * second[c];
    std::printf("%.1f %.1f %.1f %lld %lld %lld %lld %lld\n", listMs, classifyMs, classifyCpuMs, pairs,
                after.rchar - before.rchar, peakResidentKib(), listPeak, after.syscr - before.syscr);
    return 0;
}
