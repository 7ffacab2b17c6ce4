#include "platform/process.h"

#include <csignal>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <sys/resource.h>

namespace {

struct StartLimit
{
    bool known = false;
    struct rlimit openFiles = {};
};

// Read before main(), so before anything in the process raises the limit for its own use (a run holds
// many directories and files open at once); a started program gets the limit we were given.
const StartLimit g_startLimit = [] {
    StartLimit start;
    start.known = ::getrlimit(RLIMIT_NOFILE, &start.openFiles) == 0;
    return start;
}();

} // namespace

void initialiseProcess()
{
    // The default action of SIGXFSZ ends the process at the write that crosses the limit, before the
    // save can see the failure and put the old text back. Ignored, the write fails with EFBIG.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    ::sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
#if defined(__GLIBC__)
    // A large run frees hundreds of thousands of small blocks (names, index nodes). glibc keeps such
    // blocks in "fast" bins and merges them all in one pass at some later, larger free, which then takes a
    // tenth of a second or more while the window goes unserved. Without fast bins every free does its own
    // small share of that work, and the run's end stays as responsive as the rest of it.
    ::mallopt(M_MXFAST, 0);
#endif
}

void restoreInheritedSettings()
{
    // An ignored signal stays ignored across exec(); a program we start should stop at the limit as it
    // would when started from a shell.
    struct sigaction dflt = {};
    dflt.sa_handler = SIG_DFL;
    ::sigemptyset(&dflt.sa_mask);
    ::sigaction(SIGXFSZ, &dflt, nullptr);
    // Only the soft limit was raised; the hard one is as we got it. Some programs still use select(),
    // which breaks past 1,024 descriptors, and rely on the soft limit to stay below it.
    if (g_startLimit.known) {
        struct rlimit now;
        if (::getrlimit(RLIMIT_NOFILE, &now) == 0 && now.rlim_cur != g_startLimit.openFiles.rlim_cur) {
            now.rlim_cur = g_startLimit.openFiles.rlim_cur;
            ::setrlimit(RLIMIT_NOFILE, &now);
        }
    }
}
