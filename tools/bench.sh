#!/usr/bin/env bash
# make bench: measures dist/ZUInstaller.exe in one run on this machine, in
# 64-bit Wine machines made from the test templates, and prints the table
# that it also writes to BUILD_DIR/bench/results.md:
#   - the file's size against its budget;
#   - time from process start to the visible progress window, against a bare
#     Win32 program with a window of the same size (median of 10 each, alternating);
#   - a whole run with instant stand-ins (generation 5 with its data replaced by
#     the new one; the package started as a user would), from the launcher's
#     process start to its completion box, against a bare program that makes
#     the same process starts and waits (median of 3 each, alternating);
#   - the launcher's CPU time while it waits 10 s for the new setup;
#   - its peak working set at the completion box.
# Windows run on Wine's null display driver, as in the tests.
# Usage: tools/bench.sh BUILD_DIR
set -eu
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
out="$build/bench"
bin="$build/testbin"
zu_build=$build zu_machines_here=$out
. "$root/tests/harness/tool-machine.sh"
rm -rf "$out"; mkdir -p "$out" "$zu_machines"
bash "$root/tests/harness/make-templates.sh" "$build/wine" >/dev/null
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d ZU_TEST_BIN_DIR="$bin" ZU_DIST_DIR="$root/dist"

budget_kb=250
window_goal=1.2
run_goal=1.3
cpu_goal_ms=50
window_rounds=10
run_rounds=3

stop_machine() { wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; }
# use_machine NAME SOURCE: a fresh copy of the prefix SOURCE, with its server running.
use_machine() {
    stop_machine
    rm -rf "${zu_machines:?}/$1"
    cp -a "$2" "$zu_machines/$1"
    export WINEPREFIX="$zu_machines/$1"
    wineserver -p </dev/null >/dev/null 2>&1
}
winpath() { winepath -w "$1" 2>/dev/null; }
# field NAME LINE: the value of NAME=... in the probe's output line.
field() { tr -d '\r' <<<"$2" | tr ' ' '\n' | sed -n "s/^$1=//p"; }
median() { python3 -c 'import sys,statistics; print(f"{statistics.median(float(x) for x in sys.argv[1:]):.1f}")' "$@"; }
ratio() { python3 -c 'import sys; print(f"{float(sys.argv[1])/float(sys.argv[2]):.2f}")' "$1" "$2"; }
met() { python3 -c 'import sys; print("met" if float(sys.argv[1]) <= float(sys.argv[2]) else "not met")' "$1" "$2"; }
probe() { wine "$bin/bench_probe.exe" "$@" 2>/dev/null | tr -d '\r' | tail -n1; }
# probe_keeping FILE ...: as probe, keeping the whole output (the run's timeline) in FILE.
probe_keeping() {
    local file=$1; shift
    wine "$bin/bench_probe.exe" "$@" 2>/dev/null | tr -d '\r' >"$file"
    tail -n1 "$file"
}

launcher_exe=$(winpath "$root/dist/ZUInstaller.exe")
package_exe=$(winpath "$root/dist/ZEMIUpdatePackage.exe")
bare_exe=$(winpath "$bin/bare_launcher.exe")

# The machine of a whole run: generation 5 with its data, laid out once.
use_machine generation5 "$zu_templates/template-64"
wine "$bin/demo_machine.exe" >/dev/null 2>&1
stop_machine

echo "Time to window: $window_rounds starts each, alternating."
use_machine window "$zu_templates/template-64"
launcher_window=(); bare_window=()
for _ in $(seq "$window_rounds"); do
    launcher_window+=("$(field ms "$(probe window ZUINSTALLER "$launcher_exe")")")
    bare_window+=("$(field ms "$(probe window ZUBAREWINDOW "$bare_exe")")")
done
stop_machine

# The floor's starts: the launcher's own children from the run's journal, by
# the path they ran from (a stand-in of the same name where the run took the
# file away), each waited for; and the two taskkill starts, which the journal
# cannot see. The client starts after the box: it is not part of the run timed.
starts_from_journal() {
    local journal="$WINEPREFIX/drive_c/zu-standins/journal.txt"
    printf 'nowait\tC:\\windows\\system32\\taskkill.exe\t/f /im DARiziz.exe\r\n'
    printf 'nowait\tC:\\windows\\system32\\taskkill.exe\t/f /im ZEMIUpdt.exe\r\n'
    tr -d '\r' <"$journal" | awk -F'\t' 'NF >= 7 && tolower($6) ~ /zuinstaller\.exe$/ { print $1 "\t" $2 "\t" $3 }' |
        while IFS=$'\t' read -r program path arguments; do
            local unix_path
            unix_path=$(winepath -u "$path" 2>/dev/null || true)
            if [ -z "$unix_path" ] || [ ! -f "$unix_path" ]; then
                path=$(winpath "$bin/standins/$program")
            fi
            [ "$program" = ZEMIUpdt.exe ] && continue
            printf 'wait\t%s\t%s\r\n' "$path" "$arguments"
        done
}

echo "Whole runs: $run_rounds each, alternating."
launcher_run=(); floor_run=(); peak=(); floor_peak=(); starts=0
for round in $(seq "$run_rounds"); do
    use_machine "run$round" "$zu_machines/generation5"
    line=$(probe_keeping "$out/launcher-run$round.txt" run ZUInstaller.exe "$package_exe")
    launcher_run+=("$(field ms "$line")"); peak+=("$(field peak_kb "$line")")
    starts_from_journal >"$out/starts$round.txt"
    starts=$(grep -c . "$out/starts$round.txt")
    cp "$out/starts$round.txt" "$WINEPREFIX/drive_c/bench-starts.txt"
    line=$(probe run bare_launcher.exe "$bare_exe" 'C:\bench-starts.txt')
    floor_run+=("$(field ms "$line")"); floor_peak+=("$(field peak_kb "$line")")
    stop_machine
    rm -rf "${zu_machines:?}/run$round"
done

echo "CPU time while the launcher waits for a 10 s setup."
use_machine wait "$zu_machines/generation5"
mkdir -p "$WINEPREFIX/drive_c/zu-standins"
printf '[setup.exe]\r\nsleep_ms=10000\r\n' >"$WINEPREFIX/drive_c/zu-standins/behaviour.ini"
line=$(probe wait ZUInstaller.exe setup.exe "$package_exe")
wait_cpu=$(field child_cpu_ms "$line"); wait_ms=$(field child_ms "$line")
stop_machine
rm -rf "${zu_machines:?}/wait" "$zu_machines/window" "$zu_machines/generation5"

size=$(stat -c %s "$root/dist/ZUInstaller.exe")
size_kb=$(python3 -c "print(f'{$size/1024:.0f}')")
lw=$(median "${launcher_window[@]}"); bw=$(median "${bare_window[@]}")
lr=$(median "${launcher_run[@]}"); fr=$(median "${floor_run[@]}")
pk=$(median "${peak[@]}"); fpk=$(median "${floor_peak[@]}")

{
    echo "| figure | launcher | reference | ratio | goal | result |"
    echo "|---|---|---|---|---|---|"
    echo "| size of dist/ZUInstaller.exe | $size_kb KB ($size bytes) | budget $budget_kb KB | $(ratio "$size" $((budget_kb * 1024))) | <= 1.00 | $(met "$(ratio "$size" $((budget_kb * 1024)))" 1) |"
    echo "| start to visible window (median of $window_rounds) | ${lw} ms | bare window ${bw} ms | $(ratio "$lw" "$bw") | <= $window_goal | $(met "$(ratio "$lw" "$bw")" $window_goal) |"
    echo "| whole run, generation 5 to new, to the completion box (median of $run_rounds) | ${lr} ms | bare program, same $starts starts and waits: ${fr} ms | $(ratio "$lr" "$fr") | <= $run_goal | $(met "$(ratio "$lr" "$fr")" $run_goal) |"
    echo "| CPU time while waiting for a setup (${wait_ms:-?} ms) | ${wait_cpu:-?} ms | goal $cpu_goal_ms ms | $(ratio "${wait_cpu:-0}" $cpu_goal_ms) | < 1.00 | $(python3 -c "import sys; print('met' if float(sys.argv[1] or 1e9) < $cpu_goal_ms else 'not met')" "${wait_cpu:-}") |"
    echo "| peak working set at the completion box (median) | ${pk} KB | bare program ${fpk} KB | $(ratio "$pk" "$fpk") | none | reported |"
    echo
    echo "CPU times are as Wine counts them, in steps of about 10 ms."
    echo "Measured $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, $(wine --version), 64-bit Wine machines, null display driver."
    if [ -n "${ZU_IN_VM:-}" ]; then
        echo "These figures come from an emulated machine (QEMU's software processor, tests/harness/vm-run; this machine does not start 32-bit programs, or ZU_TEST_MACHINE=vm asked for it): every time is many times what real hardware gives, and the guest's clock may run slow; only the ratios measured side by side in this run mean anything."
    fi
    echo "Window starts (ms): launcher ${launcher_window[*]}; bare ${bare_window[*]}."
    echo "Whole runs (ms): launcher ${launcher_run[*]}; bare ${floor_run[*]}."
    echo
    echo "The whole run of median length, as processes (ms since the launcher's start; the package first):"
    echo
    echo '```'
    for round in $(seq "$run_rounds"); do
        if [ "$(median "${launcher_run[$((round - 1))]}")" = "$lr" ]; then
            grep '^at ' "$out/launcher-run$round.txt" | sed 's/^at //' | awk '{ name = $3; for (i = 4; i <= NF; i++) name = name " " $i; printf "%6s - %-6s %s\n", $1, $2, name }'
            break
        fi
    done
    echo "$lr box"
    echo '```'
} >"$out/results.md"
echo
cat "$out/results.md"
