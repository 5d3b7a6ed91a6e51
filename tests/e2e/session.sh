#!/usr/bin/env bash
# A person's session with potero, driven through the X server: choose the sign folder in its
# dialog, step the sign with the arrow keys and the keypad, set the door speeds, open and close
# both doors, choose, drag, fit and reset the signboard, follow the version dialog's link, move
# both windows, close the program. Then start it again and find everything where it was, in
# the settings file and on the screen.
# Usage: session.sh POTERO LIBZOR7RES GOLDEN_DIR ARTEFACT_DIR   (exit 77: skipped, no display)
here=$(dirname "$(readlink -f "$0")")
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"
potero=$1 library=$2 golden=$3
e2e_begin "$4"

app=$work/app
install_potero "$app" "$potero" "$library"

# The sign folder: one picture of each raster format, a broken one, and a file not listed.
signs=$work/signs
mkdir -p "$signs"
convert -size 52x32 xc:blue BMP3:"$signs/a-blue.bmp"
convert -size 52x32 xc:lime GIF:"$signs/b-lime.gif"
printf 'not a picture\n' >"$signs/c-broken.bmp"
convert -size 52x32 xc:red -quality 95 JPEG:"$signs/d-red.jpg"
convert -size 52x32 xc:yellow BMP3:"$signs/E-yellow.bmp"
printf 'notes\n' >"$signs/notes.txt"
convert -size 120x40 xc:magenta BMP3:"$work/board.bmp"

# A stand-in for the browser: the address the version dialog opens is written down.
mkdir "$work/bin"
cat >"$work/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$1" >>"$work/opened.txt"
EOF
chmod +x "$work/bin/xdg-open"
potero_env=("PATH=$work/bin:$PATH")

# Places in pixels of the client areas, from the layout in twips.
home_x=279 home_y=170               # the middle of the signboard at its home place
front_door=82x139+20+62             # Image1(2) and Image1(1), closed
middle_door=76x140+381+65           # picSlideBase1
display_area=97x21+157+16           # the keypad display Label1
door_section=146x131+2+2            # FrameA: door buttons, speed sliders and labels
blue='0 0 255' lime='0 255 0' red='255 0 0' yellow='255 255 0'
magenta='255 0 255' white='255 255 255' frame_grey='224 224 224'

keypad() { # presses the keypad's buttons with these captions, in turn
    local key i
    for key; do
        # Laid out in rows 7 8 9, 4 5 6, 1 2 3, 0 C 設定, 495 twips apart and 390 down.
        i=$(($(printf '%s\n' 7 8 9 4 5 6 1 2 3 0 C 設定 | grep -nx "$key" | cut -d: -f1) - 1))
        click_control "$panel" $((2265 + 75 + i % 3 * 495)) $((600 + i / 3 * 390)) 510 390
    done
}
# The panel has handled everything sent before: the digit keyed now shows, then "C" clears it.
panel_barrier() {
    keypad 1
    wait_region_changes "$panel" $display_area "$work/display-empty.png" "keypad display"
    keypad C
    wait_region "$panel" $display_area "$work/display-empty.png" 0 "keypad display after C"
}
# The sign box's middle shows COLOUR (WHAT), by now or at once.
wait_sign() { wait_rgb "$main" 259 74 "$1" "$2"; }
expect_sign() { expect_rgb "$main" 259 74 "$1" "$2"; }

note "first start, no settings file"
start_potero "$app/potero"
wait_region "$main" 728x219+0+0 "$golden/form1.png" 800 "the bus at its first start"
grab "$panel" $display_area "$work/display-empty.png"
grab "$main" $front_door "$work/front-closed.png"
grab "$main" $middle_door "$work/middle-closed.png"

note "sign folder dialog: type the folder, OK"
folder_dialog
xdotool type --delay 10 "$signs"
click_control "$dialog" 4200 825 1230 345 # OK
wait_no_window "$FOLDER_DIALOG_TITLE" || fail "the sign folder dialog did not close on OK"

note "arrow keys and keypad"
sign_key Down
wait_sign "$lime" "Down to the GIF"
sign_key Down Down
wait_sign "$red" "Down over the broken file to the JPEG"
sign_key Up Up Up
wait_sign "$blue" "Up over the broken file to the first picture"
keypad 4 設定
wait_sign "$yellow" "keypad 4 (the upper-case name sorts among the others)"
keypad C 3 設定
wait_sign "$red" "keypad 3"
sign_key Down
wait_sign "$lime" "Down goes on from the arrow keys' place, not the keyed one"

note "door speeds"
# Home puts a slider at 1; each click on its right arrow adds 1: front 5, middle 3.
click "$panel" 66 23
xdotool key Home
for _ in 1 2 3 4; do click "$panel" 136 23; done
click "$panel" 65 66
xdotool key Home
for _ in 1 2; do click "$panel" 133 66; done
panel_barrier # which also takes the focus from the slider, as in the golden picture
wait_region "$panel" $door_section "$golden/e2e-speeds.png" 30 "speed labels 5 and 3"

note "doors"
front_button() { click_control "$panel" $((30 + 75)) $((30 + 165)) 735 510; }  # 前扉
middle_button() { click_control "$panel" $((30 + 60)) $((30 + 840)) 735 525; } # 中扉
front_button
wait_region "$main" $front_door "$golden/e2e-front-open.png" 40 "front door open"
front_button
wait_region "$main" $front_door "$work/front-closed.png" 0 "front door closed again"
middle_button
wait_region "$main" $middle_door "$golden/e2e-middle-open.png" 40 "middle door open"
middle_button
wait_region "$main" $middle_door "$work/middle-closed.png" 0 "middle door closed again"

note "signboard: choose its picture"
popup_menu "$main" $home_x $home_y
xdotool key Down Down Down Return # 看板の画像を設定...
dialog=$(wait_window "$PICTURE_DIALOG_TITLE") || fail "no open-file dialog for the signboard"
wait_active "$dialog"
xdotool type --delay 10 "$work/board.bmp"
xdotool key Return
wait_no_window "$PICTURE_DIALOG_TITLE" || fail "the open-file dialog did not close"
# The 120 x 40 picture at the home place's top-left corner (232, 155), its frame fitted.
wait_rgb "$main" 292 175 "$magenta" "the chosen signboard picture"
expect_rgb "$main" 229 175 "$frame_grey" "left post beside the picture"
expect_rgb "$main" 354 175 "$frame_grey" "right post beside the picture"
expect_rgb "$main" 292 196 "$frame_grey" "bar under the picture"

note "signboard: drag, double-click, reset"
drag() { # FROM_X FROM_Y TO_X TO_Y, in steps as a hand moves
    xdotool mousemove --window "$main" "$1" "$2" mousedown 1
    local step
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove --window "$main" $(($1 + ($3 - $1) * step / 8)) $(($2 + ($4 - $2) * step / 8))
        sleep 0.02
    done
    xdotool mouseup 1
}
drag 292 175 530 80 # to the top-left corner (470, 60)
wait_rgb "$main" 530 80 "$magenta" "the dragged signboard"
expect_rgb "$main" 470 60 "$magenta" "the dragged signboard's corner"
expect_rgb "$main" 354 175 "$frame_grey" "the frame stays behind after a drag"
xdotool mousemove --window "$main" 530 80 click --repeat 2 --delay 60 1
wait_rgb "$main" 467 80 "$frame_grey" "left post fitted at the new place"
expect_rgb "$main" 592 80 "$frame_grey" "right post fitted at the new place"
near "$(rgb_at "$main" 354 175)" "$frame_grey" && fail "the frame is still at its old place"
popup_menu "$main" 530 80
xdotool key Down Down Down Down Return # 看板のリセット, past the separator
wait_rgb "$main" $home_x $home_y "$white" "the reset signboard, white at home"
near "$(rgb_at "$main" 530 80)" "$magenta" && fail "the signboard's picture is still shown after reset"
expect_rgb "$main" 229 170 "$frame_grey" "frame fitted at home after reset"
# Its place is kept; the picture comes back at the next start although reset cleared it.
drag $home_x $home_y 527 65 # to the top-left corner (480, 50)
wait_rgb "$main" 527 65 "$white" "the white signboard dragged"

note "version dialog with the maker's library"
version_dialog
click_control "$dialog" 240 2985 3315 225 # the link
wait_for "the link opened no page" test -s "$work/opened.txt"
grep -Eq '^https?://[^ ]+$' "$work/opened.txt" || fail "the link opened [$(cat "$work/opened.txt")]"
[ "$(count_windows "$VERSION_DIALOG_TITLE")" -eq 1 ] || fail "the version dialog closed on the link"
click_control "$dialog" 3570 2940 1230 345 # OK
wait_no_window "$VERSION_DIALOG_TITLE" || fail "OK did not close the version dialog"

note "move both windows, close"
main_frame=$(frame_place "$main")
panel_frame=$(frame_place "$panel")
xdotool windowmove "$main" 40 420
xdotool windowmove "$panel" 820 440
moved() { [ "$(frame_place "$main")" != "$main_frame" ] && [ "$(frame_place "$panel")" != "$panel_frame" ]; }
wait_for "the windows did not move" moved
# The window manager decides where exactly a moved window lands; the places it gave are kept.
main_frame=$(frame_place "$main")
panel_frame=$(frame_place "$panel")
main_place=$(client_place "$main")
panel_place=$(client_place "$panel")
panel_barrier
grab "$panel" $door_section "$work/door-section-before.png"
close_potero

ini=$app/potero.ini
# The places the window manager gave; the folder with the separator the arrow keys added; the
# signboard's picture kept through the reset, its place 480, 50 px; speeds 5 and 3.
read -r x y <<<"$main_frame"
read -r x2 y2 <<<"$panel_frame"
expect_line "$ini" "$((x * 15)),$((y * 15)),$((x2 * 15)),$((y2 * 15)),\"$signs/\",\"\",0,0,\
\"$work/board.bmp\",7200,750,#TRUE#,#TRUE#,5,3,0" "the settings saved at the close"

# Values no operation uses are carried through a run unchanged.
awk -F, -v OFS=, '{ $6 = "\"spare text\""; $7 = 7; $8 = -8; print }' "$ini" >"$work/edited.ini"
cp "$work/edited.ini" "$ini"

note "second start: everything where it was"
start_potero "$app/potero"
wait_region "$main" 728x219+0+0 "$golden/e2e-restored-form1.png" 800 "the restored bus"
[ "$(client_place "$main")" = "$main_place" ] || fail "main window at $(client_place "$main"), not $main_place"
[ "$(client_place "$panel")" = "$panel_place" ] || fail "panel at $(client_place "$panel"), not $panel_place"
expect_sign "$blue" "the first sign picture at start"
expect_rgb "$main" 540 70 "$magenta" "the signboard's picture at its saved place"
expect_rgb "$main" 477 70 "$frame_grey" "the frame fitted around it"
wait_region "$panel" $door_section "$work/door-section-before.png" 30 "speeds as they were"
sign_key Down
wait_sign "$lime" "the restored sign list"
close_potero
cmp -s "$ini" "$work/edited.ini" || fail "the second run changed the settings: $(cat "$ini")"
echo ok
