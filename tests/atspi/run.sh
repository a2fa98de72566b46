#!/usr/bin/env bash
# The real program heard over AT-SPI, as a screen reader hears it: a private D-Bus session, the
# accessibility bus of at-spi2-core, a virtual X server, and pyatspi listening to the events a
# reader speaks on. Exits 77 (skipped) where one of them is missing.
#   run.sh PROGRAM
set -euo pipefail
program="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

skip() { echo "SKIP: $*" >&2; exit 77; }
command -v dbus-run-session >/dev/null || skip "dbus-run-session not found (Debian package dbus)"
command -v xvfb-run >/dev/null || skip "xvfb-run not found (Debian package xvfb)"
command -v xdotool >/dev/null || skip "xdotool not found"
launcher=""
for candidate in /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher; do
    [ -x "$candidate" ] && launcher="$candidate" && break
done
[ -n "$launcher" ] || skip "at-spi-bus-launcher not found (Debian package at-spi2-core)"
# pyatspi is the system Python's (python3-pyatspi), whatever python3 comes first on the PATH.
python=/usr/bin/python3
[ -x "$python" ] || python=python3
"$python" -c 'import pyatspi' 2>/dev/null || skip "pyatspi not found (Debian package python3-pyatspi)"

# A home of its own: the program keeps its recent files there.
home="$(mktemp -d)"
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$python" "$here/heard.py" "$program" "$launcher"
