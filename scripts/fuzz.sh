#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/, clang) in BUILD and runs each for
# FUZZ_SECONDS from a seed corpus. Prints one line per target,
#   fuzz TARGET execs N crashes K
# and fails when any target found something (the input is named).
#   scripts/fuzz.sh [BUILD]      FUZZ_SECONDS=60  FUZZ_TARGETS="biff xlsx ..."
# FUZZ_ARGS adds libFuzzer options to every target (e.g. -only_ascii=1).
set -uo pipefail

# Read whole before running, so that editing the script mid-run is harmless.
{

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-fuzz}")
seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-"biff xlsx csv date address verify manifest signature"}
fixtures=$root/tests/fixtures

CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja >/dev/null || exit 1
cmake --build "$build" -j "${JOBS:-2}" || exit 1

# The largest input each reader is given: workbooks up to 1 MB, a CSV report
# 256 KB, a payment time 256 bytes, an address 4 KB, a database 64 KB, the
# update information a little over the 64 KB it may have.
declare -A maxLen=([biff]=1048576 [xlsx]=1048576 [csv]=262144 [date]=256 [address]=4096 [verify]=65536
                   [manifest]=66560 [signature]=66560)

# Options of one target beyond the common ones. libgsf's compound-document
# parser (gsf_infile_msole_new) leaks a directory entry of some damaged
# documents; the leak lies wholly inside the library, and its stack cannot be
# unwound through GLib cheaply enough to suppress it by name, so the BIFF
# target runs without the leak check, neither per input nor at exit (where
# the leaks of the whole run would fail it). Every other target keeps it.
declare -A extra=([biff]=-detect_leaks=0)
declare -A sanitizer=([biff]=detect_leaks=0)

# The seeds of one target, as files in a folder of their own.
seeds() {
    local target=$1 dir=$build/seeds/$1
    rm -rf "$dir" && mkdir -p "$dir"
    case $target in
        biff)
            # The workbooks, and their bare workbook streams where the
            # fixture's layout lets fuzz/workbook_stream.py take them out.
            cp "$fixtures"/*.xls "$dir"/
            for f in "$fixtures"/*.xls; do
                python3 "$root/fuzz/workbook_stream.py" "$f" "$dir/$(basename "$f" .xls).stream" 2>/dev/null || true
            done
            ;;
        xlsx)
            # The workbooks, and the same with their parts stored rather
            # than deflated, so that mutations reach the XML itself.
            cp "$fixtures"/*.xlsx "$dir"/
            for f in "$fixtures"/*.xlsx; do
                python3 - "$f" "$dir/$(basename "$f" .xlsx).stored.xlsx" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as src, zipfile.ZipFile(sys.argv[2], 'w', zipfile.ZIP_STORED) as out:
    for item in src.infolist():
        out.writestr(item.filename, src.read(item), zipfile.ZIP_STORED)
PY
            done
            ;;
        csv) cp "$fixtures"/*.csv "$dir"/ ;;
        date | address) cp "$root/fuzz/seeds/$target"/* "$dir"/ ;;
        # The signature target signs its input itself, so both start from
        # the same unsigned update information.
        manifest | signature) cp "$root/fuzz/seeds/manifest"/* "$dir"/ ;;
        verify)
            # A new database as the program makes it, and the same cut short.
            "$build/kestrix-newdb" "$dir/new.mdb" >/dev/null || return 1
            head -c 4096 "$dir/new.mdb" >"$dir/truncated.mdb"
            ;;
    esac
    echo "$dir"
}

failed=0
summary=()
for target in $targets; do
    corpus=$build/corpus/$target
    artifacts=$build/crashes/$target
    log=$build/logs/$target.log
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    seedDir=$(seeds "$target") || { echo "fuzz: no seeds for $target" >&2; exit 1; }
    echo "fuzz: $target for ${seconds} s (log $log)"
    ASAN_OPTIONS=${sanitizer[$target]:-${ASAN_OPTIONS:-}} "$build/fuzz_$target" "$corpus" "$seedDir" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -max_len="${maxLen[$target]}" \
        -timeout=60 ${extra[$target]:-} -print_final_stats=1 -artifact_prefix="$artifacts/" ${FUZZ_ARGS:-} >"$log" 2>&1
    rc=$?
    execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')
    # libFuzzer names the input it stopped on (crash, leak, timeout, oom).
    found=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log")
    crashes=$(printf '%s' "$found" | grep -c . || true)
    if [ "$rc" -ne 0 ] && [ "$crashes" -eq 0 ]; then
        crashes=1
        found="(no input written; see $log)"
    fi
    summary+=("fuzz $target execs ${execs:-0} crashes $crashes")
    if [ "$crashes" -gt 0 ]; then
        failed=1
        echo "fuzz: $target found a fault; input: $found; log: $log" >&2
    fi
done

printf '%s\n' "${summary[@]}"
exit $failed
}
