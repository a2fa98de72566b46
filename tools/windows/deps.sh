#!/usr/bin/env bash
# Qt and libjpeg-turbo for Windows, built once from Debian's own sources into a cache folder named by
# their versions; later runs find the installed prefixes and return at once.
#   tools/windows/deps.sh CACHE_DIR QT_VERSION JPEG_VERSION
# installs into CACHE_DIR/qt-QT_VERSION and CACHE_DIR/libjpeg-turbo-JPEG_VERSION.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cache="$1"
qt_version="$2"
jpeg_version="$3"
qt="$cache/qt-$qt_version"
jpeg="$cache/libjpeg-turbo-$jpeg_version"
toolchain="$here/mingw-w64.cmake"
jobs="${BRACKWELL_JOBS:-$(nproc)}"

# The cross build runs the host Qt's tools (moc, uic, rcc), which must be of the same version.
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
case "$host_qt" in
    "$qt_version"+*|"$qt_version"-*) ;;
    *) echo "the host's Qt is $host_qt, the Windows build needs $qt_version" >&2; exit 1 ;;
esac

src="$cache/src"
mkdir -p "$src"

# Debian's source packages through a private apt configuration, so the machine's own apt sources
# stay as they are.
fetch() {
    local package="$1" want="$2" dir="$3"
    [ -d "$src/$dir" ] && return 0
    local apt="$src/apt"
    mkdir -p "$apt/sources" "$apt/lists/partial" "$apt/cache/archives/partial"
    cat > "$apt/sources/debian-src.sources" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    local opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources"
                -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o APT::Sandbox::User=root -q)
    [ -f "$apt/updated" ] || { apt-get "${opts[@]}" update; touch "$apt/updated"; }
    rm -rf "$src/download" && mkdir -p "$src/download"
    (cd "$src/download" && apt-get "${opts[@]}" source --download-only "$package")
    local version
    version=$(sed -n 's/^Version: \(.*:\)\?//p' "$src/download"/*.dsc)
    case "$version" in
        "$want"+*|"$want"-*) ;;
        *) echo "Debian's $package source is $version, not $want" >&2; exit 1 ;;
    esac
    rm -rf "$src/$dir.tmp"
    (cd "$src/download" && dpkg-source --no-check -x ./*.dsc "$src/$dir.tmp")
    mv "$src/$dir.tmp" "$src/$dir"
    rm -rf "$src/download"
}

# Ninja's steps go to a log; one line every 50 steps and the log's end on failure.
build_logged() {
    local log="$1"
    shift
    if ! "$@" 2>&1 | tee "$log" | awk '/^\[[0-9]+\/[0-9]+\]/ { gsub(/[][]/, "", $1); split($1, n, "/");
            if (n[1] % 50 == 0 || n[1] == n[2]) { print "  step " n[1] " of " n[2]; fflush() } }'
    then
        tail -n 40 "$log" >&2
        return 1
    fi
}

if [ ! -f "$jpeg/.done" ]; then
    echo "libjpeg-turbo for Windows: fetching and building into $jpeg"
    fetch libjpeg-turbo "$jpeg_version" "libjpeg-turbo-$jpeg_version"
    rm -rf "$jpeg" "$src/libjpeg-turbo-build"
    cmake -S "$src/libjpeg-turbo-$jpeg_version" -B "$src/libjpeg-turbo-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$jpeg" -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -Wno-dev > "$src/libjpeg-turbo-configure.log" 2>&1 ||
        { tail -n 40 "$src/libjpeg-turbo-configure.log" >&2; exit 1; }
    build_logged "$src/libjpeg-turbo-build.log" cmake --build "$src/libjpeg-turbo-build" -j"$jobs"
    cmake --install "$src/libjpeg-turbo-build" > /dev/null
    touch "$jpeg/.done"
fi

if [ ! -f "$qt/.done" ]; then
    echo "Qt for Windows: fetching and building into $qt (the first time takes 20-40 minutes)"
    fetch qt6-base "$qt_version" "qtbase-$qt_version"
    # A build cut short goes on where it stopped.
    rm -rf "$qt"
    start=$(date +%s)
    # Only what Brackwell uses: Core, Gui, Widgets, Test and the windows and offscreen platforms;
    # no picture plugins, the program reads its JPEG pictures with libjpeg. Debian's tarball leaves
    # out the Wintab headers, hence no tablet events.
    cmake -S "$src/qtbase-$qt_version" -B "$src/qtbase-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$qt" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF \
        -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_gui=ON \
        > "$src/qtbase-configure.log" 2>&1 || { tail -n 60 "$src/qtbase-configure.log" >&2; exit 1; }
    build_logged "$src/qtbase-build.log" cmake --build "$src/qtbase-build" -j"$jobs"
    cmake --install "$src/qtbase-build" > /dev/null
    touch "$qt/.done"
    echo "Qt for Windows built in $(( $(date +%s) - start )) s"
fi
