#!/usr/bin/env bash
# The start-up benchmark: `vestrel-compare EMPTY EMPTY` against a bare Qt Core program that only starts
# its application object (vestrel-bench-bare), each run many times in turn, with the median wall time of
# each and their ratio. With -B, an earlier build's vestrel-compare is run too.
#
#   bench/run-startup.sh [-b BUILD_DIR] [-B OTHER_VESTREL_COMPARE] [-r RUNS]
#
#   -b BUILD_DIR   where the programs are built (default: build); they must be built already
#   -B PROGRAM     another vestrel-compare to time beside this one (for a before/after table)
#   -r RUNS        runs of each command (default 50)
set -euo pipefail

usage() {
    sed -n '2,/^$/p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

src_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$src_dir/build
other=
runs=50
while getopts 'b:B:r:h' opt; do
    case $opt in
    b) build_dir=$OPTARG ;;
    B) other=$OPTARG ;;
    r) runs=$OPTARG ;;
    *) usage ;;
    esac
done
shift $((OPTIND - 1))
(($# == 0)) || usage
measure=$build_dir/bench/vestrel-bench-measure
bare=$build_dir/bench/vestrel-bench-bare
compare=$build_dir/vestrel-compare
for program in "$measure" "$bare" "$compare" ${other:+"$other"}; do
    [[ -x $program ]] || {
        echo "run-startup.sh: $program is not built" >&2
        exit 1
    }
done

empty=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-startup.XXXXXX")
trap 'rm -rf "$empty"' EXIT
labels=(bare vestrel-compare)
commands=("$bare" "$compare $empty $empty")
if [[ -n $other ]]; then
    labels+=(before)
    commands+=("$other $empty $empty")
fi

declare -A times
for ((run = 0; run < runs; ++run)); do
    # In turn, so that a busy moment of the machine falls on every command alike.
    for k in "${!labels[@]}"; do
        read -ra command <<<"${commands[$k]}"
        wall=$("$measure" -- "${command[@]}" | cut -d' ' -f1)
        times[${labels[$k]}]+="$wall "
    done
done

median() {
    tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
base=$(median "${times[bare]}")
printf '%-16s %10s %8s\n' command 'median ms' 'x bare'
for label in "${labels[@]}"; do
    m=$(median "${times[$label]}")
    printf '%-16s %10.2f %8.2f\n' "$label" "$m" "$(awk -v a="$m" -v b="$base" 'BEGIN { print a / b }')"
done
