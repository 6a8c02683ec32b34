#!/usr/bin/env bash
# Builds the fuzz target (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for a bounded time over the seed
# corpus. A broken promise or a crash fails the run and leaves the input in
# build-fuzz/: copy it to tests/fuzz/regressions/ so it runs as a test from
# then on.
# Usage: scripts/fuzz.sh [SECONDS]   (default 120)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-120}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target api_fuzzer
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
build-fuzz/tests/fuzz/api_fuzzer -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix=build-fuzz/ "$work" tests/fuzz/corpus >"$work.log" 2>&1 || status=$?
# The progress lines are many; keep the start, the failures and the final figures.
grep -vE '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|RELOAD)' "$work.log" || true
rm -f "$work.log"
exit "$status"
