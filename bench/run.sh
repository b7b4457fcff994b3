#!/usr/bin/env bash
# Builds a Release binary, prints how many shared libraries it loads (as ldd
# lists them, the dynamic loader itself aside) and times whole runs on the
# example model with /usr/bin/time: the median wall time, CPU time (user +
# system) and peak memory over several runs, first one run at a time, then 8
# runs at once. A run that does not complete (status 1) stops the script.
#   bench/run.sh [runs]      (default 15)
set -euo pipefail
runs=${1:-15}
if [ ! -x /usr/bin/time ]; then
    echo "bench/run.sh: needs /usr/bin/time (Debian's package time)" >&2
    exit 1
fi
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-release"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j >/dev/null
binary="$build/machsweep"
printf 'shared libraries loaded: %s\n' "$(ldd "$binary" | grep -c ' => ')"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in $(seq 8); do
    mkdir "$work/$i"
    cp "$top/examples/model_data.txt" "$work/$i/"
done

# One run in directory $1, named $3 in a failure; appends "wall cpu peak_kb"
# to $2, or ends with 1 when the run does not complete.
one_run() {
    local dir="$work/$1"
    (cd "$dir" && /usr/bin/time -f '%x %e %U %S %M' -o time.txt "$binary" >/dev/null 2>err.txt) ||
        true
    # time notes a status other than 0, or a signal, on a line of its own first
    local figures
    figures=$(tail -n 1 "$dir/time.txt")
    if [ "${figures%% *}" != 1 ]; then
        echo "bench/run.sh: $3 did not complete:" >&2
        cat "$dir/err.txt" "$dir/time.txt" >&2
        exit 1
    fi
    awk '{ printf "%s %.3f %s\n", $2, $3 + $4, $5 }' <<<"$figures" >>"$2"
}

# Median of column $1 of file $2.
median() {
    sort -n -k"$1","$1" "$2" | awk -v c="$1" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'
}

report() {
    printf '%-12s wall %ss  cpu %ss  cpu/wall %s  peak %s MiB  (%s runs)\n' "$1" \
        "$(median 1 "$2")" "$(median 2 "$2")" \
        "$(awk '{ w += $1; c += $2 } END { printf "%.2f", c / w }' "$2")" \
        "$(median 3 "$2" | awk '{ printf "%.1f", $1 / 1024 }')" "$(wc -l <"$2")"
}

one_run 1 /dev/null "the warm-up run" # warm the caches
alone="$work/alone.txt"
for r in $(seq "$runs"); do one_run 1 "$alone" "run $r alone"; done
report "alone" "$alone"

together="$work/together.txt"
for r in $(seq "$runs"); do
    pids=()
    for i in $(seq 8); do
        one_run "$i" "$together" "run $r of 8 at once, number $i" &
        pids+=($!)
    done
    failed=0
    for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
    [ "$failed" = 0 ] || exit 1
done
report "8 at once" "$together"
