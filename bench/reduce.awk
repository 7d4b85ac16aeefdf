# The reduction chi2map does, as the awk script a user would write instead;
# the benchmark times it for comparison only. Reads five whitespace-separated
# numbers a line (T, YORP strength, unused, f_KE, chi-square), keeps the
# distinct values of each axis in order of first appearance, the smallest
# chi-square of every (T, YORP, f_KE) cell, prints the summary and writes the
# T vs YORP strength plane (minimum over f_KE) to table.dat (or the file
# given as out).
#
#   awk -f reduce.awk quorvi.res
#   awk -v out=plane.dat -f reduce.awk quorvi.res
{
    t = $1 + 0; y = 2 * $2; f = $4 + 0; c = $5 + 0
    if (!(t in ti)) { ti[t] = ++nt; tv[nt] = t }
    if (!(y in yi)) { yi[y] = ++ny; yv[ny] = y }
    if (!(f in fi)) { fi[f] = ++nf; fv[nf] = f }
    cell = ti[t] SUBSEP yi[y] SUBSEP fi[f]
    if (!(cell in cube) || c < cube[cell]) cube[cell] = c
    if (NR == 1 || c < cmin) cmin = c
    if (NR == 1 || c > cmax) cmax = c
}
END {
    printf "values of T   : %d\nvalues of YORP: %d\nvalues of f_KE: %d\nchi2min,-max: %g %g\n", nt, ny, nf, cmin, cmax
    if (out == "") out = "table.dat"
    for (i = 1; i <= nt; i++) {
        # YORP strength was listed descending: the plane runs it upwards.
        for (j = ny; j >= 1; j--) {
            best = ""
            for (k = 1; k <= nf; k++) {
                cell = i SUBSEP j SUBSEP k
                if ((cell in cube) && (best == "" || cube[cell] < best)) best = cube[cell]
            }
            if (best == "") best = 1.0e10
            printf "%6.1f %6.4f %8.1f\n", tv[i], yv[j], best > out
        }
        print "" > out
    }
    close(out)
}
