#!/usr/bin/env bash
# The ends of a session other than a close: SIGTERM (log-off, shut-down), SIGHUP (its terminal
# closed), SIGINT twice in a row (Ctrl+C pressed again) and the X server going away. Each saves
# the settings with the main window where it stands at that moment, and ends the program. It
# runs on an X server of this test's own, which the last case takes away. The program is named
# ".bus", a dot-named executable whose whole name is its name (caption, settings file), and is
# given the toolkit's options, which it must not take (it would show nothing here).
# Usage: sessionend.sh POTERO LIBZOR7RES GOLDEN_DIR ARTEFACT_DIR   (exit 77: skipped, no display)
here=$(dirname "$(readlink -f "$0")")
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"
potero=$1
e2e_begin "$4"
command -v Xvfb >/dev/null || skip "needs Xvfb"
app=$work/app
install_potero "$app" "$potero"
mv "$app/potero" "$app/.bus"
MAIN_TITLE='^ポテロ　-　\.bus$'

# -noreset: the probe below is its first client, and a reset when it leaves would refuse
# the program connecting in that moment.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
server_pid=$!
wait_for "the test's own X server did not start" test -s "$work/display"
export DISPLAY=":$(cat "$work/display")"
# Answering on its socket may follow the number it writes by a moment on a busy machine.
answers() { xdpyinfo >/dev/null 2>&1; }
wait_for "the test's own X server does not answer" answers

# end_with COMMAND...: starts potero, moves its main window to a place of its own, runs the
# commands ($pid is the program's), and expects the program gone and that place saved.
place=0
end_with() {
    place=$((place + 1))
    local x=$((40 * place)) y=$((30 * place)) command
    rm -f "$app/.bus.ini"
    start_potero "$app/.bus" -platform offscreen -reverse -style windows
    xdotool windowmove "$main" $x $y
    # The menu shows once the program has handled what came before it, the move included.
    popup_menu "$main" 600 30
    xdotool key Escape
    for command; do eval "$command"; done
    wait_exit || fail "$*: the program did not end"
    expect_field 1 "$app/.bus.ini" $((x * 15)) "$*: main window left"
    expect_field 2 "$app/.bus.ini" $((y * 15)) "$*: main window top"
}

end_with 'kill -TERM $pid'
end_with 'kill -HUP $pid'
end_with 'kill -INT $pid' 'kill -INT $pid'
end_with 'kill $server_pid'
echo ok
