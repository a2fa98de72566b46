#!/usr/bin/env bash
# Set-up, build, run and test on a Debian or Ubuntu machine.
#   tools/dev.sh run    install what is missing, build, start the program
#   tools/dev.sh test   install what is missing, build, run every test headless
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BRACKWELL_BUILD_DIR:-$here/build}"

packages=(build-essential cmake qt6-base-dev qt6-base-dev-tools libgl-dev libjpeg-dev libbenchmark-dev
          fonts-liberation)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$build" -j"$(nproc)"
}

case "${1:-}" in
    run)
        install_missing
        build
        exec "$build/brackwell"
        ;;
    test)
        install_missing
        build
        cd "$build"
        QT_QPA_PLATFORM=offscreen ctest --output-on-failure
        ;;
    *)
        echo "usage: $0 run|test" >&2
        exit 2
        ;;
esac
