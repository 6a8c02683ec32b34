#!/bin/sh
# Usage: check_exports.sh LIBRARY EXPECTED_NAMES_FILE
# Fails unless the library's dynamic symbol table defines exactly the expected names.
set -eu
library=$1
expected=$2
actual=$(nm -D --defined-only "$library" | awk '$2 != "A" { sub(/@.*/, "", $3); print $3 }' | sort)
wanted=$(grep -v '^#' "$expected" | sort)
if [ "$actual" != "$wanted" ]; then
  echo "exports of $library differ from $expected:"
  printf '%s\n' "$wanted" > "${TMPDIR:-/tmp}/velkio-wanted.$$"
  printf '%s\n' "$actual" | diff "${TMPDIR:-/tmp}/velkio-wanted.$$" - || true
  rm -f "${TMPDIR:-/tmp}/velkio-wanted.$$"
  exit 1
fi
echo "exports of $library: $(printf '%s\n' "$actual" | wc -l) names, as expected"
