#!/usr/bin/env bash
# Installs the build into a scratch root, as the Debian package lays it out under /usr, and
# checks what a desktop and the program find there: the program's own folder with its library,
# the link in bin, the icons at every size, the desktop entry and the metainfo that name them.
# Then starts the installed program through the link: offscreen, it must run from its own
# folder; under an X display with a window manager, it must also open libZOR7Res.so from that
# folder at the version dialog's link, and keep its settings beside the executable while the
# folder is writable, in the user's configuration folder otherwise.
# Usage: install.sh CMAKE BUILD_DIR SCRATCH PROJECT_VERSION
here=$(dirname "$(readlink -f "$0")")
# shellcheck source-path=SCRIPTDIR source=../e2e/lib.sh
source "$here/../e2e/lib.sh"
cmake=$1 build=$2 scratch=$3 version=$4
id=org.potero.Potero

# A run that failed may have left the program's folder unwritable.
[ -d "$scratch" ] && chmod -R u+w "$scratch"
rm -rf "$scratch"
mkdir -p "$scratch"
root=$scratch/root
usr=$root/usr
DESTDIR=$root "$cmake" --install "$build" --prefix /usr --component potero >"$scratch/install.log"

# --- the layout
[ "$(ls -A "$usr/bin")" = potero ] || fail "bin holds more than the link: $(ls -A "$usr/bin")"
[ -L "$usr/bin/potero" ] || fail "bin/potero is not a symbolic link"
[ "$(readlink "$usr/bin/potero")" = ../lib/potero/potero ] ||
    fail "bin/potero points at $(readlink "$usr/bin/potero"), not relatively into lib/potero"
program=$usr/lib/potero/potero
library=$usr/lib/potero/libZOR7Res.so
[ -x "$program" ] || fail "no executable lib/potero/potero"
[ "$(readlink -f "$usr/bin/potero")" = "$(readlink -f "$program")" ] || fail "the link is dangling"
[ -f "$library" ] || fail "no libZOR7Res.so beside the executable"
[ -x "$usr/lib/potero/potero-decoder" ] || fail "no potero-decoder beside the executable"
nm -D --defined-only "$library" | grep -qw OrveltHpURL ||
    fail "libZOR7Res.so exports no OrveltHpURL"
# A run path into the build tree would make the installed program depend on it.
for executable in "$program" "$usr/lib/potero/potero-decoder"; do
    if readelf -d "$executable" | grep -E 'R(UN)?PATH'; then fail "$executable keeps a run path"; fi
done
# The decoder runs from there, and only as potero's: by hand it says so and ends.
status=0
"$usr/lib/potero/potero-decoder" >"$scratch/decoder.log" 2>&1 || status=$?
[ "$status" = 2 ] && grep -q "started by potero only" "$scratch/decoder.log" ||
    fail "the installed decoder, started by hand, gave $status: $(cat "$scratch/decoder.log")"

# --- the icons: real PNGs of the theme's size, all of the same drawing
for size in 32 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ "$(od -An -tx1 -N8 "$png" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
    dims=$(od -An -tu4 --endian=big -j16 -N8 "$png" | xargs)
    [ "$dims" = "$size $size" ] || fail "the ${size}x$size icon is $dims"
    if command -v convert >/dev/null; then
        # The middle of the bus's face is its teal window band, at every size.
        x=$((size / 2)) y=$((size * 15 / 32))
        pixel=$(convert "$png" -format "%[pixel:p{$x,$y}]" info:)
        case "$pixel" in
        "srgb(0,128,128)" | "srgba(0,128,128,1)" | teal) ;;
        *) fail "the ${size}x$size icon is $pixel at its window band, not teal" ;;
        esac
    fi
done
cmp -s "$usr/share/icons/hicolor/scalable/apps/$id.svg" "$here/../../resources/artwork/icon.svg" ||
    fail "the scalable icon is not the window icon"

# --- the desktop entry and the metainfo name what is installed
desktop=$usr/share/applications/$id.desktop
metainfo=$usr/share/metainfo/$id.metainfo.xml
[ -f "$desktop" ] && [ -f "$metainfo" ] || fail "desktop entry or metainfo missing"
field() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(field Icon)" = "$id" ] || fail "the desktop entry's icon is $(field Icon)"
exec=$(field Exec)
[ -e "$usr/bin/${exec%% *}" ] ||
    fail "the desktop entry starts ${exec%% *}, which bin does not hold"
[ "$(field Terminal)" = false ] || fail "the desktop entry asks for a terminal"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" ||
    fail "the metainfo has no release $version, the project's version"
if command -v appstreamcli >/dev/null; then
    # The installed tree as a software centre reads it: the metainfo with its desktop entry.
    appstreamcli validate-tree --no-net "$root" >"$scratch/validate-tree.log" 2>&1 ||
        fail "appstreamcli rejects the installed tree: $(cat "$scratch/validate-tree.log")"
fi

# --- the installed program, offscreen: it runs, from its own folder
run_dir=$scratch/run
mkdir -p "$run_dir/config"
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; true; }
trap cleanup EXIT
(cd "$run_dir" && QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$run_dir/config \
    exec "$usr/bin/potero" 2>"$run_dir/offscreen.log") &
pid=$!
sleep 2
kill -0 "$pid" 2>/dev/null ||
    fail "the installed program ended at once: $(cat "$run_dir/offscreen.log")"
# The folder the program takes for its own: the library's and the settings file's.
[ "$(readlink "/proc/$pid/exe")" = "$(readlink -f "$program")" ] ||
    fail "started through the link, the program runs as $(readlink "/proc/$pid/exe")"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=

# --- under X: the library's and the settings' places. The window manager's close lets the
# program save its settings.
if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null; then
    echo "ok (offscreen only: the library and the settings need an X display and xdotool)"
    exit 0
fi

# Starts the installed program as $1 (empty: ourselves) with its configuration in $2, closes it
# and waits for its end.
run_and_close() {
    local -a prefix=()
    [ -n "$1" ] && prefix=(setpriv --reuid="$1" --regid="$1" --clear-groups)
    (cd "$run_dir" && XDG_CONFIG_HOME=$2 HOME=$2 exec "${prefix[@]}" "$usr/bin/potero" 2>>"$run_dir/x11.log") &
    pid=$!
    main=$(wait_window "$MAIN_TITLE") ||
        fail "the installed program's window did not appear: $(cat "$run_dir/x11.log")"
    close_potero
}

# The maker's library is opened at the version dialog's link, from the program's own folder.
# BROWSER: the desktop's opener hands the address to a command that does nothing.
(cd "$run_dir" && XDG_CONFIG_HOME=$run_dir/config BROWSER=true \
    exec "$usr/bin/potero" 2>>"$run_dir/x11.log") &
pid=$!
panel=$(wait_window "$PANEL_TITLE") || fail "the installed program's panel did not appear"
grep -q libZOR7Res /proc/$pid/maps && fail "libZOR7Res.so is loaded before it is asked for"
click_control "$panel" 720 2145 1515 360 # バージョン情報
dialog=$(wait_window "$VERSION_DIALOG_TITLE") || fail "the version dialog did not open"
wait_active "$dialog"
click_control "$dialog" 240 2985 3315 225 # the link
mapped() { grep -q libZOR7Res /proc/$pid/maps; }
wait_for "the link loaded no libZOR7Res.so" mapped
loaded=$(sed -n 's/.* \(\/.*libZOR7Res\.so\)$/\1/p' /proc/$pid/maps | head -1)
[ "$loaded" = "$(readlink -f "$library")" ] || fail "the link loaded '$loaded', not $library"
kill "$pid"
wait "$pid" 2>/dev/null || true
pid=

# The program's folder is writable by its owner: the settings file goes beside it.
run_and_close "" "$run_dir/config"
[ -f "$usr/lib/potero/potero.ini" ] || fail "no settings file beside the writable executable"
[ -z "$(ls -A "$run_dir/config")" ] || fail "a settings file went to the configuration folder"

# A user who cannot write there, as in a system install: the configuration folder instead.
rm "$usr/lib/potero/potero.ini"
user_config=$run_dir/user-config
mkdir -m 0777 "$user_config"
if [ "$(id -u)" -eq 0 ]; then
    chmod -R a+rX "$scratch"
    user=65534
else
    chmod a-w "$usr/lib/potero"
    user=
fi
run_and_close "$user" "$user_config"
[ -n "$user" ] || chmod u+w "$usr/lib/potero"
[ -f "$user_config/potero/potero.ini" ] ||
    fail "no settings file in the configuration folder: $(find "$user_config" -type f)"
[ ! -e "$usr/lib/potero/potero.ini" ] || fail "a settings file appeared in the unwritable folder"
echo "ok"
