#!/usr/bin/env bash
# The power-cut table: a whole run of the package on a user's machine, cut at
# moments spread evenly over its length, each row in a fresh copy of the
# machine (tests/e2e/power-cut-row.sh). First an uncut row measures how long a
# whole run takes here; then the rows cut at k/(MOMENTS+1) of that length for
# k = FIRST, FIRST+STEP, ... up to MOMENTS. Passes when every row does.
# Usage: power-cut.sh WINE_RUN E2E_TESTS_EXE MOMENTS FIRST STEP
set -u
wine_run=$1 tests=$2 moments=$3 first=$4 step=$5
row=$(dirname "$(realpath "$0")")/power-cut-row.sh
length_file=$(mktemp)
trap 'rm -f "$length_file"' EXIT
failed=()

ZU_TEST_NAME="${ZU_TEST_NAME:-power_cut}-uncut" "$wine_run" "$row" "$tests" measure "$length_file" ||
    failed+=(uncut)
length=$(cat "$length_file" 2>/dev/null)
[ -n "$length" ] || { echo "power-cut: the uncut run gave no length"; exit 1; }
for ((k = first; k <= moments; k += step)); do
    delay=$((length * k / (moments + 1)))
    echo "power-cut: moment $k of $moments, $delay ms into the run"
    ZU_TEST_NAME="${ZU_TEST_NAME:-power_cut}-moment$k" "$wine_run" "$row" "$tests" cut "$delay" ||
        failed+=("moment $k")
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "power-cut: failed: ${failed[*]}"
    exit 1
fi
echo "power-cut: every row passed"
