#!/usr/bin/env python3
"""write_styles against the programs it stands for: the grid's values
printed by Python's own repr, %g, %26.16E and fixed columns must be its bytes,
line end and signs options included. The instruction counts and the benchmark
of every style are only as true as these files.

    styles_oracle.py WRITE_STYLES
"""
import math
import subprocess
import sys

FIXED = ["%10.3f", "%12.6f", "%10.4f", "%8.3f", "%13.6f"]
FORMATS = {
    "python": (repr, " "),
    "g": (lambda v: "%g" % v, " "),
    "es": (lambda v: "%26.16E" % v, ""),
}


def grid():
    """The grid's records, as the generator draws them."""
    seed = 0x9E3779B97F4A7C15
    for i in range(85):
        for j in range(25):
            for k in range(25):
                seed = (seed * 6364136223846793005 + 1442695040888963407) % 2**64
                unused = (seed >> 11) / 4503599627370496.0 - 1.0
                x, y, z = (i - 47) / 20.0, (j - 9) / 6.0, (k - 13) / 5.0
                chi = 407.35 + 40 * (x * x + y * y + z * z + 0.7 * x * y) + unused / 7
                yield [50 + 12.5 * i, (25 - j) / 50.0, unused, (k + 1) / 10.0, chi]


def signed(text, value):
    """A '+' before the digits of a value that is not negative, in its field."""
    if math.copysign(1.0, value) < 0:
        return text
    first = len(text) - len(text.lstrip(" "))
    return "+" + text if first == 0 else text[: first - 1] + "+" + text[first:]


def expected(style, line_end, signs):
    out = []
    for values in grid():
        if style == "fixed":
            texts, separator = [FIXED[c] % v for c, v in enumerate(values)], " "
        else:
            form, separator = FORMATS[style]
            texts = [form(v) for v in values]
        if signs:
            texts = [signed(t, v) for t, v in zip(texts, values)]
        out.append(separator.join(texts) + line_end)
    return "".join(out).encode()


def main():
    write_styles = sys.argv[1]
    failures = 0
    cases = [(s, "lf", False) for s in ("python", "g", "es", "fixed")]
    cases += [("python", "crlf", True), ("g", "cr", True)]
    for style, end, signs in cases:
        args = [write_styles, style, end] + (["signs"] if signs else [])
        got = subprocess.run(args, check=True, capture_output=True).stdout
        want = expected(style, {"lf": "\n", "crlf": "\r\n", "cr": "\r"}[end], signs)
        if got != want:
            at = next((i for i, (a, b) in enumerate(zip(got, want)) if a != b), min(len(got), len(want)))
            print(f"FAIL {' '.join(args[1:])}: differs from byte {at} on: {got[at:at + 60]!r}", file=sys.stderr)
            print(f"     expected {want[at:at + 60]!r}", file=sys.stderr)
            failures += 1
        else:
            print(f"ok   {' '.join(args[1:])}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
