#!/usr/bin/env bash
# Tests of make_example, and of the whole path from its output through chi2map to chi2map-plot.
# Usage: example_test.sh PATH/TO/make_example [PATH/TO/chi2map PATH/TO/chi2map-plot]

set -u -o pipefail

# shellcheck source=check.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
make_example=$(absolute "${1:?usage: example_test.sh MAKE_EXAMPLE [CHI2MAP CHI2MAP_PLOT]}")
chi2map=$(absolute "${2:-}")
plot=$(absolute "${3:-}")

scratch example_test
cd "$tmp" || exit 1

# The output is pinned byte for byte: the generator promises the same file on every compiler and C library, so a
# change here is a change of the example (update the sum on purpose) or a portability fault.
pinned_md5=b6fef72eca0a98793c1c81e9c1153575

"$make_example" quorvi.res
check "writes to a path, exit 0" test $? -eq 0
"$make_example" >stdout.res
check "writes to standard output, exit 0" test $? -eq 0
"$make_example" - >dash.res
check "same bytes to a path, to standard output and to -" cmp -s quorvi.res stdout.res
check "\"-\" is standard output" cmp -s quorvi.res dash.res
check "pinned content (md5)" test "$(md5sum <quorvi.res | cut -d' ' -f1)" = "$pinned_md5"
check "53,125 records" test "$(wc -l <quorvi.res)" -eq 53125

err=$("$make_example" "$tmp/no/such/dir/quorvi.res" 2>&1)
rc=$?
check "unwritable path: exit 1 (got $rc)" test $rc -eq 1
check "unwritable path: message ($err)" grep -q 'make_example: cannot open .*No such file or directory' <<<"$err"
"$make_example" a b >/dev/null 2>&1
check "two arguments: usage error, exit 2" test $? -eq 2
out=$("$make_example" -h)
check "-h prints usage" grep -q '^usage: make_example' <<<"$out"

# --- through chi2map and chi2map-plot -------------------------------------------
if [[ -z $chi2map ]]; then
    skipped=$((skipped + 1))
    echo "chi2map not given: end-to-end checks skipped"
else
    # Choice | projection name | table lines | line width | cells | minimum
    while IFS='|' read -r choice name lines width cells minimum; do
        rm -f table.dat
        printf '%s\n' "$choice" | "$chi2map" >console.txt 2>console.err
        rc=$?
        check "choice $choice: chi2map exit 0, eleven console lines, counts 85, 25, 25 (got $rc: $(head -3 console.err))" \
            test $rc -eq 0 -a "$(wc -l <console.txt)$(sed -n '1p;3p;5p' console.txt | tr -s ' ' | tr '\n' '|')" = "11 values of T : 85| values of YORP: 25| values of f_KE: 25|"
        check "choice $choice: $lines table lines of $width characters, an empty line after each block" \
            test "$(wc -l <table.dat 2>/dev/null)" = "$lines" -a -z "$(awk -v w="$width" 'length($0) != (NR % 26 == 0 ? 0 : w)' table.dat | head -1)"
        if [[ -z $plot ]] || ! command -v gnuplot >/dev/null 2>&1; then
            skipped=$((skipped + 1))
            continue
        fi
        out=$("$plot" -v table.dat -o "map$choice.png" 2>&1)
        check "choice $choice: plotted as $name, minimum $minimum (got: $out)" \
            grep -qF "table.dat: $name, $cells cells, 0 missing; minimum $minimum; wrote map$choice.png" <<<"$out"
    done <<'EOF'
1|T vs YORP strength (projection 1)|2210|22|85 x 25|407.3 at T = 587.5, YORP strength = 0.4800
2|T vs f_KE (projection 2)|2210|21|85 x 25|407.3 at T = 587.5, f_KE = 1.2
3|f_KE vs YORP strength (projection 3)|650|21|25 x 25|407.3 at f_KE = 1.2, YORP strength = 0.4800
EOF
fi

echo "$passed passed, $failed failed, $skipped skipped"
((failed == 0))
