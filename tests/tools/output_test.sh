#!/usr/bin/env bash
# What chi2map-fit and chi2map-plot leave when writing goes wrong (gnuplot, disk, limits, signals, devices,
# links, names): after every failure exit 1, one line, the old file byte for byte, no temporary.
# Usage: output_test.sh PATH/TO/chi2map-fit PATH/TO/chi2map-plot

set -u -o pipefail

# shellcheck source=check.sh
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"
fit=$(absolute "${1:?usage: output_test.sh CHI2MAP-FIT CHI2MAP-PLOT}")
plot=$(absolute "${2:?usage: output_test.sh CHI2MAP-FIT CHI2MAP-PLOT}")
skip_without gnuplot gnuplot-nox
scratch output_test
cd "$tmp" || exit 1
gnuplot=$(command -v gnuplot)

# Its best cell and 1-sigma ranges inside the grid: no warning of its edges.
awk 'BEGIN { for (t = 1; t <= 4; t++) for (y = 3; y >= 1; y--) for (f = 1; f <= 3; f++)
    printf "%.1f %.3f 0 %.2f %.3f\n", 100 * t, 0.05 * y, 0.5 * f, 50 + 2 * (t - 2) ^ 2 + 2 * (y - 2) ^ 2 + 2 * (f - 2) ^ 2 }' >quorvi.res
printf ' 100.0 0.1000     20.0\n 100.0 0.2000     21.0\n\n 200.0 0.1000     22.0\n 200.0 0.2000     19.0\n\n' >t.dat
temporaries() { find . -name '.c2m*' | head -3; }

# --- gnuplots that fail: nothing written, the old file kept ---------------------
fake() { mkdir -p "$1" && printf '#!/bin/sh\n%s\n' "$2" >"$1/gnuplot" && chmod +x "$1/gnuplot"; }
fake empty 'cat >/dev/null; echo "line 3: warning: no output" >&2'
fake cut "\"$gnuplot\" \"\$@\" | head -c 300"
fake fails "\"$gnuplot\" \"\$@\"; exit 1"
fake garbage 'if grep -q "terminal svg"; then printf "oops</svg>\\n"; else printf "oops\\n%%%%EOF\\n"; fi'
# gnuplot | option | message (grep -E)
while IFS='|' read -r dir option message; do
    for out in old.png old.svg old.pdf; do
        echo old >"$out"
        # shellcheck disable=SC2086 # split on purpose
        for tool in "$fit $option" "$plot -l 1 t.dat"; do
            err=$(PATH=$tmp/$dir:$PATH $tool -o "$out" 2>&1 >/dev/null)
            rc=$?
            check "$dir gnuplot, $out, ${tool##*/}: exit 1, one line /$message/, the old file kept (got $rc: $err)" \
                test $rc -eq 1 -a "$(grep -cE "$message" <<<"$err")$(wc -l <<<"$err")$(cat "$out")$(temporaries)" = 11old
        done
    done
done <<EOF
empty|--script s.gp|could not draw 'old\.(png|svg|pdf)': it drew nothing; gnuplot said: line 3: warning: no output$
cut|--map T,YORP|could not draw 'old\.(png|svg|pdf)': the image it drew is cut short \(300 bytes\)$
fails|--profiles p.csv|could not draw 'old\.(png|svg|pdf)': exit status 1$
garbage|--profiles p.csv|could not draw 'old\.(png|svg|pdf)': the image it drew is cut short \([0-9]+ bytes\)$
EOF
check "a failed run leaves none of its other files" test ! -e s.gp -a ! -e p.csv

# --- a full file system and a file-size limit ------------------------------------
mkdir -p full readonly
mounts=()
trap 'for m in "${mounts[@]}"; do umount "$m"; done; rm -rf -- "$tmp"' EXIT
if mount -t tmpfs -o ro,size=4k tmpfs readonly 2>/dev/null; then
    mounts+=("$tmp/readonly")
    err=$("$fit" -o readonly/map.png 2>&1 >/dev/null)
    check "a read-only file system: refused before the fit and gnuplot (got $?: $err)" test $? -eq 1 -a "$err" = \
        "chi2map-fit: cannot write 'readonly/map.png': Read-only file system; choose another name"
fi
if mount -t tmpfs -o size=64k tmpfs full 2>/dev/null; then
    mounts+=("$tmp/full")
    echo old >full/map.png && echo old >full/p.csv && echo old >kept.csv && mknod full.dev c 1 7  # a full device
    dd if=/dev/zero of=full/filler bs=4k 2>/dev/null
    for run in "$plot -l 1 t.dat -o full/map.png" "$fit -o full/map.png" "$fit -n --profiles full/p.csv" \
        "$fit -n --profiles kept.csv --script full.dev"; do
        err=$($run 2>&1 >/dev/null)
        check "full file system, ${run##*/}: exit 1, one line, the old files kept (got $?: $err)" test $? -eq 1 -a \
            "$(grep -cE "cannot write '(full/map.png|full/p.csv|full.dev)': No space left on device$" <<<"$err")$(cat full/*.* kept.csv | tr -d "\n")" = 1oldoldold
    done
else
    echo "mounting a tmpfs is not allowed here: the full file system is not tested"
fi
mknod dev.full c 1 7 2>/dev/null && mknod dev.null c 1 3 || { ln -s /dev/full dev.full; ln -s /dev/null dev.null; }  # a slip replaces no /dev/full
ln -s dev.full dev.png
for run in "$fit -o full.png --profiles dev.full" "$plot -v t.dat -o dev.png"; do
    $run >told.txt 2>/dev/null
    check "a device full after the image was drawn, ${run#*/chi2map-}: exit 1, the image neither left nor told (got $?)" \
        test $? -eq 1 -a ! -e full.png -a "$(grep -c 'figure\|wrote' told.txt)" = 0
done
echo old >big.gp
for run in "$fit -n --script big.gp" "$plot -l 1 t.dat -o big.gp.png"; do
    err=$(bash -c 'ulimit -f 1; exec "$@"' - $run 2>&1 >/dev/null)
    check "a file-size limit, ${run##*/}: exit 1, one line, the old file kept (got $?: $err)" test $? -eq 1 -a \
        "$(grep -cE "'big.gp(.png)?': .*File too large$" <<<"$err")$(cat big.gp)$(temporaries)" = 1old
done

"$fit" -n --profiles p.csv >fit.txt
mkfifo fifo.csv
timeout 20 cat fifo.csv >from-fifo.csv &
"$fit" -n --profiles fifo.csv >/dev/null
wait
check "a FIFO output: written in place, still a FIFO" test -p fifo.csv -a "$(cmp from-fifo.csv p.csv && echo same)" = same
"$fit" -n --profiles /dev/stdout >out.csv 2>out.txt
check "/dev/stdout redirected to a file, and -: the CSV alone, the fit on standard error; /dev/stdout still a link" \
    test -L /dev/stdout -a "$(cmp p.csv out.csv && cmp fit.txt out.txt && "$fit" -n --profiles - 2>/dev/null |
        cmp - out.csv && echo same)" = same
mkdir -- - && "$fit" -o - --profiles fig.csv >fig.png 2>fig.txt
check "an image on standard output (and a CSV elsewhere) has it alone: the fit on standard error; a folder named - is not it" \
    test "$(head -c 4 fig.png | tail -c 3)$(tail -c 8 fig.png | head -c 4)$(cmp fig.txt <(cat fit.txt; echo "corner figure: -") && echo same)" = PNGIENDsame
rmdir -- - && mkdir -p real && echo old >real/p.csv && ln -s p.csv real/near.csv && ln -s near.csv real/nearer.csv && ln -s real/nearer.csv chain.csv
"$fit" -n --profiles chain.csv >/dev/null
check "three links, each to a name in its own folder: the last one's file replaced, not one here" test -L chain.csv -a -L real/nearer.csv -a -L real/near.csv -a "$(cmp real/p.csv p.csv && echo same)" = same
echo old >perm.csv && chmod 640 perm.csv && (umask 002 && "$fit" -n --profiles perm.csv --script new.gp >/dev/null)
check "a replaced output keeps its permissions, a new one has what the umask leaves" \
    test "$(stat -c %a perm.csv new.gp | tr '\n' ' ')$(head -c 9 perm.csv)" = "640 664 parameter"
ln -f quorvi.res hard.res && ln -sf quorvi.res soft.res && cp quorvi.res before.res && mkdir sub
# arguments | the message's end
while IFS='|' read -r args message; do
    # shellcheck disable=SC2086 # split on purpose
    err=$("$fit" $args 2>&1 >stdout.txt)
    check "refused before reading ($args): exit 2, /$message/ (got $?: $err)" \
        test $? -eq 2 -a "$(grep -cE "^chi2map-fit: the output.*$message" <<<"$err")" = 1
done <<'EOF'
-n --profiles ./quorvi.res|is the input 'quorvi.res'; choose another name$
-n --profiles hard.res|'hard.res' is the input 'quorvi.res'
-n --profiles soft.res|'soft.res' is the input 'quorvi.res'
-n --profiles x.csv --script ./x.csv|s 'x.csv' and './x.csv' are one file; give each a name of its own$
-o f.png --profiles sub/../f.png|s 'f.png' and 'sub/../f.png' are one file
-n --profiles - --script /dev/stdout|s '-' and '/dev/stdout' are one file
EOF
check "one pipe as two inputs: refused, not read twice; one file as two, a pipe and a file: fitted twice" test "$(cat quorvi.res | "$fit" -n - /dev/stdin 2>&1 >/dev/null; echo "exit $?")$("$fit" -n quorvi.res ./quorvi.res | grep -c '^fit of')$(cat quorvi.res | "$fit" -n - quorvi.res | grep -c '^fit of')" = $'chi2map-fit: the inputs \'-\' and \'/dev/stdin\' are one pipe, which can be read only once; give it once\nexit 222'
ln -s loop-b.csv loop-a.csv && ln -s loop-a.csv loop-b.csv
err=$("$fit" -n --profiles loop-a.csv 2>&1 >/dev/null)
check "links in a circle: refused, both kept (got $?: $err)" test $? -eq 1 -a -L loop-a.csv -a -L loop-b.csv -a "$err" = \
    "chi2map-fit: cannot write 'loop-a.csv': Too many levels of symbolic links; choose another name"
echo old >end.csv && for i in $(seq 39); do ln -s "hop$((i - 1)).csv" "hop$i.csv"; done && ln -s end.csv hop0.csv
"$fit" -n --profiles hop39.csv >/dev/null
check "a chain of 40 links, as many as the system follows: the file at its end replaced" test -L hop39.csv -a "$(head -c 9 end.csv)" = parameter
# An image for a terminal (script gives the tools one): refused before anything is read.
for run in "'$fit' -o -" "'$plot' t.dat -o -"; do
    out=$(script -qec "$run" /dev/null)
    check "an image on standard output that is a terminal: exit 2, refused (got $?: $out)" \
        test $? -eq 2 -a "$(grep -c ': will not write an image to a terminal: give -o FILE' <<<"$out")" -eq 1
done
# There standard input and error are the terminal too: only standard output decides, and only for "-".
for run in "'$fit' -o - >term-fit.png" "'$plot' t.dat -o term-plot.png"; do
    script -qec "$run" /dev/null >/dev/null
    check "a terminal elsewhere than on an image's way: drawn ($run, got $?)" test $? -eq 0 -a -s "${run##*[ >]}"
done
"$fit" -n --profiles dev.null --script dev.null >/dev/null
check "two outputs to a null device: not one file to refuse (got $?)" test $? -eq 0 -a -c dev.null
check "refused runs write nothing" test "$(cmp quorvi.res before.res && ls x.csv f.png 2>&1 | grep -c 'No such')" = 2
err=$("$plot" - <t.dat -o /dev/stdin 2>&1)
check "chi2map-plot: an output that is the table given as -: exit 2 (got $?: $err)" test $? -eq 2

# --- names of every kind ------------------------------------------------------
long=$(printf 'n%.0s' {1..246})
for name in $'tab\there' $'new\nline' "'it's' \"quoted\"" 'back\slash' "$long"; do
    "$plot" -l 1 t.dat -o "$name.png" -x "$name" -t "\\$name" && "$fit" -n --profiles "./$name.csv" >/dev/null
    check "the name '$name': a PNG (the name its labels) and a CSV, no temporary" \
        test "$(head -c 4 "$name.png" | tail -c 3)$(head -c 9 "./$name.csv")$(temporaries)" = PNGparameter
done
err=$("$fit" -n --profiles $'no\tsuch/x.csv' 2>&1)
check "a name's control characters shown escaped (got: $err)" \
    test "$err" = "chi2map-fit: cannot write 'no\\tsuch/x.csv': No such file or directory; choose another name"

"$plot" -l 1 -v t.dat -o v.png >/dev/full 2>/dev/null
check "-v to a full standard output: exit 1 (got $?), no image" test $? -eq 1 -a ! -e v.png
stray=$(ls /dev/stdin.png 2>/dev/null)
"$plot" -l 1 -t T /dev/stdin <t.dat && "$plot" -l 1 -t T - -o - <t.dat >stdout.png
check "a table from standard input: drawn to table.png here, never beside /dev/stdin" \
    test -s table.png -a ! -e /dev/stdin.png -a "$(cmp table.png stdout.png && echo same)" = same
[[ -z $stray ]] && rm -f /dev/stdin.png  # what a failing run put there

# --- a hanging gnuplot: the tool's signals, and SIGKILL ------------------------
fake hang 'echo $$ >>"$PIDS"; exec sleep 60'
# The processes named on standard input that still run (an unreaped zombie has ended).
running() { while read -r pid; do awk '$3 != "Z" { print "alive" }' "/proc/$pid/stat" 2>/dev/null; done; }
for signal in TERM KILL; do
    echo old >old.png && : >pids
    PIDS=$tmp/pids PATH=$tmp/hang:$PATH "$plot" -l 1 t.dat -o old.png &
    PIDS=$tmp/pids PATH=$tmp/hang:$PATH "$fit" -o old.png --profiles p2.csv >/dev/null 2>&1 &
    for _ in $(seq 100); do (($(wc -l <pids) == 2)) && break; sleep 0.05; done
    kill -s "$signal" $(jobs -p)
    wait
    sleep 0.2
    check "SIG$signal while gnuplot runs: no gnuplot left, the old file kept, nothing written" \
        test "$(running <pids)$(wc -l <pids)$(cat old.png)$(temporaries)" = 2old -a ! -e p2.csv
done

# A SIGTERM ignored from the start (as nohup leaves it) stays ignored: the run goes on and draws.
fake slow "echo \$\$ >>\"\$PIDS\"; sleep 1; exec \"$gnuplot\" \"\$@\""
: >pids
(
    trap '' TERM
    PIDS=$tmp/pids PATH=$tmp/slow:$PATH exec "$plot" -l 1 t.dat -o ignored.png
) &
for _ in $(seq 100); do [[ -s pids ]] && break; sleep 0.05; done
kill -s TERM $!
wait $!
check "SIGTERM ignored from the start: the run goes on (exit $?), the image drawn" test $? -eq 0 -a -s ignored.png
# The line of -v, written after the files are staged, to a pipe that no one reads any more.
echo old >v.png && PIDS=/dev/null PATH=$tmp/slow:$PATH "$plot" -l 1 -v t.dat -o v.png --script v.gp | true; rc=${PIPESTATUS[0]}
check "-v to a pipe no one reads: ended by SIGPIPE (got $rc), the old file kept, no temporary" test "$rc$(cat v.png)$(temporaries)" = 141old -a ! -e v.gp
err=$("$fit" -n - <&- 2>&1; "$plot" - <&- 2>&1; echo x | "$plot" - 2>&1 | cut -c1-41)
check "a closed standard input is an empty one, named so by both tools (got: $err)" test "$err" = \
    "chi2map-fit: standard input holds no record of five numbers: nothing to fit
chi2map-plot: standard input is empty: no table lines (chi2map writes none when quorvi.res held no record)
chi2map-plot: standard input:1: malformed"

echo "$passed passed, $failed failed"
((failed == 0))
