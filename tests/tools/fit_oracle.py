#!/usr/bin/env python3
"""chi2map-fit's outputs compared whole against a computation of their own from the records: every JSON
field, the text (rounding, sigma labels, notes), the CSV of the profiles read back to the same doubles, and
the --map data of the kept script. Generated grids: any order, holes, two passes, log spacing, two basins,
ties, NaN and -0, single-valued axes, a cube past 65,536 cells whose new values arrive late, scattered
records. Usage: fit_oracle.py PATH/TO/chi2map-fit"""
import json, math, os, random, subprocess, sys, tempfile

NAMES = ["T", "YORP strength", "f_KE"]
NAN = float("nan")
fit, failed, passed = os.path.abspath(sys.argv[1]), 0, 0


def check(what, ok, detail=""):
    global failed, passed
    passed += ok
    failed += not ok
    if not ok: print(f"FAIL: {what} {detail}"[:2000])


def short(v): return "NaN" if v != v else "%.6g" % v
def fixed(v, d): return short(v) if not math.isfinite(v) else "%.*f" % (d, v + 0.0)


def exact(v):  # the shortest text that reads back, fixed or scientific, whichever is shorter (fixed on a tie)
    if v != v: return "NaN"
    sign, digits, exp = __import__("decimal").Decimal(repr(v + 0.0)).normalize().as_tuple()
    d = "".join(map(str, digits))
    e = exp + len(d) - 1
    f = d + "0" * exp if exp >= 0 else ("0." + "0" * (-e - 1) + d if e < 0 else d[:e + 1] + "." + d[e + 1:])
    s = d[0] + ("." + d[1:] if len(d) > 1 else "") + "e" + ("-" if e < 0 else "+") + "%02d" % abs(e)
    return "-" * sign + (f if len(f) <= len(s) else s)


def decimals(grid):
    for d in range(11):
        if all(abs(float(fixed(v, d)) - v) <= 1e-9 * abs(v) for v in grid): return d
    scale = min([abs(grid[0])] + [b - a for a, b in zip(grid, grid[1:])])
    return 10 if not scale > 0 else min(max(5 - math.floor(math.log10(scale)), 0), 330)


def ranges(x, p, limit):
    out, n = [], len(x)
    inside = lambda m: 0 <= m < n and p[m] <= limit
    def end(i, o):  # an end between the last value inside and the next outside, open at an edge or a hole
        if not 0 <= o < n or p[o] != p[o]: return x[i], True
        return x[i] + (limit - p[i]) / (p[o] - p[i]) * (x[o] - x[i]), False
    for m in range(n):
        if inside(m) and not inside(m - 1):
            last = m
            while inside(last + 1): last += 1
            (lo, lo_open), (hi, hi_open) = end(m, m - 1), end(last, last + 1)
            out.append({"low": lo, "high": hi, "low_open": lo_open, "high_open": hi_open})
    return out


def expected(name, records, deltas):
    cells, first_line, bad = {}, [{}, {}, {}], []
    for line, (t, y, _, f, c) in records:
        at = (t + 0.0, 2 * y + 0.0, f + 0.0)
        if not all(map(math.isfinite, at + (c,))):
            bad.append(line)
            continue
        cells[at] = min(cells.get(at, c), c) + 0.0
        for a in range(3): first_line[a].setdefault(at[a], line)
    axes = [sorted({k[a] for k in cells}) for a in range(3)]
    best = min(cells, key=lambda k: (cells[k], k))
    low = cells[best]
    profiles = [{v: NAN for v in axes[a]} for a in range(3)]
    for k, c in cells.items():
        for a in range(3): profiles[a][k[a]] = min(profiles[a][k[a]], c, key=lambda v: v if v == v else math.inf)
    warnings = []
    if bad: warnings.append(f"{len(bad)} record(s) with a NaN or infinite value left out, the first at line {bad[0]} of '{name}'")
    for a in range(3):
        pairs = [(u, v) for u, v in zip(axes[a], axes[a][1:]) if v - u < 1e-9 * max(abs(u), abs(v))]
        if pairs:
            (u, v), w = pairs[0], 0.5 if a == 1 else 1
            warnings.append(f"{NAMES[a]} values {exact(u * w)} (line {first_line[a][u]} of '{name}') and {exact(v * w)} (line {first_line[a][v]}) differ by less than 1e-9 of their size, {len(pairs)} such pair(s): each is a grid value of its own")
    size = len(axes[0]) * len(axes[1]) * len(axes[2])
    if 2 * len(cells) < size:
        warnings.append(f"only {short(100 * len(cells) / size)}% of the grid's cells have a chi-square ({len(cells)} of {len(axes[0])} T x {len(axes[1])} YORP strength x {len(axes[2])} f_KE values = {size}): the records may not lie on one grid")
    parameters = [{"name": NAMES[a], "best": best[a], "profile": {"values": axes[a], "chi2": [profiles[a][v] for v in axes[a]]},
                   "intervals": [{"delta_chi2": d, "ranges": ranges(axes[a], [profiles[a][v] for v in axes[a]], low + d)} for d in deltas]} for a in range(3)]
    return {"input": {"path": name, "records": len(records) - len(bad), "grid": dict(zip(NAMES, map(len, axes)))}, "chi2_min": low,
            "best": dict(zip(NAMES, best)), "parameters": parameters, "warnings": warnings}, cells


def text_of(e):
    ps, g = e["parameters"], e["input"]["grid"]
    dec = [decimals(p["profile"]["values"]) for p in ps]
    bests = [fixed(p["best"], d) for p, d in zip(ps, dec)]
    width = max([4] + [len(b) for b in bests]) + 3
    out = f"smallest chi-square {exact(e['chi2_min'])} at " + ", ".join(f"{n} = {b}" for n, b in zip(NAMES, bests)) + "\n"
    out += f"{e['input']['records']} records; grid of {g['T']} T, {g['YORP strength']} YORP strength and {g['f_KE']} f_KE values\n\n"
    out += "parameter".ljust(16) + "best".ljust(width) + "delta chi-square".ljust(20) + "range\n"
    any_open = False
    for p, d, b in zip(ps, dec, bests):
        lead = p["name"].ljust(16) + b.ljust(width)
        if len(p["profile"]["values"]) == 1:
            out += lead + "a single value: no range\n"
            continue
        for i in p["intervals"]:
            level = f"{short(i['delta_chi2'])} ({short(math.sqrt(i['delta_chi2']))} sigma)"
            out += lead + level.ljust(20) + ", ".join(fixed(r["low"], d + 2) + " (open)" * r["low_open"] + " .. " + fixed(r["high"], d + 2) + " (open)" * r["high_open"] for r in i["ranges"]) + "\n"
            lead = " " * len(lead)
            any_open = any_open or any(r["low_open"] or r["high_open"] for r in i["ranges"])
    return out + "(open: the profile is still within the level at the grid's edge or next to a missing chi-square)\n" * any_open


def same(a, b):  # JSON values, NaN as null, every double to the bit
    if isinstance(a, dict): return isinstance(b, dict) and a.keys() == b.keys() and all(same(a[k], b[k]) for k in a)
    if isinstance(a, list): return isinstance(b, list) and len(a) == len(b) and all(map(same, a, b))
    if isinstance(a, float) and a != a: return b is None
    if isinstance(a, float): return isinstance(b, (int, float)) and not isinstance(b, bool) and a == b and math.copysign(1, a) == math.copysign(1, b)
    return type(a) is type(b) and a == b


def run_case(name, records, mapped, partial):
    lines = [" ".join("%.15g" % v for v in r) for r in records]
    numbered = list(zip(range(1, len(lines) + 1), [tuple(float(v) for v in l.split()) for l in lines]))
    with open(name, "w") as f: f.write("\n".join(lines) + "\n")
    flags = ["--sigma", "1,2"] + ["--partial"] * partial
    e, cells = expected(name, numbered, [1.0, 4.0])
    got = subprocess.run([fit, "-n", "--json", *flags, name], capture_output=True, text=True)
    check(f"{name}: JSON exit 0, warnings on standard error", got.returncode == 0 and got.stderr == "".join(f"chi2map-fit: warning: {w}\n" for w in e["warnings"]), got.stderr)
    check(f"{name}: every JSON field", got.returncode == 0 and same(e, json.loads(got.stdout)), got.stdout[:600])
    for old in ("p.csv", "s.gp"):
        if os.path.exists(old): os.remove(old)
    x, y = mapped or (0, 0)
    drawn = ["--script", "s.gp", "--map", f"{NAMES[x][:4]},{NAMES[y][:4]}"] * (mapped is not None)
    got = subprocess.run([fit, "-n", *flags, "--profiles", "p.csv", *drawn, name], capture_output=True, text=True)
    check(f"{name}: the text", got.stdout == text_of(e), "\n" + got.stdout + "--- expected\n" + text_of(e))
    csv = [l.split(",") for l in open("p.csv").read().splitlines()]
    want = [[n, v, c] for p, n in zip(e["parameters"], NAMES) for v, c in zip(p["profile"]["values"], p["profile"]["chi2"])]
    check(f"{name}: the CSV reads back to the same doubles", csv[0] == ["parameter", "value", "chi2"] and len(csv) == len(want) + 1 and all(
        r[0] == w[0] and float(r[1]) == w[1] and (r[2] == "" if w[2] != w[2] else float(r[2]) == w[2]) for r, w in zip(csv[1:], want)))
    if mapped is None: return
    script = open("s.gp").read()
    block = script[script.index("$G0 << EOD\n") + 11:].split("EOD\n")[0]
    got_map = [tuple(map(float, l.split())) for l in block.splitlines() if l]
    ax = e["parameters"]
    plane = {}
    for k, c in cells.items(): plane[(k[x], k[y])] = min(plane.get((k[x], k[y]), c), c)
    want_map = [(u, v, plane.get((u, v), NAN) - e["chi2_min"]) for u in ax[x]["profile"]["values"] for v in ax[y]["profile"]["values"]]
    check(f"{name}: the --map data of the kept script", len(got_map) == len(want_map) and all(
        g[:2] == w[:2] and (g[2] == w[2] or g[2] != g[2] and w[2] != w[2]) for g, w in zip(got_map, want_map)))


def bowl(t, y, f): return 400 + ((t - 420) / 60) ** 2 + ((2 * y - 0.5) / 0.2) ** 2 + ((f - 1.2) / 0.3) ** 2 + (t - 420) * (2 * y - 0.5) / 40


def grid(ts, ys, fs, chi2, passes=1, skip=lambda t, y, f: False):
    return [(t, y, 0, f, float("%.15g" % (chi2(t, y, f) + 7 * p))) for p in range(passes) for t in ts for y in ys for f in fs if not skip(t, y, f)]


rng = random.Random(22)
T, Y, F = [200 + 40 * m for m in range(12)], [0.25 - 0.025 * m for m in range(9)], [0.6 + 0.2 * m for m in range(7)]
shuffled = grid(T, Y, F, bowl, 2, lambda t, y, f: t == 400 or (t + 1000 * y + 10 * f) % 7 < 1.5)
rng.shuffle(shuffled)
late = grid(range(80), range(30), range(30), lambda t, y, f: (t - 60) ** 2 + (y - 31) ** 2 + (f - 20) ** 2)
late += grid(range(80), range(30, 35), range(35), lambda t, y, f: (t - 60) ** 2 + (y - 31) ** 2 + (f - 20) ** 2 - 0.5)
late += grid(range(80, 85), range(35), range(35), lambda t, y, f: (t - 83) ** 2 + (y - 10) ** 2 + f)
odd = grid([-0.0, 0.0, 1, 2], [0.1], [1, 2], lambda t, y, f: -0.0 if t == 1 and f == 1 else t + f)
odd[3:3] = [(NAN, 0.1, 0, 1, 3), (1, 0.1, 0, 2, NAN), (1, math.inf, 0, 1, 9)]
odd.append((2, 0.1, 0, 2, NAN))  # the previous record's cell: never a NaN over it
cases = [
    ("sorted", grid(T, Y, F, bowl, 2), (0, 1), False),
    ("shuffled_holes", shuffled, (1, 2), False),
    ("log_spacing", grid([10 ** (m / 4) for m in range(16)], [0.1, 0.2, 0.3], [1, 2], lambda t, y, f: 10 * (math.log10(t) - 1.7) ** 2 + y + f), (2, 0), False),
    ("two_basins", grid(range(0, 400, 10), [0.25], [1.2], lambda t, y, f: 50 + min(((t - 100) / 40) ** 2, 0.4 + ((t - 300) / 30) ** 2)), None, False),
    ("ties", grid([3, 2, 1], [1.0, 0.5], [3, 2, 1], lambda t, y, f: 5 if (t, y, f) in [(2, 1.0, 1), (2, 0.5, 3), (3, 0.5, 1)] else 9), (1, 0), False),
    ("nan_and_negative_zero", odd, (0, 2), True),
    ("late_values_past_65536_cells", late, (1, 2), False),
    ("scattered_close_values", [(rng.choice([0.3, 0.3000000000001, 0.5]), rng.random(), 0, rng.randint(1, 9), rng.random()) for _ in range(60)], (0, 1), False),
]
with tempfile.TemporaryDirectory() as folder:
    os.chdir(folder)
    for case in cases: run_case(*case)
print(f"{passed} passed, {failed} failed")
sys.exit(failed != 0)
