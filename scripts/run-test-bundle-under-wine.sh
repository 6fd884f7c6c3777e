#!/usr/bin/env bash
# Runs a Windows test bundle (scripts/windows-test-bundle.sh) with its own runner under Wine, as
# a Windows machine would run it: unpacked into a folder, run-tests.exe started there.
#   scripts/run-test-bundle-under-wine.sh BUNDLE.zip
# The bundle's runner runs every test in one Wine prefix, at 96 dpi and with a display, whose
# Windows folder holds the explorer.exe stand-in (never done to a real machine). The few cases
# that need other surroundings (no display, another DPI) end there as not run with their reason,
# and are then run again where they have them.
set -euo pipefail
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
    echo "usage: scripts/run-test-bundle-under-wine.sh BUNDLE.zip" >&2
    exit 2
fi
bundle_zip=$(realpath -- "$1")
cd "$(dirname "$0")/.."
build=build/windows
folder="$build/test-bundle"
rm -rf "$folder"
python3 -m zipfile -e "$bundle_zip" "$folder"
runner="$folder/run-tests.exe"

# A prefix of the bundle's, made on first use, with the explorer stand-in in its Windows folder.
prepare_prefix() {
    "$build/wine-run.sh" cmd /c exit 0
    local prefix="$build/$TARVEN_WINE_PREFIX_NAME"
    [ "${TARVEN_WINE_DISPLAY:-}" = 1 ] && prefix+=-x11
    [ -n "${TARVEN_WINE_DPI:-}" ] && prefix+=-dpi$TARVEN_WINE_DPI
    cp "$folder/tests/fixtures/explorer-standin/tarven-explorer-standin.exe" "$prefix/drive_c/windows/explorer.exe.new"
    mv -f "$prefix/drive_c/windows/explorer.exe.new" "$prefix/drive_c/windows/explorer.exe"
}

run_bundle() {
    prepare_prefix
    "$build/wine-run.sh" "$runner" "$@"
}

echo "--- every test: a display at 96 dpi"
TARVEN_WINE_PREFIX_NAME=wineprefix-bundle TARVEN_WINE_DISPLAY=1 run_bundle
echo "--- the cases that need no display"
TARVEN_WINE_PREFIX_NAME=wineprefix-bundle run_bundle -R 'HeadlessBrowserRun|help_window_no_display'
echo "--- the case at 144 dpi"
TARVEN_WINE_PREFIX_NAME=wineprefix-bundle TARVEN_WINE_DISPLAY=1 TARVEN_WINE_DPI=144 run_bundle -R 'dpi144'
