#!/usr/bin/env bash
# The gates that keep the tree as it is, fast and before any build: every C++ source and header must be
# formatted as the root .clang-format says, and every shell script must pass shellcheck at severity info.
# Both gates run, so that one run names every slip; the exit status is non-zero when either fails. (The
# third gate, warnings as errors, sits in the builds: tools/test.sh configures them with VESTREL_WERROR.)
#
# CLANG_FORMAT: the clang-format to run (default clang-format-14, Debian 12's; other versions lay out
# some constructs differently, so a file they format may fail here).
set -euo pipefail
# shellcheck source=tools/lib/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

"$VESTREL_ROOT/tools/install-deps.sh"
cd "$VESTREL_ROOT"
# EPOCHREALTIME has the locale's decimal separator; awk reads a point.
now() { printf '%s\n' "${EPOCHREALTIME/,/.}"; }
started=$(now)

# The files to check are the tracked ones, so that build directories, generated sources and scratch files
# stay out. CI may run as root in a checkout another user owns, where git refuses to read the repository
# unless told it is safe; this command only lists files. Outside a git checkout (a copy of the sources),
# every file is taken but those of .git and of build directories (holding a CMakeCache.txt).
if git -c safe.directory='*' rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -d '' files < <(git -c safe.directory='*' ls-files -z)
else
    echo "check: $VESTREL_ROOT is not a git checkout: checking every file but those of .git and builds"
    mapfile -d '' files < <(find . -mindepth 1 -type d \
        \( -name .git -o -exec test -e '{}/CMakeCache.txt' \; \) -prune -o -type f -printf '%P\0' | sort -z)
fi

shebang='^#!.*[/[:space:]](ba|da|k)?sh([[:space:]]|$)'
sources=() scripts=()
for file in "${files[@]}"; do
    # A tracked file deleted in the working tree is not there to check.
    [[ -f $file ]] || continue
    case $file in
    *.cpp | *.h) sources+=("$file") ;;
    *.sh) scripts+=("$file") ;;
    *)
        # Scripts without the suffix (.ci/run, templates such as packaging/vestrel-launch.in) are known
        # by their first line.
        first=
        IFS= read -r first <"$file" 2>/dev/null || true
        if [[ $first =~ $shebang ]]; then
            scripts+=("$file")
        fi
        ;;
    esac
done
# An empty list would have clang-format read standard input, and means the listing went wrong anyway.
if ((${#sources[@]} == 0 || ${#scripts[@]} == 0)); then
    echo "check: found ${#sources[@]} C++ files and ${#scripts[@]} shell scripts in $VESTREL_ROOT;" \
        "expected both" >&2
    exit 1
fi

failed=()

# check_format: clang-format --dry-run --Werror over all sources at once (one process is much cheaper
# than one per file); the files it names are listed with the command that fixes them and what it would
# change.
check_format() {
    local clang_format=${CLANG_FORMAT:-clang-format-14} output rc=0 file
    if ! command -v "$clang_format" >/dev/null; then
        echo "check: $clang_format is missing (tools/install-deps.sh installs clang-format-14)" >&2
        return 1
    fi
    output=$("$clang_format" --dry-run --Werror --style=file:.clang-format -- "${sources[@]}" 2>&1) || rc=$?
    ((rc != 0)) || return 0
    local -a bad
    mapfile -t bad < <(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: .*\[-Wclang-format-violations\]$/\1/p' \
        <<<"$output" | sort -u)
    if ((${#bad[@]} == 0)); then
        # Not a layout difference: a broken .clang-format (told once per file) or a file clang-format
        # cannot read.
        head -n 20 <<<"$output" >&2
        echo "check: $clang_format failed (exit status $rc) without naming a file to reformat" >&2
        return 1
    fi
    for file in "${bad[@]}"; do
        echo "-- $file is not formatted; what '$clang_format -i $file' changes:" >&2
        # A file laid out in another style altogether would fill the log; the start shows the kind of slip.
        diff -u --label "$file" --label "$file (formatted)" "$file" \
            <("$clang_format" --style=file:.clang-format "$file") | head -n 60 >&2 || true
    done
    echo "check: FAILED format: ${#bad[@]} of ${#sources[@]} C++ files differ from the .clang-format" \
        "layout." >&2
    echo "  Fix: $clang_format -i ${bad[*]}" >&2
    return 1
}

# check_scripts: shellcheck at severity info. -x follows the scripts' source commands (tools/lib/common.sh);
# their "# shellcheck source=" lines name it from the root or from the script's directory, so both are
# searched. shellcheck takes seconds of one core for these scripts, so it runs as two processes, each on
# half of the list (in order, so that the findings come out sorted by file).
check_scripts() {
    local half=$(((${#scripts[@]} + 1) / 2)) rc=0 pid output
    local shellcheck=(shellcheck -x -P SCRIPTDIR -S info --)
    "${shellcheck[@]}" "${scripts[@]:0:half}" >"$report/shellcheck.1" 2>&1 &
    pid=$!
    "${shellcheck[@]}" "${scripts[@]:half}" >"$report/shellcheck.2" 2>&1 || rc=$?
    wait "$pid" || rc=$?
    ((rc != 0)) || return 0
    output=$(cat "$report/shellcheck.1" "$report/shellcheck.2")
    local -a bad
    printf '%s\n' "$output" >&2
    mapfile -t bad < <(sed -n 's/^In \(.*\) line [0-9]*:$/\1/p' <<<"$output" | sort -u)
    echo "check: FAILED shellcheck: ${#bad[@]} of ${#scripts[@]} shell scripts have findings:" \
        "${bad[*]:-(none named)}" >&2
    echo "  Fix the findings above, then see them gone with:" \
        "shellcheck -x -P SCRIPTDIR -S info ${bad[*]:-FILE}" >&2
    echo "  (A finding that is wrong for the script is silenced by a line above it:" \
        "# shellcheck disable=SCnnnn # and why)" >&2
    return 1
}

# The two gates run side by side, each writing its report to a file; the reports are shown in order.
report=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-check.XXXXXX")
trap 'rm -rf "$report"' EXIT
check_format >"$report/format" 2>&1 &
format_pid=$!
check_scripts >"$report/scripts" 2>&1 &
scripts_pid=$!
wait "$format_pid" || failed+=(format)
wait "$scripts_pid" || failed+=(shellcheck)
cat "$report/format" "$report/scripts" >&2

elapsed=$(awk -v a="$started" -v b="$(now)" 'BEGIN {printf "%.1f", b - a}')
if ((${#failed[@]} > 0)); then
    echo "check: gates failed: ${failed[*]} (${elapsed} s)" >&2
    exit 1
fi
echo "check: gates passed: format of ${#sources[@]} C++ files, shellcheck of ${#scripts[@]} scripts" \
    "(${elapsed} s)"
