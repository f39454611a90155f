#!/usr/bin/env bash
# Runs the package on a fresh simulated machine with generation 5 of the client
# and its data installed (a new 64-bit Wine prefix on a virtual X screen), as a
# user would: double-click, then OK on the launcher's message box. Reports the
# machine before and after, the programs the run started, and screenshots.
# Usage: tools/demo.sh BUILD_DIR
set -eu
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
out="$build/demo"
zu_build=$build zu_machines_here=$out
. "$root/tests/harness/tool-machine.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${ZU_DEMO_IN_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
    rm -rf "$out"
    ZU_DEMO_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build"
fi
rm -rf "$out" "$zu_machines"; mkdir -p "$out" "$zu_machines"
bash "$root/tests/harness/make-templates.sh" "$build/wine"
cp -a "$zu_templates/template-64" "$zu_machines/machine"
export WINEPREFIX="$zu_machines/machine" WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d ZU_TEST_BIN_DIR="$build/testbin" ZU_DIST_DIR="$root/dist"
drive="$WINEPREFIX/drive_c"
native="$drive/Program Files/Koru"
data="$drive/ProgramData/Koru Corporation/ZEMI Update"

wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1 || true

report() {
    for folder in "ZEMI Update 5" "ZEMI Update"; do
        if [ -f "$native/$folder/Version.txt" ]; then
            echo "    $folder: version $(head -n1 "$native/$folder/Version.txt" | tr -d '\r')"
        else
            echo "    $folder: not installed"
        fi
    done
    echo "    data files: $(find "$data" -type f 2>/dev/null | wc -l) under ProgramData\\Koru Corporation\\ZEMI Update"
}
shot() { sleep 1; /usr/bin/import -window root "$out/$1" 2>/dev/null || true; }

wine "$build/testbin/demo_machine.exe"
echo "The machine: 64-bit Windows with generation 5 of the client and its data."
report

# The new setup takes a few seconds here, as a real one does.
mkdir -p "$drive/zu-standins"
printf '[setup.exe]\r\nsleep_ms=4000\r\n' > "$drive/zu-standins/behaviour.ini"

echo; echo "A user runs dist/ZEMIUpdatePackage.exe."
wine "$build/testbin/demo_driver.exe" "$root/dist/ZEMIUpdatePackage.exe" > "$out/driver.txt" 2>&1 &
driver=$!
shots=""
while kill -0 $driver 2>/dev/null; do
    if [[ "$shots" != *w* ]] && grep -q '^window' "$out/driver.txt"; then shot window.png; shots+=w; fi
    if [[ "$shots" != *b* ]] && grep -q '^box' "$out/driver.txt"; then shot box.png; shots+=b; fi
    sleep 0.2
done
wait $driver || true
tr -d '\r' < "$out/driver.txt" | sed 's/^/    /'

sleep 2  # the client is started without waiting: let it write its line
echo; echo "Programs the run started (from the stand-ins' journal):"
tr -d '\r' < "$drive/zu-standins/journal.txt" 2>/dev/null |
    awk -F'\t' 'NF >= 7 { printf "    %-22s %s\n", $1, $3 }'
echo; echo "The machine afterwards:"
report
wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true

echo
for f in window.png box.png; do
    [ -f "$out/$f" ] && echo "Screenshot: $out/$f"
done
exit 0
