# shellcheck shell=bash
# Shared helpers of the end-to-end tests: the real potero under an X server with a window
# manager, driven with xdotool, looked at with ImageMagick. Sourced by the test scripts.
#
# Every wait polls with a deadline; none relies on a fixed sleep being long enough, so a loaded
# machine makes the tests slower, not flaky.
#
# Pictures are compared with ImageMagick's AE metric at a fuzz of 10%: a pixel counts as
# different when a channel is more than 10% off (anti-aliasing and hinting stay below that),
# and each comparison states how many such pixels it lets pass. A golden picture that is
# missing is written from the screen when E2E_WRITE_GOLDEN=1 is set (look at it before
# committing it).

set -euo pipefail

MAIN_TITLE='^ポテロ　-　potero$'
PANEL_TITLE='^設定パネル$'
FOLDER_DIALOG_TITLE='^画像の位置$'
VERSION_DIALOG_TITLE='^ポテロのバージョン情報$'
PICTURE_DIALOG_TITLE='^看板の画像を設定$'
MESSAGE_TITLE='^トルミナ$'
LIBRARY_ERROR_TITLE='^Orvhpurl.dllのエラー$'

# Seconds a window, a picture or an exit may take before the test gives up.
WAIT_SECONDS=${E2E_WAIT_SECONDS:-20}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
note() { echo "-- $*"; }

# e2e_begin ARTEFACT_DIR: skips without a display, makes a scratch folder ($work) that is
# removed at exit together with any potero still running.
skip() {
    echo "skipped: $*"
    exit 77
}
e2e_begin() {
    [ -n "${DISPLAY:-}" ] || skip "needs an X display with a window manager (./dev test starts one)"
    for tool in xdotool import compare convert xprop xwininfo; do
        command -v "$tool" >/dev/null || skip "needs $tool"
    done
    artefacts=$1
    rm -rf "$artefacts"
    mkdir -p "$artefacts"
    work=$(mktemp -d "${TMPDIR:-/tmp}/potero-e2e.XXXXXX")
    pid=
    trap e2e_end EXIT
}

# e2e_end [STATUS]: the exit status is the last command's unless given.
e2e_end() {
    local status=${1:-$?}
    if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then
        [ $status -ne 0 ] && import -window root "$artefacts/zz-at-failure.png" 2>/dev/null
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    fi
    # An X server of the test's own, when it started one.
    [ -n "${server_pid:-}" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
    exit $status
}

# Twips to pixels, to the nearest pixel (15 twips a pixel), for places taken from the layout.
px() { echo $((($1 * 2 + 15) / 30)); }

# center LEFT TOP WIDTH HEIGHT: "x y" in pixels of the middle of a control placed in twips
# (within 1 pixel when its container's own place is added in twips as well).
center() { echo "$(px $(($1 + $3 / 2))) $(px $(($2 + $4 / 2)))"; }

# install_potero FOLDER POTERO [LIBRARY]: a copy of its own, so its settings file lies beside it.
install_potero() {
    mkdir -p "$1"
    cp "$2" "$1/potero"
    # Its decoder process runs from beside it.
    cp "$(dirname "$2")/potero-decoder" "$1/"
    [ -n "${3:-}" ] && cp "$3" "$1/"
    return 0
}

# start_potero COMMAND...: starts it and waits until both windows are shown; sets $pid, $main,
# $panel. Extra environment can be given in $potero_env (an array).
start_potero() {
    starts=$((${starts:-0} + 1))
    env "${potero_env[@]+"${potero_env[@]}"}" "$@" >"$artefacts/potero-start$starts.log" 2>&1 &
    pid=$!
    main=$(wait_window "$MAIN_TITLE") || fail "the main window did not appear"
    panel=$(wait_window "$PANEL_TITLE") || fail "the control panel did not appear"
}

# close_potero: alt+F4 on the main window, as a person closes it; waits for the process to end.
close_potero() {
    wait_active "$main"
    xdotool key alt+F4
    wait_exit || fail "the program did not end when its main window was closed"
}

# wait_for WHAT COMMAND...: polls the command until it succeeds. At the deadline it fails with
# WHAT and what the command left in $seen; with WHAT empty, it returns 1.
wait_for() {
    local what=$1 deadline=$((SECONDS + WAIT_SECONDS))
    shift
    seen=
    until "$@"; do
        if [ $SECONDS -ge $deadline ]; then
            [ -n "$what" ] || return 1
            fail "$what${seen:+: $seen}"
        fi
        sleep 0.05
    done
}

ended() { ! kill -0 "$pid" 2>/dev/null; }
wait_exit() {
    wait_for "" ended || return 1
    wait "$pid" || true
    pid=
}

# shown_windows TITLE_REGEX: the ids of potero's shown windows with that title. Under Wine a
# window belongs to one of Wine's own processes, so there (E2E_ANY_OWNER=1) the title alone
# decides: one program runs.
shown_windows() {
    if [ -n "${E2E_ANY_OWNER:-}" ]; then
        xdotool search --all --onlyvisible --name "$1" 2>/dev/null
    else
        xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null
    fi
}

# wait_window TITLE_REGEX: prints the id of the first shown window of potero with that title.
# Run in $(...), it gives up at once when potero has ended.
first_window() {
    shown_windows "$1" | head -1 | grep . && return 0
    ended && exit 1
    return 1
}
wait_window() { wait_for "" first_window "$1"; }
not_shown() { ! shown_windows "$1" >/dev/null; }
wait_no_window() { wait_for "" not_shown "$1"; }

count_windows() { shown_windows "$1" | wc -l; }

# wait_active WINDOW: activates it until the window manager has given it the input focus.
is_active() {
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && return 0
    xdotool windowactivate "$1" 2>/dev/null || true
    return 1
}
wait_active() { wait_for "window $1 never became active" is_active "$1"; }

# Popup menus are override-redirect windows without a title: counted among all of potero's.
all_windows() { xdotool search --all --onlyvisible --pid "$pid" --name '' 2>/dev/null | wc -l; }

# popup_menu WINDOW X Y: a right press there, then waits for the menu to show.
more_windows() { [ "$(all_windows)" -gt "$1" ]; }
popup_menu() {
    local before
    before=$(all_windows)
    xdotool mousemove --window "$1" "$2" "$3" click 3
    wait_for "no popup menu after a right press at $2,$3" more_windows "$before"
}

click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

# click_control WINDOW LEFT TOP WIDTH HEIGHT: a click in the middle of a control placed in twips.
# shellcheck disable=SC2046 # center's "x y", split into two arguments
click_control() { click "$1" $(center "$2" "$3" "$4" "$5"); }

# sign_key KEY...: keys to the sign box: the main window active, the sign clicked.
sign_key() {
    wait_active "$main"
    click "$main" 259 74
    xdotool key "$@"
}

# panel_dialog TITLE LEFT TOP WIDTH HEIGHT: presses the panel's button placed there in twips
# and waits for the dialog it opens, whose id it leaves in $dialog.
panel_dialog() {
    click_control "$panel" "$2" "$3" "$4" "$5"
    dialog=$(wait_window "$1") || fail "no dialog $1"
    wait_active "$dialog"
}
folder_dialog() { panel_dialog "$FOLDER_DIALOG_TITLE" $((2265 + 75)) 2190 1530 270; }
version_dialog() { panel_dialog "$VERSION_DIALOG_TITLE" 720 2145 1515 360; }

# grab WINDOW GEOMETRY FILE: a scratch screenshot of a region, for polling.
grab() { import -window "$1" -crop "$2" +repage "$3"; }

# rgb_at WINDOW X Y: "r g b" of one pixel of the window.
rgb_at() {
    import -window "$1" -crop "1x1+$2+$3" +repage "$work/pixel.png"
    convert "$work/pixel.png" -format '%[fx:round(255*r)] %[fx:round(255*g)] %[fx:round(255*b)]' info:
}

# near "r g b" "R G B": true when each channel is within 24 (JPEG and anti-aliasing).
near() { echo "$1 $2" | awk '{ for (i = 1; i <= 3; i++) if ($i - $(i + 3) > 24 || $(i + 3) - $i > 24) exit 1 }'; }

# shows_rgb WINDOW X Y "R G B": whether that pixel shows the colour.
shows_rgb() {
    local got
    got=$(rgb_at "$1" "$2" "$3")
    near "$got" "$4" || { seen="pixel $2,$3 is ($got), not ($4)" && return 1; }
}
# wait_rgb WINDOW X Y "R G B" WHAT: until that pixel shows the colour; expect_rgb: now.
wait_rgb() { wait_for "$5" shows_rgb "$1" "$2" "$3" "$4"; }
expect_rgb() { shows_rgb "$1" "$2" "$3" "$4" || fail "$5: $seen"; }

# differing A B: how many pixels differ by more than 10% (anti-aliasing and hinting stay
# below that); a large number when the sizes differ.
differing() {
    local count
    count=$(compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1) || true
    count=${count%% *}
    case $count in
    '' | *[!0-9.e+]*) echo 999999 ;;
    *) printf '%.0f\n' "$count" ;;
    esac
}

# wait_region WINDOW GEOMETRY REFERENCE MAX WHAT: until the region matches the reference
# picture in all but MAX pixels; the last grab is kept as an artefact when it never does.
region_matches() {
    local n mismatch=$artefacts/mismatch-${5// /-}.png
    grab "$1" "$2" "$work/region.png"
    n=$(differing "$3" "$work/region.png")
    if [ "$n" -le "$4" ]; then
        rm -f "$mismatch"
        return 0
    fi
    seen="$n pixels differ from $(basename "$3") (at most $4 may)"
    cp "$work/region.png" "$mismatch"
    return 1
}
wait_region() {
    if [ ! -f "$3" ] && [ -n "${E2E_WRITE_GOLDEN:-}" ]; then
        sleep 5
        grab "$1" "$2" "$3"
        note "wrote $3"
        return 0
    fi
    wait_for "$5" region_matches "$@"
}

# wait_region_changes WINDOW GEOMETRY REFERENCE WHAT: until the region no longer looks like
# the reference.
region_differs() { grab "$1" "$2" "$work/region.png" && [ "$(differing "$3" "$work/region.png")" -gt 0 ]; }
wait_region_changes() { wait_for "$4: the region never changed" region_differs "$1" "$2" "$3"; }

# expect_golden FILE GOLDEN MAX WHAT
expect_golden() {
    local n
    if [ ! -f "$2" ] && [ -n "${E2E_WRITE_GOLDEN:-}" ]; then
        cp "$1" "$2"
        note "wrote $2"
        return 0
    fi
    n=$(differing "$2" "$1")
    [ "$n" -le "$3" ] || fail "$4: $n pixels differ from $(basename "$2") (at most $3 may)"
}

# client_place WINDOW: "x y" of the client area on the screen (xwininfo: xdotool's own
# geometry counts a window manager's frame twice).
client_place() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
                             END { print x, y }'
}

# frame_place WINDOW: "x y" of the outer frame, the place the settings file keeps.
frame_place() {
    local x y extents left top
    read -r x y <<<"$(client_place "$1")"
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p')
    left=${extents%%,*}
    top=$(echo "$extents" | cut -d, -f3 | tr -d ' ')
    echo "$((x - left)) $((y - top))"
}

# outer_height WINDOW: the height of the window with its frame.
outer_height() {
    local extents height
    extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
    height=$(xwininfo -id "$1" | awk '/Height:/ { print $NF }')
    echo $((height + $(echo "$extents" | cut -d, -f3) + $(echo "$extents" | cut -d, -f4)))
}

# field N FILE: the Nth comma-separated field of the settings line, without its CR LF.
field() { tr -d '\r\n' <"$2" | cut -d, -f"$1"; }

# expect_line FILE LINE WHAT: the settings file is that one line, ended by CR LF.
expect_line() {
    [ "$(cat "$1")" = "$2"$'\r' ] || fail "$3: the settings file is [$(cat -A "$1")], not [$2^M$]"
}

# expect_field N FILE VALUE WHAT
expect_field() {
    local seen
    seen=$(field "$1" "$2")
    [ "$seen" = "$3" ] || fail "$4: settings field $1 is [$seen], not [$3]"
}
