#!/usr/bin/env bash
# The installer and the installed program under Wine (tools/dev.sh windows runs this after
# tools/windows/package.sh):
#   tools/windows/checkinstall.sh BUILD
# Installs silently, checks the installed files, the Start menu entry and the .cfg association,
# asks the installed brackwell.exe for --version and --help, opens a config with a non-ASCII path
# on its command line and saves it with the one-click save (offscreen), also on code pages 65001
# and 932 with bytes those cannot read, takes a screenshot of the
# main window drawn by the windows platform on a virtual X server, uninstalls silently and checks
# that nothing is left but the player's configs. The program is driven from inside by the test
# plugin tests/install/driver, which the build puts in BUILD/plugins.
set -euo pipefail
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

# WINE_LOCALE: the locale Wine takes the system's character set from, for one program.
wine() { env ${WINE_LOCALE:+LC_ALL="$WINE_LOCALE"} bash "$here/tools/windows/wine.sh" run "$build" "$@"; }
fail() { echo "FAIL: $*" >&2; exit 1; }
# Every file and folder on the drive, but the temporary folders (where the uninstaller runs a copy
# of itself, which the system deletes at the next start) and Windows' own folder.
tree() {
    (cd "$drive" && find . \( -path './users/Zoë/AppData/Local/Temp' -o -path './users/Zoë/Temp' \
                             -o -path './windows' \) -prune -o -print | sort)
}
# A registry key's values, or a failure where there is no such key.
registry() {
    local values
    values=$(wine reg query "$1" 2>/dev/null) || return 1
    tr -d '\r' <<< "$values"
}
driven() {
    QT_PLUGIN_PATH="Z:${build//\//\\}\\plugins" QT_QPA_GENERIC_PLUGINS="brackwelldriver:$1" \
        wine "$installed/brackwell.exe" "${@:2}"
}

tree > "$check/before.txt"
! registry 'HKCU\Software\Classes\.cfg' > /dev/null || fail ".cfg has a program before the installation"

echo "installing brackwell-$version-setup.exe silently"
wine "$build/brackwell-$version-setup.exe" /S
bash "$here/tools/windows/wine.sh" wait "$build"
(cd "$build/$name" && find . | sort) > "$check/packaged.txt"
(cd "$installed" && find . ! -name uninstall.exe | sort) > "$check/installed.txt"
diff -u "$check/packaged.txt" "$check/installed.txt" || fail "the installation differs from the package"
[ -f "$installed/uninstall.exe" ] || fail "no uninstaller"
[ -f "$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Brackwell.lnk" ] || fail "no Start menu entry"
registry 'HKCU\Software\Classes\Brackwell.Config\shell\open\command' | grep -qF 'brackwell.exe" "%1"' ||
    fail ".cfg files do not open with Brackwell"
registry 'HKCU\Software\Classes\.cfg' | grep -q 'Brackwell.Config' || fail ".cfg has no program"
registry 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brackwell' | grep -q 'QuietUninstallString' ||
    fail "no entry among the installed programs"

echo "the installed program answers on the command line"
[ "$(wine "$installed/brackwell.exe" --version | tr -d '\r')" = "Brackwell $version" ] || fail "--version"
wine "$installed/brackwell.exe" --help > "$check/help.txt"
grep -q '^Usage: ' "$check/help.txt" || fail "--help printed: $(cat "$check/help.txt")"

echo "opening a config on the command line and saving it with the one-click save"
configs="$user/Documents/Zoë's configs"
mkdir -p "$configs" "$user/Documents/ETLegacy/etmain"
printf 'seta name "Zo\xeb"\r\nseta r_gamma "1.3"\r\nbind F7 "say hello"\r\n' > "$configs/mine.cfg"
QT_QPA_PLATFORM=offscreen driven save "$winuser\\Documents\\Zoë's configs\\mine.cfg" > "$check/save.txt" \
    2> "$check/save.log"
tr -d '\r' < "$check/save.txt" | grep -qx 'box: Config File Saved' || fail "one-click save: $(cat "$check/save.txt")"
cmp "$configs/mine.cfg" "$user/Documents/ETLegacy/etmain/autoexec.cfg" || fail "the saved file is not the opened one"

# The same on systems whose character set is UTF-8 (code page 65001) or takes two bytes for some
# characters (932, Japanese), which Wine takes from the locale: bytes these cannot read must come
# back as they were.
printf 'seta name "J\xe9r\xf4me"\r\n// caf\xe9 \x81\x8d\r\nseta r_gamma "1.3"\r\nbind F7 "say \xff\xfe"\r\n' \
    > "$configs/odd bytes.cfg"
for locale in hi_IN.UTF-8:65001 ja_JP.UTF-8:932; do
    echo "the same on code page ${locale#*:}"
    WINE_LOCALE="${locale%:*}" QT_QPA_PLATFORM=offscreen driven save "$winuser\\Documents\\Zoë's configs\\odd bytes.cfg" \
        > "$check/save-${locale#*:}.txt" 2> "$check/save-${locale#*:}.log"
    tr -d '\r' < "$check/save-${locale#*:}.txt" | grep -qx 'box: Config File Saved' ||
        fail "one-click save on code page ${locale#*:}: $(cat "$check/save-${locale#*:}.txt")"
    cmp "$configs/odd bytes.cfg" "$user/Documents/ETLegacy/etmain/autoexec.cfg" ||
        fail "code page ${locale#*:} changed bytes of the opened file"
done

echo "a screenshot of the main window on the windows platform"
bash "$here/tools/windows/wine.sh" wait "$build"
xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=windows \
    QT_PLUGIN_PATH="Z:${build//\//\\}\\plugins" \
    QT_QPA_GENERIC_PLUGINS="brackwelldriver:screenshot:Z:${build//\//\\}\\brackwell-windows.png" \
    bash "$here/tools/windows/wine.sh" run "$build" "$installed/brackwell.exe" > "$check/screenshot.txt" \
    2> "$check/screenshot.log"
grep -q '^screenshot: [0-9]' "$check/screenshot.txt" || fail "screenshot: $(cat "$check/screenshot.txt")"
[ "$(stat -c %s "$build/brackwell-windows.png")" -gt 20000 ] || fail "the screenshot is blank"

echo "uninstalling silently"
wine "$installed/uninstall.exe" /S
bash "$here/tools/windows/wine.sh" wait "$build"
tree > "$check/after.txt"
# Left behind: the player's configs and the folders that hold them, nothing else.
diff "$check/before.txt" "$check/after.txt" | sed -n 's/^> //p' > "$check/left.txt" || true
cat > "$check/expected.txt" <<LEFT
./users/Zoë/Documents/ETLegacy
./users/Zoë/Documents/ETLegacy/etmain
./users/Zoë/Documents/ETLegacy/etmain/autoexec.cfg
./users/Zoë/Documents/ETLegacy/etmain/autoexec.cfg.bak
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
