#!/bin/sh
# Runs the examples built in DIR (DIR/NAME/NAME) on the simulated board and
# checks what they print against the board's default signals: DC on channels
# 8-15 (channel 8: -3.5 V, the sample -1434 at +-5 V; channel 15: +3.5 V,
# 1434), a 4 V 50 Hz sine on channel 0.
#   check.sh DIR [NAME...]          (default: every example)
set -eu
dir=$1
shift
[ $# -gt 0 ] || set -- paced_csv scan_stats level_trigger

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Runs DIR/NAME/NAME with the arguments, keeps its output in $scratch/out.
run() {
  name=$1
  shift
  echo "+ $name $*"
  "$dir/$name/$name" "$@" >"$scratch/out" || fail "$name $* exited with status $?"
  cat "$scratch/out"
}

check_paced_csv() {
  run paced_csv "$scratch/block.csv" 8 100 500
  [ "$(head -n 1 "$scratch/block.csv")" = "sample,time_s,raw,volts" ] || fail "CSV header"
  awk -F, 'NR > 1 && ($1 != NR - 2 || $3 != -1434 || $4 != -3.5010) { bad = 1 }
           END { exit bad || NR != 101 }' "$scratch/block.csv" ||
    fail "channel 8 block: want 100 rows of -1434 (-3.5010 V)"
  # The time column steps by one pacer period, 4 * 250 / 10 MHz = 100 us.
  run paced_csv - 15 3 250
  [ "$(tail -n 1 "$scratch/out")" = "2,0.000200,1434,3.5010" ] || fail "channel 15 to stdout"
}

check_scan_stats() {
  run scan_stats 8 0 15
  awk '$1 == 8 && $2 == -1434 && $3 == -1434 && $4 == -1434.00 && $5 == 0.00 { dc8 = 1 }
       $1 == 15 && $4 == 1434.00 && $5 == 0.00 { dc15 = 1 }
       $1 == 0 && $2 < -1500 && $3 > 1500 && $5 > 1000 { sine = 1 }
       END { exit !(dc8 && dc15 && sine && NR == 4) }' "$scratch/out" ||
    fail "statistics of channels 8, 0, 15"
}

check_level_trigger() {
  run level_trigger 0 1.0
  grep -q 'about 50\.0 Hz$' "$scratch/out" || fail "frequency of channel 0"
  # The trigger sample is the first above 1 V (sample 410), at most one pacer
  # period (3.6 degrees of the sine: 1.24 V) later, and the sine still rises.
  awk '/^first samples:/ { exit !($3 > 410 && $3 < 520 && $4 > $3) }' "$scratch/out" ||
    fail "first samples after the trigger"
}

for name in "$@"; do
  "check_$name"
done
echo "examples passed: $*"
