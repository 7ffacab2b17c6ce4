#!/usr/bin/env bash
# The content benchmark: times `vestrel-compare --by contents` on pairs of directories against two generic
# duplicate finders (jdupes, fdupes), run as black boxes on the same directories, and checks that
# vestrel-compare finds exactly the coinciding pairs the datasets were made with. The content classifier is
# timed on its own too (vestrel-bench-classify: the listing and the classes, no window and no pair loop), so
# that its share of a run shows.
#
#   bench/run-contents.sh [-b BUILD_DIR] [-n] [-r RUNS] [-o RESULTS_DIR] [C1 C2 C3 S30K M100K]
#
#   -b BUILD_DIR    where to build (default: $VESTREL_BUILD_DIR, else /tmp/vestrel-contents-build); never
#                   the source tree's own build/ folder
#   -n              do not build: use the programs already in BUILD_DIR
#   -r RUNS         timed runs of every tool on every dataset (default 5, at least 5); the median is shown
#   -o RESULTS_DIR  where the raw figures and the outputs go (default: a new folder under /tmp)
#   C1 ... M100K    the datasets to run (default: all five):
#                   C1 2 x 2,000 files of 4 KiB, nearly all distinct; C2 2 x 300 files of 1 MiB differing in
#                   their last 8 bytes; C3 2 x 20 equal files of 64 MiB; S30K 2 x 30,000 files of 4 KiB, 5%
#                   copies; M100K 2 x 100,000 files of 0-16 KiB, half the names shared, a fifth of those
#                   with equal contents
#
# The datasets are made once under $VESTREL_BENCH_DIR (default /tmp/vestrel-bench) and reused.
# Every command runs under vestrel-bench-measure, which reports its wall time, its processor time, its peak
# resident memory (wait4's ru_maxrss) and the bytes it read (rchar from /proc/<pid>/io, read just before
# the child is reaped; it counts bytes served from the page cache too). /usr/bin/time -f '%e %M' wraps each
# run as a second opinion on the wall time and the memory. Every file is in the page cache before timing
# starts.
# Exit status: 0 when every line count was right (targets missed or not), 1 otherwise, 2 on a usage error.

set -euo pipefail

usage() {
    sed -n '2,/^$/p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

src_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${VESTREL_BUILD_DIR:-/tmp/vestrel-contents-build}
build=1
runs=5
results_dir=
while getopts 'b:nr:o:h' opt; do
    case $opt in
    b) build_dir=$OPTARG ;;
    n) build=0 ;;
    r) runs=$OPTARG ;;
    o) results_dir=$OPTARG ;;
    *) usage ;;
    esac
done
shift $((OPTIND - 1))
labels=("$@")
if ! [[ $runs =~ ^[0-9]+$ ]] || ((runs < 5)); then
    echo "run-contents.sh: at least 5 runs are needed" >&2
    exit 2
fi
build_dir=$(realpath -m "$build_dir")
if [[ $build_dir == "$src_dir/build" ]]; then
    echo "run-contents.sh: build somewhere else than $src_dir/build" >&2
    exit 2
fi
results_dir=${results_dir:-$(mktemp -d /tmp/vestrel-contents-results.XXXXXX)}
mkdir -p "$results_dir"

# --- packages -------------------------------------------------------------------------------------------
as_root=()
((EUID == 0)) || as_root=(sudo)
missing=()
for pair in jdupes:jdupes fdupes:fdupes /usr/bin/time:time; do
    command -v "${pair%%:*}" >/dev/null 2>&1 || missing+=("${pair#*:}")
done
if ((${#missing[@]})); then
    echo "installing ${missing[*]}" >&2
    "${as_root[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq "${missing[@]}" >&2
fi

# --- build ----------------------------------------------------------------------------------------------
if ((build)); then
    if [[ ! -f $build_dir/build.ninja ]]; then
        cmake -S "$src_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
    fi
    ninja -C "$build_dir" vestrel-compare vestrel-bench-datasets vestrel-bench-measure vestrel-bench-classify >&2
fi
vestrel=$build_dir/vestrel-compare
datasets=$build_dir/bench/vestrel-bench-datasets
measure=$build_dir/bench/vestrel-bench-measure
classify=$build_dir/bench/vestrel-bench-classify
for program in "$vestrel" "$datasets" "$measure" "$classify"; do
    [[ -x $program ]] || {
        echo "run-contents.sh: no $program (build first, or drop -n)" >&2
        exit 1
    }
done

# --- datasets -------------------------------------------------------------------------------------------
"$datasets" "${labels[@]}" >"$results_dir/datasets.tsv"
# What was just written goes to the disk now, not while the tools are timed.
sync

# The command of a tool on a dataset, into the array cmd.
command_of() {
    local tool=$1 d1=$2 d2=$3
    case $tool in
    vestrel) cmd=("$vestrel" --by contents --kinds normal "$d1" "$d2") ;;
    classify) cmd=("$classify" "$d1" "$d2") ;;
    jdupes) cmd=(jdupes -r -q "$d1" "$d2") ;;
    fdupes) cmd=(fdupes -r -q "$d1" "$d2") ;;
    esac
}

# Runs a command under the wrappers; prints "wall_ms rss_kib rchar status cpu_ms time_s time_kib".
measured() {
    local out=$1 err=$2
    shift 2
    local timing=$results_dir/time.txt figures
    figures=$(/usr/bin/time -f '%e %M' -o "$timing" "$measure" --out "$out" --err "$err" -- "$@") || true
    # time(1) puts a line about a failed command before its figures.
    echo "$figures $(tail -n 1 "$timing")"
}

# The (directory-1 file, directory-2 file) pairs in a duplicate finder's sets (blank-line separated).
pairs_in_sets() {
    awk -v d1="$1/" -v d2="$2/" '
        function close_set() { pairs += a * b; a = 0; b = 0 }
        /^$/ { close_set(); next }
        index($0, d1) == 1 { a++ }
        index($0, d2) == 1 { b++ }
        END { close_set(); print pairs + 0 }' "$3"
}

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
maximum() { sort -g | tail -n 1; }

tools=(vestrel classify jdupes fdupes)
load_before=$(uptime)
raw=$results_dir/raw.tsv
printf 'dataset\ttool\trun\twall_ms\trss_kib\trchar\tstatus\tcpu_ms\ttime_s\ttime_kib\tclasses_ms\tclasses_cpu_ms\n' \
    >"$raw"
checks=()
all_right=1

while IFS=$'\t' read -r label d1 d2 files bytes data equal_files pairs; do
    echo "== $label: $files + $files files of $bytes bytes, $data bytes in all; $pairs coinciding pairs" >&2
    # Every file into the page cache.
    find "$d1" "$d2" -type f -exec cat {} + >/dev/null

    # The line counts: vestrel-compare's against the pairs the dataset was made with; the other tools' sets
    # are counted too, as a check on the datasets themselves.
    command_of vestrel "$d1" "$d2"
    measured "$results_dir/$label-vestrel.out" "$results_dir/$label-vestrel.err" "${cmd[@]}" >/dev/null
    lines=$(wc -l <"$results_dir/$label-vestrel.out")
    said=$(cat "$results_dir/$label-vestrel.err")
    verdict=right
    if [[ $lines != "$pairs" || $said != "Au fost gasite $pairs coincidente" ]]; then
        verdict=WRONG
        all_right=0
    fi
    check="$label: vestrel-compare printed $lines lines and said \"$said\"; expected $pairs: $verdict"
    command_of classify "$d1" "$d2"
    measured "$results_dir/$label-classify.out" /dev/null "${cmd[@]}" >/dev/null
    classified=$(awk '{print $4}' "$results_dir/$label-classify.out")
    if [[ $classified != "$pairs" ]]; then
        check+="; the classifier alone found $classified pairs: WRONG"
        all_right=0
    fi
    for tool in jdupes fdupes; do
        command_of "$tool" "$d1" "$d2"
        measured "$results_dir/$label-$tool.out" /dev/null "${cmd[@]}" >/dev/null
        check+="; $tool's sets hold $(pairs_in_sets "$d1" "$d2" "$results_dir/$label-$tool.out") pairs"
    done
    checks+=("$check (directory 2 has $equal_files files equal to a directory-1 file)")

    for ((run = 1; run <= runs; run++)); do
        # The order turns with every run, so that no tool always follows the same one.
        for ((k = 0; k < ${#tools[@]}; k++)); do
            tool=${tools[(run + k) % ${#tools[@]}]}
            command_of "$tool" "$d1" "$d2"
            # The classifier tells what its classes alone took.
            out=/dev/null
            [[ $tool != classify ]] || out=$results_dir/classify-run.out
            read -r wall rss rchar status cpu time_s time_kib < <(measured "$out" /dev/null "${cmd[@]}")
            classes_ms=- classes_cpu_ms=-
            [[ $tool != classify ]] || read -r _ classes_ms classes_cpu_ms _ <"$out"
            printf '%s\t%s\t%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$label" "$tool" "$run" "$wall" "$rss" \
                "$rchar" "$status" "$cpu" "$time_s" "$time_kib" "$classes_ms" "$classes_cpu_ms" >>"$raw"
            echo "   $tool run $run: $wall ms ($cpu ms processor), $rss KiB, $rchar bytes read, status $status" >&2
        done
    done
done <"$results_dir/datasets.tsv"
load_after=$(uptime)

# --- the table ------------------------------------------------------------------------------------------
column_of() { awk -F'\t' -v l="$1" -v t="$2" -v c="$3" '$1 == l && $2 == t {print $c}' "$raw"; }
echo
echo "load before: $load_before"
echo "load after:  $load_after"
echo "runs per tool and dataset: $runs (median shown; peak RSS: the largest of the runs)"
echo "raw figures: $raw"
echo "classify: vestrel-bench-classify, the listing and the content classes alone (no window, no pair loop)"
echo
printf '%-7s %-8s %10s %10s %10s %9s %10s %10s %9s  %s\n' dataset tool "median ms" "min ms" "cpu ms" \
    "time(1) s" "peak MiB" "read/data" "vs best" "targets"
missed=()
while IFS=$'\t' read -r label d1 d2 files bytes data equal_files pairs; do
    declare -A med=()
    for tool in "${tools[@]}"; do
        med[$tool]=$(column_of "$label" "$tool" 4 | median)
    done
    best_other=$(printf '%s\n' "${med[jdupes]}" "${med[fdupes]}" | sort -g | head -n 1)
    for tool in "${tools[@]}"; do
        min_ms=$(column_of "$label" "$tool" 4 | sort -g | head -n 1)
        cpu_ms=$(column_of "$label" "$tool" 8 | median)
        time_s=$(column_of "$label" "$tool" 9 | median)
        peak_kib=$(column_of "$label" "$tool" 5 | maximum)
        read_ratio=$(column_of "$label" "$tool" 6 | median | awk -v d="$data" '{printf "%.3f", $1 / d}')
        failures=$(column_of "$label" "$tool" 7 | awk '$1 != 0' | wc -l)
        versus=- targets=
        if [[ $tool == vestrel || $tool == classify ]]; then
            versus=$(awk -v a="${med[$tool]}" -v b="$best_other" 'BEGIN {printf "%.2fx", a / b}')
            # Peak memory bounds: the sets of many files of one size and the large mixed set.
            case $label in
            S30K) peak_limit=100 ;;
            M100K) peak_limit=400 ;;
            *) peak_limit=150 ;;
            esac
            targets=$(awk -v a="${med[$tool]}" -v b="$best_other" -v j="${med[jdupes]}" -v r="$read_ratio" \
                -v k="$peak_kib" -v l="$label" -v p="$peak_limit" '
                BEGIN {
                    if (l == "C3")
                        printf "%.2fx jdupes (<= 0.6: %s)", a / j, a <= 0.6 * j ? "ok" : "MISSED"
                    else
                        printf "<= fastest other: %s", a <= b ? "ok" : "MISSED"
                    printf ", read %.3f (<= 1.1: %s), peak %.0f MiB (< %d: %s)", r, r <= 1.1 ? "ok" : "MISSED",
                        k / 1024, p, k / 1024 < p ? "ok" : "MISSED"
                }')
            [[ $tool != vestrel || $targets != *MISSED* ]] || missed+=("$label")
        fi
        if [[ $tool == classify ]]; then
            targets+="; the classes alone: $(column_of "$label" classify 11 | median) ms"
            targets+=" ($(column_of "$label" classify 12 | median) ms processor)"
        fi
        ((failures == 0)) || targets+=" ($failures runs failed)"
        printf '%-7s %-8s %10.1f %10.1f %10.1f %9.2f %10.1f %10s %9s  %s\n' "$label" "$tool" "${med[$tool]}" \
            "$min_ms" "$cpu_ms" "$time_s" "$(awk -v k="$peak_kib" 'BEGIN {print k / 1024}')" "$read_ratio" \
            "$versus" "$targets"
    done
    unset med
done <"$results_dir/datasets.tsv"

echo
printf '%s\n' "${checks[@]}"
echo
echo "commands (D1 D2: the dataset's two directories, listed in $results_dir/datasets.tsv):"
for tool in "${tools[@]}"; do
    command_of "$tool" D1 D2
    echo "  ${cmd[*]}"
done
echo "each run as: /usr/bin/time -f '%e %M' $measure --out /dev/null --err /dev/null -- COMMAND"
((${#missed[@]} == 0)) || echo "targets missed on: ${missed[*]}"
((all_right)) || {
    echo "some line counts were WRONG" >&2
    exit 1
}
