#!/usr/bin/env bash
# Makes, once, the Wine prefix the Windows tests copy for each run and prints its folder: 64-bit,
# Wine's Mono and Gecko left out, no sound driver (nothing plays into the desktop's sound server),
# IPA's Gothic fonts standing in for the Japanese Windows faces, and a browser stand-in that
# writes down the addresses it is given (the file named by POTERO_OPENED). Cached under
# ~/.cache, keyed by Wine's version and this script.
set -euo pipefail
key=$( { wine --version; cat "$0"; } | sha256sum | cut -c1-16)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/potero
prefix=$cache/wineprefix-$key
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi
rm -rf "$cache"/wineprefix-* && mkdir -p "$cache" # an older prefix is not used again
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
wineboot --init >&2 2>/dev/null
reg() { wine reg add "$@" /f >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\Drivers' /v Audio /d ''
for face in 'MS UI Gothic' 'ＭＳ Ｐゴシック' 'MS PGothic' 'Meiryo UI' 'メイリオ' 'Yu Gothic UI'; do
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAPGothic
done
for face in 'ＭＳ ゴシック' 'MS Gothic'; do
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAGothic
done
# The Latin faces every Windows has, by their metric-compatible stand-ins, as the reference
# pictures of the metafile tests were drawn with.
reg 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans'
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Times New Roman' /d 'Liberation Serif'
reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /d 'Liberation Mono'
# Links open through the stand-in, never a real browser.
cat >"$prefix/record-browser" <<'EOS'
#!/bin/sh
printf '%s\n' "$1" >>"${POTERO_OPENED:-/dev/null}"
EOS
chmod +x "$prefix/record-browser"
reg 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$prefix/record-browser"
wineserver -w
touch "$prefix/.complete"
echo "$prefix"
