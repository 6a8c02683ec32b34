#!/bin/sh
# Builds and runs the README's examples against an installation: each fenced
# block after a "<!-- readme-example: FILE -->" line becomes WORKDIR/FILE.
#   check-readme.sh README PREFIX WORKDIR PYTHON
set -eu
readme=$1
prefix=$(cd "$2" && pwd)
work=$3
python=$4

rm -rf "$work"
mkdir -p "$work"
awk -v dir="$work" '
  /^<!-- readme-example: .* -->$/ { file = dir "/" $3; next }
  file != "" && /^```/ { if (inside) { close(file); file = ""; inside = 0 } else inside = 1; next }
  inside { print > file }
' "$readme"
for file in CMakeLists.txt scan.cpp capture.c build.sh capture.py; do
  [ -s "$work/$file" ] || { echo "FAIL: the README has no example $file" >&2; exit 1; }
done

PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -path '*/pkgconfig/velkio-sim.pc' | head -n 1)")
export PKG_CONFIG_PATH
LD_LIBRARY_PATH=$(pkg-config --variable=libdir velkio-sim)
export LD_LIBRARY_PATH

echo "=== CMake"
cmake -S "$work" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log" ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build"
"$work/build/scan"

echo "=== pkg-config"
(cd "$work" && sh -eux build.sh && ./capture)

echo "=== Python"
PYTHONPATH=$(dirname "$(dirname "$(find "$prefix" -path '*/velkio/__init__.py' | head -n 1)")")
export PYTHONPATH
(cd "$work" && PYTHONDONTWRITEBYTECODE=1 "$python" capture.py)
