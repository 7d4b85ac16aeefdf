#!/usr/bin/env bash
# Tests of chi2map-fit as a command: the printed fit in any record order, the files it writes, and one line with a
# non-zero exit and no file left for each bad input, failing output or interruption.
# Usage: fit_test.sh PATH/TO/chi2map-fit; exit status 0 when every check passed, 1 otherwise, 77 without gnuplot.

set -u -o pipefail

# shellcheck source=check.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
fit=$(absolute "${1:?usage: fit_test.sh PATH/TO/chi2map-fit}")
skip_without gnuplot gnuplot-nox
scratch fit_test
cd "$tmp" || exit 1

# A bowl with its minimum at T = 300, YORP strength 0.2, f_KE = 1, as a
# fitting run writes it (YORP descending), and the same records shuffled.
awk 'BEGIN { for (t = 1; t <= 5; t++) for (y = 4; y >= 1; y--) for (f = 1; f <= 3; f++)
    printf "%.1f %.3f 0 %.2f %.3f\n", 100 * t, 0.05 * y, 0.5 * f, 50 + 2 * (t - 3) ^ 2 + (y - 2.5) ^ 2 + 3 * (f - 2) ^ 2 }' >quorvi.res
awk 'BEGIN { srand(18) } { print rand() "\t" $0 }' quorvi.res | sort -k1,1g | cut -f2- >shuffled.res

out=$("$fit" -n 2>&1)
# Best values to the grid's decimals, range ends to two more.
check "bowl: the fit (got: $out)" test "$out" = "smallest chi-square 50.25 at T = 300, YORP strength = 0.2, f_KE = 1.0
60 records; grid of 5 T, 4 YORP strength and 3 f_KE values

parameter       best   delta chi-square    range
T               300    1 (1 sigma)         250.00 .. 350.00
YORP strength   0.2    1 (1 sigma)         0.150 .. 0.350
f_KE            1.0    1 (1 sigma)         0.833 .. 1.167

T = 300 +50.0/-50.0 (1 sigma)
YORP strength = 0.2 +0.150/-0.0500 (1 sigma)
f_KE = 1.0 +0.167/-0.167 (1 sigma)"
for form in -n "-n --json" "-n --sigma 1,2,3"; do
    # shellcheck disable=SC2086 # split on purpose
    check "shuffled records, same bytes: $form" cmp -s <("$fit" $form quorvi.res | grep -v path) <("$fit" $form shuffled.res | grep -v path)
done
check "--sigma: blanks around its values change nothing" cmp -s <("$fit" -n --sigma 1,2) <("$fit" -n --sigma ' 1 , 2 ')
# Four records of a grid of eight cells: half filled, no warning; three: less than half, a warning.
printf '100 0.1 0 0.5 51\n100 0.2 0 1.0 52\n200 0.1 0 1.0 53\n200 0.2 0 0.5 54\n' >half.res
err=$("$fit" -n half.res 2>&1 >/dev/null; "$fit" -n <(head -3 half.res) 2>&1 >/dev/null)
check "a grid half filled: no warning; a grid less than half filled: one (got: $err)" \
    test "$(grep -c "of the grid's cells have a chi-square" <<<"$err")$(grep -c "only 37.5% of the grid's cells" <<<"$err")" = 11
"$fit" -o half.svg --script half.gp half.res >/dev/null 2>&1
check "a grid of two values on each axis: a profile panel for each" test "$(grep -c '^\$P[0-2]_0 << EOD' half.gp)" = 3
"$fit" --map "T,YORP strength" -o ys.svg >/dev/null 2>&1
check "--map by a parameter's full name" test $? -eq 0 -a -s ys.svg
for size in 1.5x1.5 20x20 3.5X3; do
    rm -f size.png
    "$fit" --size $size -o size.png >/dev/null 2>&1
    rc=$?
    check "--size $size (a small one, the largest, an upper-case X): drawn (got $rc)" test $rc -eq 0 -a -s size.png
done
for figure in "figure:" "map:--map T,YORP"; do echo old >size.png
    err=$("$fit" --size 1x1 ${figure#*:} -o size.png --script size.gp 2>&1 >/dev/null)
    check "--size 1x1, too small for the ${figure%%:*} even with 3-point text: exit 1, nothing written (got $?: $err)" test $? -eq 1 -a \
        "$(cat size.png)" = old -a ! -e size.gp -a "$err" = "chi2map-fit: no ${figure%%:*}: a page of 1 x 1 inches is too small for it, even with 3-point text; --size sets a larger one"; done
check "--dof 2^53, the most a double counts exactly, is taken" test "$("$fit" -n --dof 9007199254740992 >/dev/null 2>&1; echo $?)" = 0
# The best f_KE written "-0.0" in the first T block and "0.0" after it, where no near probe finds it: one
# grid value, and a zero without its sign in every output.
awk 'BEGIN { for (t = 1; t <= 3; t++) for (y = 1; y <= 3; y++) for (n = 0; n <= 2; n++) {
    f = t == 1 ? (n == 0 ? 1 : (n == 1 ? 0 : 2)) : (n == 0 ? 0 : (n == 1 ? 2 : 1))
    printf "%.1f %.3f 0 %s %.3f\n", 100 * t, 0.05 * y, (f > 0 ? f ".0" : (t == 1 ? "-0.0" : "0.0")), 50 + (t - 2) ^ 2 + (y - 2) ^ 2 + f ^ 2 } }' >negzero.res
"$fit" -n negzero.res >negzero.txt 2>/dev/null
"$fit" -n --json --profiles negzero.csv negzero.res >negzero.json 2>/dev/null
check "-0.0 and 0.0: one f_KE value, written as 0 in the report, the JSON and the profiles" \
    test "$(grep -cE -- '-0(\.0*)?([^0-9.]|$)' negzero.txt negzero.json negzero.csv | cut -d: -f2 | tr -d '\n')$(grep -c 'and 3 f_KE values' negzero.txt)" = 0001
json=$("$fit" -n --json --sigma 1,2)
check "--json: full precision, two levels (got: $json)" grep -qF '"delta_chi2": 4.0,' <<<"$json"
check "--json: an end at full precision" grep -qF '"high": 1.1666666666666667,' <<<"$json"

"$fit" -oout.svg --script kept.gp --profiles p.csv --label "T=T (K)" --label "f_ke=f = E/E0" -l 1,4 >stdout.txt
check "-oFILE: an SVG, the axis title given, a line for the figure" \
    test "$(head -c 5 out.svg)$(grep -c 'T (K)' out.svg)$(tail -1 stdout.txt)" = "<?xml1corner figure: out.svg"
check "--label: the axis title is the text after its first '=', the others keep theirs" test "$(grep -cx -e '|T (K)' -e '|f = E/E0' -e '|YORP strength' kept.gp)" = 5
mkdir -p nofigure/fit.png
(cd nofigure && "$fit" -n ../quorvi.res >/dev/null)
check "-n: the figure's name is no output, not even when it is a folder (got $?)" test $? -eq 0
check "--profiles: CSV of 5 + 4 + 3 rows" test "$(head -1 p.csv)$(wc -l <p.csv)" = "parameter,value,chi213"
rm out.svg
contour=$({ cat kept.gp; echo 'print $C0_0'; } | gnuplot 2>&1)
check "--script: the kept script draws the figure again" test "$(head -c 5 out.svg)" = "<?xml"
check "a map's contour: every point of the first at its level, 1" test "$(awk 'NF == 3 { n++; off += $3 != 1 } END { print (n > 4 && !off) }' <<<"$contour")" = 1
"$fit" -n -o "it's.svg" --script quote.gp && gnuplot quote.gp 2>/dev/null
"$fit" -n -o "$(printf 'a\tb.svg')" --script tab.gp && gnuplot tab.gp >stdout.svg 2>/dev/null
check "--script: a quote in the figure's name, a tab drawn to standard output" \
    test "$(head -c 5 "it's.svg")$(head -c 5 stdout.svg)" = "<?xml<?xml" -a ! -e "$(printf 'a\tb.svg')"
"$fit" -n -o - --script out.gp >/dev/null
check "--script of a figure on standard output: it draws there, not to a file named '-'" \
    test "$(grep -cx 'set output' out.gp)$(grep -c "set output '" out.gp)" = 10
"$fit" --json -o j.svg >j.json 2>/dev/null
check "--json with a figure: standard output is the JSON alone" python3 -m json.tool j.json /dev/null
mkdir -p home && echo "exit status 3" >home/.gnuplot
env -u PATH "$fit" -o nopath.png >/dev/null && HOME=$tmp/home "$fit" -o home.png >/dev/null
check "gnuplot found without PATH, and run without the user's start-up file (here one that exits)" \
    test -s nopath.png -a -s home.png
"$fit" --marginal -n --script marginal.gp >/dev/null
"$fit" -n --marginal --sigma 2 --cl 0.9 --script sigmacl.gp >/dev/null 2>&1
check "--marginal: the note names the first credible interval as the one shaded, --sigma's before --cl's; one input's smallest χ² unnamed" \
    test "$(grep -cx -e '|diagonal: marginal densities, peak 1; shaded: 68.27%' -e '|diagonal: marginal densities, peak 1; shaded: 95.45%' -e '|smallest χ² = 50.25' marginal.gp sigmacl.gp | paste -sd,)" = marginal.gp:2,sigmacl.gp:2
"$fit" -n --marginal --cl 0.99999999999,0.123456789 >closeto1.txt 2>&1
check "--marginal: a probability just below 1 is not shown as 100%, nor run into its interval; a level's to six digits" test "$(grep -c ' 99.999999999% [0-9]' closeto1.txt)$(grep -c '(12.3457%)' closeto1.txt)" = 36
"$fit" -n --marginal --sigma 2 --script sigma.gp >/dev/null 2>&1
check "--marginal: the intervals shaded are the first level's, whatever follows it" \
    test "$(grep '^set object 20 ' sigma.gp)" = "$(grep '^set object 20 ' sigmacl.gp)" -a "$(grep -c '^set object 20 ' sigma.gp)" = 3
"$fit" -n --sigma 1,2,4 --script levels.gp >/dev/null 2>&1
check "--sigma 1,2,4: profile panels reach a quarter above the highest level (12 at least), ticked up to it, the first level's ranges shaded and named" \
    test "$(grep -c '; set y2range \[0:12\]$' quote.gp)$(grep -c '; set y2range \[0:20\]$' levels.gp)$(grep -cx 'set y2tics (5, 10, 15)' levels.gp)$(grep -c '^set object 20 rectangle from 250, graph 0 to 350, graph 1 ' levels.gp)$(grep -cx '|profiles: Δχ² = 1 (1 sigma), 4 (2 sigma), 16 (4 sigma); shaded: 1 sigma' levels.gp)" = 33311
check "--marginal: no level lines over the densities" test "$(grep -c "with lines dt 2 lc rgb '#808080'" marginal.gp)" = 0
check "--marginal: every density panel peaks at exactly 1" test "$(awk '/^\$P[0-2]_0 << EOD/ { p = 1; top = 0; next }
    p && /^EOD/ { printf "%s,", top; p = 0 } p && $2 > top { top = $2 }' marginal.gp)" = 1,1,1,
grep -v '^100.0 0.200 ' quorvi.res >hole.res
"$fit" -n --script hole.gp hole.res >/dev/null
check "a map cell no record reaches: NaN on the grid, no box drawn for it" \
    test "$(grep -c NaN hole.gp)$(sed -n '/^\$G0 << EOD/,/^EOD/p' hole.gp | grep -c '^100 0.4 NaN$')" = 11
"$fit" -n --map T,YORP --script holemap.gp hole.res >/dev/null
check "a map with one cell no record reaches: grey behind the map, and the key has an entry for it, a grey square centred on its text" test \
    "$(grep -c "^set object 1 rectangle from graph 0,0 to graph 1,1 behind fillcolor rgb '#b0b0b0' " holemap.gp)$(grep -cx '|no χ² (1 cell)' holemap.gp)$(
    awk "/rectangle from screen .* rgb '#b0b0b0'/ { m = \$9 + \$14; printf \"%d%d\", (\$12 > \$7), (\$14 > \$9); getline; print (m - 2 * \$9) ^ 2 < 1e-20 }" holemap.gp)" = 11111
check "the corner figure: x tick labels under the lowest panel of each column only" \
    test "$(grep -o "^set format x '[^']*'" hole.gp | tr -d "'" | cut -c14- | paste -sd,)" = ",,%g,,%g,%g"
# Cells so narrow that no weight is left for a double: empty density panels, no NaN written.
awk 'BEGIN { for (t = 1; t <= 2; t++) for (y = 1; y <= 2; y++) for (f = 1; f <= 3; f++)
    printf "%de-320 0.%d 0 %de-320 %d\n", t, y, f, 50 + t + y + f }' >narrow.res
err=$("$fit" narrow.res --marginal -n --script narrow.gp 2>&1 >narrow.txt)
check "cells too narrow for a marginal: warned for each, empty panels (got: $err)" \
    test "$(grep -c 'has no marginal: every cell' <<<"$err")$(grep -c NaN narrow.gp)$(grep -A1 '^\$P[0-2]_0 << EOD$' narrow.gp | grep -c '^EOD$')$(grep -cx '|\(T\|YORP strength\|f_KE\): no weight' narrow.gp)$(grep -c "no weight: every cell's is too small" narrow.txt)" = 30333
# Several inputs: their map has each input's line width and the levels' dashes in turn; levels scaled by
# each input's own chi-square are named in the key, equal ones given with their values.
awk '{ $5 += 50; print }' quorvi.res >up.res
awk '{ $5 *= 10; print }' quorvi.res >ten.res
"$fit" quorvi.res up.res ten.res --map T,YORP -l 1,2,3,4,5,6 -n --script both.gp >/dev/null
check "--map of three inputs: each one's lines and minimum narrower, the fifth level its own dash, the title's parameters" \
    test "$(grep -cF -e 'L1_4 using 1:2 with lines lw 1.6 lc rgb "#d62728" dt 5 ' -e 'L1_5 using 1:2 with lines lw 1.6 lc rgb "#d62728" dt 1 ' \
        -e 'L2_0 using 1:2 with lines lw 0.6 lc rgb "#2ca02c" dt 1 ' -e 'every ::0::0 with points pt 7 ps 0.33 lc rgb "#2ca02c"' \
        -e '|χ² map: T vs YORP strength, smallest over f_KE (quorvi.res, up.res, ten.res)' -e '|up.res: minimum χ² = 100.25 at T = 300, YORP strength = 0.2' both.gp)" = 6
"$fit" quorvi.res ten.res --map T,YORP -l 2,100 -n --script ten.gp >/dev/null 2>&1
check "--map of two inputs: a level only the second reaches stays in the key, each minimum named by its input" test "$(grep -c -e '^|Δχ² = 100$' -e '^|ten.res: minimum χ² = ' ten.gp)" = 2
"$fit" quorvi.res up.res -n --script same.gp >/dev/null && "$fit" quorvi.res up.res --dof 10 --scale -n --script scaled.gp >/dev/null 2>&1
check "equal levels keyed with their values, levels scaled apart by a name for both, each input's noted; each one's smallest chi-square" \
    test "$(grep -cx -e '|Δχ² = 6.18 (2 sigma)' -e '|Δχ² = [123] sigma x max(1, χ²min / dof)' -e '|up.res: smallest χ² = 100.25' \
        -e '|quorvi.res: profiles: Δχ² = 5.025 (1 sigma x 5.025); shaded: 1 sigma x 5.025' -e '|up.res: profiles: Δχ² = 10.025 (1 sigma x 10.025); shaded: 1 sigma x 10.025' \
        same.gp scaled.gp | paste -sd,)" = same.gp:2,scaled.gp:6
"$fit" --map=YORP,T --output=map.pdf -- quorvi.res >/dev/null
check "--map, --output=FILE, --: a PDF map" test "$(head -c 4 map.pdf)" = "%PDF"
check "--version" test "$("$fit" --version)" = "chi2map-fit 1.0"
check "a process substitution, read once" test "$("$fit" -n <(cat quorvi.res) | head -1)" = "$(head -1 <<<"$out")"
mkfifo fifo.res
timeout 20 sh -c "cat quorvi.res >fifo.res" &  # ends even when the run under test never opens it
check "a FIFO, read once" test "$("$fit" -n fifo.res | head -1)" = "$(head -1 <<<"$out")"

# Two inputs in one figure, with a key naming each; a log-spaced grid whose titles keep to significant
# digits; a figure for a journal's column, 3.5 inches at 300 pixels an inch.
awk 'BEGIN { for (t = 0; t < 17; t++) for (y = 1; y <= 4; y++) for (f = 1; f <= 3; f++)
    printf "%.10g %.3f 0 %.2f %.4f\n", 10 ^ (1 + t / 8), 0.05 * y, 0.5 * f, 50 + (t - 7) ^ 2 / 9 + (y - 2.5) ^ 2 + (f - 2) ^ 2 }' >log.res
"$fit" log.res quorvi.res --name "log grid" --log T -o two.png --script two.gp >/dev/null 2>&1
check "two inputs: one PNG, its key naming each input once" \
    test "$(head -c 4 two.png | tail -c 3)$(grep -cxF -e '|log grid' -e '|quorvi.res' two.gp)" = PNG2
check "default contours: 1, 2 and 3 sigma of two parameters, for every map of both inputs" test \
    "$(grep -o 'levels discrete [0-9.]*' two.gp | cut -c17-21 | sort | uniq -c | tr -s ' ' | paste -sd,)" = " 6 11.82, 6 2.295, 6 6.180"
check "a log grid: no title with more than six digits after a point" test "$(grep '^|' two.gp | grep -cE '[0-9]\.[0-9]{7}')" -eq 0
"$fit" log.res quorvi.res --map T,f_KE --log t -o twomap.svg --script twomap.gp >/dev/null 2>&1
check "--map of two inputs: an SVG of contour lines, keyed, titled with the parameter minimised over" \
    test "$(grep -c 'log.res' twomap.svg)" -ge 1 -a "$(grep -c '^|χ² map: T vs f_KE, smallest over YORP strength (' twomap.gp)" -eq 1
check "--map, an input named in 300 characters: its key cut to lie on the page" test "$("$fit" quorvi.res log.res --name "$(printf 'n%.0s' {1..300})" --map T,YORP -n -o k.png --script - 2>/dev/null | grep -o 'rectangle from screen [-0-9.e]*, screen [-0-9.e]* to screen [-0-9.e]*' | awk '{ print ($4 + 0 >= 0 && $9 + 0 <= 1 && $4 + 0 < $9 + 0) }')" = 1
check "a map 1.5 inches high: room on its logarithmic y axis (T, 10 to 1000) for one tick" test "$("$fit" log.res --map f_KE,T --log t --size 3.5x1.5 -n -o t.pdf --script - 2>/dev/null | grep '^set ytics (')" = "set ytics (100)"
awk '$2 == "0.100"' quorvi.res >oneyorp.res
"$fit" quorvi.res oneyorp.res --script oneyorp.gp -o oneyorp.png >/dev/null 2>&1
check "a parameter single-valued in one input alone keeps its panels (their ranges the other input's): its heading a title, not a note" \
    test "$(grep -c 'a single value' oneyorp.gp)" -eq 1 -a "$(grep -o 'set xrange [^;]*' oneyorp.gp)" = "$(grep -o 'set xrange [^;]*' same.gp)"
# Text for print: a point an inch of the page's width, 5 to 10 points (pdfcairo's points are 2/3); a page: 7 inches.
for size in 8x3:8in,3in:12 3x8:3in,8in:7.5 20x20:20in,20in:15 page:7in,5.25in:10.5; do
    "$fit" --map T,YORP --size "${size%%:*}" -n -o print.pdf --script print.gp >/dev/null
    check "--size ${size%%:*} for a PDF map: its page and its text" grep -qx \
        "set terminal pdfcairo size $(cut -d: -f2 <<<"$size") noenhanced font 'DejaVu Sans,${size##*:}' .*" print.gp
done
"$fit" --size column -o column.png >/dev/null
check "--size column: 1050 pixels wide" test "$(od -An -tu1 -j16 -N4 column.png | tr -s ' ')" = " 0 0 4 26"
"$fit" --map T,YORP --size column -o mapcolumn.png >/dev/null
check "--map --size column: 1050 by 788 pixels, a little lower than wide" test "$(od -An -tu1 -j16 -N8 mapcolumn.png | tr -s ' ')" = " 0 0 4 26 0 0 3 20"

# f_KE values met last, once the cube is large (128 x 128 x 4 cells): the cube grows with slack and is packed
# at the end. The same records with T outermost give the same bytes.
awk 'BEGIN { for (f = 1; f <= 5; f++) for (y = 1; y <= 128; y++) for (t = 1; t <= 128; t++)
    printf "%d %d 0 %d %d\n", t, y, f, (t - 60) ^ 2 + (y - 70) ^ 2 + 50 * (f - 3) ^ 2 + t % 7 }' >late.res
sort -k1,1n -k2,2n -k4,4n late.res >early.res
check "f_KE met last in a large cube: the fit and the profiles as when met first" cmp -s \
    <("$fit" -n --json --profiles - late.res | grep -v path) <("$fit" -n --json --profiles - early.res | grep -v path)
"$fit" -n --profiles cr.csv --name "$(printf 'a\rb')" --name "$(printf 'c\nd')" quorvi.res shuffled.res >/dev/null
"$fit" -n --profiles quotes.csv --name 'a"b' --name 'c,d' quorvi.res shuffled.res >/dev/null
check "names with a quote or a comma are quoted in the profiles, the quote doubled" \
    test "$(sed -n 2p quotes.csv)$(grep -c '^"c,d",' quotes.csv)" = '"a""b",T,100,58.2512'
check "a name with a carriage return or a line feed is quoted in the profiles" \
    test "$(sed -n 2p cr.csv | cut -c1-5)$(grep -c '^"c$' cr.csv)" = "$(printf '"a\rb"')12"
cp quorvi.res "$(printf '\377.res')"
check "a path that is no UTF-8 is printed in the JSON with a replacement character" \
    grep -q "\"path\": \"$(printf '\357\277\275').res\"" <("$fit" -n --json "$(printf '\377.res')")

awk '{ $5 = sprintf("%.3f", $5 - 50.25); print }' quorvi.res >zeromin.res
err=$("$fit" -n --relative --dof 5 --script zeromin.gp zeromin.res 2>&1 >zeromin.txt)
check "a level of delta chi-square 0 (chi2min 0 with --relative): warned (got: $err), the best values' errors 0" test \
    "$err|$(grep -c -- ' +0/-0 (chi2min sqrt(2/dof))$' zeromin.txt)" = "chi2map-fit: warning: the level chi2min sqrt(2/dof) is delta chi-square 0: no range lies within it|2"
check "a level of delta chi-square 0 is drawn across no profile, the level 1 across each" \
    test "$(grep -o ', [0-9.]* axes x1y2 with lines' zeromin.gp | sort | uniq -c | tr -s ' ')" = " 3 , 1 axes x1y2 with lines"

# --- what is not a clean fit ------------------------------------------------
head -30 quorvi.res >heading.res && echo "T YORP dummy f_KE chi2" >>heading.res && tail -30 quorvi.res >>heading.res
{ sed '$d' quorvi.res; printf 3; } >cut.res  # a last line of one byte, no line feed
# Each damaged twice: the first line is named.
sed '7s/$/ 9/;20s/$/ 9/' quorvi.res >more.res
sed '7s/ [^ ]*$//;20s/ [^ ]*$//' quorvi.res >part.res
awk 'BEGIN { srand(7); for (r = 0; r < 2500; r++) print rand(), rand(), 0, int(50 * rand()), rand() }' >scattered.res
sed '7s/^100.0/nan/;9s/ 1.50 / inf /' quorvi.res >nan.res
: >empty.res && head -1 quorvi.res >one.res
sed '1s/ 0.50 / 0.00 /' quorvi.res >zero.res
sed '1s/ 0.200 / -0.200 /' quorvi.res >negative.res
awk 'BEGIN { for (y = 1; y <= 5; y++) for (f = 1; f <= 5; f++)
    printf "100.0 %.3f 0 %.2f %.3f\n", 0.05 * y, 0.5 * f, 50 + 2 * (y - 3) ^ 2 + 2 * (f - 3) ^ 2 }' >single.res
for mode in --sigma=1 --marginal; do "$fit" $mode -o single.svg --script single.gp single.res >/dev/null 2>&1
    check "a parameter of a single value in every input ($mode): its line in the corner figure" grep -qx '|T = 100, a single value' single.gp; done
touch afile
mkdir -p nogp failgp dir.res
printf '#!/bin/sh\necho "raw gnuplot line 1"; echo "\\"/dev/stdin\\" line 9: it broke" >&2; exit 1\n' >failgp/gnuplot
chmod +x failgp/gnuplot
# Of gnuplot's lines naming a script line the last is told, up to 160 characters; an empty PATH entry is
# the current folder, where this one lies.
mkdir -p longgp && cp failgp/gnuplot ./gnuplot
mkdir -p badgp dir.png && printf '#!/nonexistent/interpreter\n' >badgp/gnuplot && chmod +x badgp/gnuplot
printf '#!/bin/sh\necho "\\"/dev/stdin\\" line 3: first" >&2; echo "\\"/dev/stdin\\" line 9: %s" >&2; echo " ^" >&2; exit 1\n' "$(printf 'x%.0s' {1..152})" >longgp/gnuplot
chmod +x longgp/gnuplot
mkdir -p noexecgp && printf '#!/bin/sh\nexit 0\n' >noexecgp/gnuplot  # not executable: passed over
mkdir -p killgp caretgp && printf '#!/bin/sh\nkill -9 $$\n' >killgp/gnuplot
printf '#!/bin/sh\necho "it broke badly" >&2; echo "    ^" >&2; exit 1\n' >caretgp/gnuplot && chmod +x killgp/gnuplot caretgp/gnuplot
# name | environment | arguments | message (grep -E) | exit status
while IFS='|' read -r name environment args message status; do
    rm -f bad.png .bad.png.*
    # shellcheck disable=SC2086 # split on purpose
    err=$(env $environment "$fit" -o bad.png $args 2>&1 >/dev/null)
    rc=$?
    check "$name: exit $status (got $rc)" test $rc -eq "$status"
    check "$name: one line /$message/ (got: $err)" test "$(grep -cE -- "$message" <<<"$err")$(wc -l <<<"$err")" = 11
    check "$name: no figure, nothing partial" test -z "$(ls -A | grep 'bad\.png')"
done <<EOF
missing input, given twice||none.res none.res|^chi2map-fit: cannot read 'none.res': No such file or directory$|1
a directory||dir.res|^chi2map-fit: cannot read 'dir.res': Is a directory$|1
no record||empty.res|^chi2map-fit: 'empty\.res' holds no record of five numbers: nothing to fit$|1
no record, with --partial||--partial empty.res|^chi2map-fit: 'empty\.res' holds no record of five numbers: nothing to fit$|1
a heading in the middle||heading.res|^chi2map-fit: line 31 of 'heading\.res' is not a record of five numbers \(a heading, a word, a value left out\): mend or remove it, or give --partial to fit the records as read$|1
a cut last line||cut.res|^chi2map-fit: 'cut\.res' ends inside a record after line 60 \(too few values\): complete it, or give --partial to fit the records as read$|1
a second record on a line||more.res|^chi2map-fit: line 7 of 'more\.res' holds more than a record: what follows its fifth value was not read: put each record on a line of its own, or give --partial to fit the records as read$|1
a value left out||part.res|^chi2map-fit: line 8 of 'part\.res' was read only in part: its record began on an earlier line, which may lack a value: complete it, or give --partial to fit the records as read$|1
a control character in a name||$(printf 'a\001b.res')|^chi2map-fit: cannot read 'a\\\\x01b.res': No such file or directory$|1
a DEL in a name||$(printf 'a\177b.res')|^chi2map-fit: cannot read 'a\\\\x7Fb.res': No such file or directory$|1
no grid||--partial scattered.res|^chi2map-fit: the records of 'scattered.res' do not lie on a grid: at line 2[0-9]{3} they have 2[0-9]{3} T x 2[0-9]{3} YORP strength x 50 f_KE values, more than 268435456 cells$|1
a NaN||nan.res|^chi2map-fit: line 7 of 'nan\.res' holds a NaN or infinite value \(T, YORP strength doubled, f_KE or chi-square\): mend it, or give --partial to fit the records as read$|1
a folder that is a file||-o afile/x.png|^chi2map-fit: cannot write 'afile/x\.png': Not a directory; choose another name$|1
gnuplot missing|PATH=$tmp/nogp||^chi2map-fit: gnuplot not found \(Debian package gnuplot-nox\); --no-figure prints the fit alone$|1
gnuplot failing|PATH=$tmp/failgp:$PATH||^chi2map-fit: gnuplot could not draw 'bad.png': exit status 1; gnuplot said: line 9: it broke$|1
gnuplot failing, the last of its lines told whole at 160 characters|PATH=$tmp/longgp:$PATH||^chi2map-fit: gnuplot could not draw 'bad\.png': exit status 1; gnuplot said: line 9: x{152}$|1
a gnuplot that may not be run passed over for the next in PATH|PATH=$tmp/noexecgp:$tmp/failgp:$PATH||^chi2map-fit: gnuplot could not draw 'bad.png': exit status 1; gnuplot said: line 9: it broke$|1
gnuplot that cannot be run|PATH=$tmp/badgp:$PATH||^chi2map-fit: gnuplot could not draw 'bad.png': it could not be run$|1
gnuplot killed by a signal|PATH=$tmp/killgp:$PATH||^chi2map-fit: gnuplot could not draw 'bad.png': it ended by signal 9$|1
gnuplot naming no script line: its last line told, not the caret under it|PATH=$tmp/caretgp:$PATH||^chi2map-fit: gnuplot could not draw 'bad\.png': exit status 1; gnuplot said: it broke badly$|1
an output that is a folder||-o dir.png|^chi2map-fit: cannot write 'dir.png': it is a folder; choose another name$|1
gnuplot in the current folder, by an empty PATH entry|PATH=:/nonexistent||^chi2map-fit: gnuplot could not draw 'bad.png': exit status 1; gnuplot said: line 9: it broke$|1
another extension||-o bad.jpg|^chi2map-fit: cannot draw 'bad\.jpg': the figure's name must end in \.png, \.svg or \.pdf \(or be - for a PNG on standard output\) \(chi2map-fit --help lists the options\)$|2
an extension alone, no dot||-o pdf|^chi2map-fit: cannot draw 'pdf': the figure's name must end in \.png, \.svg or \.pdf \(or be - for a PNG on standard output\) \(chi2map-fit --help lists the options\)$|2
unknown option||-q|^chi2map-fit: unknown option -q \(chi2map-fit --help lists the options\)$|2
more names than inputs||--name a --name b quorvi.res|^chi2map-fit: more names than inputs: 2 --name for 1 input\(s\) \(chi2map-fit --help lists the options\)$|2
one input of two missing||quorvi.res none.res|^chi2map-fit: cannot read 'none.res': No such file or directory$|1
an output that is the second input||-n --profiles shuffled.res quorvi.res shuffled.res|^chi2map-fit: the output 'shuffled\.res' is the input 'shuffled\.res'; choose another name$|2
no degrees of freedom||--dof 0|^chi2map-fit: --dof needs a positive whole number of degrees of freedom, not '0' \(chi2map-fit --help lists the options\)$|2
negative degrees of freedom||--dof -1|^chi2map-fit: --dof needs a positive whole number of degrees of freedom, not '-1' \(chi2map-fit --help lists the options\)$|2
fractional degrees of freedom||--dof 1.5|^chi2map-fit: --dof needs a positive whole number of degrees of freedom, not '1\.5' \(chi2map-fit --help lists the options\)$|2
more degrees of freedom than a double counts||--dof 9007199254740993|^chi2map-fit: --dof needs a positive whole number of degrees of freedom, not '9007199254740993' \(chi2map-fit --help lists the options\)$|2
a probability of 0||--cl 0.9,0|^chi2map-fit: --cl needs probabilities above 0 and below 1 separated by commas \(0\.9 for 90%\), not '0\.9,0' \(chi2map-fit --help lists the options\)$|2
a probability of 1||--cl 1|^chi2map-fit: --cl needs probabilities above 0 and below 1 separated by commas \(0\.9 for 90%\), not '1' \(chi2map-fit --help lists the options\)$|2
a probability above 1||--cl 1.5|^chi2map-fit: --cl needs probabilities above 0 and below 1 separated by commas \(0\.9 for 90%\), not '1\.5' \(chi2map-fit --help lists the options\)$|2
a probability that is no number||--cl nan|^chi2map-fit: --cl needs probabilities above 0 and below 1 separated by commas \(0\.9 for 90%\), not 'nan' \(chi2map-fit --help lists the options\)$|2
--scale alone||--scale|^chi2map-fit: --scale needs --dof N, the fit's degrees of freedom \(chi2map-fit --help lists the options\)$|2
--relative alone||--relative --cl 0.9|^chi2map-fit: --relative needs --dof N, the fit's degrees of freedom \(chi2map-fit --help lists the options\)$|2
an unknown logarithmic axis||--log T,Q|^chi2map-fit: --log needs T, YORP or f_KE separated by commas, not 'T,Q' \(chi2map-fit --help lists the options\)$|2
a size of no inches||--size 0x3|^chi2map-fit: --size needs column, page or WxH in inches from 1 to 20 \(such as 3\.5x3\), not '0x3' \(chi2map-fit --help lists the options\)$|2
a size past 20 inches||--size 3x20.5|^chi2map-fit: --size needs column, page or WxH in inches from 1 to 20 \(such as 3\.5x3\), not '3x20\.5' \(chi2map-fit --help lists the options\)$|2
a size of one number||--size 7|^chi2map-fit: --size needs column, page or WxH in inches from 1 to 20 \(such as 3\.5x3\), not '7' \(chi2map-fit --help lists the options\)$|2
a logarithmic axis through zero||--log f_ke zero.res|^chi2map-fit: --log f_KE: 'zero\.res' has the f_KE value 0, and a logarithmic axis needs values above zero \(chi2map-fit --help lists the options\)$|2
a logarithmic axis below zero||--log yorp,t negative.res|^chi2map-fit: --log YORP: 'negative\.res' has the YORP strength value -0\.4, and a logarithmic axis needs values above zero \(chi2map-fit --help lists the options\)$|2
bad sigma||--sigma 1,0|^chi2map-fit: --sigma needs positive numbers separated by commas, not '1,0' \(chi2map-fit --help lists the options\)$|2
one parameter twice||--map T,t|^chi2map-fit: --map needs two different parameters such as T,YORP \(T, YORP, f_KE\), not 'T,t' \(chi2map-fit --help lists the options\)$|2
a map over a single value||--map T,YORP single.res|^chi2map-fit: no map: T has a single value in 'single.res'$|1
a map over a single y value||--map YORP,T single.res|^chi2map-fit: no map: T has a single value in 'single.res'$|1
unknown label||--label Q=x|^chi2map-fit: --label needs NAME=TEXT with NAME T, YORP or f_KE, not 'Q=x' \(chi2map-fit --help lists the options\)$|2
a grid of one point: no figure||one.res|^chi2map-fit: no figure: no parameter has two or more values; --no-figure prints the fit alone$|1
bad contour levels||-l 2.3,0|^chi2map-fit: --levels needs positive numbers separated by commas, not '2\.3,0' \(chi2map-fit --help lists the options\)$|2
EOF
for pair in --{output,profiles,script}:file_name --{map,sigma,cl,dof,log,size,levels}:value; do opt=${pair%:*} what=${pair#*:}
    err=$("$fit" -n "$opt" '' 2>&1 >/dev/null)
    check "$opt '': a usage error, not the option left out (got $?: $err)" test $? -eq 2 -a \
        "$err" = "chi2map-fit: $opt: an empty ${what/_/ } (chi2map-fit --help lists the options)"; done
for file in heading cut nan more part; do
    out=$("$fit" -n --partial --json $file.res 2>err.txt)
    check "--partial $file: exit 0, one warning, in the JSON too" \
        test $? -eq 0 -a "$(grep -vc 'edge of the grid' err.txt)" -eq 1 -a "$(grep -c '"warnings": \[$' <<<"$out")" -eq 1
done
err=$("$fit" -n --partial nan.res cut.res 2>&1 >/dev/null)
check "--partial: the records left out counted, a record the file ends inside named (got: $err)" test "$(grep -cF \
    -e "warning: 2 record(s) with a NaN or infinite value left out, the first at line 7 of 'nan.res'" \
    -e "warning: 'cut.res' ends inside a record after line 60: that record is left out" <<<"$err")" = 2
check "a whole record on a last line without a line feed is read" cmp -s <("$fit" -n quorvi.res) <(head -c -1 quorvi.res | "$fit" -n -)
# Values of two passes apart by float noise, and a grid mostly empty: warned in either mode.
{ cat quorvi.res; echo "300.00000000000006 0.1 0 1.0 99"; } >noise.res
{ cat quorvi.res; echo "300.0 0.10000000000000002 0 1.00 99"; echo "300.0 0.15000000000000002 0 1.00 99"; printf '%s 0.1 0 1.0 99\n' 999999999 1e9; } >ynoise.res
err=$("$fit" -n ynoise.res 2>&1 >/dev/null)
check "close YORP strengths named as written, not doubled, every pair counted; T exactly 1e-9 of their size apart not (got: $err)" \
    test "$err" = "chi2map-fit: warning: YORP strength values 0.1 (line 7 of 'ynoise.res') and 0.10000000000000002 (line 61) differ by less than 1e-9 of their size, 2 such pair(s): each is a grid value of its own"
awk 'NR % 4 == 1' quorvi.res >sparse.res
for mode in -n "-n --partial"; do
    # shellcheck disable=SC2086 # split on purpose
    err=$("$fit" $mode noise.res 2>&1 >/dev/null)
    check "float noise ($mode): one warning naming both values and lines (got: $err)" test $? -eq 0 -a "$err" = \
        "chi2map-fit: warning: T values 300 (line 25 of 'noise.res') and 300.00000000000006 (line 61) differ by less than 1e-9 of their size, 1 such pair(s): each is a grid value of its own"
    # shellcheck disable=SC2086 # split on purpose
    err=$("$fit" $mode sparse.res 2>&1 >/dev/null)
    check "a grid a third filled ($mode): the fill and the counts (got: $err)" test $? -eq 0 -a "$err" = \
        "chi2map-fit: warning: only 33.3333% of the grid's cells have a chi-square (15 of 5 T x 3 YORP strength x 3 f_KE values = 45): the records may not lie on one grid"
done
check "--help, whole, its defaults filled in" cmp -s <("$fit" --help) "$data/chi2map-fit-help.txt"
err=$("$fit" --help 2>&1 >/dev/full)
check "--help to a full standard output: exit 1, one line (got $?: $err)" test $? -eq 1 -a "$err" = \
    "chi2map-fit: cannot write to standard output: No space left on device"
"$fit" -n --script first.gp --script last.gp >/dev/null
check "an option given twice: the last one counts" test -s last.gp -a ! -e first.gp
# The diagonal of a grid of 2^14 T x 2^14 YORP strength values, the most cells a grid may have: a cube of
# 2 GB, beyond a 400 MB limit (a sanitizer build, which reserves far more, cannot start under it: skipped).
awk 'BEGIN { for (i = 1; i <= 16384; i++) print i, i, 0, 1, 50 + i }' >diagonal.res
if (ulimit -v 400000 && "$fit" --version) >/dev/null 2>&1; then
    err=$(ulimit -v 400000 && "$fit" -n diagonal.res 2>&1 >/dev/null)
    check "a cube beyond the memory: exit 1, one line (got $?: $err)" test $? -eq 1 -a "$err" = \
        "chi2map-fit: cannot read 'diagonal.res': not enough memory"
fi
err=$("$fit" -n 2>&1 >/dev/full)
check "a full standard output: exit 1, one line (got: $err)" test $? -eq 1 -a "$err" = "chi2map-fit: cannot write the fit to standard output: No space left on device"
err=$("$fit" -n 2>&1 >&-)
check "a closed standard output: exit 1, one line (got: $err)" test $? -eq 1 -a "$err" = "chi2map-fit: cannot write the fit to standard output: Bad file descriptor"

echo "$passed passed, $failed failed"
((failed == 0))
