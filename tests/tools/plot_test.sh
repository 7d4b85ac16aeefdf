#!/usr/bin/env bash
# Tests of chi2map-plot on tables written in chi2map's exact fixed-width layout; the images are inspected through
# gnuplot's own PNG reader.
# Usage: plot_test.sh PATH/TO/chi2map-plot; exit status 0 when every check passed, 1 otherwise, 77 without gnuplot.

set -u -o pipefail

# shellcheck source=check.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
plot=$(absolute "${1:?usage: plot_test.sh PATH/TO/chi2map-plot}")
skip_without gnuplot gnuplot-nox
scratch plot_test
cd "$tmp" || exit 1

# table FILE PROJ NOUTER NINNER MIN_OUTER MIN_INNER [MISSING]
# A valley with its minimum at block MIN_OUTER, line MIN_INNER (1-based). MISSING "a-b:c-d" fills the chi-square of
# blocks a..b, lines c..d with asterisks, as chi2map writes cells that no record reached.
table() {
    awk -v proj="$2" -v no="$3" -v ni="$4" -v mo="$5" -v mi="$6" -v miss="${7:-}" 'BEGIN {
        split(miss, m, /[-:]/)
        for (b = 1; b <= no; b++) {
            for (i = 1; i <= ni; i++) {
                z = 400 + 3 * (b - mo) ^ 2 + 5 * (i - mi) ^ 2 + (b - mo) * (i - mi)
                c = (miss != "" && b >= m[1] && b <= m[2] && i >= m[3] && i <= m[4]) ? "********" : sprintf("%8.1f", z)
                if (proj == 1) printf "%6.1f %6.4f %s\n", 100 + 25 * (b - 1), 0.04 * i, c
                else if (proj == 2) printf "%6.1f %5.1f %s\n", 100 + 25 * (b - 1), 0.1 * i, c
                else printf "%6.4f %5.1f %s\n", 0.04 * b, 0.1 * i, c
            }
            printf "\n"
        }
    }' >"$1"
}

png_size() { # prints "WIDTH HEIGHT" from the IHDR chunk
    od -An -tu1 -j16 -N8 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }'
}


# --- one table per projection: recognised, sized, drawn ---------------------
names=("" "T vs YORP strength" "T vs f_KE" "f_KE vs YORP strength")
for p in 1 2 3; do
    table "t$p.dat" $p 12 9 4 6
    out=$("$plot" -v -s 640x480 "t$p.dat" 2>"t$p.err")
    rc=$?
    check "projection $p: exit status 0 (got $rc, $(cat "t$p.err"))" test $rc -eq 0
    # Projection 3 puts column 2 (f_KE) on the x axis.
    if ((p == 3)); then dims="9 x 12" where="f_KE = 0.6, YORP strength = 0.1600"; fi
    if ((p == 1)); then dims="12 x 9" where="T = 175.0, YORP strength = 0.2400"; fi
    if ((p == 2)); then dims="12 x 9" where="T = 175.0, f_KE = 0.6"; fi
    check "projection $p: recognised as ${names[p]}: $out" \
        grep -qF "t$p.dat: ${names[p]} (projection $p), $dims cells, 0 missing; minimum 400.0 at $where; wrote t$p.png" <<<"$out"
    check "projection $p: a PNG of 640x480 pixels" test "$(png_size "t$p.png")" = "640 480"
done

# --- contours: white lines in the SVG, one set per level --------------------
table c.dat 1 20 15 10 8
white() { "$plot" c.dat -o "c$1.svg" "${@:2}" 2>/dev/null && grep -c "stroke='rgb(255, 255, 255)'" "c$1.svg"; }
none=$(white 0 -l none) default=$(white 1) more=$(white 2 -l 2.3,6.18,11.83,40,90)
check "contours: none with -l none, some by default, more with more levels ($none, $default, $more)" \
    test "${none:-1}" -eq 0 -a "${default:-0}" -gt 0 -a "${more:-0}" -gt "${default:-0}"
err=$("$plot" c.dat -o c_far.png -l 2.3,100000 --script c_far.gp 2>&1)
check "a level the map never reaches is noted: $err" grep -q "no contour at delta chi-square 100000" <<<"$err"
check "the key lists the level the map reaches, not the one it never does" \
    test "$(grep -c '^|Δχ² = ' c_far.gp) $(grep -c '^|Δχ² = 2.3$' c_far.gp)" = "1 1"

# --- missing cells, the smallest tables, CR line ends, rounded labels, options --
table m.dat 1 12 9 3 3 8-12:5-9
for p in 1 2 3; do table "w$p.dat" $p 2 2 2 1; done
tr -d '\r' <w2.dat | sed 's/$/\r/' >crlf.dat
# Labels rounded by the table's F5.1: 0.1, 0.15, 0.2, 0.25 show as 0.1, 0.2, 0.2, 0.3.
for f in 0.1 0.2 0.2 0.3; do printf ' 100.0   %s     20.0\n' $f; done >rounded.dat
for f in 0.1 0.2 0.2 0.3; do printf ' 200.0   %s     21.0\n' $f; done | sed '1s/^/\n/;$s/$/\n/' >>rounded.dat
for t in 100.0 200.0; do
    for f in 0.1 0.1 0.2 0.2; do printf ' %s   %s     20.0\n' $t $f; done
    echo
done >twice.dat
cp w1.dat .map
sed 's/^$/\t/' w1.dat >tab.dat
cp w1.dat my.table.dat
sed '2s/.\{8\}$/     INF/' w1.dat >inf.dat
printf ' 100.0 0.1000     20.0\n 100.0 0.2000     20.0\n\n 200.0 0.1000     20.0\n 200.0 0.2000     22.0\n\n' >flat2.dat
sed 's/22.0$/20.0/' flat2.dat >flat.dat
head -c -2 flat2.dat >nolf.dat
mkdir -p in.d && cp w1.dat in.d/w.dat
printf '%s\n' '-100.0 0.1000     20.0' '-100.0 0.2000     21.0' '' ' -50.0 0.1000     22.0' ' -50.0 0.2000     23.0' >negative.dat
# name | arguments | output (grep -E), exit status 0
while IFS='|' read -r name args pattern; do
    # shellcheck disable=SC2086 # the arguments are split on purpose
    out=$("$plot" $args 2>&1)
    check "$name: exit 0 (got $?), output /$pattern/ (got: $out)" test $? -eq 0 -a -n "$(grep -E -- "$pattern" <<<"$out")"
done <<'EOF'
asterisk cells counted as missing|-v m.dat|12 x 9 cells, 25 missing; minimum 400.0 at T = 150.0
CR line ends|-v crlf.dat|wrote crlf.png
the smallest image|-v -s 200x150 -o small.png w1.dat|wrote small.png
the largest image|-v -s 10000x10000 -o big.svg w1.dat|wrote big\.svg
a hidden table named by its dot alone|-v .map|wrote \.map\.png
a line of a tab alone ends a block|-v tab.dat|wrote tab\.png
a table of two dots in its name|-v my.table.dat|wrote my\.table\.png$
a table in a folder: the image beside it|-v in.d/w.dat|wrote in\.d/w\.png$
an INF chi-square left blank|-v inf.dat|2 x 2 cells, 1 missing
negative labels|-v negative.dat|minimum 20\.0 at T = -100\.0, YORP strength = 0\.1000
an upper-case extension|-v -o MAP.PNG w1.dat|wrote MAP\.PNG$
one chi-square everywhere, the whole colour scale|-v -c full -o flat.png --script flat.gp flat.dat|0 missing; minimum 20\.0 at T = 100\.0, YORP strength = 0\.1000; wrote flat\.png$
a last line without a line feed, read|-v nolf.dat|2 x 2 cells, 0 missing; minimum 20\.0 at T = 100\.0, YORP strength = 0\.1000; wrote nolf\.png$
a level exactly at the map's top, not reached|-l 1,2 -o flat2.png flat2.dat|no contour at delta chi-square 2: the map does not reach it
repeated rounded labels drawn, with a note|rounded.dat|column 2 repeats the label "0.2".*positions are approximate, spread evenly from 0.1 to 0.3; chi2map-fit --map T,f_KE
--version|--version|^chi2map-plot [0-9.]+$
EOF
cp small.png small.old && err=$("$plot" -s 200x150 -o small.png -t "$(printf 'a title of many lines %.0s' {1..80})" w1.dat 2>&1)
check "a title that leaves a 200x150 image no room for the map: exit 1, the old image kept (got $?: $err)" test $? -eq 1 -a "$(cmp -s small.png small.old && echo kept)" = kept \
    -a "${err##*$'\n'}" = "chi2map-plot: no map: 200x150 is too small for it and its texts, even with 3-point text; -s sets a larger size"
check "-h, whole, its defaults and projections filled in" cmp -s <("$plot" -h) "$data/chi2map-plot-help.txt"
check "one chi-square everywhere: a colour scale of 1, not an empty one" grep -qxF 'set cbrange [0:1]' flat.gp
"$plot" -c 10 w1.dat -o cap.png --script cap.gp 2>/dev/null
check "-c 10: colours stop at 10, and the colour bar says so" test "$(grep -cx -e 'set cbrange \[0:10\]' \
    -e "set cblabel 'Δχ² above the minimum (colours stop at 10)'" cap.gp)" -eq 2
# cap | the power of ten of the labels (- for gnuplot's own); the bar's title stays on the 1000-pixel page
while read -r cap unit; do "$plot" -c "$cap" w1.dat -o bar.svg --script bar.gp 2>/dev/null
    x=$(grep -o 'translate([0-9.]*,[0-9.]*) rotate(270)' bar.svg | tail -1 | cut -d'(' -f2 | cut -d, -f1)
    ours=$([[ $unit = - ]] && echo 0 || echo 1)
    check "-c $cap: the bar's title on the page (at x = $x), in units of $unit" test "$(awk -v x="$x" 'BEGIN { print (x > 940 && x < 985) }')" = 1 \
        -a "$(grep -c cbtics bar.gp)$(grep -c "^set cblabel 'Δχ²/$unit above the minimum (colours" bar.gp)" = "$ours$ours"
done <<EOF
9999 -
12500 10⁴
1200000 10⁶
1.5e-5 10⁻⁵
EOF
check "-c 1.5e-5: labels 0 to 1.5 by 0.25, each at its value in units of 10⁻⁵, and the top named so" test \
    "$(grep -cxF "set cblabel 'Δχ²/10⁻⁵ above the minimum (colours stop at 1.5)'" bar.gp) $(grep '^set cbtics' bar.gp |
    tr -d "()'," | awk '{ for (i = 3; i < NF; i += 2) { s = s $i " "; if ((d = $(i + 1) / 1e-5 - $i) * d > 1e-20) s = s "off " } print s }')" = "1 0 0.25 0.5 0.75 1 1.25 1.5 "
out=$("$plot" -v -o - --script v.gp w1.dat 2>&1 >v.png)
check "-v with the image on standard output: the line on standard error, the image whole, the script says so (got: $out)" \
    test "$(head -c 4 v.png | tail -c 3)$(tail -c 8 v.png | head -c 4)" = PNGIEND -a -n "$(grep 'wrote -$' <<<"$out")" -a \
    "$(head -1 v.gp)" = "# gnuplot draws this figure to its standard output: gnuplot SCRIPT > FIGURE"
"$plot" -v w1.dat -o vs.png --script - >vs.gp 2>/dev/null && "$plot" w1.dat -o vs.png --script vs2.gp
check "-v with the script on standard output: the script alone there" cmp -s vs.gp vs2.gp
out=$("$plot" twice.dat 2>&1)
check "two repeats of one column: one note, naming the map chi2map-fit draws at the exact values (got: $out)" \
    test "$(grep -c 'column 2 repeats the label.*; chi2map-fit --map T,f_KE quorvi.res draws the map at the exact values$' <<<"$out")" -eq 1
"$plot" w1.dat -o keep.svg --script keep.gp && mv keep.svg drawn.svg && gnuplot keep.gp
check "--script: gnuplot draws the kept script's map to the image's name again" cmp -s drawn.svg keep.svg
check "the x axis titled with the table's first column, the y axis with its second" test "$(awk '
    /^\$T << EOD$/ { block = 1; next } block && /^EOD$/ { block = 0 } block { text[++n] = substr($0, 2) }
    /^set [xy]label \$T\[/ { match($0, /[0-9]+/); label[substr($0, 5, 1)] = substr($0, RSTART, RLENGTH) }
    END { print text[label["x"]] "|" text[label["y"]] }' keep.gp)" = "T|YORP strength"
"$plot" -p 2 w2.dat -o w2.pdf -t "it's a \"title\"" --script w2.gp 2>/dev/null
"$plot" w1.dat -o w1.svg -x "T (K)" -y "YORP strength (1/s)"
check "svg and pdf by extension, -p matching the layout, a title with quotes" \
    test "$(head -c 5 w1.svg)$(head -c 4 w2.pdf)$(grep -cxF "|it's a \"title\"" w2.gp)" = "<?xml%PDF1"
check "the title names the parameter minimised over, the axes their units" test "$(grep -c 'T vs YORP strength, smallest over f_KE' w1.svg \
    )$(grep -c '>T (K)<' w1.svg)$(grep -c '>YORP strength (1/s)<' w1.svg)" = 111
"$plot" - -o stdin.png --script stdin.gp <w1.dat
check "a table from standard input is titled so" grep -qF "smallest over f_KE (standard input)" stdin.gp
mkdir -p sub.d
cp w1.dat $'sub.d/new\nline.dat'
out=$("$plot" -v $'sub.d/new\nline.dat' -o sub.png --script sub.gp 2>&1)
check "a table in a folder: the title names the file alone" grep -qF 'smallest over f_KE (new\nline.dat)' sub.gp
check "-v shows a line break in the table's name as an escape: $out" grep -qF 'sub.d/new\nline.dat: T vs YORP strength (projection 1)' <<<"$out"
out=$("$plot" -v -o pipe.png <(cat w1.dat) 2>&1)
check "a table from a pipe, read once: $out" grep -q "wrote pipe.png" <<<"$out"
out=$("$plot" -v /proc/self/fd/7 7<w1.dat 2>&1)
check "a table named under /proc: drawn to table.png here, not beside it: $out" grep -q "wrote table.png" <<<"$out"

# --- what is drawn, against a computation of its own ------------------------
# Random tables of each projection (sizes, missing cells, a tie at the minimum, labels rounded into repeats):
# cells spread evenly from the first label to the last, delta chi-square, the first tied cell marked.
for seed in 1 2 3 4 5 6; do
    p=$((seed % 3 + 1))
    awk -v p=$p -v seed=$seed 'BEGIN { srand(seed); nb = 2 + int(rand() * 6); nl = 2 + int(rand() * 5)
        f = p == 1 ? "%6.1f %6.4f %s\n" : p == 2 ? "%6.1f %5.1f %s\n" : "%6.4f %5.1f %s\n"
        tie1 = int(rand() * nb * nl); tie2 = int(rand() * nb * nl)
        for (b = 0; b < nb; b++) {
            for (l = 0; l < nl; l++) {
                r = rand(); k = b * nl + l
                c = k == tie1 || k == tie2 ? "     5.0" : r < 0.15 ? "********" : r < 0.2 ? "     NaN" : sprintf("%8.1f", 10 + rand() * 30)
                printf f, p == 3 ? 0.01 + 0.013 * b : 100 + (seed < 4 ? 25 : 0.06) * b, p == 1 ? 0.02 * (l + 1) : 0.3 * (l + 1), c
            }
            print ""
        }
    }' >r$seed.dat
    awk -v p=$p -v b=0 -v l=0 'NF == 0 { if (l) { b++; l = 0 } next }
        { if (l == 0) o[b] = $1; if (b == 0) i[l] = $2; c[b, l] = $3; n = ++l }
        END { for (x = 0; x < b; x++) for (y = 0; y < n; y++) if (c[x, y] ~ /^[0-9.]+$/ && (min == "" || c[x, y] + 0 < min + 0)) { min = c[x, y]; mo = x; mi = y }
            for (x = 0; x < b; x++) for (y = 0; y < n; y++) if (c[x, y] ~ /^[0-9.]+$/) {
                po = o[0] + (o[b - 1] - o[0]) * x / (b - 1); pi = i[0] + (i[n - 1] - i[0]) * y / (n - 1)
                printf "%.6f %.6f %.3f\n", p == 3 ? pi : po, p == 3 ? po : pi, c[x, y] - min }
            x = p == 3 ? "f_KE = " i[mi] : "T = " o[mo]; y = p == 2 ? "f_KE = " i[mi] : "YORP strength = " (p == 3 ? o[mo] : i[mi])
            mx = i[0] + (i[n - 1] - i[0]) * mi / (n - 1); my = o[0] + (o[b - 1] - o[0]) * mo / (b - 1)
            printf "minimum 5.0 at %s, %s;\n%.6f %.6f\n", x, y, p == 3 ? mx : my, p == 3 ? my : mx >"min.txt" }' r$seed.dat | sort >expected.txt
    out=$("$plot" -v r$seed.dat -o r.svg --script r.gp 2>/dev/null)
    sed -n '/^\$B0 << EOD/,/^EOD/p' r.gp | awk 'NF == 7 { printf "%.6f %.6f %.3f\n", $1, $2, $7 }' | sort >drawn.txt
    marker=$(sed -n 's/.*"+" using (\([^)]*\)):(\([^)]*\)).*/\1 \2/p' r.gp | awk '{ printf "%.6f %.6f\n", $1, $2 }')
    check "table $seed (projection $p): every present cell where it belongs, its delta chi-square" cmp -s expected.txt drawn.txt
    check "table $seed: the first tied cell is the minimum, marked ($out; $marker)" \
        test "$(head -1 min.txt)" = "$(grep -oF "$(head -1 min.txt)" <<<"$out")" -a "$(tail -1 min.txt)" = "$marker"
    check "table $seed: the title gives the minimum as -v does" grep -qxF "$(head -1 min.txt | sed 's/^minimum /|minimum χ² = /; s/;$//')" r.gp
done

# --- bad tables and options: clear message, exit status, no image ------------
# name | bad.dat written first (printf format) | arguments | message (grep -E) | exit status
while IFS='|' read -r name content args message status; do
    rm -f -- bad.png bad.dat
    # shellcheck disable=SC2059 # the content is a format on purpose
    [[ -n $content ]] && printf "$content" >bad.dat
    # shellcheck disable=SC2086 # the arguments are split on purpose
    err=$("$plot" -o bad.png $args 2>&1 >/dev/null)
    rc=$?
    check "$name: exit $status (got $rc)" test $rc -eq "$status"
    check "$name: one line /$message/ (got: $err)" test "$(grep -cE -- "$message" <<<"$err")$(wc -l <<<"$err")" = 11
    check "$name: no image written, nothing partial" test -z "$(ls -A | grep 'bad\.png')"
done <<'EOF'
missing file||none.dat|^chi2map-plot: cannot read 'none.dat': No such file or directory$|1
a folder||sub.d|^chi2map-plot: cannot read 'sub.d': it is a folder$|1
empty file|%s|bad.dat|^chi2map-plot: 'bad\.dat' is empty: no table lines \(chi2map writes none when quorvi\.res held no record\)$|1
only empty lines|\n\n|bad.dat|^chi2map-plot: bad\.dat: no table lines, only empty lines$|1
free-form line|100.0 0.2 20.0\n|bad.dat|^chi2map-plot: bad\.dat:1: malformed line "100\.0 0\.2 20\.0": a chi2map table line has 21 or 22 characters, this one 14$|1
no blank before the chi-square| 100.0 0.20001234567.8\n 100.0 0.4000     30.0\n\n|bad.dat|^chi2map-plot: bad\.dat:1: malformed line " 100\.0 0\.20001234567\.8" \(22 characters\); expected F6\.1 T, blank, F6\.4 YORP strength, blank, F8\.1 chi-square \(22 characters\)$|1
truncated line| 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n 200.0 0.2000     35.0\n 200.0 0.4000     12\n\n|bad.dat|^chi2map-plot: bad\.dat:5: malformed line " 200\.0 0\.4000     12" \(20 characters\); expected F6\.1 T, blank, F6\.4 YORP strength, blank, F8\.1 chi-square \(22 characters\)$|1
NaN label, column 1|  -NaN   0.5     20.0\n  -NaN   1.0     25.0\n\n|bad.dat|^chi2map-plot: bad\.dat:1: column 1 is "-NaN": the axis has a single value \(chi2map labels it NaN\), nothing to map$|1
NaN label, column 2| 100.0  -NaN     20.0\n\n 200.0  -NaN     15.0\n\n|bad.dat|^chi2map-plot: bad\.dat:1: column 2 is "-NaN": the axis has a single value \(chi2map labels it NaN\), nothing to map$|1
an infinite label|  -INF 0.2000     20.0\n  -INF 0.4000     30.0\n\n|bad.dat|^chi2map-plot: bad\.dat:1: column 1 is "-INF": the axis has a single value \(chi2map labels it NaN\), nothing to map$|1
asterisk label|****** 0.2000     20.0\n****** 0.4000     30.0\n\n|bad.dat|^chi2map-plot: bad\.dat:1: column 1 is filled with asterisks: the grid value does not fit its field, the axis cannot be labelled$|1
no chi-square at all| 100.0 0.2000 ********\n 100.0 0.4000      NaN\n\n 200.0 0.2000 ********\n 200.0 0.4000 ********\n\n|bad.dat|^chi2map-plot: bad\.dat: no cell has a chi-square \(every chi-square field is asterisks or NaN\)$|1
ragged blocks| 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n 200.0 0.2000     35.0\n\n|bad.dat|^chi2map-plot: bad\.dat:4: block 2 has 1 line\(s\), the first block has 2$|1
a block longer than the first| 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n 200.0 0.2000     35.0\n 200.0 0.4000     12.5\n 200.0 0.6000     10.0\n\n|bad.dat|^chi2map-plot: bad.dat:4: block 2 has more lines than the first block \(2\)$|1
missing block end| 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n 200.0 0.2000     35.0\n 300.0 0.4000     12.5\n\n|bad.dat|^chi2map-plot: bad\.dat:5: column 1 changes from "200\.0" to "300\.0" inside a block \(blocks end with an empty line\)$|1
letters in a label| 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n 1x0.0 0.2000     35.0\n 1x0.0 0.4000     12.5\n\n|bad.dat|^chi2map-plot: bad\.dat:4: malformed column 1 " 1x0\.0"; expected F6\.1 T, blank, F6\.4 YORP strength, blank, F8\.1 chi-square \(22 characters\)$|1
letters in a chi-square| 100.0 0.2000     2x.0\n 100.0 0.4000     30.0\n\n|bad.dat|^chi2map-plot: bad\.dat:1: malformed chi-square column "    2x\.0"; expected F6\.1 T, blank, F6\.4 YORP strength, blank, F8\.1 chi-square \(22 characters\)$|1
blocks not ascending| 200.0 0.2000     20.0\n 200.0 0.4000     30.0\n\n 100.0 0.2000     35.0\n 100.0 0.4000     12.5\n\n|bad.dat|^chi2map-plot: bad\.dat: column 1 does not increase from "200\.0" to "100\.0" \(from one block to the next\)$|1
inner order differs| 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n 200.0 0.4000     35.0\n 200.0 0.2000     12.5\n\n|bad.dat|^chi2map-plot: bad\.dat:4: column 2 is "0\.4000" where the first block has "0\.2000"$|1
single block| 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n|bad.dat|^chi2map-plot: bad\.dat: 1 block\(s\) of 2 line\(s\); a map needs two or more values on each axis$|1
blocks of a single line| 100.0 0.2000     20.0\n\n 200.0 0.2000     30.0\n\n|bad.dat|^chi2map-plot: bad\.dat: 2 block\(s\) of 1 line\(s\); a map needs two or more values on each axis$|1
labels rounded to one value| 100.0 0.2000     20.0\n 100.0 0.2000     30.0\n\n 200.0 0.2000     35.0\n 200.0 0.2000     12.5\n\n|bad.dat|^chi2map-plot: bad.dat: column 2 is "0.2000" throughout, its values rounded to the table.s decimals: no map; chi2map-fit --map draws it from quorvi.res at the exact values$|1
column headings|T YORP chi2\n|bad.dat|^chi2map-plot: bad\.dat:1: malformed line "T YORP chi2": a chi2map table line has 21 or 22 characters, this one 11$|1
fit records, a blank before and after|  100.0 0.200 0 0.50 63.250 \n|bad.dat|^chi2map-plot: bad\.dat:1: a record of five numbers: this is chi2map's input \(quorvi\.res\), not a table; run chi2map first and map its table\.dat$|1
fit records with commas and D exponents|100.0,2.0D-01,0,5.0d-01,63.250\n|bad.dat|^chi2map-plot: bad\.dat:1: a record of five numbers: this is chi2map's input \(quorvi\.res\), not a table; run chi2map first and map its table\.dat$|1
four numbers, no record|100.0 0.200 0 0.50\n|bad.dat|^chi2map-plot: bad\.dat:1: malformed line "100\.0 0\.200 0 0\.50": a chi2map table line has 21 or 22 characters, this one 18$|1
six numbers, no record|1 100.0 0.200 0 0.50 63.250\n|bad.dat|^chi2map-plot: bad\.dat:1: malformed line "1 100\.0 0\.200 0 0\.50 63\.250": a chi2map table line has 21 or 22 characters, this one 27$|1
binary file|\211PNG\r\n\032\n\000|bad.dat|^chi2map-plot: bad.dat:1: a byte 0x89: not a text file, not a chi2map table$|1
NUL bytes after a line| 100.0 0.2000     20.0\n\000\000\000|bad.dat|^chi2map-plot: bad\.dat:2: a byte 0x00: not a text file, not a chi2map table$|1
a DEL byte| 100.0 0.2000     20.0\n\177\n|bad.dat|^chi2map-plot: bad\.dat:2: a byte 0x7f: not a text file, not a chi2map table$|1
a line of 40 characters, shown whole|%040d\n|bad.dat|^chi2map-plot: bad\.dat:1: malformed line "0{40}": a chi2map table line has 21 or 22 characters, this one 40$|1
a line of 41 characters, shown cut|%041d\n|bad.dat|^chi2map-plot: bad\.dat:1: malformed line "0{40}\.\.\.": a chi2map table line has 21 or 22 characters, this one 41$|1
a line of 80 characters, the longest read|%080d\n|bad.dat|^chi2map-plot: bad\.dat:1: malformed line "0{40}\.\.\.": a chi2map table line has 21 or 22 characters, this one 80$|1
a line of 81 characters|%081d\n|bad.dat|^chi2map-plot: bad.dat:1: a line longer than 80 characters: not a chi2map table$|1
removed -L||-L w1.dat|^chi2map-plot: -L is gone: the colours show delta chi-square, capped by -c \(chi2map-plot -h lists the options\)$|2
-p against the layout||-p 3 w2.dat|^chi2map-plot: w2\.dat:1: malformed column 1 " 100\.0"; expected F6\.4 YORP strength, blank, F5\.1 f_KE, blank, F8\.1 chi-square \(21 characters\)$|1
-p 1 on a 21-column table||-p 1 w3.dat|^chi2map-plot: w3\.dat:1: malformed line "0\.0400   0\.1    403\.0" \(21 characters\); expected F6\.1 T, blank, F6\.4 YORP strength, blank, F8\.1 chi-square \(22 characters\)$|1
no table||-t x|^chi2map-plot: no table given \(chi2map-plot -h lists the options\)$|2
two tables||w1.dat w2.dat|^chi2map-plot: more than one table given \('w1\.dat', 'w2\.dat'\) \(chi2map-plot -h lists the options\)$|2
a second table from standard input||w1.dat -|^chi2map-plot: more than one table given \('w1\.dat', '-'\) \(chi2map-plot -h lists the options\)$|2
bad projection||-p 4 w1.dat|^chi2map-plot: projection must be 1, 2 or 3, not '4' \(chi2map-plot -h lists the options\)$|2
bad level||-l 2,x w1.dat|^chi2map-plot: contour level 'x' is not a positive number \(chi2map-plot -h lists the options\)$|2
zero level||-l 0 w1.dat|^chi2map-plot: contour level '0' is not a positive number \(chi2map-plot -h lists the options\)$|2
zero cap||-c 0 w1.dat|^chi2map-plot: colour scale cap must be a positive number or 'full', not '0' \(chi2map-plot -h lists the options\)$|2
an output of another kind||-o bad.gif w1.dat|^chi2map-plot: cannot draw 'bad.gif': the output's name must end in \.png, \.svg or \.pdf \(or be - for a PNG on standard output\) \(chi2map-plot -h lists the options\)$|2
a size one pixel too tall||-s 640x10001 w1.dat|^chi2map-plot: size 640x10001 out of range \(200x150 to 10000x10000\) \(chi2map-plot -h lists the options\)$|2
a size one pixel too narrow||-s 199x480 w1.dat|^chi2map-plot: size 199x480 out of range \(200x150 to 10000x10000\) \(chi2map-plot -h lists the options\)$|2
a size one pixel too low||-s 640x149 w1.dat|^chi2map-plot: size 640x149 out of range \(200x150 to 10000x10000\) \(chi2map-plot -h lists the options\)$|2
a size one pixel too wide||-s 10001x480 w1.dat|^chi2map-plot: size 10001x480 out of range \(200x150 to 10000x10000\) \(chi2map-plot -h lists the options\)$|2
a size too wide for a 32-bit count||-s 4294967936x480 w1.dat|^chi2map-plot: size 4294967936x480 out of range \(200x150 to 10000x10000\) \(chi2map-plot -h lists the options\)$|2
a size with a sign||-s +640x480 w1.dat|^chi2map-plot: size must be WIDTHxHEIGHT in pixels, not '\+640x480' \(chi2map-plot -h lists the options\)$|2
a size with a trailing x||-s 640x480x w1.dat|^chi2map-plot: size must be WIDTHxHEIGHT in pixels, not '640x480x' \(chi2map-plot -h lists the options\)$|2
a size with no height||-s 640x w1.dat|^chi2map-plot: size must be WIDTHxHEIGHT in pixels, not '640x' \(chi2map-plot -h lists the options\)$|2
a size of one number||-s 640 w1.dat|^chi2map-plot: size must be WIDTHxHEIGHT in pixels, not '640' \(chi2map-plot -h lists the options\)$|2
quorvi.res in a folder, refused by its name||sub.d/quorvi.res|^chi2map-plot: 'sub\.d/quorvi\.res' is chi2map's input, not a table: run chi2map first and map its table\.dat$|1
unknown option||-q w1.dat|^chi2map-plot: unknown option -q \(chi2map-plot -h lists the options\)$|2
EOF
for pair in -o:file_name --script:file_name -p:value; do opt=${pair%:*} what=${pair#*:}
    err=$("$plot" "$opt" '' w1.dat 2>&1 >/dev/null)
    check "$opt '': a usage error, not the option left out (got $?: $err)" test $? -eq 2 -a \
        "$err" = "chi2map-plot: $opt: an empty ${what/_/ } (chi2map-plot -h lists the options)"; done
cp w1.dat $'bad\377.dat' && "$plot" $'bad\377.dat' -o bad.svg
check "a name with a byte that is no UTF-8: the SVG all UTF-8, the byte an escape in its title" \
    test "$(iconv -f UTF-8 -t UTF-8 bad.svg >/dev/null && grep -c 'bad\\xFF\.dat' bad.svg)" = 1
err=$(PATH=/nonexistent "$plot" w1.dat -o nogp.png 2>&1 >/dev/null)
check "no gnuplot in PATH: exit 1, the package named, no image (got $?: $err)" test $? -eq 1 -a ! -e nogp.png -a \
    "$err" = "chi2map-plot: gnuplot not found (Debian package gnuplot-nox)"
cp w1.dat same.png
while IFS='|' read -r args name; do err=$("$plot" $args 2>&1)  # the default output, then a script
    check "an output naming the table itself is refused ($args): $err" test $? -eq 2 -a "$err" = "chi2map-plot: the output '$name' is the input 'same.png'; choose another name"; done <<<"same.png|same.png
same.png -o x.png --script ./same.png|./same.png"
check "the table is left as it was" cmp -s same.png w1.dat

echo "$passed passed, $failed failed"
((failed == 0))
