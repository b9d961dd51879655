#!/usr/bin/env bash
# Takes the pictures under docs/screenshots/ again: the desktop window, offscreen, runs
# docs/screenshots/screenshots.console in a fresh prefix made by tavrosk-init.
#
#   tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
prefix=$(mktemp -d /tmp/tavrosk-screenshots-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
export TAVROSK_PREFIX=$prefix QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export PATH="$build/vendor:$PATH" # the snap-in loads morvane.dll by its bare name
"$build/bin/tavrosk-init" >/dev/null
cd docs/screenshots
"$build/bin/tavrosk-console" --desktop --script screenshots.console >/dev/null
ls -1 *.png
