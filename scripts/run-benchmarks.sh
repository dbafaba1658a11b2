#!/usr/bin/env bash
# Runs every benchmark program; each closes with its "ratio NAME VALUE" lines
# (ours/bare, medians) and "ms NAME VALUE" lines (the whole user action).
set -euo pipefail
build=${1:-build}
export QT_QPA_PLATFORM=offscreen
status=0
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  (cd "$(mktemp -d)" && "$OLDPWD/$b" ) || status=1
done
exit $status
