#!/usr/bin/env bash
# Checks and tests Vestrel: first the gates of tools/check.sh (C++ format, shellcheck), then builds with
# the tests and runs them with ctest, in $BUILD_DIR and then (unless SKIP_SANITIZE=1) in $BUILD_DIR-asan,
# built with AddressSanitizer and UndefinedBehaviorSanitizer. Both builds treat compiler warnings as
# errors (VESTREL_WERROR). Stops at the first failure, with a non-zero exit status.
#
# BUILD_DIR: the build directory (default build, relative to the repository root).
# SKIP_SANITIZE=1: only the plain build.
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

"$VESTREL_ROOT/tools/install-deps.sh"

# The gates take seconds and the builds minutes: a format slip fails before any compiler runs.
if ! "$VESTREL_ROOT/tools/check.sh"; then
    echo "test.sh: the gates failed (see above; tools/check.sh runs them alone); nothing was built." >&2
    exit 1
fi

# build_and_test DIR [CMAKE-ARGS...]
build_and_test() {
    local dir=$1
    shift
    echo "== $dir"
    configure_build "$dir" -DVESTREL_BUILD_TESTS=ON -DVESTREL_WERROR=ON "$@"
    if ! cmake --build "$dir"; then
        echo "test.sh: the build in $dir failed. Warnings are errors here (-DVESTREL_WERROR=ON):" \
            "mend the code where the compiler's first message above points." >&2
        exit 1
    fi
    # --no-tests=error: a build that registered no test is a failure, not a pass.
    if ! ctest --test-dir "$dir" --output-on-failure -j2 --no-tests=error; then
        echo "test.sh: tests failed in $dir (listed above); run one again with:" \
            "ctest --test-dir $dir -R NAME --output-on-failure" >&2
        exit 1
    fi
}

build=$(build_dir)
build_and_test "$build" -DVESTREL_SANITIZE=OFF

if [[ ${SKIP_SANITIZE:-0} == 1 ]]; then
    echo "Sanitizer build skipped (SKIP_SANITIZE=1)."
else
    build_and_test "$build-asan" -DVESTREL_SANITIZE=ON
fi
echo "All tests passed."
