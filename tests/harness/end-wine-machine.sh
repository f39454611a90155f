#!/usr/bin/env bash
# Ends every process of the Wine machine WINEPREFIX at once, its server too:
# wineserver -k, then whatever a start in the middle of it left behind (a
# process that finds no server starts one of its own, and would live on): its
# server is ended the same way, the other processes are killed.
set -u
[ -n "${WINEPREFIX:-}" ] || { echo "end-wine-machine: no WINEPREFIX" >&2; exit 2; }
for attempt in 1 2 3 4 5; do
    # The server first, and waited for: on SIGINT it ends every process, then
    # writes the registry and exits. Not "wineserver -k": that kills the server
    # itself after about 10 s, before the registry is written where the machine
    # is slow, and the next start would find the registry as it was long before.
    wineserver -k2 >/dev/null 2>&1
    timeout 120 wineserver -w >/dev/null 2>&1 || wineserver -k9 >/dev/null 2>&1
    left=()
    for environ in /proc/[0-9]*/environ; do
        pid=${environ#/proc/}
        pid=${pid%/environ}
        case $(readlink "/proc/$pid/exe" 2>/dev/null) in
        /usr/lib/wine/wineserver*) continue ;;
        /usr/lib/wine/*) ;;
        *) continue ;;
        esac
        tr '\0' '\n' <"$environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && left+=("$pid")
    done
    [ ${#left[@]} -eq 0 ] && exit 0
    kill -9 "${left[@]}" 2>/dev/null
    sleep 0.2
done
exit 1
