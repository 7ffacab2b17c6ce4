// Runs one command and tells what it cost: its wall time, its peak resident memory, and how many bytes it
// read (rchar: every byte that read(), pread() and their kin returned, whether from the disk or from the
// page cache, so that it stays meaningful when every file is cached).
//
//   vestrel-bench-measure [--out FILE] [--err FILE] -- COMMAND [ARGUMENT...]
//
// The command's standard output and error go to the files named (default: /dev/null). One line goes to
// standard output: wall milliseconds, peak resident KiB, bytes read, the command's exit status (128 + the
// signal when a signal ended it) and the processor milliseconds it used (user and system: on a busy machine
// they vary less than the wall time). The exit status is the command's too.
//
// The bytes are read from /proc/<child>/io once the child has ended but before it is reaped (waitid with
// WNOWAIT), so they are the child's whole count, its threads' included. The peak memory is wait4's
// ru_maxrss for the child.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char kUsage[] = "usage: vestrel-bench-measure [--out FILE] [--err FILE] -- COMMAND [ARGUMENT...]\n";

double nowMs()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The rchar field of a /proc/<pid>/io file; -1 when it cannot be read.
long long readChars(const char *ioPath)
{
    std::FILE *f = std::fopen(ioPath, "r");
    if (!f)
        return -1;
    char line[128];
    long long rchar = -1;
    while (rchar < 0 && std::fgets(line, sizeof line, f))
        std::sscanf(line, "rchar: %lld", &rchar);
    std::fclose(f);
    return rchar;
}

// Opens path for the child's descriptor target, and puts it there; exits the child on failure.
void redirect(const char *path, int target)
{
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::dup2(fd, target) < 0) {
        std::fprintf(stderr, "vestrel-bench-measure: cannot open %s: %s\n", path, std::strerror(errno));
        _exit(127);
    }
    if (fd != target)
        ::close(fd);
}

} // namespace

int main(int argc, char **argv)
{
    const char *out = "/dev/null";
    const char *err = "/dev/null";
    int i = 1;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        }
        if ((std::strcmp(argv[i], "--out") == 0 || std::strcmp(argv[i], "--err") == 0) && i + 1 < argc) {
            (argv[i][2] == 'o' ? out : err) = argv[i + 1];
            ++i;
            continue;
        }
        std::fputs(kUsage, stderr);
        return 125;
    }
    if (i >= argc) {
        std::fputs(kUsage, stderr);
        return 125;
    }

    const double start = nowMs();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("vestrel-bench-measure: fork");
        return 125;
    }
    if (child == 0) {
        redirect(out, STDOUT_FILENO);
        redirect(err, STDERR_FILENO);
        ::execvp(argv[i], argv + i);
        std::fprintf(stderr, "vestrel-bench-measure: cannot run %s: %s\n", argv[i], std::strerror(errno));
        _exit(127);
    }

    // Ended, but not reaped: its /proc entry is still there to read.
    siginfo_t info{};
    while (::waitid(P_PID, id_t(child), &info, WEXITED | WNOWAIT) != 0) {
        if (errno != EINTR) {
            std::perror("vestrel-bench-measure: waitid");
            return 125;
        }
    }
    const double wallMs = nowMs() - start;
    char ioPath[64];
    std::snprintf(ioPath, sizeof ioPath, "/proc/%d/io", int(child));
    const long long rchar = readChars(ioPath);

    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("vestrel-bench-measure: wait4");
            return 125;
        }
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    const double cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    std::printf("%.3f %ld %lld %d %.1f\n", wallMs, long(usage.ru_maxrss), rchar, code, cpuMs);
    return code;
}
