#!/bin/sh
# Builds the examples against an installed velkio, the way an outside project
# does, and runs them on the simulated board (check.sh).
#   check-installed.sh cmake PREFIX WORKDIR
#       each example's own CMakeLists.txt, with find_package(velkio)
#   check-installed.sh pkg-config PREFIX WORKDIR
#       paced_csv with plain cc and $(pkg-config --cflags --libs velkio-sim)
# PREFIX is the installation's prefix, or "system" for an installation that
# CMake, pkg-config and the dynamic loader must find on their own.
set -eu
mode=$1
prefix=$2
work=$3
examples=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work"
mkdir -p "$work"

pc_dir=
if [ "$prefix" != system ]; then
  prefix=$(cd "$prefix" && pwd)
  pc_dir=$(dirname "$(find "$prefix" -path '*/pkgconfig/velkio-sim.pc' | head -n 1)")
fi

case $mode in
cmake)
  for name in paced_csv scan_stats level_trigger; do
    set -- -S "$examples/$name" -B "$work/$name" -DCMAKE_BUILD_TYPE=Release
    if [ "$prefix" != system ]; then set -- "$@" "-DCMAKE_PREFIX_PATH=$prefix"; fi
    # A clean outside build: no presets, no cache but its own.
    cmake "$@" >"$work/$name.configure.log" || { cat "$work/$name.configure.log"; exit 1; }
    cmake --build "$work/$name"
  done
  # The build tree's RPATH leads the programs to the installed libraries.
  "$examples/check.sh" "$work"
  ;;
pkg-config)
  if [ -n "$pc_dir" ]; then
    export PKG_CONFIG_PATH="$pc_dir"
    # No RPATH from a plain cc line: the loader is told where to look.
    LD_LIBRARY_PATH=$(pkg-config --variable=libdir velkio-sim)
    export LD_LIBRARY_PATH
  fi
  echo "velkio-sim $(pkg-config --modversion velkio-sim):" \
    "$(pkg-config --cflags --libs velkio-sim)"
  mkdir -p "$work/paced_csv"
  # shellcheck disable=SC2046  # the flags are meant to split
  cc -std=c99 -Wall -Wextra -Wpedantic -Werror -o "$work/paced_csv/paced_csv" \
    "$examples/paced_csv/paced_csv.c" $(pkg-config --cflags --libs velkio-sim)
  "$examples/check.sh" "$work" paced_csv
  ;;
*)
  echo "usage: $0 cmake|pkg-config PREFIX|system WORKDIR" >&2
  exit 2
  ;;
esac
