#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with CTest: the plain
# build, then the whole suite again under AddressSanitizer with
# UndefinedBehaviorSanitizer, then the threaded parts (batch, vantori, guided
# jobs, cancelling a solve, the dialog's worker thread) under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/setup.sh
vk_install
vk_build build Release
ctest --test-dir build --output-on-failure -j "$(nproc)"

# Sanitizers reserve large address ranges, and LeakSanitizer needs a thread
# of its own at exit, so the tests that limit the address space or the
# number of threads run in the plain build only.
plain_only='TablesCannotBeReserved|ABatchWithoutAThreadForItsProgressLine|desktop_small_address_space'

vk_build_clang build-asan address
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" -E "$plain_only"

# The doubled tables' run over the whole public set is a long search with
# no thread of interest beyond what the two-job tests already cover. A run
# stopped in its first milliseconds may stop the thread sanitizer's own
# start-up, which leaves its scratch file in TMPDIR where the early-signal
# test looks for what the program left: that test runs in the other builds.
vk_build_clang build-tsan thread vantori batch_tests cli_tests solver_tests app_worker_tests
# The tests labelled "threads" (tests/CMakeLists.txt) are those of interest.
ctest --test-dir build-tsan --output-on-failure -j "$(nproc)" \
  -E "$plain_only|DoubleMemoryKeeps|EarlySignalsLeaveNothingHalfDone" -L '^threads$'

# Each fuzz target runs for a minute from its seed corpus in
# tests/fuzz/corpus/<target>/; new inputs go to a scratch corpus in the build
# folder. An input that once crashed a target belongs in its seed corpus,
# where every later run replays it first, and where the ordinary test run
# replays it too (FuzzCorpus.*).
vk_fuzz_build build-fuzz
rm -rf build-fuzz/tmp
mkdir -p build-fuzz/tmp
for target in text_intake file_reader parse_level; do
  scratch="build-fuzz/corpus/$target"
  mkdir -p "$scratch" build-fuzz/artifacts
  echo "Fuzzing $target for 60 s"
  TMPDIR="$PWD/build-fuzz/tmp" "build-fuzz/tests/fuzz/${target}_fuzz" \
    -max_total_time=60 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/artifacts/$target-" "$scratch" "tests/fuzz/corpus/$target" \
    2>"build-fuzz/$target.log" || { tail -50 "build-fuzz/$target.log"; exit 1; }
  grep -E '^stat::number_of_executed_units' "build-fuzz/$target.log" || true
done

# The Debian package, from the plain build: built and listed; where this runs
# as root (CI runs on a fresh Debian machine as root) also installed, run and
# purged again.
rm -f build/package/*.deb
(cd build && cpack >/dev/null)
deb=$(echo build/package/*.deb)
dpkg-deb -c "$deb"
if [ "$(id -u)" -eq 0 ]; then
  package=$(dpkg-deb -f "$deb" Package)
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "./$deb"
  work=$(mktemp -d)
  status=0
  { /usr/bin/vantori levels --sample --work-dir "$work" &&
    QT_QPA_PLATFORM=offscreen /usr/bin/vantori-kelmora --version; } || status=$?
  rm -rf "$work"
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "$package"
  [ "$status" -eq 0 ] || { echo "The installed package failed to run"; exit 1; }
fi

# The Windows programs, cross-built with mingw-w64 and tested under Wine:
# the suites, the desktop program's smoke test under Xvfb, and the zip.
vk_build_win build-win
vk_test_win build-win
