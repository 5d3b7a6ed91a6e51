#!/usr/bin/env bash
# potero as a dot-named executable, whose whole name is its name, given the toolkit's own
# options, which it must not take: both windows show on the X display, the main window as it
# should look with the panel kept above it when it is active, and the close that saves beside it
# and ends the program.
# Usage: lifecycle.sh POTERO GOLDEN_PNG ARTEFACT_DIR    (exit 77: skipped, no display)
here=$(dirname "$(readlink -f "$0")")
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$here/../e2e/lib.sh"
potero=$1 golden=$2
e2e_begin "$3"

install_potero "$work/app" "$potero"
mv "$work/app/potero" "$work/app/.bus"
MAIN_TITLE='^ポテロ　-　\.bus$'
start_potero "$work/app/.bus" -platform offscreen -reverse -style windows
[ "$(xdotool getwindowgeometry "$main" | sed -n 's/ *Geometry: //p')" = 728x219 ] ||
    fail "the main window's client area is not 728x219"
wait_region "$main" 728x219+0+0 "$golden" 800 "the main window"

# The main window activated and clicked stays beneath the panel.
wait_active "$main"
click "$main" 600 30
panel_above() {
    local order
    order=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,/\n/g' | xargs printf '%d\n')
    [ "$(echo "$order" | grep -nx "$panel" | cut -d: -f1)" -gt "$(echo "$order" | grep -nx "$main" | cut -d: -f1)" ]
}
wait_for "the panel is not above the active main window" panel_above

close_potero
grep -q $'\r$' "$work/app/.bus.ini" || fail "no settings line .bus.ini ended by CR LF"
echo ok
