#!/usr/bin/env bash
# Runs the packaged launcher on a fresh simulated machine (a new 64-bit Wine
# prefix on a virtual X screen) as a user would start it, and reports what it did.
# Usage: tools/demo.sh BUILD_DIR [launcher arguments...]
set -eu
build=$(realpath "$1"); shift
root=$(cd "$(dirname "$0")/.." && pwd)
out="$build/demo"
if [ -z "${ZU_DEMO_IN_XVFB:-}" ] || [ ! -d "$out/machine" ]; then
    rm -rf "$out"; mkdir -p "$out"
    bash "$root/tests/harness/make-templates.sh" "$build/wine"
    cp -a "$build/wine/template-64" "$out/machine"
fi
export WINEPREFIX="$out/machine" WINEDEBUG=-all

reg() { wine reg "$@" >/dev/null 2>&1 || true; }
query() { wine reg query 'HKLM\SOFTWARE\Koru Corporation\ZEMI Update' /reg:64 2>/dev/null |
          tr -d '\r' | sed -n 's/^ *\(\w*\) *REG_\w* *\(.*\)$/    \1 = \2/p'; }

run() {
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # A real display instead of the tests' headless driver, for the screenshot.
    reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f
    # The client asks for a self-repair install, as it does before starting the package.
    reg add 'HKLM\SOFTWARE\Koru Corporation\ZEMI Update' /v ZUSRInstall /d 1 /f /reg:64
    echo "Before the run, the product key holds:"; query
    # The desktop process started above still draws with the old driver.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    wineserver -p </dev/null >/dev/null 2>&1 || true

    echo; echo "Starting dist/ZUInstaller.exe $*"
    ZU_OBSERVE_SECONDS=5 wine "$build/testbin/launcher_observer.exe" "$root/dist/ZUInstaller.exe" "$@" \
        > "$out/observer.txt" 2>&1 &
    local observer=$!
    for _ in $(seq 1 300); do
        grep -q '^held' "$out/observer.txt" 2>/dev/null && break
        kill -0 $observer 2>/dev/null || break
        sleep 0.1
    done
    if grep -q '^held' "$out/observer.txt"; then
        sleep 2  # let X draw the window
        /usr/bin/import -window root "$out/screen.png" 2>/dev/null || true
    fi
    wait $observer || true
    tr -d '\r' < "$out/observer.txt" | grep -v '^held' | sed 's/^/    /'

    echo; echo "After the run, the product key holds:"; query
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
}
if [ -z "${DISPLAY:-}" ] && [ -z "${ZU_DEMO_IN_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
    # Again, on a virtual X screen.
    ZU_DEMO_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build" "$@"
fi
run "$@"
geometry=$(tr -d '\r' < "$out/observer.txt" |
           sed -n 's/^window: \([0-9]*\) x \([0-9]*\) at (\([0-9-]*\), \([0-9-]*\)).*/\1x\2+\3+\4/p')
if [ -f "$out/screen.png" ] && [ -n "$geometry" ]; then
    /usr/bin/convert "$out/screen.png" -crop "$geometry" "$out/window.png" 2>/dev/null || true
    echo; echo "Screenshots taken during the run: $out/window.png (the window), $out/screen.png"
fi
