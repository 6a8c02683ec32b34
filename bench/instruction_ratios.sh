#!/bin/sh
# Usage: bench/instruction_ratios.sh [BUILD_DIR]   (default: build)
#
# The library's overhead in instructions: each block operation and its minimal
# loop run under callgrind, which counts the instructions executed during the
# calls only. Unlike a time, the count does not move with the load of the
# machine. Prints, per workload, instructions per sample of the library and of
# the minimal loop, and their ratio.
set -eu
build=${1:-build}
tool=$build/bench/velkio_bench_instructions
calls=4
if ! command -v valgrind >/dev/null; then
  echo "valgrind is not installed" >&2
  exit 1
fi
out=${TMPDIR:-/tmp}/velkio-callgrind.$$
trap 'rm -f "$out"' EXIT

instructions() {
  valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out" \
    "$tool" "$1" "$2" "$calls" >/dev/null 2>&1
  awk '/^totals:/ { print $2 }' "$out"
}

printf '%-28s %14s %14s %8s\n' workload library/sample minimal/sample ratio
"$tool" --list | while read -r name samples; do
  library=$(instructions "$name" library)
  minimal=$(instructions "$name" minimal)
  awk -v name="$name" -v l="$library" -v m="$minimal" -v n=$((calls * samples)) \
    'BEGIN { printf "%-28s %14.1f %14.1f %8.3f\n", name, l / n, m / n, l / m }'
done
