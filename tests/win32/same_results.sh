#!/bin/bash
# vantori.exe under Wine prints what the Linux build prints, byte for byte:
# the levels lines, solve's traces, the batch report (its dates and seconds
# masked) and the bench signature, for the sample set and every set in
# tests/data, and for a set whose file name is not ASCII.
#
# usage: same_results.sh VANTORI.EXE LINUX-VANTORI DATA-DIR
# Exit status 77 (skipped) when the Linux build is not there.
set -u
exe=$1 linux=$2 data=$3
[ -x "$linux" ] || { echo "no Linux build at $linux: skipped"; exit 77; }
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Both programs on the same arguments, each with a store of its own; the
# outputs and exit statuses must match after the mask (a sed script).
same() {
  local mask=$1 name=$2
  shift 2
  local status_linux status_win
  "$linux" "$@" >"$work/linux.out" 2>"$work/linux.err"
  status_linux=$?
  wine "$exe" "$@" >"$work/win.out" 2>"$work/win.err"
  status_win=$?
  sed -i -e "$mask" "$work/linux.out" "$work/win.out"
  if [ "$status_linux" != "$status_win" ] || ! cmp -s "$work/linux.out" "$work/win.out"; then
    echo "DIFFERS: $name (exit $status_linux on Linux, $status_win under Wine)"
    diff "$work/linux.out" "$work/win.out" | head -20
    failures=$((failures + 1))
  else
    echo "same: $name"
  fi
}

# The report's times: the dates of its header and footer, the seconds of
# each level; solve's milliseconds; bench's per-level milliseconds, speed
# and total time.
dates='s#\[[0-9/]* [0-9:]* \(Start\|Finish\|Cancel\)\]#[DATE \1]#; s#^\( *[0-9]*\[[ 0-9*()]*\]\) *[0-9]*sec#\1 Nsec#'
solve_time='s#^time: .*#time: N#'
bench_time='s# ms [0-9]*$# ms N#; /^Nodes\/second:/d; /^Total time/d'

unicode="$work/niveaux-été-日.txt"
printf '%s\n' "####" "# .#" "#  ###" "#*@  #" "#  \$ #" "#  ###" "####" >"$unicode"
sets=("--sample" "$unicode")
for file in "$data"/*.txt; do sets+=("$file"); done

for set in "${sets[@]}"; do
  name=$(basename -- "$set")
  # The generated benchmark set, made for the guided search, runs guided in
  # smaller tables, where the plain search fails its hard levels quickly.
  extra=()
  [ "$name" = guided-bench.txt ] && extra=(--guided --memory 152M)
  same '' "levels $name" levels "$set"
  # To standard output for the small sets; the long ones as a file only.
  [ "$set" = "--sample" ] || [ "$set" = "$unicode" ] &&
    same "$dates" "batch $name" batch "$set" --jobs 2
  # The report as a file: the same bytes after the mask, LF line ends only.
  "$linux" batch "$set" --jobs 2 "${extra[@]}" --report "$work/linux-report" >/dev/null 2>&1
  wine "$exe" batch "$set" --jobs 2 "${extra[@]}" --report "$work/win-report" >/dev/null 2>&1
  sed -i -e "$dates" "$work/linux-report" "$work/win-report"
  if ! cmp -s "$work/linux-report" "$work/win-report" || grep -q $'\r' "$work/win-report"; then
    echo "DIFFERS: batch --report $name"
    diff "$work/linux-report" "$work/win-report" | head -20
    failures=$((failures + 1))
  else
    echo "same: batch --report $name"
  fi
done
for level in 1 2 3 4 5 6; do
  same "$solve_time" "solve --sample --level $level" solve --sample --level "$level" --all-moves
done
for level in 1 40 77 120 155; do
  same "$solve_time" "solve public-small $level" solve "$data/public-small.txt" --level "$level" --all-moves
done
same "$bench_time" "bench --quick" bench --quick
same "$bench_time" "bench --quick --guided" bench --quick --guided
same '' "levels --guided" levels "$data/public-small.txt" --guided

# Bad input: the same exit status (the system's own words for a cause
# differ, so standard error is not compared).
same '' "missing source" levels "$work/no-such-file.txt"
same '' "bad option" solve --sample --no-such-option

[ "$failures" -eq 0 ] || { echo "$failures outputs differ"; exit 1; }
echo "every output is the same"
