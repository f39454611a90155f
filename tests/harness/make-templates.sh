#!/usr/bin/env bash
# Makes the template Wine prefixes that every test copies: a 64-bit (WoW64) one
# and a 32-bit one, both headless and with the Task Scheduler service on. Both
# are made at once, each once per build folder.
# Usage: make-templates.sh DIR   (creates DIR/template-64 and DIR/template-32)
# With ZU_WINE_TEMPLATES set to another folder (the emulated machine's own
# memory, which is lost with it), the templates are made there, and DIR keeps
# an archive of each (template-64.tar, template-32.tar) that the next run
# unpacks instead of making them again.
set -eu
dir=$(realpath -m "$1")
work=$(realpath -m "${ZU_WINE_TEMPLATES:-$dir}")
mkdir -p "$dir" "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d

make_template() {
    local arch=$1 prefix="$work/template-$1" archive="$dir/template-$1.tar"
    [ -f "$prefix/.zu-ready" ] && return 0
    rm -rf "$prefix"
    if [ "$work" != "$dir" ] && [ -f "$archive" ]; then
        tar -C "$work" -xf "$archive" && return 0
        rm -rf "$prefix"
    fi
    if [ "$arch" = 32 ]; then export WINEARCH=win32; else export WINEARCH=win64; fi
    export WINEPREFIX=$prefix
    wineboot -i </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wine reg add 'HKLM\System\CurrentControlSet\Services\Schedule' /v Start /t REG_DWORD /d 2 /f \
        >/dev/null 2>&1
    wineserver -k || true
    wineserver -w || true
    touch "$prefix/.zu-ready"
    if [ "$work" != "$dir" ]; then
        tar -C "$work" -cf "$archive.part" "template-$arch" && mv "$archive.part" "$archive"
    fi
}

make_template 64 &
t64=$!
make_template 32 &
t32=$!
rc=0
wait $t64 || rc=1
wait $t32 || rc=1
for arch in 64 32; do
    [ -f "$work/template-$arch/.zu-ready" ] || { echo "make-templates: template-$arch not made" >&2; rc=1; }
done
exit $rc
