#!/usr/bin/env bash
# Time from exec to the main window's first painted frame, and the memory of all the program's
# processes (proportional set size, summed, half a second after the frame): potero beside a
# bare Qt Widgets window and beside a bare one with a panel of Japanese text (the fair anchor),
# alternating, 20 runs each, medians and ratios. potero runs twice: on a first run (no settings,
# no picture) and with a sign folder and a signboard picture set, when the decoder runs too.
# Usage: bench/startup.sh BUILD_DIR   (needs DISPLAY; ./dev bench provides one)
set -euo pipefail
build=${1:?usage: bench/startup.sh BUILD_DIR}
runs=${RUNS:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Copies of their own, so the settings file each reads and writes is beside it: none for the
# first run, one naming a sign folder and a signboard picture for the other.
mkdir -p "$work/first" "$work/pictures" "$work/signs"
cp "$build/bench/startup_potero" "$work/first/"
cp "$build/bench/startup_potero" "$work/pictures/"
convert -size 52x32 xc:navy "$work/signs/a.bmp"
convert -size 400x120 gradient:orange-white "$work/board.jpg"
printf '0,0,0,3285,"%s/","",0,0,"%s",3480,2325,#TRUE#,#TRUE#,10000,6000,0\r\n' \
    "$work/signs" "$work/board.jpg" >"$work/pictures/startup_potero.ini"

measure() { # program -> "milliseconds kilobytes"
    local start out
    start=$(date +%s%N)
    out=$("$@" 2>/dev/null)
    local frame rss
    frame=$(sed -n 's/^first-frame-ns //p' <<<"$out")
    rss=$(sed -n 's/^pss-kb //p' <<<"$out")
    echo "$(( (frame - start) / 1000 )) $rss"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/potero.txt"; : >"$work/bare.txt"; : >"$work/text.txt"; : >"$work/pictures.txt"
for _ in $(seq "$runs"); do
    measure "$work/first/startup_potero" >>"$work/potero.txt"
    measure "$work/pictures/startup_potero" >>"$work/pictures.txt"
    measure "$build/bench/bare_window" >>"$work/bare.txt"
    measure "$build/bench/bare_text_window" >>"$work/text.txt"
done
p_ms=$(awk '{ print $1 / 1000 }' "$work/potero.txt" | median)
b_ms=$(awk '{ print $1 / 1000 }' "$work/bare.txt" | median)
p_kb=$(awk '{ print $2 }' "$work/potero.txt" | median)
b_kb=$(awk '{ print $2 }' "$work/bare.txt" | median)
t_ms=$(awk '{ print $1 / 1000 }' "$work/text.txt" | median)
t_kb=$(awk '{ print $2 }' "$work/text.txt" | median)
s_ms=$(awk '{ print $1 / 1000 }' "$work/pictures.txt" | median)
s_kb=$(awk '{ print $2 }' "$work/pictures.txt" | median)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "machine: $(nproc) cores, $(uname -sr); display $DISPLAY; $runs runs each"
printf 'first frame  potero %.1f ms   bare %.1f ms (ratio %s)   with text %.1f ms (ratio %s, goal at most 1.10)\n' \
    "$p_ms" "$b_ms" "$(ratio "$p_ms" "$b_ms")" "$t_ms" "$(ratio "$p_ms" "$t_ms")"
printf 'memory (PSS) potero %.0f KiB   bare %.0f KiB (ratio %s)   with text %.0f KiB (ratio %s, goal at most 1.05)\n' \
    "$p_kb" "$b_kb" "$(ratio "$p_kb" "$b_kb")" "$t_kb" "$(ratio "$p_kb" "$t_kb")"
printf 'with a sign folder and a signboard picture: first frame %.1f ms (ratio %s to text, goal at most 1.35)   memory %.0f KiB (ratio %s, goal at most 1.25)\n' \
    "$s_ms" "$(ratio "$s_ms" "$t_ms")" "$s_kb" "$(ratio "$s_kb" "$t_kb")"

# Idle: 10 s after the first frame, once each.
idle() { BENCH_IDLE_SECONDS=10 "$@" 2>/dev/null | awk '/^idle-cpu-ms/ { c = $2 } /^idle-wakeups/ { w = $2 } END { print c, w }'; }
read -r p_cpu p_wake < <(idle "$work/first/startup_potero")
read -r b_cpu b_wake < <(idle "$build/bench/bare_window")
printf 'idle 10 s    potero %s ms CPU, %s wake-ups   bare %s ms CPU, %s wake-ups (goal: none beyond bare)\n' "$p_cpu" "$p_wake" "$b_cpu" "$b_wake"
