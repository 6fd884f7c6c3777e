#!/usr/bin/env bash
# Installs the Debian packages that the builds and tests need, when any is missing.
# Usage: scripts/install-deps.sh [demo|release|all]
#   demo:    what the launcher's build and its smoke run need
#   release: that, and what signs a launcher (scripts/build-release.sh)
#   all:     everything the tests need (scripts/test.sh)
set -euo pipefail

demo_packages=(cmake make g++ python3 zlib1g-dev unicode-data googletest nlohmann-json3-dev
               g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64)
release_packages=(osslsigncode)
# The format check needs clang-format 14 exactly (other versions format differently); Debian's
# clang-format is that version under its plain name.
test_packages=(libgtest-dev clang libclang-rt-14-dev clang-format-14 clang-format xvfb xauth openssl)

packages=("${demo_packages[@]}")
case "${1:-all}" in
    demo) ;;
    release) packages+=("${release_packages[@]}") ;;
    all)
        packages+=("${release_packages[@]}" "${test_packages[@]}")
        # The workflow check runs on Node.js and npm: Debian's, unless the machine has its own.
        command -v npm >/dev/null || packages+=(npm)
        ;;
    *) echo "usage: scripts/install-deps.sh [demo|release|all]" >&2; exit 2 ;;
esac

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
