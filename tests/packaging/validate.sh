#!/usr/bin/env bash
# Runs one of the desktop's validators on a file of ours; a warning fails as an error does.
# Usage: validate.sh appstreamcli|desktop-file-validate FILE    (exit 77: skipped, no validator)
set -euo pipefail
tool=$1 file=$2
command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
case "$tool" in
appstreamcli)
    # --no-net: the home page is not fetched; --explain names the rule behind each finding.
    appstreamcli validate --no-net --explain "$file"
    ;;
desktop-file-validate)
    # It prints its findings and still exits 0 for hints, so any output is a failure.
    out=$(desktop-file-validate "$file" 2>&1) || { echo "$out"; exit 1; }
    [ -z "$out" ] || { echo "$out"; exit 1; }
    echo "ok: $file"
    ;;
*)
    echo "unknown validator $tool" >&2
    exit 2
    ;;
esac
