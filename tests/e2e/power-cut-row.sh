#!/usr/bin/env bash
# One row of the power-cut table, in the Wine machine that wine-run made for
# it: the user's machine is laid out; the package runs as the client's
# automatic run and, DELAY_MS after its start, every Windows process of the
# machine ends at once (its server ends them all) as in a power cut; the
# machine restarts (wineboot -r: RunOnce entries and pending renames); the
# package runs again by hand; the machine is checked. With "measure" the first
# run is not cut: its length is written to LENGTH_FILE, for the moments of the
# other rows, and the machine is checked after it (as after a run that ended
# before its cut).
# Usage: power-cut-row.sh E2E_TESTS_EXE measure LENGTH_FILE | cut DELAY_MS
set -u
tests=$1 mode=$2 argument=$3
package="$ZU_DIST_DIR/ZEMIUpdatePackage.exe"
journal="$WINEPREFIX/drive_c/zu-standins/journal.txt"
harness=$(dirname "$(realpath "$0")")/../harness

phase() {
    wine "$tests" --gtest_also_run_disabled_tests --gtest_filter="PowerCut.DISABLED_$1" |
        tr -d '\r'
    return "${PIPESTATUS[0]}"
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# The program of the journal's last start line (seven tab-separated fields).
last_start() {
    tr -d '\r' <"$journal" 2>/dev/null | awk -F'\t' 'NF == 7 { last = $1 " " $3 } END { print last ? last : "none" }'
}

phase LayOutTheUsersMachine || { echo "power-cut: the user's machine could not be laid out"; exit 1; }
start=$(now_ms)
wine "$package" /s &
first=$!
cut=0
if [ "$mode" = cut ]; then
    sleep "$(printf '%d.%03d' $((argument / 1000)) $((argument % 1000)))"
    if kill -0 $first 2>/dev/null; then
        "$harness/end-wine-machine.sh"
        cut=1
        echo "power-cut: cut at $argument ms; the last program started before it: $(last_start)"
    else
        echo "power-cut: the run had ended before $argument ms; nothing was cut"
    fi
fi
wait $first
rc=$?
if [ "$mode" = measure ]; then
    echo $(( $(now_ms) - start )) >"$argument"
    echo "power-cut: the uncut run took $(cat "$argument") ms"
fi
if [ $cut = 1 ]; then
    wineserver -p </dev/null >/dev/null 2>&1
    wineboot -r </dev/null >/dev/null 2>&1
    wine "$package" /s
    rc=$?
    echo "power-cut: the run by hand ended with exit code $rc"
fi
ZU_POWER_CUT_EXIT_CODE=$rc phase CheckTheMachineAfterTheRuns
