#!/usr/bin/env bash
# Runs every test of a build folder (make test). The checks that only read
# files (label "host") run on this machine; the Wine tests run here where this
# machine starts 32-bit programs, and otherwise in the emulated machine of
# vm-run, with their templates and prefixes in its memory (its /run).
# Usage: run-suite.sh BUILD_DIR [CTEST_ARGUMENTS...]
#   ZU_TEST_MACHINE=auto|host|vm   where the Wine tests run (default auto: probed)
#   ZU_VM_TIME_SCALE               how much longer a Wine entry may take in the
#                                  emulated machine (default 20)
set -u
build=$(realpath "$1")
shift
harness=$(dirname "$(realpath "$0")")
ctest_args=(--output-on-failure "$@")
mode=${ZU_TEST_MACHINE:-auto}
if why=$("$harness/probe-32bit.sh"); then probed=host; else probed=vm; fi
if [ "$mode" = auto ]; then
    mode=$probed
else
    why="$why; ZU_TEST_MACHINE=$mode"
fi
rm -rf "$build/wine/kept"
start=$(date +%s)
cd "$build" || exit 2
case $mode in
host)
    echo "make test: $why: the Wine tests run on this machine."
    ctest "${ctest_args[@]}"
    rc=$?
    ;;
vm)
    echo "make test: $why: the Wine tests run in the emulated machine (tests/harness/vm-run)."
    echo "make test: the checks that only read files, on this machine:"
    ctest -L host "${ctest_args[@]}"
    host_rc=$?
    echo "make test: the Wine tests, in the emulated machine:"
    ZU_WINE_TEMPLATES=/run/zu-wine-templates ZU_WINE_OVERLAY=1 \
        ZU_TEST_TIME_SCALE=${ZU_VM_TIME_SCALE:-20} \
        "$harness/vm-run" ctest -LE host "${ctest_args[@]}"
    vm_rc=$?
    rc=$((host_rc != 0 ? host_rc : vm_rc))
    ;;
*)
    echo "run-suite: ZU_TEST_MACHINE must be auto, host or vm" >&2
    exit 2
    ;;
esac
elapsed=$(($(date +%s) - start))
if [ -d "$build/wine/kept" ]; then
    echo "make test: Wine prefixes kept in $build/wine/kept:"
    ls -1 "$build/wine/kept" | sed 's/^/    /'
fi
printf 'make test: the tests took %d min %02d s (%s); exit code %d.\n' \
    $((elapsed / 60)) $((elapsed % 60)) "$mode" "$rc"
exit $rc
