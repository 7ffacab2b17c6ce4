#!/usr/bin/env bash
# The name, size and date benchmark: one whole `vestrel-compare --by CRITERION DIR1 DIR2` run against the
# floor (vestrel-bench-floor: list and stat both directories, join the keys in a hash table), side by side
# in one run, with the number of lines each finds. With -B, an earlier build's vestrel-compare is run too.
#
#   bench/run-criteria.sh [-b BUILD_DIR] [-B OTHER_VESTREL_COMPARE] [-r RUNS] DIR1 DIR2
#
#   -b BUILD_DIR   where the programs are built (default: build); they must be built already
#   -B PROGRAM     another vestrel-compare to time beside this one (for a before/after table)
#   -r RUNS        timed runs of each command (default 3); the best is shown
#
# Every run is wrapped by vestrel-bench-measure (wall time, peak resident memory). The directories are
# listed once before timing so that every file's facts are in the cache.
set -euo pipefail

usage() {
    sed -n '2,/^$/p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

src_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$src_dir/build
other=
runs=3
while getopts 'b:B:r:h' opt; do
    case $opt in
    b) build_dir=$OPTARG ;;
    B) other=$OPTARG ;;
    r) runs=$OPTARG ;;
    *) usage ;;
    esac
done
shift $((OPTIND - 1))
(($# == 2)) || usage
dir1=$1
dir2=$2
measure=$build_dir/bench/vestrel-bench-measure
floor=$build_dir/bench/vestrel-bench-floor
compare=$build_dir/vestrel-compare
for program in "$measure" "$floor" "$compare" ${other:+"$other"}; do
    [[ -x $program ]] || {
        echo "run-criteria.sh: $program is missing; build it first" >&2
        exit 2
    }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
ls -l "$dir1" "$dir2" >/dev/null

# best_of COMMAND...: the best wall time in ms and the peak memory in KiB of RUNS runs, and the lines
# the command printed.
best_of() {
    local best='' kib='' line ms mem
    for ((r = 0; r < runs; r++)); do
        line=$("$measure" --out "$out/stdout" -- "$@")
        read -r ms mem _ _ <<<"$line"
        if [[ -z $best ]] || (($(printf '%.0f' "$ms") < $(printf '%.0f' "$best"))); then
            best=$ms
            kib=$mem
        fi
    done
    printf '%s %s %s\n' "$best" "$kib" "$(wc -l <"$out/stdout")"
}

printf '%-9s %12s %10s %12s %10s %8s' criterion vestrel-ms lines floor-ms pairs ratio
[[ -n $other ]] && printf ' %12s %8s' other-ms ratio
printf '\n'
for criterion in name size date; do
    read -r ms kib lines < <(best_of "$compare" --by "$criterion" "$dir1" "$dir2")
    best_floor=
    for ((r = 0; r < runs; r++)); do
        read -r pairs fms < <("$floor" "$criterion" "$dir1" "$dir2")
        if [[ -z $best_floor ]] || (($(printf '%.0f' "$fms") < $(printf '%.0f' "$best_floor"))); then
            best_floor=$fms
        fi
    done
    ratio=$(awk -v a="$ms" -v b="$best_floor" 'BEGIN { printf "%.2f", a / b }')
    printf '%-9s %12.0f %10d %12.0f %10d %8s' "$criterion" "$ms" "$lines" "$best_floor" "$pairs" "$ratio"
    if [[ -n $other ]]; then
        read -r oms _ _ < <(best_of "$other" --by "$criterion" "$dir1" "$dir2")
        printf ' %12.0f %8s' "$oms" "$(awk -v a="$oms" -v b="$best_floor" 'BEGIN { printf "%.2f", a / b }')"
    fi
    printf '   (peak %d MiB)\n' $((kib / 1024))
done
