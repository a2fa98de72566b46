#!/usr/bin/env bash
# The installer and the installed program under Wine (tools/dev.sh windows runs this after
# tools/windows/package.sh):
#   tools/windows/checkinstall.sh BUILD
# Installs silently, checks the installed files, the Start menu entry and that .cfg files are
# offered Brackwell under "Open with" without it becoming their default program,
# asks the installed brackwell.exe for --version and --help, opens a config with a non-ASCII path
# on its command line and saves it with the one-click save (offscreen), also on code pages 65001
# and 932 with bytes those cannot read, takes a screenshot of the
# main window drawn by the windows platform on a virtual X server, uninstalls silently while
# the program runs (the uninstaller must wait for it to end, then remove everything) and checks
# that nothing is left but the player's configs. The program is driven from inside by the test
# plugin tests/install/driver, which the build puts in BUILD/plugins.
set -Eeuo pipefail # -E: the failure trap below also for failures inside functions
export LC_COLLATE=C # one order for the file lists compared below

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="$(cd "$1" && pwd)"
version=$(cat "$build/version.txt")
name="brackwell-$version-win64"
drive="$build/wine/prefix/drive_c"
user="$drive/users/Zoë"
installed="$user/AppData/Local/Programs/Brackwell"
winuser='C:\users\Zoë'
check="$build/check"
rm -rf "$check"
mkdir -p "$check"

# Each step's messages, Wine's among them, go to a log of its own, which a failure prints.
log="$check/start.log"
step() {
    echo "$1"
    log="$check/$2.log"
    : > "$log"
}
fail() {
    echo "FAIL: $*" >&2
    if [ -s "$log" ]; then
        echo "--- the end of $log:" >&2
        tail -n 60 "$log" >&2
    fi
    exit 1
}
trap 'fail "line $LINENO: $BASH_COMMAND"' ERR
# WINE_LOCALE: the locale Wine takes the system's character set from, for one program.
wine() { env ${WINE_LOCALE:+LC_ALL="$WINE_LOCALE"} bash "$here/tools/windows/wine.sh" run "$build" "$@" 2>> "$log"; }
# Until every program in the prefix has ended: an installer or uninstaller goes on in a copy of
# itself, and Wine's own programs (the desktop, services) outlive the program that started them.
settle() { bash "$here/tools/windows/wine.sh" wait "$build" 2>> "$log"; }
# Every file and folder on the drive, but the temporary folders (where the uninstaller runs a copy
# of itself, which the system deletes at the next start) and Windows' own folder.
tree() {
    (cd "$drive" && find . \( -path './users/Zoë/AppData/Local/Temp' -o -path './users/Zoë/Temp' \
                             -o -path './windows' \) -prune -o -print | sort)
}
# A registry key's values, or a failure where there is no such key.
registry() {
    local values
    values=$(wine reg query "$1") || return 1
    tr -d '\r' <<< "$values"
}
driven() {
    QT_PLUGIN_PATH="Z:${build//\//\\}\\plugins" QT_QPA_GENERIC_PLUGINS="brackwelldriver:$1" \
        wine "$installed/brackwell.exe" "${@:2}"
}

step "the prefix before the installation" before
settle
tree > "$check/before.txt"
! registry 'HKCU\Software\Classes\.cfg' > /dev/null || fail ".cfg has a program before the installation"

step "installing brackwell-$version-setup.exe silently" install
wine "$build/brackwell-$version-setup.exe" /S
settle
(cd "$build/$name" && find . | sort) > "$check/packaged.txt"
(cd "$installed" && find . ! -name uninstall.exe | sort) > "$check/installed.txt"
diff -u "$check/packaged.txt" "$check/installed.txt" || fail "the installation differs from the package"
[ -f "$installed/uninstall.exe" ] || fail "no uninstaller"
[ -f "$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Brackwell.lnk" ] || fail "no Start menu entry"
registry 'HKCU\Software\Classes\Brackwell.Config\shell\open\command' | grep -qF 'brackwell.exe" "%1"' ||
    fail ".cfg files do not open with Brackwell"
registry 'HKCU\Software\Classes\.cfg\OpenWithProgids' | grep -q 'Brackwell.Config' || fail "Brackwell is not offered for .cfg"
registry 'HKCU\Software\Classes\Applications\brackwell.exe\shell\open\command' | grep -qF 'brackwell.exe" "%1"' ||
    fail "no Open with entry for brackwell.exe"
registry 'HKCU\Software\Classes\Applications\brackwell.exe\SupportedTypes' | grep -q '\.cfg' ||
    fail "brackwell.exe does not name .cfg among its types"
# No value of the .cfg key itself: the default program stays the player's choice.
! registry 'HKCU\Software\Classes\.cfg' | grep -q 'REG_' || fail "the installer made Brackwell the default for .cfg"
registry 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brackwell' | grep -q 'QuietUninstallString' ||
    fail "no entry among the installed programs"

step "the installed program answers on the command line" options
[ "$(wine "$installed/brackwell.exe" --version | tr -d '\r')" = "Brackwell $version" ] || fail "--version"
wine "$installed/brackwell.exe" --help > "$check/help.txt"
grep -q '^Usage: ' "$check/help.txt" || fail "--help printed: $(cat "$check/help.txt")"

step "opening a config on the command line and saving it with the one-click save" save
configs="$user/Documents/Zoë's configs"
mkdir -p "$configs" "$user/Documents/ETLegacy/etmain"
printf 'seta name "Zo\xeb"\r\nseta r_gamma "1.3"\r\nbind F7 "say hello"\r\n' > "$configs/mine.cfg"
QT_QPA_PLATFORM=offscreen driven save "$winuser\\Documents\\Zoë's configs\\mine.cfg" > "$check/save.txt"
tr -d '\r' < "$check/save.txt" | grep -qx 'box: Config File Saved' || fail "one-click save: $(cat "$check/save.txt")"
cmp "$configs/mine.cfg" "$user/Documents/ETLegacy/etmain/autoexec.cfg" || fail "the saved file is not the opened one"

# The same on systems whose character set is UTF-8 (code page 65001) or takes two bytes for some
# characters (932, Japanese), which Wine takes from the locale: bytes these cannot read must come
# back as they were.
printf 'seta name "J\xe9r\xf4me"\r\n// caf\xe9 \x81\x8d\r\nseta r_gamma "1.3"\r\nbind F7 "say \xff\xfe"\r\n' \
    > "$configs/odd bytes.cfg"
for locale in hi_IN.UTF-8:65001 ja_JP.UTF-8:932; do
    step "the same on code page ${locale#*:}" "save-${locale#*:}"
    # No earlier save's file in the way: over another file than the one open, the save would ask.
    rm -f "$user/Documents/ETLegacy/etmain/autoexec.cfg" "$user/Documents/ETLegacy/etmain/autoexec.cfg.bak"
    WINE_LOCALE="${locale%:*}" QT_QPA_PLATFORM=offscreen driven save "$winuser\\Documents\\Zoë's configs\\odd bytes.cfg" \
        > "$check/save-${locale#*:}.txt"
    tr -d '\r' < "$check/save-${locale#*:}.txt" | grep -qx 'box: Config File Saved' ||
        fail "one-click save on code page ${locale#*:}: $(cat "$check/save-${locale#*:}.txt")"
    cmp "$configs/odd bytes.cfg" "$user/Documents/ETLegacy/etmain/autoexec.cfg" ||
        fail "code page ${locale#*:} changed bytes of the opened file"
done

step "a screenshot of the main window on the windows platform" screenshot
settle
# A virtual X server on a display number it picks itself (-displayfd), so that no other X server,
# another run's among them, can take the number between the choice and the start.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$check/display" >> "$log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2> /dev/null || true' EXIT
for _ in $(seq 100); do
    [ -s "$check/display" ] || ! kill -0 "$xvfb" 2> /dev/null && break
    sleep 0.2
done
[ -s "$check/display" ] || fail "the virtual X server did not start"
DISPLAY=":$(head -n 1 "$check/display")" QT_QPA_PLATFORM=windows \
    QT_PLUGIN_PATH="Z:${build//\//\\}\\plugins" \
    QT_QPA_GENERIC_PLUGINS="brackwelldriver:screenshot:Z:${build//\//\\}\\brackwell-windows.png" \
    wine "$installed/brackwell.exe" > "$check/screenshot.txt"
# Wine's desktop process holds on to the display: it ends before the X server does.
settle
kill "$xvfb" 2> /dev/null || true
wait "$xvfb" || true
trap - EXIT
grep -q '^screenshot: [0-9]' "$check/screenshot.txt" || fail "screenshot: $(cat "$check/screenshot.txt")"
[ "$(stat -c %s "$build/brackwell-windows.png")" -gt 20000 ] || fail "the screenshot is blank"

step "uninstalling silently while the program runs" uninstall
# The program runs until the file "close" appears.
rm -f "$check/close"
QT_QPA_PLATFORM=offscreen driven "stay:Z:${check//\//\\}\\close" > "$check/running.txt" &
running=$!
for _ in $(seq 300); do
    grep -q '^driver: running' "$check/running.txt" || ! kill -0 "$running" 2> /dev/null && break
    sleep 0.2
done
grep -q '^driver: running' "$check/running.txt" || fail "the program did not start: $(cat "$check/running.txt")"
# The uninstaller goes on in a copy of itself, which must wait for the program and remove nothing yet.
wine "$installed/uninstall.exe" /S
sleep 8
(cd "$installed" && find . ! -name uninstall.exe | sort) > "$check/while-running.txt"
diff -u "$check/installed.txt" "$check/while-running.txt" || fail "the uninstaller removed files while the program ran"
: > "$check/close"
wait "$running" || fail "the program ended with $?: $(cat "$check/running.txt")"
settle
tree > "$check/after.txt"
# Left behind: the player's configs and the folders that hold them, nothing else.
diff "$check/before.txt" "$check/after.txt" | sed -n 's/^> //p' > "$check/left.txt" || true
cat > "$check/expected.txt" <<LEFT
./users/Zoë/Documents/ETLegacy
./users/Zoë/Documents/ETLegacy/etmain
./users/Zoë/Documents/ETLegacy/etmain/autoexec.cfg
./users/Zoë/Documents/Zoë's configs
./users/Zoë/Documents/Zoë's configs/mine.cfg
./users/Zoë/Documents/Zoë's configs/odd bytes.cfg
LEFT
diff -u "$check/expected.txt" "$check/left.txt" || fail "the uninstaller left more than the player's configs"
diff "$check/before.txt" "$check/after.txt" | grep -q '^<' && fail "the uninstaller removed files it did not install"
for key in 'HKCU\Software\Classes\Brackwell.Config' 'HKCU\Software\Classes\Applications\brackwell.exe' \
           'HKCU\Software\Classes\.cfg' 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brackwell' \
           'HKCU\Software\Brackwell'; do
    ! registry "$key" > /dev/null || fail "$key is left in the registry"
done
echo "installer checked: installed, run, saved, drawn, uninstalled"
