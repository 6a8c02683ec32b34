#!/usr/bin/env bash
# Installs the Debian packages that building and testing velkio need, and only
# those still missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev binutils pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  # The Debian packages (CPack runs file and dpkg-shlibdeps) and the Python
  # binding's tests.
  file dpkg-dev python3 python3-numpy python3-pytest
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "installing: ${missing[*]}"
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
  "${sudo[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
