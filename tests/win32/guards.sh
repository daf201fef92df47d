#!/bin/bash
# vantori.exe's guards under Wine where Windows differs: a report path as
# long as the source path past the classic 260 characters is still seen to
# be the source, and --work-dir . works while the folder stays held against
# a second process.
#
# usage: guards.sh VANTORI.EXE
set -u
exe=$(readlink -f "$1")
export WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
level=$'#####\n#@$.#\n#####\n'

check() {  # check NAME EXPECTED-STATUS ACTUAL-STATUS
  if [ "$2" != "$3" ]; then
    echo "FAILS: $1 (exit $3, expected $2)"
    failures=$((failures + 1))
  else
    echo "ok: $1"
  fi
}

# A source whose absolute path passes 270 characters, as its own report.
long=$(printf 'l%.0s' $(seq 237))
mkdir -p "$work/lp"
printf '%s' "$level" >"$work/lp/$long"
(cd "$work" && wine "$exe" batch "lp\\$long" --report "lp\\$long" >/dev/null 2>"$work/err")
check "a long report path that is the source is refused" 1 $?
cmp -s <(printf '%s' "$level") "$work/lp/$long" || { echo "FAILS: the source was overwritten"; failures=$((failures + 1)); }

# --work-dir . : the run works, and the folder is held against another.
mkdir -p "$work/here"
(cd "$work/here" && wine "$exe" levels --sample --work-dir . >"$work/out" 2>"$work/err")
check "--work-dir . works" 0 $?
[ -f "$work/here/0006.txt" ] || { echo "FAILS: no level files in ."; failures=$((failures + 1)); }
mkfifo "$work/pipe"
(cd "$work/here" && wine "$exe" batch "..\\pipe" --work-dir . --report "..\\r.txt" >/dev/null 2>&1) &
exec 3<>"$work/pipe"  # the batch holds its folder while it waits for the levels
sleep 3
(cd "$work/here" && wine "$exe" levels --sample --work-dir . >/dev/null 2>"$work/err2")
check "a second process is refused" 1 $?
grep -q "is in use by another process" "$work/err2" || { echo "FAILS: $(cat "$work/err2")"; failures=$((failures + 1)); }
printf '%s' "$level" >&3
exec 3>&-
wait

[ "$failures" -eq 0 ]
