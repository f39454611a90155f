#!/usr/bin/env bash
# Makes the template Wine prefixes that every test copies: a 64-bit (WoW64) one
# and a 32-bit one, both headless and with the Task Scheduler service on.
# Usage: make-templates.sh DIR   (creates DIR/template-64 and DIR/template-32 once)
set -eu
dir=$(realpath -m "$1")
mkdir -p "$dir"
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d

make_template() {
    local arch=$1 prefix="$dir/template-$1"
    [ -f "$prefix/.zu-ready" ] && return 0
    rm -rf "$prefix"
    if [ "$arch" = 32 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
    export WINEPREFIX=$prefix
    wineboot -i </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wine reg add 'HKLM\System\CurrentControlSet\Services\Schedule' /v Start /t REG_DWORD /d 2 /f \
        >/dev/null 2>&1
    wineserver -k || true
    wineserver -w || true
    touch "$prefix/.zu-ready"
}

make_template 64
make_template 32
