#!/usr/bin/env bash
# potero for Windows under Wine, used as a person would, from the zip and from the installer:
# both windows at their places, the bus as on Linux, the first picture of a sign folder with a
# Japanese name and a Down step, a door opened from the panel, the version dialog's link, the
# settings line in CP932 beside the executable at a close and at the end of the Windows session,
# the door sounds as WAVE resources, and the installer's install, start and uninstall. Then the
# windowless tests, run under Wine by ctest.
# Usage: run.sh BUILD_DIR    (the cross build, with its zip and installer made)
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
root=$(readlink -f "$here/../..")
build=$(readlink -f "$1")
source "$root/tests/e2e/lib.sh"
e2e_begin "$build/artefacts"

zip=$(ls "$build"/potero-*-windows-x64.zip)
setup=$(ls "$build"/potero-*-setup.exe)
template=$("$here/wineprefix.sh")
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8 POTERO_OPENED=$work/opened.txt
cp -a "$template" "$WINEPREFIX"
stop_wine() { wineserver -k 2>/dev/null || true; }
trap 'status=$?; stop_wine; e2e_end $status' EXIT

# Wine's windows belong to its own processes: they are looked up by title alone.
export E2E_ANY_OWNER=1
# Keys are pressed without naming a window: a window that closes during the command could leave
# them held in the X server.
close_windows_potero() {
    xdotool windowactivate --sync "$main" 2>/dev/null || true
    sleep 0.3
    xdotool keydown alt key F4 keyup alt
    wait_exit || fail "the program did not end when its main window was closed"
}
winpath() { winepath -w "$1" 2>/dev/null; }
# The panel is a tool window, whose frame Wine draws itself inside the X window: its controls lie
# past that frame, found from the X window's size and the panel's client size (263 x 171).
panel_client() { # "x y" of the panel's client area in its X window
    eval "$(xdotool getwindowgeometry --shell "$panel")"
    local border=$(((WIDTH - 263) / 2))
    echo "$border $((HEIGHT - 171 - border))"
}
click_panel() { # LEFT TOP WIDTH HEIGHT, in twips
    local dx dy x y
    read -r dx dy <<<"$(panel_client)"
    read -r x y <<<"$(center "$@")"
    click "$panel" $((x + dx)) $((y + dy))
}

note "the zip, unpacked"
# Unpacked into a folder with a Japanese name: the program, its library and its settings live there.
mkdir -p "$work/展開先" && (cd "$work/展開先" && unzip -q "$zip")
app=$work/展開先/potero
[ -f "$app/potero.exe" ] && [ -f "$app/ZOR7Res.dll" ] || fail "the zip lacks the program"
[ ! -e "$app/potero-installed" ] || fail "the zip carries the installer's marker"

note "the door sounds are the executable's WAVE resources 101 and 102"
for id in 101 102; do
    wrestool -x --raw --type=WAVE --name=$id "$app/potero.exe" >"$work/$id.wav"
    cmp -s "$work/$id.wav" "$root/resources/door$id.wav" || fail "WAVE resource $id differs"
done

# A sign folder with a Japanese name: a picture of each raster format and both metafiles.
signs=$work/方向幕
mkdir -p "$signs"
convert -size 52x32 xc:blue BMP3:"$signs/a-blue.bmp"
convert -size 52x32 xc:lime GIF:"$signs/b-lime.gif"
convert -size 52x32 xc:red -quality 95 JPEG:"$signs/c-red.jpg"
cp "$root/tests/data/metafile/hm_sign_fills.emf" "$signs/d.emf"
cp "$root/tests/data/metafile/hm_sign_fills.wmf" "$signs/e.wmf"
signs_win="$(winpath "$signs")\\"
# The main window at 100,100 and the panel at 100,400; the settings line in CP932.
printf '1500,1500,1500,6000,"%s","",0,0,"",3480,2325,#TRUE#,#TRUE#,10000,6000,0\r\n' "$signs_win" |
    iconv -f UTF-8 -t CP932 >"$app/potero.ini"
cp "$app/potero.ini" "$work/written.ini"

# With the tests' sound server, Wine plays into it: the door sound can be heard on its monitor.
if [ -n "${POTERO_SOUND_MONITOR:-}" ]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d pulse /f >/dev/null 2>&1
fi
start_potero wine "$app/potero.exe"
eval "$(xdotool getwindowgeometry --shell "$main")"
[ "$WIDTH" -eq 728 ] && [ "$HEIGHT" -eq 219 ] || fail "the main window's client area is ${WIDTH}x$HEIGHT"
# Wine lays the Windows frame over the window manager's, whose borders differ by a few pixels.
at_place() { # WINDOW X Y WHAT
    local x y
    read -r x y <<<"$(frame_place "$1")"
    [ $((x - $2)) -ge -4 ] && [ $((x - $2)) -le 4 ] && [ $((y - $3)) -ge -4 ] &&
        [ $((y - $3)) -le 4 ] || fail "$4's frame is at $x,$y, not within 4 pixels of $2,$3"
}
at_place "$main" 100 100 "the main window"
at_place "$panel" 100 400 "the panel"

note "the sign's first picture, then a Down step"
wait_rgb "$main" $((233 + 26)) $((58 + 16)) "0 0 255" "the first picture of the sign folder"
# Beside the sign, the bus is the Linux golden picture pixel for pixel.
import -window "$main" "$work/form1.png"
convert "$work/form1.png" -fill black -draw 'rectangle 233,58 284,89' "$work/form1-masked.png"
convert "$root/tests/data/golden/form1.png" -fill black -draw 'rectangle 233,58 284,89' \
    "$work/golden-masked.png"
cp "$work/form1.png" "$artefacts/form1-windows.png"
n=$(differing "$work/golden-masked.png" "$work/form1-masked.png")
[ "$n" -eq 0 ] || fail "the bus differs from the Linux golden picture in $n pixels"
# The panel beside its Linux picture: the same controls in the same places, but Windows draws
# its own buttons and sliders in its own style, and its text with GDI's glyphs, not FreeType's:
# about 4,200 of its 44,973 pixels differ, all of them on button faces, slider parts and letters.
read -r dx dy <<<"$(panel_client)"
grab "$panel" "263x171+$dx+$dy" "$artefacts/panel-windows.png"
n=$(differing "$root/tests/data/golden/window-frmSet.png" "$artefacts/panel-windows.png")
note "the panel differs from its Linux picture in $n of 44973 pixels"
[ "$n" -le 5000 ] || fail "the panel differs from its Linux picture in $n pixels"
click "$main" 259 74
xdotool key Down
wait_rgb "$main" 259 74 "0 255 0" "the sign after Down"

note "the front door opened from the panel"
grab "$main" 82x139+20+62 "$work/front-closed.png"
click_panel $((30 + 75)) $((30 + 165)) 735 510 # 前扉
wait_region_changes "$main" 82x139+20+62 "$work/front-closed.png" "the front door opening"

if [ -n "${POTERO_SOUND_MONITOR:-}" ]; then
    note "the middle door's sound, played from the executable's resource"
    before=$(stat -c %s "$POTERO_SOUND_MONITOR")
    click_panel $((30 + 60)) $((30 + 840)) 735 525 # 中扉
    # Unsigned 8-bit samples: silence is 128, the door's knock far from it.
    sounded() {
        tail -c +$((before + 1)) "$POTERO_SOUND_MONITOR" | od -An -v -tu1 |
            awk '{ for (i = 1; i <= NF; i++) if ($i > 160 || $i < 96) { found = 1; exit } }
                 END { exit !found }'
    }
    wait_for "no door sound reached the sound server" sounded
fi

note "the version dialog's link"
click_panel 720 2145 1515 360 # バージョン情報
version=$(wait_window "$VERSION_DIALOG_TITLE") || fail "no version dialog"
click_control "$version" 240 2985 3315 225
wait_for "the link opened no page" test -s "$POTERO_OPENED"
expected=$(strings -e l "$app/ZOR7Res.dll" | grep -m1 -E '^https?://' || strings "$app/ZOR7Res.dll" | grep -m1 -E '^https?://')
[ "$(cat "$POTERO_OPENED")" = "$expected" ] || fail "the link opened [$(cat "$POTERO_OPENED")], not [$expected]"
click_control "$version" 3570 2940 1230 345 # OK
wait_no_window "$VERSION_DIALOG_TITLE" || fail "OK did not close the version dialog"

note "closing saves the settings line beside the executable, the path in CP932"
rm -f "$app/potero.ini"
close_windows_potero
[ -f "$app/potero.ini" ] || fail "no settings file beside potero.exe after the close"
cp "$app/potero.ini" "$artefacts/closed.ini"
field 5 "$app/potero.ini" | tr -d '\n' | cmp -s - <(printf '"%s"' "$signs_win" | iconv -f UTF-8 -t CP932) ||
    fail "the sign folder was not saved in CP932: $(field 5 "$app/potero.ini" | od -c | head -3)"
grep -q $'\r$' "$app/potero.ini" || fail "the settings line does not end with CR LF"

note "the end of the Windows session saves it too"
rm -f "$app/potero.ini"
start_potero wine "$app/potero.exe"
wine wineboot --end-session >/dev/null 2>&1 || true
wait_exit || fail "the program did not end with the session"
[ -f "$app/potero.ini" ] || fail "no settings file after the end of the session"
stop_wine

note "the installer: a silent install, a start that saves to the application data, an uninstall"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\potero'
wine "$setup" /S
installed=$WINEPREFIX/drive_c/Program\ Files/potero
[ -f "$installed/potero.exe" ] && [ -f "$installed/potero-installed" ] || fail "nothing installed"
wine reg query "$uninstall_key" /v UninstallString >/dev/null 2>&1 ||
    fail "no entry in the list of installed programs"
# Installing again over the installed copy replaces it in place.
wine "$setup" /S
[ -f "$installed/potero.exe" ] || fail "installing over the installed copy lost the program"
start_potero wine "$installed/potero.exe"
close_windows_potero
appdata=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/potero/potero.ini' | head -1)
[ -n "$appdata" ] || fail "the installed program saved no settings in the application data"
[ ! -e "$installed/potero.ini" ] || fail "the installed program wrote beside itself"
# The uninstaller runs a copy of itself from the temporary folder: wait for every process.
wine "$installed/uninstall.exe" /S
wineserver -w
[ ! -e "$installed/potero.exe" ] || fail "the uninstaller left the program"
! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstaller left its entry"
[ -f "$appdata" ] || fail "the uninstaller removed the user's settings"
stop_wine

note "the windowless tests under Wine"
qt=$(sed -n 's/^POTERO_WINDOWS_QT:[A-Z]*=//p' "$build/CMakeCache.txt")
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
WINEPATH="$(winpath "$qt/bin");$(winpath "$runtime");$(winpath /usr/x86_64-w64-mingw32/lib)" \
    QT_PLUGIN_PATH="$(winpath "$qt/plugins")" ctest --test-dir "$build" --output-on-failure
echo "ok"
