#!/usr/bin/env bash
# unprivileged.sh PROGRAM [ARGS...]: runs a test program as an ordinary user, for the cases that need a
# permission to be refused (nothing is refused to root). Run by an ordinary user it just runs the
# program. Exit status 77 (skipped) when root cannot become nobody or nobody cannot run the program.
set -u
if ((EUID != 0)); then
    exec "$@"
fi
if ! command -v setpriv >/dev/null; then
    echo "skipped: setpriv is missing, so the test cannot drop root's privileges"
    exit 77
fi
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
if ! "${as_nobody[@]}" test -x "$1"; then
    echo "skipped: the user nobody cannot run $1 (a directory on its path is closed to others)"
    exit 77
fi
cd "${TMPDIR:-/tmp}" || exit 1
exec "${as_nobody[@]}" "$@"
