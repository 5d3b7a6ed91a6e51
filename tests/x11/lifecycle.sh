#!/usr/bin/env bash
# potero used as a person would under a window manager: the two windows, the panel kept above
# the main window, the popup on the bus, a golden picture of the main window, and the close
# that saves and ends the program with its panel. It runs as a dot-named executable, whose whole
# name is its name, and with the toolkit's own options, which it must not take.
# Usage: lifecycle.sh POTERO GOLDEN_PNG ARTEFACT_DIR    (exit 77: skipped, no display)
set -euo pipefail
potero=$1 golden=$2 artefacts=$3
[ -n "${DISPLAY:-}" ] || { echo "skipped: needs an X display (./dev test starts one)"; exit 77; }
mkdir -p "$artefacts"
work=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A copy of its own: the settings file beside it starts absent.
cp "$potero" "$work/.bus"
for lib in "$(dirname "$potero")"/libZOR7Res.so; do [ -e "$lib" ] && cp "$lib" "$work/"; done
"$work/.bus" -platform offscreen -reverse -style windows &
pid=$!

main=$(timeout 10 xdotool search --sync --name "^ポテロ　-　\.bus$" | head -1)
panel=$(timeout 10 xdotool search --sync --name "^設定パネル$" | head -1)
[ -n "$main" ] && [ -n "$panel" ] || fail "windows did not appear"
sleep 1

stacked_above() { # is $1 above $2 in the window manager's stacking order?
    local list
    list=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
    local i=0 a=-1 b=-1 w
    for w in $list; do
        [ $((w)) -eq $(($1)) ] && a=$i
        [ $((w)) -eq $(($2)) ] && b=$i
        i=$((i + 1))
    done
    [ "$a" -gt "$b" ]
}

# The main window activated and clicked stays beneath the panel.
xdotool windowactivate --sync "$main"
xdotool mousemove --window "$main" 600 30 click 1
sleep 0.3
stacked_above "$panel" "$main" || fail "the panel is not above the active main window"

# Placed by default: the main window's frame at 0,0, the panel's right under it.
eval "$(xdotool getwindowgeometry --shell "$main")"
[ "$WIDTH" -eq 728 ] && [ "$HEIGHT" -eq 219 ] || fail "client area ${WIDTH}x$HEIGHT"

# The main window's picture against the golden one (fonts and anti-aliasing may differ slightly).
import -window "$main" "$artefacts/form1.png"
differing=$(compare -metric AE -fuzz 10% "$golden" "$artefacts/form1.png" "$artefacts/form1-diff.png" 2>&1 || true)
[ "${differing%%.*}" -le 800 ] 2>/dev/null || fail "main window differs from the golden picture in $differing pixels"

# A right press on the bus opens the popup menu; Escape closes it.
visible() { xdotool search --onlyvisible --pid "$pid" "" 2>/dev/null | wc -l; }
windows_before=$(visible)
xdotool mousemove --window "$main" 600 30 click 3
sleep 0.5
import -window root "$artefacts/popup.png"
windows_after=$(visible)
[ "$windows_after" -gt "$windows_before" ] || fail "no popup menu after a right press on the bus"
xdotool key Escape
sleep 0.3

# Closing the main window saves the settings and ends the program with its panel.
xdotool windowactivate --sync "$main"
xdotool key alt+F4
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end when its main window closed"
wait "$pid" || true
pid=
[ -f "$work/.bus.ini" ] || fail "no settings file .bus.ini written"
grep -q $'\r$' "$work/.bus.ini" || fail "the settings line does not end with CR LF"
echo "ok"
