#!/usr/bin/env bash
# Time from exec to the main window's first painted frame, and peak resident memory: potero
# beside a bare Qt Widgets window and beside a bare one with a panel of Japanese text (the fair
# anchor), alternating, 20 runs each, medians and ratios.
# Usage: bench/startup.sh BUILD_DIR   (needs DISPLAY; ./dev bench provides one)
set -euo pipefail
build=${1:?usage: bench/startup.sh BUILD_DIR}
runs=${RUNS:-20}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of its own, so the settings file it reads and writes is a fresh one beside it.
cp "$build/bench/startup_potero" "$work/"

measure() { # program -> "milliseconds kilobytes"
    local start out
    start=$(date +%s%N)
    out=$("$@" 2>/dev/null)
    local frame rss
    frame=$(sed -n 's/^first-frame-ns //p' <<<"$out")
    rss=$(sed -n 's/^peak-rss-kb //p' <<<"$out")
    echo "$(( (frame - start) / 1000 )) $rss"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/potero.txt"; : >"$work/bare.txt"; : >"$work/text.txt"
for _ in $(seq "$runs"); do
    measure "$work/startup_potero" >>"$work/potero.txt"
    measure "$build/bench/bare_window" >>"$work/bare.txt"
    measure "$build/bench/bare_text_window" >>"$work/text.txt"
done
p_ms=$(awk '{ print $1 / 1000 }' "$work/potero.txt" | median)
b_ms=$(awk '{ print $1 / 1000 }' "$work/bare.txt" | median)
p_kb=$(awk '{ print $2 }' "$work/potero.txt" | median)
b_kb=$(awk '{ print $2 }' "$work/bare.txt" | median)
t_ms=$(awk '{ print $1 / 1000 }' "$work/text.txt" | median)
t_kb=$(awk '{ print $2 }' "$work/text.txt" | median)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "machine: $(nproc) cores, $(uname -sr); display $DISPLAY; $runs runs each"
printf 'first frame  potero %.1f ms   bare %.1f ms (ratio %s)   with text %.1f ms (ratio %s, goal at most 1.10)\n' \
    "$p_ms" "$b_ms" "$(ratio "$p_ms" "$b_ms")" "$t_ms" "$(ratio "$p_ms" "$t_ms")"
printf 'peak RSS     potero %d KiB   bare %d KiB (ratio %s)   with text %d KiB (ratio %s, goal at most 1.05)\n' \
    "$p_kb" "$b_kb" "$(ratio "$p_kb" "$b_kb")" "$t_kb" "$(ratio "$p_kb" "$t_kb")"

# Idle: 10 s after the first frame, once each.
idle() { BENCH_IDLE_SECONDS=10 "$@" 2>/dev/null | awk '/^idle-cpu-ms/ { c = $2 } /^idle-wakeups/ { w = $2 } END { print c, w }'; }
read -r p_cpu p_wake < <(idle "$work/startup_potero")
read -r b_cpu b_wake < <(idle "$build/bench/bare_window")
printf 'idle 10 s    potero %s ms CPU, %s wake-ups   bare %s ms CPU, %s wake-ups (goal: none beyond bare)\n' "$p_cpu" "$p_wake" "$b_cpu" "$b_wake"
