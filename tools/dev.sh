#!/usr/bin/env bash
# Set-up, build, run and test on a Debian or Ubuntu machine.
#   tools/dev.sh run    install what is missing, build, start the program
#   tools/dev.sh test   install what is missing, build, run every test headless
#   tools/dev.sh sanitize   the same tests in a second build under AddressSanitizer and UBSan
#   tools/dev.sh package    the Debian package (cpack), its files checked and the installed program started
#   tools/dev.sh windows    the Windows build: Qt and libjpeg for Windows built once into a cache
#                           folder, the program and its tests cross-built with MinGW, the tests run
#                           under Wine, the zip and the installer made and checked under Wine
#   tools/dev.sh fuzz   fuzz the config reader in a clang build of its own: a fixed random start and
#                       number of runs (BRACKWELL_FUZZ_RUNS) over the saved inputs, the same result every time;
#                       with BRACKWELL_FUZZ_SECONDS, a search for new inputs for that long. Fails on a
#                       crash, a broken promise or a sanitizer report
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BRACKWELL_BUILD_DIR:-$here/build}"

packages=(build-essential cmake qt6-base-dev qt6-base-dev-tools libgl-dev libjpeg-dev libbenchmark-dev
          fonts-liberation xvfb xauth xdotool appstream desktop-file-utils file ioquake3-server python3
          dbus at-spi2-core python3-pyatspi)

# The Windows build: MinGW, Wine, NSIS, the host Qt's tools and what builds Qt for Windows from
# Debian's sources (tools/windows/deps.sh).
windows_packages=(cmake ninja-build dpkg-dev qt6-base-dev qt6-base-dev-tools libgl-dev
                  g++-mingw-w64-x86-64-posix wine64 nsis xvfb xauth fonts-liberation fontconfig)
windows_qt=6.4.2
windows_jpeg=2.1.5

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    # Another run's apt may hold the lock: wait for it rather than fail.
    local wait=(-o DPkg::Lock::Timeout=600)
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get "${wait[@]}" update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get "${wait[@]}" install -y -q --no-install-recommends "${missing[@]}"
}

build() {
    local dir="$1"
    shift
    cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$dir" -j"$(nproc)"
}

# The game's own engine, ET: Legacy, as the tests' console judge of binds and variables: built once
# from its source beside the project (../shared/engines/etlegacy, never copied into it) into a
# cache folder, whose path goes to the build. Without that source the judge falls back to ioq3ded,
# which judges variables only, and the bind checks say they were skipped.
etlegacy_judge() {
    local source="$here/../shared/engines/etlegacy/build.sh"
    local cache="${XDG_CACHE_HOME:-$HOME/.cache}/brackwell-etlegacy"
    if [ ! -f "$source" ]; then
        echo "No ET: Legacy source at ../shared/engines/etlegacy: the console judge is ioq3ded, binds are not judged" >&2
        judge_flag="-DBRACKWELL_ETLEGACY="
        return 0
    fi
    local start=$(date +%s)
    bash "$source" "$cache"
    echo "ET: Legacy judge ready in $cache after $(( $(date +%s) - start )) s" >&2
    judge_flag="-DBRACKWELL_ETLEGACY=$cache"
}

case "${1:-}" in
    run)
        install_missing "${packages[@]}"
        build "$build"
        exec "$build/brackwell"
        ;;
    test)
        install_missing "${packages[@]}"
        etlegacy_judge
        build "$build" "$judge_flag"
        cd "$build"
        QT_QPA_PLATFORM=offscreen ctest --output-on-failure
        ;;
    sanitize)
        install_missing "${packages[@]}"
        etlegacy_judge
        flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
        build "$build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DBRACKWELL_BENCHMARKS=OFF "$judge_flag" \
            -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
        cd "$build-sanitize"
        QT_QPA_PLATFORM=offscreen \
            ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            LSAN_OPTIONS=suppressions="$here/tools/lsan.supp" \
            ctest --output-on-failure
        ;;
    package)
        install_missing "${packages[@]}"
        build "$build"
        rm -f "$build"/brackwell_*.deb
        (cd "$build" && cpack -G DEB)
        deb=$(echo "$build"/brackwell_*.deb)
        bash "$build/checkinstall.sh" deb "$deb"
        echo "$deb: $(stat -c %s "$deb") bytes"
        ;;
    windows)
        install_missing "${windows_packages[@]}"
        dir="$build-windows"
        cache="${XDG_CACHE_HOME:-$HOME/.cache}/brackwell-windows"
        start=$(date +%s)
        mkdir -p "$dir"
        bash "$here/tools/windows/deps.sh" "$cache" "$windows_qt" "$windows_jpeg" "$dir/windows-deps.new"
        echo "Qt and libjpeg for Windows ready after $(( $(date +%s) - start )) s"
        # Other prefixes than the last run's: the cached package folders would still point there.
        cmp -s "$dir/windows-deps.new" "$dir/windows-deps.txt" || rm -f "$dir/CMakeCache.txt"
        mv "$dir/windows-deps.new" "$dir/windows-deps.txt"
        mapfile -t deps_args < "$dir/windows-deps.txt"
        cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DCMAKE_TOOLCHAIN_FILE="$here/tools/windows/mingw-w64.cmake" "${deps_args[@]}" \
            -DBRACKWELL_BENCHMARKS=OFF \
            -DCMAKE_CROSSCOMPILING_EMULATOR="/bin/bash;$here/tools/windows/wine.sh;run;$dir"
        cmake --build "$dir" -j"$(nproc)"
        bash "$here/tools/windows/wine.sh" prefix "$dir"
        (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure)
        bash "$here/tools/windows/package.sh" "$dir"
        bash "$here/tools/windows/checkinstall.sh" "$dir"
        echo "Windows build, tests and packages done in $(( $(date +%s) - start )) s"
        ;;
    fuzz)
        install_missing "${packages[@]}" clang
        # The fuzzer's runtime comes in a package named after clang's major version.
        clang_major=$(clang++ -dumpversion | cut -d. -f1)
        install_missing "libclang-rt-$clang_major-dev"
        dir="$build-fuzz"
        flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
        cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
            -DBRACKWELL_BENCHMARKS=OFF -DBRACKWELL_FUZZ=ON \
            -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
        cmake --build "$dir" -j"$(nproc)" --target fuzz_configreader fuzz_corpus
        # The first inputs: the generator's scripts and players' configs, written afresh (the same
        # every time), and every input that ever broke something (tests/fuzz/corpus). What the
        # fuzzer finds goes into a folder of its own, so the saved ones are only read.
        rm -rf "$dir/corpus" "$dir/found" "$dir/crashes"
        mkdir -p "$dir/corpus" "$dir/found" "$dir/crashes"
        "$dir/tests/fuzz/fuzz_corpus" "$dir/corpus"
        # Paths relative to the build folder, so that no clone's path reaches the fuzzer.
        top=$(realpath --relative-to="$dir" "$here")
        cd "$dir"
        common=(-max_len=8192 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                -dict="$top/tests/fuzz/configreader.dict" -artifact_prefix=crashes/)
        vars=(QT_HASH_SEED=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
        if [ -n "${BRACKWELL_FUZZ_SECONDS:-}" ]; then
            # A search for new inputs: a new random start each run. Add what breaks to tests/fuzz/corpus.
            search=(-max_total_time="$BRACKWELL_FUZZ_SECONDS")
            run=(env "${vars[@]}")
        else
            # The same runs from the same inputs every time, so a commit's result never depends on
            # luck or on the machine: no re-reading of the folder it writes to while it runs, which
            # goes by the clock; no mutations from the values of recent comparisons, which hold
            # addresses; and, where the system allows it, no address randomization and a fixed
            # environment, as the depth of the stack counts too.
            search=(-seed=20261208 -runs="${BRACKWELL_FUZZ_RUNS:-5000}" -reload=0 -use_cmp=0)
            run=(env -i PATH=/usr/bin:/bin LANG=C.UTF-8 "${vars[@]}")
            if setarch "$(uname -m)" -R true 2>/dev/null; then
                run+=(setarch "$(uname -m)" -R)
            else
                echo "Address randomization stays on: the fixed run may differ between machines." >&2
            fi
        fi
        # libFuzzer orders its first inputs by size alone, and those of one size in the order the
        # file system lists them, which differs between clones: hand it the files sorted by name.
        LC_ALL=C ls -d "$top"/tests/fuzz/corpus/* corpus/* | paste -sd, - > first-inputs.txt
        "${run[@]}" ./tests/fuzz/fuzz_configreader "${search[@]}" "${common[@]}" -seed_inputs=@first-inputs.txt found
        ;;
    *)
        echo "usage: $0 run|test|sanitize|package|windows|fuzz" >&2
        exit 2
        ;;
esac
