#!/usr/bin/env bash
# Tests of chi2map-fit with the chi2map beside it: the printed fit, the
# figure, and one clear line with a non-zero exit for each bad input.
# Usage: fit_test.sh PATH/TO/chi2map-fit
# Exit status 0 when every check passed, 1 otherwise, 77 without gnuplot.

set -u -o pipefail

# shellcheck source=check.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
fit=$(absolute "${1:?usage: fit_test.sh PATH/TO/chi2map-fit}")
skip_without gnuplot gnuplot-nox
scratch fit_test
cd "$tmp" || exit 1
mkdir scratch
export TMPDIR=$tmp/scratch

# grid T_COUNT YORP_COUNT F_COUNT CHI_OFFSET: a bowl with its minimum at
# T = 300, f_KE = 1, between YORP 0.2 and 0.3, as a fitting run writes it.
grid() {
    awk -v nt="$1" -v ny="$2" -v nf="$3" -v offset="$4" 'BEGIN {
        for (t = 1; t <= nt; t++) for (y = ny; y >= 1; y--) for (f = 1; f <= nf; f++)
            printf "%.1f %.3f 0 %.2f %.3f\n", 100 * t, 0.05 * y, 0.5 * f,
                offset + 2 * (t - 3) ^ 2 + (y - 2.5) ^ 2 + 3 * (f - 2) ^ 2
    }'
}
grid 5 4 3 50 >quorvi.res
echo "left alone" >table.dat

out=$("$fit" -o fit.png 2>err.txt)
rc=$?
check "bowl: exit 0 (got $rc: $(cat err.txt))" test $rc -eq 0
check "bowl: the fit, to the digit (got: $out)" test "$out" = "smallest chi-square 50.25 at T = 300, YORP strength = 0.2, f_KE = 1

parameter       best   1-sigma interval (delta chi-square <= 1)
T               300    247.368 .. 352.632
YORP strength   0.2    0.147368 .. 0.352632
f_KE            1      0.833333 .. 1.16667
corner figure: fit.png"
check "bowl: a PNG figure" test "$(head -c 4 fit.png | tail -c 3)" = PNG
check "table.dat of the working directory left alone" test "$(cat table.dat)" = "left alone"
check "temporary directory removed" test -z "$(ls scratch)"
json=$("$fit" --json --no-figure)
check "--json: the same numbers (got: $json)" \
    grep -qF '{"name": "f_KE", "best": 1, "low": 0.8333333333333334, "low_open": false, "high": 1.1666666666666667, "high_open": false, "no_profile": null}' <<<"$json"
"$fit" -o fit.svg >/dev/null && "$fit" -o fit.PDF >/dev/null
check "svg and pdf by extension" test "$(head -c 5 fit.svg)$(head -c 4 fit.PDF)" = "<?xml%PDF"

grid 5 4 1 50 >single.res
out=$("$fit" single.res -o single.png 2>&1)
check "single-valued f_KE: exit 0, the others fitted, a figure" test $? -eq 0 -a -s single.png
check "single-valued f_KE: one line says so (got: $out)" \
    grep -q '^f_KE  *0.5  *no profile: a single value in quorvi.res$' <<<"$out"
check "single-valued f_KE: T still has its interval" grep -q '^T  *300  *[0-9.]* \.\. [0-9.]*$' <<<"$out"

# Each warning of chi2map is passed on once, not once per run.
printf '#!/bin/sh\necho "? Warning: from the wrapper" >&2\nexec "%s" "$@"\n' "$(dirname "$fit")/chi2map" >wrapper
chmod +x wrapper
err=$(CHI2MAP=$tmp/wrapper "$fit" -n 2>&1 >/dev/null)
check "a warning passed on once (got: $err)" test "$err" = "? Warning: from the wrapper"

# --- bad input: one line, non-zero exit, no figure --------------------------
mkdir -p dir.res nogp failgp
: >empty.res
grid 86 1 1 50 >wide.res
grid 3 2 2 2000000 >huge.res
printf '#!/bin/sh\necho "set output" >"$(sed -n "s/^set output .\\(.*\\).$/\\1/p" "$1")"; exit 1\n' >failgp/gnuplot
chmod +x failgp/gnuplot
ln -s "$(command -v dirname)" nogp/dirname
# name | environment | arguments | message (grep -E) | exit status
while IFS='|' read -r name environment args message status; do
    rm -f bad.png .bad.png.*
    # shellcheck disable=SC2086 # split on purpose
    err=$(env $environment "$fit" $args -o bad.png 2>&1 >/dev/null)
    rc=$?
    check "$name: exit $status (got $rc)" test $rc -eq "$status"
    check "$name: message /$message/ (got: $err)" grep -qE -- "$message" <<<"$err"
    check "$name: no figure, not even a partial one" test -z "$(ls -A | grep 'bad\.png')"
done <<EOF
missing input||none.res|^chi2map-fit: cannot read 'none.res': No such file or directory$|1
a directory||dir.res|^chi2map-fit: cannot read 'dir.res': it is a directory$|1
empty load||empty.res|^chi2map-fit: 'empty.res' holds no record chi2map could read: nothing to fit$|1
chi2map failure||wide.res|^chi2map-fit: chi2map failed on 'wide.res' \(exit status 255\)$|1
every cell missing||huge.res|^chi2map-fit: every chi-square of the T vs YORP strength table is missing|1
gnuplot missing|PATH=$tmp/nogp||^chi2map-fit: gnuplot not found|1
gnuplot failing|PATH=$tmp/failgp:$PATH||^chi2map-fit: gnuplot could not draw 'bad.png'$|1
EOF
err=$("$fit" -n wide.res 2>&1)
check "chi2map's report passed on (got: $err)" test "$(head -1 <<<"$err")" = "? Data Error:"
err=$("$fit" -o fit.jpg 2>&1)
check "other extension refused before chi2map runs: exit 2 (got: $err)" \
    test $? -eq 2 -a -n "$(grep "must end in .png, .svg or .pdf" <<<"$err")"

echo "$passed passed, $failed failed"
((failed == 0))
