#!/usr/bin/env bash
# Builds Vestrel with its tests and runs them with ctest: first in $BUILD_DIR, then (unless
# SKIP_SANITIZE=1) in $BUILD_DIR-asan, built with AddressSanitizer and UndefinedBehaviorSanitizer.
# Stops at the first build or test failure, with a non-zero exit status.
#
# BUILD_DIR: the build directory (default build, relative to the repository root).
# SKIP_SANITIZE=1: only the plain build.
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

"$VESTREL_ROOT/tools/install-deps.sh"

# build_and_test DIR [CMAKE-ARGS...]
build_and_test() {
    local dir=$1
    shift
    echo "== $dir"
    configure_build "$dir" -DVESTREL_BUILD_TESTS=ON "$@"
    cmake --build "$dir"
    # --no-tests=error: a build that registered no test is a failure, not a pass.
    ctest --test-dir "$dir" --output-on-failure -j2 --no-tests=error
}

build=$(build_dir)
build_and_test "$build" -DVESTREL_SANITIZE=OFF

if [[ ${SKIP_SANITIZE:-0} == 1 ]]; then
    echo "Sanitizer build skipped (SKIP_SANITIZE=1)."
else
    build_and_test "$build-asan" -DVESTREL_SANITIZE=ON
fi
echo "All tests passed."
