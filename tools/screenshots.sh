#!/usr/bin/env bash
# Takes the pictures in docs/ from the real program on a virtual X server.
# Run after a build (tools/dev.sh test or run): tools/screenshots.sh [build folder]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build}"
mkdir -p "$here/docs"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/tools/screenshots" "$build/brackwell" "$here/docs"
