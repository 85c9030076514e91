#!/usr/bin/env bash
# Installs what the build needs on Debian 12. As root it runs apt-get for the
# missing packages; otherwise it names them and stops.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qcoro-qt6-dev libkissfft-dev libgtest-dev libgmock-dev
          libbenchmark-dev fonts-inter fonts-dejavu-core)
if [ "${1:-}" = "--fuzz" ]; then packages+=(clang libclang-rt-14-dev); fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
    echo "Missing packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
