#!/usr/bin/env bash
# The Windows packages from a Windows build (tools/dev.sh windows runs this):
#   tools/windows/package.sh BUILD
# BUILD/brackwell-<version>-win64.zip, the installed tree in a folder of that name, and
# BUILD/brackwell-<version>-setup.exe, made with NSIS. Before either is made, every DLL that a
# program or library in the tree imports must be in the tree or be one of Windows' own (as the
# Wine prefix in BUILD/wine has them, or an API set of the system's loader).
set -euo pipefail
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "$1" && pwd)"
version=$(cat "$build/version.txt")
name="brackwell-$version-win64"
stage="$build/stage"

rm -rf "$stage" "$build/$name" "$build/$name.zip" "$build/brackwell-$version-setup.exe"
cmake --install "$build" --prefix "$stage" --strip > "$build/install.log" || { cat "$build/install.log" >&2; exit 1; }
mv "$stage/bin" "$build/$name"
rm -rf "$stage"
# The runtime DLLs come with their symbol tables, which Windows does not use; the exports stay.
find "$build/$name" -type f \( -iname '*.exe' -o -iname '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

# Imports, case-insensitively, against the tree and the system folder of the prefix.
system32="$build/wine/prefix/drive_c/windows/system32"
[ -d "$system32" ] || { echo "no Wine prefix in $build/wine: run tools/windows/wine.sh prefix first" >&2; exit 1; }
missing=0
while IFS= read -r -d '' binary; do
    while read -r dll; do
        lower=${dll,,}
        # API sets name parts of the system that its loader maps to its own DLLs.
        [[ "$lower" == api-ms-win-* || "$lower" == ext-ms-* ]] && continue
        if [ -z "$(find "$build/$name" "$system32" -maxdepth 1 -iname "$lower" -print -quit)" ]; then
            echo "${binary#"$build/"} needs $dll, which is neither in the package nor in Windows" >&2
            missing=1
        fi
    done < <(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$build/$name" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)
[ "$missing" -eq 0 ]

(cd "$build" && cmake -E tar cf "$name.zip" --format=zip "$name")

# The uninstaller removes what was installed, deepest first, and no more.
list="$build/uninstall.nsh"
(
    cd "$build/$name"
    find . -type f | sed 's|^\./||' | sort | while read -r file; do printf 'Delete "$INSTDIR\\%s"\n' "${file//\//\\}"; done
    find . -mindepth 1 -type d | sed 's|^\./||' | sort -r | while read -r dir; do printf 'RMDir "$INSTDIR\\%s"\n' "${dir//\//\\}"; done
) > "$list"
makensis -V2 -DVERSION="$version" -DFILES="$build/$name" -DOUTFILE="$build/brackwell-$version-setup.exe" \
    -DICON="$here/src/app/windows/brackwell.ico" -DUNINSTALL_LIST="$list" "$here/tools/windows/installer.nsi"

for package in "$build/$name.zip" "$build/brackwell-$version-setup.exe"; do
    echo "$package: $(stat -c %s "$package") bytes"
done
