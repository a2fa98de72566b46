#!/usr/bin/env bash
# Windows programs of the Windows build under Wine, in a prefix of the build's own.
#   tools/windows/wine.sh prefix BUILD          a fresh prefix, prepared as a player's Windows (below)
#   tools/windows/wine.sh run BUILD PROGRAM ARGS...   runs PROGRAM with the build's DLL folders on
#                                                     the path (the tests' emulator)
#   tools/windows/wine.sh wait BUILD            waits until every program in the prefix has ended
# The prefix lives in BUILD/wine, the user being "Zoë", so every path through the user's folders
# holds a character outside ASCII. Programs run with the rights of a user without administrator
# rights: when this script runs as root, the capabilities that let root write anywhere are dropped,
# so a read-only file or folder refuses as it does on Windows.
set -euo pipefail

# Wine's programs on the path, or where the wine64 package put them (Debian's keeps them off the
# path unless the wine package is installed too).
wine_program() {
    local name path listing
    for name in "$@"; do
        path=$(command -v "$name") && { echo "$path"; return; }
        listing=$(dpkg-query -L wine64 libwine 2>/dev/null || true)
        path=$(grep -m 1 "/$name\$" <<< "$listing") && [ -x "$path" ] && { echo "$path"; return; }
    done
    echo "no Wine program $1: install wine64" >&2
    exit 1
}
wine_bin=$(wine_program wine64 wine)
wineserver_bin=$(wine_program wineserver)

command="$1"
build="$(cd "$2" && pwd)"
shift 2

export WINEPREFIX="$build/wine/prefix"
export HOME="$build/wine/home"
export USER="Zoë" LOGNAME="Zoë"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko: nothing here needs .NET or a web view, and asking for them would stop the set-up.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Qt writes test results and warnings to the debugger's log unless it sees a console; to the
# terminal here.
export QT_FORCE_STDERR_LOGGING=1
# Qt's offscreen platform on Windows reads fonts from a folder rather than from the system.
if [ -z "${QT_QPA_FONTDIR:-}" ]; then
    fonts=$(dirname "$(fc-match -f '%{file}' 'Liberation Sans')")
    export QT_QPA_FONTDIR="Z:${fonts//\//\\}"
fi
# Wine keeps the host's QT_ variables from Windows programs (they are meant for Linux's Qt) and
# hands on WINEQT_ ones under their QT_ name.
for variable in $(compgen -e); do
    [[ "$variable" == QT_* ]] && export "WINE$variable=${!variable}"
done
# The Qt and MinGW DLLs, as Windows paths on the drive Z: that Wine maps to "/".
winepath=""
if [ -f "$build/dll-folders.txt" ]; then
    while IFS= read -r folder; do
        [ -n "$folder" ] && winepath="${winepath:+$winepath;}Z:${folder//\//\\}"
    done < "$build/dll-folders.txt"
fi
export WINEPATH="$winepath"

as_user() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --bounding-set=-dac_override,-dac_read_search,-fowner,-linux_immutable "$@"
    else
        "$@"
    fi
}

case "$command" in
    prefix)
        if [ -d "$build/wine" ]; then
            chmod -R u+w "$build/wine"
            rm -rf "$build/wine"
        fi
        mkdir -p "$HOME"
        as_user "$wine_bin" wineboot --init > /dev/null 2>&1
        # Wine links the user's Documents and the like to the Unix home folder; Windows has
        # folders of their own.
        for link in "$WINEPREFIX/drive_c/users/$USER"/*; do
            if [ -L "$link" ]; then
                rm "$link"
                mkdir "$link"
            fi
        done
        # Where Windows installs programs for one user; Wine has no such folder.
        mkdir -p "$WINEPREFIX/drive_c/users/$USER/AppData/Local/Programs"
        # Wine has no Arial, Tahoma or the program's "MS Sans Serif" and "Lucida Console"; without
        # the metric-compatible Liberation fonts in their place, captions are drawn wider and cut.
        cat > "$build/wine/fonts.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Arial"="Liberation Sans"
"Tahoma"="Liberation Sans"
"Microsoft Sans Serif"="Liberation Sans"
"MS Sans Serif"="Liberation Sans Narrow"
"Segoe UI"="Liberation Sans"
"Times New Roman"="Liberation Serif"
"Courier New"="Liberation Mono"
"Lucida Console"="Liberation Mono"
REG
        as_user "$wine_bin" regedit /S 'Z:'"${build//\//\\}"'\wine\fonts.reg' > /dev/null 2>&1
        # A player's Windows: the program folders are read-only for the user; the original game
        # was installed by an administrator below Program Files (x86), so its folder and the
        # config in it are read-only too; an older installation below Program Files was given to
        # the user, who may write into it.
        drive="$WINEPREFIX/drive_c"
        game="Wolfenstein - Enemy Territory"
        mkdir -p "$drive/Program Files/$game" "$drive/Program Files (x86)/$game/etmain"
        printf 'seta name "installed with the game"\r\n' > "$drive/Program Files (x86)/$game/etmain/autoexec.cfg"
        chmod -R a-w "$drive/Program Files (x86)/$game"
        chmod a-w "$drive/Program Files" "$drive/Program Files (x86)"
        as_user "$wineserver_bin" --wait
        ;;
    run)
        as_user "$wine_bin" "$@"
        ;;
    wait)
        # Until every program in the prefix has ended (an uninstaller goes on in a copy of itself).
        as_user "$wineserver_bin" --wait
        ;;
    *)
        echo "usage: $0 prefix|run|wait BUILD ..." >&2
        exit 2
        ;;
esac
