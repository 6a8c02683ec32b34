#!/usr/bin/env bash
# Builds velkio and its command-line tool, and runs the tool's demo on the
# simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target velkio-tool
build/tools/velkio demo
