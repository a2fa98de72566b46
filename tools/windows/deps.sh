#!/usr/bin/env bash
# Qt and libjpeg-turbo for Windows, built once from Debian's own sources into a cache folder; later
# runs find the installed prefixes and return at once.
#   tools/windows/deps.sh CACHE_DIR QT_VERSION JPEG_VERSION ARGS_FILE
# installs into CACHE_DIR/qt-QT_VERSION-HASH and CACHE_DIR/libjpeg-turbo-JPEG_VERSION-HASH, where
# HASH is taken over everything that shapes that build (versions, configure flags, the toolchain
# file, the compilers' and the host Qt's versions), so a change to any of them builds into a new
# folder. Writes to ARGS_FILE the CMake arguments, one a line, that point a build at them.
# A prefix counts only once its stamp .done is written, at the end of its build; a run that finds
# none takes the cache's lock (a second run waits, then finds the first one's stamp), clears what
# a run cut short left behind, and builds from a fresh build folder.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cache="$1"
qt_version="$2"
jpeg_version="$3"
args_file="$4"
toolchain="$here/mingw-w64.cmake"
jobs="${BRACKWELL_JOBS:-$(nproc)}"
# A prefix of another hash that no run has used for this many days is removed.
keep_days=30

# The cross build runs the host Qt's tools (moc, uic, rcc), which must be of the same version.
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
case "$host_qt" in
    "$qt_version"+*|"$qt_version"-*) ;;
    *) echo "the host's Qt is $host_qt, the Windows build needs $qt_version" >&2; exit 1 ;;
esac
# Where the host Qt is, as it tells itself.
host_prefix=$(qtpaths6 --query QT_HOST_PREFIX)
host_cmake_dir="$(qtpaths6 --query QT_HOST_LIBS)/cmake"
[ -d "$host_cmake_dir/Qt6" ] || { echo "no Qt6 CMake files in $host_cmake_dir" >&2; exit 1; }

jpeg_flags=(-DCMAKE_BUILD_TYPE=Release -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DENABLE_SHARED=OFF
            -DENABLE_STATIC=ON -Wno-dev)
# Only what Brackwell uses: Core, Gui, Widgets, Test and the windows and offscreen platforms; no
# picture plugins, the program reads its JPEG pictures with libjpeg. Debian's tarball leaves out the
# Wintab headers, hence no tablet events.
qt_flags=(-DCMAKE_BUILD_TYPE=Release
          -DQT_HOST_PATH="$host_prefix" -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir"
          -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
          -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
          -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
          -DFEATURE_tabletevent=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
          -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_gui=ON)

# The version of the Debian package that holds a file, where dpkg knows it.
package_version() {
    local file package
    file=$(readlink -f "$1")
    package=$(dpkg-query -S "$file" 2>/dev/null | head -n 1 | cut -d: -f1) || true
    [ -n "$package" ] && dpkg-query -W -f='${Package} ${Version}\n' "$package" 2>/dev/null || true
}

# The toolchain file without its comments, and each compiler it names with its version.
toolchain_inputs() {
    sed -e 's/#.*//' -e 's/[[:space:]]*$//' -e '/^$/d' "$toolchain"
    local tool path
    for tool in $(sed -n 's/^set(CMAKE_\(C\|CXX\|RC\)_COMPILER[[:space:]]\+\([^)[:space:]]*\))/\2/p' "$toolchain"); do
        path=$(command -v "$tool") || { echo "$tool, which $toolchain names, is not installed" >&2; exit 1; }
        "$path" --version 2>/dev/null | head -n 1
        package_version "$path"
    done
    # The headers and runtime the compilers build against.
    local sysroot
    sysroot=$(sed -n 's/^set(CMAKE_FIND_ROOT_PATH[[:space:]]\+\([^)[:space:]]*\).*/\1/p' "$toolchain")
    local file
    for file in "$sysroot/include/windows.h" "$sysroot/lib/libkernel32.a"; do
        [ -f "$file" ] && package_version "$file"
    done
    return 0
}
toolchain_text=$(toolchain_inputs)

jpeg_inputs=$(printf '%s\n' "libjpeg-turbo $jpeg_version" "${jpeg_flags[@]}" "$toolchain_text")
qt_inputs=$(printf '%s\n' "qtbase $qt_version" "host Qt $host_qt" "${qt_flags[@]}" "$toolchain_text")
hash_of() { sha256sum <<< "$1" | cut -c1-12; }
jpeg="$cache/libjpeg-turbo-$jpeg_version-$(hash_of "$jpeg_inputs")"
qt="$cache/qt-$qt_version-$(hash_of "$qt_inputs")"

src="$cache/src"
builds="$cache/build"
logs="$cache/logs"

# Debian's source packages through a private apt configuration, so the machine's own apt sources
# stay as they are. Its package lists are renewed once a day, and at once when a fetch fails (Debian
# may have replaced the version the lists name).
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
    update() { rm -f "$apt/updated"; apt-get "${opts[@]}" update && touch "$apt/updated"; }
    download() {
        rm -rf "$src/download" && mkdir -p "$src/download"
        (cd "$src/download" && apt-get "${opts[@]}" source --download-only "$package")
    }
    [ -n "$(find "$apt/updated" -mmin -1440 2>/dev/null)" ] || update
    download || { echo "fetching $package failed; renewing the package lists and trying again" >&2; update; download; }
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
        echo "the build failed; the end of $log:" >&2
        tail -n 40 "$log" >&2
        return 1
    fi
}

# Configures, builds and installs one library from SOURCE into PREFIX, then writes its stamp.
build_into() {
    local prefix="$1" source="$2" inputs="$3"
    shift 3
    local name build
    name=$(basename "$prefix")
    build="$builds/$name"
    rm -rf "$prefix" "$build"
    mkdir -p "$logs"
    cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
        "$@" > "$logs/$name-configure.log" 2>&1 ||
        { echo "configuring $name failed; the end of $logs/$name-configure.log:" >&2
          tail -n 60 "$logs/$name-configure.log" >&2; exit 1; }
    build_logged "$logs/$name-build.log" cmake --build "$build" -j"$jobs"
    cmake --install "$build" > "$logs/$name-install.log" 2>&1 ||
        { tail -n 40 "$logs/$name-install.log" >&2; exit 1; }
    rm -rf "$build"
    printf '%s\n' "$inputs" > "$prefix/.done"
}

# Under the lock no other run is building: every build folder and every prefix without its stamp
# is what a run cut short left behind. Prefixes of other hashes stay while they are in use.
tidy() {
    rm -rf "$builds" "$src"/*-build "$src"/*.tmp "$src/download"
    local prefix
    for prefix in "$cache"/qt-* "$cache"/libjpeg-turbo-*; do
        [ -d "$prefix" ] || continue
        [ "$prefix" = "$qt" ] || [ "$prefix" = "$jpeg" ] && continue
        if [ ! -f "$prefix/.done" ] || [ -z "$(find "$prefix/.done" "$prefix/.used" -mtime -"$keep_days" 2>/dev/null)" ]; then
            echo "removing $prefix (unfinished, or unused for $keep_days days)"
            rm -rf "$prefix"
        fi
    done
}

mkdir -p "$cache"
if [ ! -f "$jpeg/.done" ] || [ ! -f "$qt/.done" ]; then
    exec 9> "$cache/lock"
    if ! flock -n 9; then
        echo "another run is building into $cache; waiting for it"
        flock 9
    fi
    tidy
    if [ ! -f "$jpeg/.done" ]; then
        echo "libjpeg-turbo for Windows: fetching and building into $jpeg"
        fetch libjpeg-turbo "$jpeg_version" "libjpeg-turbo-$jpeg_version"
        build_into "$jpeg" "$src/libjpeg-turbo-$jpeg_version" "$jpeg_inputs" "${jpeg_flags[@]}"
    fi
    if [ ! -f "$qt/.done" ]; then
        echo "Qt for Windows: fetching and building into $qt (the first time takes 30-60 minutes)"
        fetch qt6-base "$qt_version" "qtbase-$qt_version"
        start=$(date +%s)
        build_into "$qt" "$src/qtbase-$qt_version" "$qt_inputs" "${qt_flags[@]}"
        echo "Qt for Windows built in $(( $(date +%s) - start )) s"
    fi
    exec 9>&-
fi
# Marks the prefixes as in use, so that no other run's tidying takes them.
touch "$jpeg/.used" "$qt/.used"

printf '%s\n' "-DCMAKE_PREFIX_PATH=$qt;$jpeg" "-DQT_HOST_PATH=$host_prefix" \
    "-DQT_HOST_PATH_CMAKE_DIR=$host_cmake_dir" > "$args_file"
