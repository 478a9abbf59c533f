#!/bin/sh
# Whole-process timing of `b3cli odds` on the sample installation: CPU seconds, battles per CPU
# second and peak memory (maximum resident set) of each scenario, median of RUNS runs, and the
# peak memory of a run of 50,000,000 battles.
# Usage: bench/time_odds.sh BUILD_DIR [RUNS]
set -eu
build=${1:-build}
runs=${2:-5}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/b3cli" sample "$work/game" >/dev/null

# Prints "user-seconds peak-KB" of one run.
measure() {
    /usr/bin/time -f "%U %M" -o "$work/time" "$build/bin/b3cli" --install "$work/game" odds \
        --seed 1 --quiet "$@" >/dev/null
    cat "$work/time"
}

# name:battles[:option], the option (--rolled) given to b3cli odds as it stands.
for scenario in eight_against_eight:4000000 four_stacks_against_32:4000000 \
    eight_against_eight:1000000:--rolled; do
    name=${scenario%%:*}
    rest=${scenario#*:}
    battles=${rest%%:*}
    option=""
    [ "$rest" != "$battles" ] && option=${rest#*:}
    i=0
    : >"$work/runs"
    while [ "$i" -lt "$runs" ]; do
        # shellcheck disable=SC2086
        measure --battles "$battles" $option "$here/scenarios/$name.json" >>"$work/runs"
        i=$((i + 1))
    done
    sort -n "$work/runs" | awk -v n="$runs" -v b="$battles" -v name="$name $option" \
        'NR == int((n + 1) / 2) { printf "%s: %d battles, %.2f CPU s, %.0f battles/CPU s, peak %d KB\n", name, b, $1, ($1 > 0 ? b / $1 : 0), $2 }'
done
set -- $(measure --battles 50000000 "$here/scenarios/eight_against_eight.json")
echo "eight_against_eight: 50000000 battles, $1 CPU s, peak $2 KB"
