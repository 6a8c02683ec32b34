#!/usr/bin/env bash
# Installs velkio's Debian packages on this machine with apt-get, builds and
# runs the examples and the Python tests against them as a user would, then
# removes the packages and checks that none of their files is left behind.
# It changes the system, so scripts/test.sh runs it on CI only (as root).
#   scripts/check-system-install.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$(cd "${1:-build}" && pwd)

if [ "$(id -u)" -ne 0 ]; then
  echo "$0 installs packages: run it as root" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
packages=(velkio python3-velkio)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A run that stopped half-way may have left them installed.
for package in "${packages[@]}"; do
  if installed "$package"; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y "$package" >/dev/null
  fi
done

version=$(sed -n 's/^Version: //p' "$build/velkio.pc")
sh cmake/check-deb.sh "$build" "$work/deb" "$version"
debs=("$work/deb/debs/velkio_${version}_"*.deb "$work/deb/debs/python3-velkio_${version}_all.deb")

# What the packages bring, and which of their directories the system had before.
for deb in "${debs[@]}"; do
  dpkg-deb --contents "$deb" | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||'
done | grep -v '^$' | sort -u >"$work/paths"
while read -r path; do
  if [ -d "$path" ]; then echo "$path"; fi
done <"$work/paths" >"$work/dirs-before"

echo "=== apt-get install ${debs[*]##*/}"
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${debs[@]}" \
  >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
for package in "${packages[@]}"; do installed "$package" || fail "$package is not installed"; done

echo "=== the examples, through CMake and through pkg-config"
examples/check-installed.sh cmake system "$work/cmake"
examples/check-installed.sh pkg-config system "$work/pkg-config"

if grep -qx /usr/bin/velkio "$work/paths"; then
  echo "=== the tool"
  # It loads the installed library by its SONAME.
  (unset VELKIO_LIBDIR; /usr/bin/velkio info)
fi

echo "=== Python"
libdir=$(cd "$(pkg-config --variable=libdir velkio-sim)" && pwd -P)
includedir=$(cd "$(pkg-config --variable=includedir velkio-sim)" && pwd -P)
python=/usr/bin/python3
(
  cd "$work"
  unset PYTHONPATH VELKIO_SIM_LIBRARY VELKIO_LIBRARY PYTHONDONTWRITEBYTECODE
  # The three lines of the README, run by the system's interpreter, which
  # writes its byte code next to the installed modules: removing the package
  # must remove that too.
  "$python" -c 'import velkio
board = velkio.load("sim")
block = board.ADChanMultiVelk(1000, 3, 500)
assert block.shape == (1000,) and block.dtype == "int16", block
print("paced block of channel 3:", block[:8], "...")'
  PYTHONDONTWRITEBYTECODE=1 VELKIO_TEST_LIBRARY_DIR="$libdir" VELKIO_TEST_INCLUDE_DIR="$includedir" \
    "$python" -m pytest -p no:cacheprovider -q "$repo/bindings/python/tests"
)

echo "=== apt-get purge ${packages[*]}"
DEBIAN_FRONTEND=noninteractive apt-get purge -y "${packages[@]}" >"$work/purge.log" 2>&1 ||
  { cat "$work/purge.log"; exit 1; }
for package in "${packages[@]}"; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed'; then
    fail "$package is still installed"
  fi
done
left=0
while read -r path; do
  if [ -d "$path" ] && ! [ -L "$path" ]; then
    grep -qxF "$path" "$work/dirs-before" && continue
  elif ! [ -e "$path" ] && ! [ -L "$path" ]; then
    continue
  fi
  echo "left behind: $path" >&2
  left=1
done <"$work/paths"
[ "$left" -eq 0 ] || fail "removing the packages left files behind"
echo "installed, used and removed cleanly: ${packages[*]} $version"
