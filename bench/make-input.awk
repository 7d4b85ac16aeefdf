# Writes the benchmark's fit-result file: the 85 x 25 x 25 grid written
# `passes` times, T ascending, YORP strength descending, f_KE ascending, one
# record a line formatted "%10.3f %12.6f %10.4f %8.3f %14.6f" (59 bytes with
# the line feed). Every later pass repeats the grid with a larger chi-square,
# as fitting passes appended into one file do, so the loader meets every cell
# again and the cube keeps the first pass's values.
#
#   awk -v passes=40 -f make-input.awk > quorvi.res
BEGIN {
    if (passes == "") passes = 1
    for (p = 0; p < passes; p++)
        for (i = 0; i < 85; i++) {
            t = 50 + 12.5 * i; x = (i - 47) / 20
            for (j = 0; j < 25; j++) {
                y = (j - 9) / 6; yorp = 0.5 - 0.02 * j
                for (k = 0; k < 25; k++) {
                    z = (k - 13) / 5
                    chi2 = 407.35 + 40 * (x * x + y * y + z * z + 0.7 * x * y) + 25 * p
                    printf "%10.3f %12.6f %10.4f %8.3f %14.6f\n", t, yorp, chi2 / 397, 0.1 + 0.1 * k, chi2
                }
            }
        }
}
