#!/usr/bin/env bash
# Builds everything and runs every test: once with g++, once with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer, with a two-minute fuzz run
# between them. The g++ build's tests also
# install the project into a staging directory, build the Debian packages and
# use both as an outside project would; on CI (as root) the packages are then
# installed on the system, used and removed again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

run_preset() {
  echo "=== $1 ==="
  cmake --preset "$1"
  cmake --build --preset "$1"
  ctest --preset "$1"
}

run_preset default
if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then
  echo "=== the Debian packages, installed on the system ==="
  scripts/check-system-install.sh build
fi

echo "=== fuzz ==="
scripts/fuzz.sh 120

# Last, so that the run closes on the test runner's summary.
run_preset sanitize
