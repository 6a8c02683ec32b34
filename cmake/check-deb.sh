#!/bin/sh
# Builds the Debian packages of a configured and built tree with CPack, checks
# their control fields and contents, and unpacks them into OUT/root as dpkg
# would install them (without installing anything).
#   check-deb.sh BUILD_DIR OUT_DIR VERSION [HAS_TOOL]
# HAS_TOOL 1 expects the velkio tool in the package.
# The packages are left in OUT_DIR/debs.
set -eu
build=$1
out=$2
version=$3
has_tool=${4:-}

rm -rf "$out"
mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out/debs" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; exit 1; }
rm -rf "$out/debs/_CPack_Packages"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

library_deb=$out/debs/velkio_${version}_$(dpkg --print-architecture).deb
python_deb=$out/debs/python3-velkio_${version}_all.deb
[ -f "$library_deb" ] || fail "no $library_deb"
[ -f "$python_deb" ] || fail "no $python_deb"

field() {
  dpkg-deb --field "$1" "$2"
}
echo "$(basename "$library_deb"): Depends: $(field "$library_deb" Depends)"
echo "$(basename "$python_deb"): Depends: $(field "$python_deb" Depends)"
field "$library_deb" Depends | grep -q 'libc6' || fail "velkio does not depend on libc6"
field "$python_deb" Depends | grep -q "velkio (= $version)" ||
  fail "python3-velkio does not depend on this velkio"
field "$python_deb" Depends | grep -q 'python3-numpy' || fail "python3-velkio without numpy"
dpkg-deb --info "$library_deb" shlibs | grep -q "^libvelkio 1 velkio (>= $version)" ||
  fail "no shlibs entry for libvelkio"
dpkg-deb --info "$library_deb" postinst | grep -q ldconfig || fail "postinst runs no ldconfig"

dpkg-deb --contents "$library_deb" >"$out/velkio.contents"
dpkg-deb --contents "$python_deb" >"$out/python3-velkio.contents"
expect() {
  grep -Eq "$2" "$out/$1.contents" || fail "$1 has nothing matching $2"
}
for library in libvelkio libvelkio-sim; do
  expect velkio " \./usr/lib/(.*/)?$library\.so\.$version\$"
  expect velkio " \./usr/lib/(.*/)?$library\.so\.1 -> $library\.so\.$version\$"
  expect velkio " \./usr/lib/(.*/)?$library\.so -> $library\.so\.1\$"
done
expect velkio ' \./usr/include/velkio\.h$'
expect velkio ' \./usr/include/velkio_sim\.h$'
expect velkio ' \./usr/lib/(.*/)?pkgconfig/velkio\.pc$'
expect velkio ' \./usr/lib/(.*/)?pkgconfig/velkio-sim\.pc$'
for file in velkio-config velkio-config-version velkio-targets; do
  expect velkio " \./usr/lib/(.*/)?cmake/velkio/$file\.cmake\$"
done
if [ "$has_tool" = 1 ]; then expect velkio ' \./usr/bin/velkio$'; fi
for module in __init__ _capi _library _version bench; do
  expect python3-velkio " \./usr/lib/python3/dist-packages/velkio/$module\.py\$"
done
! grep -q '__pycache__\|\.pyc$' "$out/python3-velkio.contents" || fail "byte code in python3-velkio"

mkdir -p "$out/root"
dpkg-deb --extract "$library_deb" "$out/root"
dpkg-deb --extract "$python_deb" "$out/root"
echo "packages checked and unpacked into $out/root"
