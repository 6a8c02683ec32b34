#!/usr/bin/env bash
# Builds velkio and runs the demo on the simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target velkio-demo
build/examples/velkio-demo
