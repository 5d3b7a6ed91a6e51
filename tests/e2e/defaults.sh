#!/usr/bin/env bash
# potero started with what goes wrong on a user's machine: a damaged settings file, a sign
# folder that is gone or cannot be read, the maker's library missing. It starts with its
# defaults without a word, and says what it promises when the user meets the problem.
# Usage: defaults.sh POTERO LIBZOR7RES GOLDEN_DIR ARTEFACT_DIR   (exit 77: skipped, no display)
here=$(dirname "$(readlink -f "$0")")
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"
potero=$1 library=$2 golden=$3
e2e_begin "$4"

signs=$work/signs
mkdir -p "$signs"
convert -size 52x32 xc:blue BMP3:"$signs/a-blue.bmp"
convert -size 120x40 xc:magenta BMP3:"$work/board.bmp"
door_section=146x131+2+2

# The places a start without usable settings gives: the main window's frame at 0,0, the
# panel's frame right under it.
expect_default_places() {
    [ "$(frame_place "$main")" = "0 0" ] || fail "$1: main window's frame at $(frame_place "$main")"
    outer=$(outer_height "$main")
    [ "$(frame_place "$panel")" = "0 $outer" ] ||
        fail "$1: panel's frame at $(frame_place "$panel"), not under the main window (0 $outer)"
}
expect_default_look() {
    wait_region "$main" 728x219+0+0 "$golden/form1.png" 800 "$1: the bus"
    wait_region "$panel" $door_section "$golden/e2e-panel-defaults.png" 30 "$1: speeds 10000 and 6000"
    [ "$(count_windows "$MESSAGE_TITLE")" -eq 0 ] || fail "$1: a message at start"
}
write_ini() { printf '%s\r\n' "$2" >"$1/potero.ini"; }

note "settings file cut after 15 fields, no maker's library"
app=$work/nolibrary
install_potero "$app" "$potero"
write_ini "$app" "1500,1500,9000,1500,\"$signs/\",\"\",0,0,\"$work/board.bmp\",6000,750,#FALSE#,#FALSE#,20,30"
# The toolkit's options are not the program's: they change nothing of what it shows.
start_potero "$app/potero" -reverse -style windows
expect_default_look "cut settings file"
expect_default_places "cut settings file"
[ "$(xdotool getwindowgeometry "$main" | sed -n 's/ *Geometry: //p')" = 728x219 ] ||
    fail "the main window's client area is not 728x219"

note "version dialog's link without the maker's library"
version_dialog
version=$dialog
# Two clicks at places apart, so that the second is not taken for a double-click.
for attempt in 1 2; do
    wait_active "$version"
    read -r x y <<<"$(center 240 2985 3315 225)"
    click "$version" $((x - 60 + attempt * 40)) "$y" # the link
    box=$(wait_window "$LIBRARY_ERROR_TITLE") || fail "no error box for the missing library"
    wait_active "$box"
    # The critical-error icon, the box's first picture.
    grab "$box" 40x40+12+12 "$work/icon.png"
    expect_golden "$work/icon.png" "$golden/e2e-critical-icon.png" 40 "the error box's icon"
    xdotool key Return
    wait_no_window "$LIBRARY_ERROR_TITLE" || fail "Enter did not close the error box"
    [ "$(count_windows "$VERSION_DIALOG_TITLE")" -eq 1 ] || fail "the version dialog closed with the box"
done
click_control "$version" 3570 2940 1230 345 # OK
wait_no_window "$VERSION_DIALOG_TITLE" || fail "OK did not close the version dialog"
close_potero
ini=$app/potero.ini
# The defaults are saved, and what the cut file's read fields held is kept: the sign folder and
# the signboard's picture. The panel's frame stands under the main window's.
expect_line "$ini" "0,0,0,$((outer * 15)),\"$signs/\",\"\",0,0,\"$work/board.bmp\",3480,2325,\
#TRUE#,#TRUE#,10000,6000,0" "after a cut settings file"

note "settings file of binary garbage"
printf '\x00\xff\xfe"\x81\x40,,#TRUE#\r\n\x80-1e99999,\x00' >"$ini"
start_potero "$app/potero"
expect_default_look "garbage settings file"
expect_default_places "garbage settings file"
close_potero
# No folder was read; the close's Alt, pressed in the sign box, gave none its separator.
expect_line "$ini" "0,0,0,$((outer * 15)),\"/\",\"\",0,0,\"\",3480,2325,#TRUE#,#TRUE#,10000,6000,0" \
    "after a garbage settings file"

note "sign folder gone since the last run"
app=$work/app
install_potero "$app" "$potero" "$library"
write_ini "$app" "1500,1500,12000,1500,\"$work/gone/\",\"\",0,0,\"\",3480,2325,#TRUE#,#TRUE#,20,30,1"
start_potero "$app/potero"
expect_default_look "missing sign folder"
expect_default_places "missing sign folder"
folder_dialog
first=$dialog
click_control "$first" 4200 825 1230 345 # OK
box=$(wait_window "$MESSAGE_TITLE") || fail "no message for the missing folder"
wait_active "$box"
import -window "$box" "$artefacts/path-not-found.png"
expect_golden "$artefacts/path-not-found.png" "$golden/e2e-path-not-found.png" 150 "the missing folder's message"
xdotool key Return
# The dialog is offered again, over the first one, with the rejected path.
two_dialogs() { [ "$(count_windows "$FOLDER_DIALOG_TITLE")" -eq 2 ]; }
wait_for "the sign folder dialog was not offered again" two_dialogs
second=$(xdotool search --all --onlyvisible --pid "$pid" --name "$FOLDER_DIALOG_TITLE" | grep -vx "$first" | head -1)
wait_active "$second"
click_control "$second" 5520 825 1230 345 # キャンセル
wait_no_window "$FOLDER_DIALOG_TITLE" || fail "the sign folder dialogs did not close after Cancel"

note "sign folder that cannot be read"
# A link to itself cannot be opened whoever the user is, root included.
ln -s "$work/loop" "$work/loop"
folder_dialog
xdotool key ctrl+a
xdotool type --delay 10 "$work/loop"
click_control "$dialog" 4200 825 1230 345 # OK
box=$(wait_window "$MESSAGE_TITLE") || fail "no message for the unreadable folder"
wait_active "$box"
xdotool key Return
wait_no_window "$MESSAGE_TITLE" || fail "Enter did not close the message"
wait_no_window "$FOLDER_DIALOG_TITLE" || fail "the dialog stayed after an unreadable folder's message"

close_potero
echo ok
