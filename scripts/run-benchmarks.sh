#!/usr/bin/env bash
# Runs every benchmark program and collects their closing "ratio NAME VALUE" lines.
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
