# Sourced by the tools that run Wine machines of their own (tools/demo.sh,
# tools/bench.sh, tools/region-window-screenshot.sh) with the tool's own
# arguments: where this machine does not start 32-bit programs (probed, or
# ZU_TEST_MACHINE=vm), the tool is started again in the emulated machine of
# vm-run, with the templates in that machine's memory. Then
#   zu_templates   the folder of the template prefixes (after make-templates.sh)
#   zu_machines    where the tool's Wine machines go: the emulated machine's
#                  memory there (wineserver needs it), else the folder the tool
#                  names in zu_machines_here before sourcing this
zu_harness=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
if [ -z "${ZU_IN_VM:-}" ]; then
    zu_where=${ZU_TEST_MACHINE:-auto}
    if [ "$zu_where" = auto ]; then
        if zu_why=$("$zu_harness/probe-32bit.sh"); then zu_where=host; else zu_where=vm; fi
        echo "$(basename "$0"): $zu_why" >&2
    fi
    if [ "$zu_where" = vm ]; then
        echo "$(basename "$0"): it runs in the emulated machine (tests/harness/vm-run)" >&2
        ZU_WINE_TEMPLATES=/run/zu-wine-templates exec "$zu_harness/vm-run" bash "$0" "$@"
    fi
fi
zu_templates=${ZU_WINE_TEMPLATES:-$zu_build/wine}
if [ -n "${ZU_IN_VM:-}" ]; then
    zu_machines="$TMPDIR/$(basename "$0" .sh)-machines"
else
    zu_machines=$zu_machines_here
fi
