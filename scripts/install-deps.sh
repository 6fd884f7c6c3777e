#!/usr/bin/env bash
# Installs the Debian packages that the builds and tests need, when any is missing.
# Usage: scripts/install-deps.sh [demo|all]   (demo: just what the launcher's build and its smoke run need)
set -euo pipefail

demo_packages=(cmake make g++ python3 zlib1g-dev unicode-data googletest
               g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64)
test_packages=(libgtest-dev clang libclang-rt-14-dev clang-format xvfb xauth)

packages=("${demo_packages[@]}")
[ "${1:-all}" = demo ] || packages+=("${test_packages[@]}")

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
