#!/usr/bin/env bash
# Screenshots of the region window as a user sees it, one per UI language: the
# packaged launcher runs on a fresh 64-bit Wine machine without any region (so
# it asks), on a virtual X screen; each language gives the window as it first
# appears and once "Japan" is picked, then the window is cancelled.
# Usage: tools/region-window-screenshot.sh BUILD_DIR [LOCALE...]
#   (default locales: en_US.UTF-8 de_DE.UTF-8; Japanese needs a Japanese UI font
#   with Latin letters on the host, which Debian's Droid Sans Fallback is not)
# Output: BUILD_DIR/region-window/region-window-<locale>.png and -<locale>-chosen.png
set -eu
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
out="$build/region-window"
zu_build=$build zu_machines_here=$out
. "$root/tests/harness/tool-machine.sh"
shift
locales=("$@")
[ ${#locales[@]} -gt 0 ] || locales=(en_US.UTF-8 de_DE.UTF-8)

if [ -z "${DISPLAY:-}" ] && [ -z "${ZU_SHOT_IN_XVFB:-}" ]; then
    ZU_SHOT_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build" "${locales[@]}"
fi
rm -rf "$out" "$zu_machines"; mkdir -p "$out" "$zu_machines"
bash "$root/tests/harness/make-templates.sh" "$build/wine"
cp -a "$zu_templates/template-64" "$zu_machines/machine"
export WINEPREFIX="$zu_machines/machine" WINEDEBUG=-all

# The templates are headless: the X11 driver needs the Graphics setting gone
# and a fresh wineserver.
wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true
# No window manager runs on the virtual screen: Wine draws the title bars itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1 || true

for locale in "${locales[@]}"; do
    name=${locale%%.*}
    log="$out/presenter-$name.txt"
    LC_ALL=$locale wine "$build/testbin/region_window_presenter.exe" "$root/dist/ZUInstaller.exe" \
        > "$log" 2>&1 &
    presenter=$!
    shots=""
    while kill -0 $presenter 2>/dev/null; do
        geometry=$(tr -d '\r' < "$log" | awk '$1 == "window" { printf "%dx%d+%d+%d", $4, $5, $2, $3 }')
        if [[ "$shots" != *w* ]] && [ -n "$geometry" ]; then
            /usr/bin/import -window root -crop "$geometry" "$out/region-window-$name.png"
            shots+=w
        fi
        if [[ "$shots" != *c* ]] && grep -q '^chosen' "$log"; then
            /usr/bin/import -window root -crop "$geometry" "$out/region-window-$name-chosen.png"
            shots+=c
        fi
        sleep 0.2
    done
    wait $presenter || true
    echo "$locale: $(tr -d '\r' < "$log" | tr '\n' ' ')"
done
wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true
ls "$out"/*.png
