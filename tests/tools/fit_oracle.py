#!/usr/bin/env python3
"""chi2map-fit's outputs compared whole against a computation of their own from the records: every JSON
field, the text (rounding, sigma labels, notes), the CSV of the profiles read back to the same doubles, and
the --map data of the kept script. Generated grids: any order, holes, two passes, log spacing, two basins,
ties, NaN and -0, single-valued axes, a cube past 65,536 cells whose new values arrive late, scattered
records. With the options of the statistics: levels from sigma counts and probabilities (one-parameter
quantiles from the normal distribution), scaled or joined by --dof, the p-value from the closed-form series
of the chi-square tail, the errors and edge warnings, marginals by a direct sum over the cells (uniform,
log-spaced with --log, with holes, weights below a double), and two inputs. Usage: fit_oracle.py PATH/TO/chi2map-fit"""
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
    scale = min(([abs(grid[0])] if grid[0] != 0 else []) + [b - a for a, b in zip(grid, grid[1:])])
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


def sig(v, n):  # n significant digits, trailing zeros kept, no exponent from 1e-5 to 1e15
    if v == 0 or not math.isfinite(v): return short(v)
    m, e = ("%.*e" % (n - 1, v)).split("e")
    e, digits = int(e), m.replace("-", "").replace(".", "")
    if e < -5 or e >= 15: return "%.*e" % (n - 1, v)
    body = "0." + "0" * (-e - 1) + digits if e < 0 else digits + "0" * (e - n + 1) if e >= n - 1 else digits[:e + 1] + "." + digits[e + 1:]
    return "-" * (v < 0) + body


def chi2_upper(x, n):  # the upper tail of a chi-square of n (whole) degrees of freedom, closed-form series
    if x <= 0: return 1.0
    if n % 2 == 0:
        term = total = math.exp(-x / 2)
        for k in range(1, n // 2): term *= x / 2 / k; total += term
        return total
    term, total = math.sqrt(2 * x / math.pi) * math.exp(-x / 2), math.erfc(math.sqrt(x / 2))
    for k in range(1, (n + 1) // 2): total += term; term *= x / (2 * k + 1)
    return total


def one_parameter_level(p): return __import__("statistics").NormalDist().inv_cdf((1 + p) / 2) ** 2


def levels_of(o, low):  # (delta, name, origin) of the intervals, as --sigma, --cl, --dof, --scale, --relative ask
    sigmas = o.get("sigmas", [] if "cl" in o else [1])
    out = [(float(k * k), f"{short(k)} sigma", f"{short(k)} sigma of one parameter") for k in sigmas]
    out += [(one_parameter_level(p), short(100 * p) + "%", short(100 * p) + "% confidence of one parameter") for p in o.get("cl", [])]
    dof = o.get("dof")
    if dof and o.get("scale"):
        f = max(1.0, low / dof)
        out = [(d * f, n + f" x {short(f)}" * (f > 1), g + f", times max(1, chi2min / dof) = {short(f)}") for d, n, g in out]
    if dof and o.get("relative"):
        out.append((low * math.sqrt(2 / dof), "chi2min sqrt(2/dof)", f"chi2min sqrt(2 / dof): the spread of a chi-square of {dof} degrees of freedom"))
    return out


def errors_of(interval, best):
    for r in interval["ranges"]:
        if r["low"] <= best <= r["high"]:
            return None if r["low_open"] or r["high_open"] else {"plus": r["high"] - best, "minus": best - r["low"]}
    return None


def edge_warnings(parameters, levels):
    out = []
    for p in parameters:
        v, d = p["profile"]["values"], decimals(p["profile"]["values"])
        if len(v) < 2: continue
        if p["best"] in (v[0], v[-1]): out.append(f"{p['name']}'s best value {fixed(p['best'], d)} lies at the edge of the grid: the minimum may lie beyond it")
        for i, (_, name, _) in zip(p["intervals"], levels):
            low = any(r["low_open"] and r["low"] == v[0] for r in i["ranges"])
            high = any(r["high_open"] and r["high"] == v[-1] for r in i["ranges"])
            if low or high:
                out.append(f"{p['name']}'s {name} range is open at the edge of the grid ({' and '.join(fixed(x, d) for x, at in ((v[0], low), (v[-1], high)) if at)}): the interval may reach beyond it")
                break
    return out


def marginals(axes, cells, low, logs, probabilities):  # the direct sums, cell by cell, and their quantiles
    u = [[math.log(x) if logs[a] else x for x in axes[a]] for a in range(3)]
    # Sizes far from 1 (1e-170, 1e300) are brought near it by a power of two: no quotient changes, no width vanishes.
    scale = [2.0 ** -math.frexp(max(map(abs, w)))[1] if len(w) > 1 and not 2 ** -100 <= max(map(abs, w)) <= 2 ** 100 else 1.0 for w in u]
    su = [[x * s for x in w] for w, s in zip(u, scale)]
    widths = [[1.0] if len(w) < 2 else [((w[m] - w[m - 1]) / 2 if m else 0) + ((w[m + 1] - w[m]) / 2 if m + 1 < len(w) else 0) for m in range(len(w))] for w in su]
    index = [{x: m for m, x in enumerate(axes[a])} for a in range(3)]
    out = []
    for a in range(3):
        b, c = [x for x in range(3) if x != a]
        dens = [0.0] * len(axes[a])
        for k, chi2 in cells.items():
            dens[index[a][k[a]]] += math.exp(-(chi2 - low) / 2) * widths[b][index[b][k[b]]] * widths[c][index[c][k[c]]]
        cum = [0.0]
        for m in range(1, len(dens)): cum.append(cum[-1] + (dens[m - 1] + dens[m]) / 2 * (su[a][m] - su[a][m - 1]))
        total = cum[-1] if len(dens) > 1 else dens[0]
        if not total > 0:
            out.append({"density": [], "median": NAN, "intervals": []})
            continue
        cum = [x / total for x in cum]
        def at(q):
            m = next((m for m, x in enumerate(cum) if x >= q), len(cum) - 1)
            if m == 0 or cum[m] <= q: return axes[a][m]
            t = u[a][m - 1] + (q - cum[m - 1]) / (cum[m] - cum[m - 1]) * (u[a][m] - u[a][m - 1])
            return math.exp(t) if logs[a] else t
        out.append({"density": [x / total * scale[a] for x in dens], "median": at(0.5), "intervals": [{"probability": p, "low": at((1 - p) / 2), "high": at((1 + p) / 2)} for p in probabilities]})
    return out


def expected(name, records, deltas, o=None):
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
    o = o or {"sigmas": [math.sqrt(d) for d in deltas]}
    levels = levels_of(o, low)
    parameters = [{"name": NAMES[a], "best": best[a], "profile": {"values": axes[a], "chi2": [profiles[a][v] for v in axes[a]]},
                   "intervals": [{"delta_chi2": d, "level": g, "ranges": ranges(axes[a], [profiles[a][v] for v in axes[a]], low + d)} for d, _, g in levels]} for a in range(3)]
    for p in parameters:
        for i in p["intervals"]: i["errors"] = errors_of(i, p["best"])
    of = f"fit of {o['name']}: " if "name" in o else ""
    warnings += [of + f"the level {n} is delta chi-square {short(d)}: no range lies within it" for d, n, _ in levels if not d > 0]
    warnings += [of + w for w in edge_warnings(parameters, levels)]
    if o.get("marginal") is not None:
        ks = o.get("sigmas", [] if "cl" in o else None)
        probabilities = [math.erf(k / math.sqrt(2)) for k in (ks if ks is not None else [1, 2, 3])] + o.get("cl", [])
        for p, m in zip(parameters, marginals(axes, cells, low, o["marginal"], probabilities)): p["marginal"] = m
        holes = len(axes[0]) * len(axes[1]) * len(axes[2]) - len(cells)
        if holes: warnings.append(of + f"{holes} cell(s) of the grid have no chi-square: they carry no weight in the marginals")
        warnings += [of + f"{p['name']} has no marginal: every cell's weight is too small for a double (cells too narrow)" for p in parameters if not p["marginal"]["density"]]
    out = {"input": {"path": name, "records": len(records) - len(bad), "grid": dict(zip(NAMES, map(len, axes)))}, "chi2_min": low}
    if "dof" in o: out["goodness"] = {"dof": o["dof"], "chi2_reduced": low / o["dof"], "p_value": chi2_upper(low, o["dof"])}
    out.update({"best": dict(zip(NAMES, best)), "parameters": parameters, "warnings": warnings})
    out["_levels"], out["_logs"] = levels, o.get("marginal")
    return out, cells


def text_of(e):
    ps, g, levels = e["parameters"], e["input"]["grid"], e["_levels"]
    dec = [decimals(p["profile"]["values"]) for p in ps]
    bests = [fixed(p["best"], d) for p, d in zip(ps, dec)]
    width = max([4] + [len(b) for b in bests]) + 3
    out = f"smallest chi-square {exact(e['chi2_min'])} at " + ", ".join(f"{n} = {b}" for n, b in zip(NAMES, bests)) + "\n"
    out += f"{e['input']['records']} records; grid of {g['T']} T, {g['YORP strength']} YORP strength and {g['f_KE']} f_KE values\n"
    if "goodness" in e:
        q = e["goodness"]
        out += f"goodness of fit: reduced chi-square {short(q['chi2_reduced'])} ({exact(e['chi2_min'])} / {q['dof']}), " + ("p < 1e-300" if q["p_value"] < 1e-300 else "p = %.3g" % q["p_value"]) + "\n"
    texts = [f"{short(d)} ({n})" for d, n, _ in levels]
    lw = max([20] + [len(t) + 2 for t in texts])
    out += "\n" + "parameter".ljust(16) + "best".ljust(width) + "delta chi-square".ljust(lw) + "range\n"
    any_open, errors, margins = False, "", ""
    for p, d, b in zip(ps, dec, bests):
        lead = p["name"].ljust(16) + b.ljust(width)
        if len(p["profile"]["values"]) == 1:
            out += lead + "a single value: no range\n"
            continue
        for i, t, (_, name, _) in zip(p["intervals"], texts, levels):
            out += lead + t.ljust(lw) + ", ".join(fixed(r["low"], d + 2) + " (open)" * r["low_open"] + " .. " + fixed(r["high"], d + 2) + " (open)" * r["high_open"] for r in i["ranges"]) + "\n"
            lead = " " * len(lead)
            any_open = any_open or any(r["low_open"] or r["high_open"] for r in i["ranges"])
            if i["errors"]: errors += f"{p['name']} = {b} +{sig(i['errors']['plus'], 3)}/-{sig(i['errors']['minus'], 3)} ({name})\n"
    out += "(open: the profile is still within the level at the grid's edge or next to a missing chi-square)\n" * any_open
    out += "\n" * bool(errors) + errors
    if "marginal" in ps[0]:
        mw = max([9] + [len(fixed(p["marginal"]["median"], d + 2)) + 3 for p, d in zip(ps, dec)])
        out += "\n" + "marginal".ljust(16) + "prior".ljust(17) + "median".ljust(mw) + "credible interval\n"
        for p, d, log in zip(ps, dec, e["_logs"]):
            m, lead = p["marginal"], p["name"].ljust(16) + ("uniform in log" if log else "uniform").ljust(17)
            if len(p["profile"]["values"]) == 1: out += lead + "a single value\n"
            elif not m["density"]: out += lead + "no weight: every cell's is too small for a double\n"
            else:
                lead += fixed(m["median"], d + 2).ljust(mw)
                for i in m["intervals"]:
                    out += lead + ("%.4g%%" % (100 * i["probability"])).ljust(9) + fixed(i["low"], d + 2) + " .. " + fixed(i["high"], d + 2) + "\n"
                    lead = " " * len(lead)
    return out


def public(e): return {k: v for k, v in e.items() if not k.startswith("_")}


def close(a, b):  # as same(), doubles within 1e-9 of their size: levels from the chi-square distribution
    if isinstance(a, dict): return isinstance(b, dict) and a.keys() == b.keys() and all(close(a[k], b[k]) for k in a)
    if isinstance(a, list): return isinstance(b, list) and len(a) == len(b) and all(map(close, a, b))
    if isinstance(a, float) and a != a: return b is None
    if isinstance(a, float): return isinstance(b, (int, float)) and not isinstance(b, bool) and abs(a - b) <= 1e-9 * max(abs(a), 1e-300)
    return type(a) is type(b) and a == b


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
    check(f"{name}: every JSON field", got.returncode == 0 and same(public(e), json.loads(got.stdout)), got.stdout[:600])
    for old in ("p.csv", "s.gp"):
        if os.path.exists(old): os.remove(old)
    x, y = mapped or (0, 0)
    drawn = ["--script", "s.gp"] + ["--map", f"{NAMES[x][:4]},{NAMES[y][:4]}"] * (mapped is not None)
    got = subprocess.run([fit, "-n", *flags, "--profiles", "p.csv", *drawn, name], capture_output=True, text=True)
    check(f"{name}: the text", got.stdout == text_of(e), "\n" + got.stdout + "--- expected\n" + text_of(e))
    csv = [l.split(",") for l in open("p.csv").read().splitlines()]
    want = [[n, v, c] for p, n in zip(e["parameters"], NAMES) for v, c in zip(p["profile"]["values"], p["profile"]["chi2"])]
    check(f"{name}: the CSV reads back to the same doubles", csv[0] == ["parameter", "value", "chi2"] and len(csv) == len(want) + 1 and all(
        r[0] == w[0] and float(r[1]) == w[1] and (r[2] == "" if w[2] != w[2] else float(r[2]) == w[2]) for r, w in zip(csv[1:], want)))
    script = open("s.gp").read()
    if mapped is None:  # the corner figure's diagonal: each profile above the smallest chi-square
        blocks = [script.split(f"$P{a}_0 << EOD\n")[1].split("EOD\n")[0] if f"$P{a}_0 << EOD" in script else "" for a in range(3)]
        want = [[(v, c - e["chi2_min"]) for v, c in zip(p["profile"]["values"], p["profile"]["chi2"]) if c == c] * (len(p["profile"]["values"]) > 1) for p in e["parameters"]]
        check(f"{name}: the profiles of the corner figure", [[tuple(map(float, l.split())) for l in b.splitlines()] for b in blocks] == want, str(blocks)[:600])
        return
    block = script[script.index("$G0 << EOD\n") + 11:].split("EOD\n")[0]
    got_map = [tuple(map(float, l.split())) for l in block.splitlines() if l]
    ax = e["parameters"]
    plane = {}
    for k, c in cells.items(): plane[(k[x], k[y])] = min(plane.get((k[x], k[y]), c), c)
    want_map = [(u, v, plane.get((u, v), NAN) - e["chi2_min"]) for u in ax[x]["profile"]["values"] for v in ax[y]["profile"]["values"]]
    check(f"{name}: the --map data of the kept script", len(got_map) == len(want_map) and all(
        g[:2] == w[:2] and (g[2] == w[2] or g[2] != g[2] and w[2] != w[2]) for g, w in zip(got_map, want_map)))


def numbered(records):
    lines = [" ".join("%.15g" % v for v in r) for r in records]
    return lines, list(zip(range(1, len(lines) + 1), [tuple(float(v) for v in l.split()) for l in lines]))


def run_options(case, inputs, flags, o):
    """Fits of every input (file name, records, name or None) with the options `flags`, which `o` describes:
    the JSON within 1e-9 (levels from the distribution), the text, the warnings and the CSV exactly."""
    fits, csv, warned = [], [], ""
    for file, records, name in inputs:
        lines, recs = numbered(records)
        with open(file, "w") as f: f.write("\n".join(lines) + "\n")
        e, _ = expected(file, recs, [], dict(o, name=name or file) if len(inputs) > 1 else o)
        if len(inputs) > 1: e = {"name": name or file, **e}
        fits.append(e)
        warned += "".join(f"chi2map-fit: warning: {w}\n" for w in e["warnings"])
        csv += [[name or file] * (len(inputs) > 1) + [n, v, c] for p, n in zip(e["parameters"], NAMES) for v, c in zip(p["profile"]["values"], p["profile"]["chi2"])]
    names = [a for _, _, n in inputs if n for a in ("--name", n)]
    files = [file for file, _, _ in inputs]
    got = subprocess.run([fit, "-n", "--json", *flags, *names, *files], capture_output=True, text=True)
    want = public(fits[0]) if len(fits) == 1 else {"fits": [public(e) for e in fits]}
    check(f"{case}: the warnings", got.returncode == 0 and got.stderr == warned, got.stderr + "--- expected\n" + warned)
    check(f"{case}: every JSON field", got.returncode == 0 and close(want, json.loads(got.stdout)), got.stdout[:3000])
    got = subprocess.run([fit, "-n", *flags, *names, "--profiles", "p.csv", *files], capture_output=True, text=True)
    text = "\n".join((f"fit of {e['name']}\n" if len(fits) > 1 else "") + text_of(e) for e in fits)
    check(f"{case}: the text", got.stdout == text, "\n" + got.stdout + "--- expected\n" + text)
    rows = list(__import__("csv").reader(open("p.csv", newline="")))
    check(f"{case}: the CSV reads back to its doubles", rows[0] == ["fit"] * (len(fits) > 1) + ["parameter", "value", "chi2"] and len(rows) == len(csv) + 1 and all(
        r[:-2] == w[:-2] and close(w[-2], float(r[-2])) and (r[-1] == "" if w[-1] != w[-1] else close(w[-1], float(r[-1]))) for r, w in zip(rows[1:], csv)))


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
log_grid = grid([10 ** (1 + m / 8) for m in range(17)], [0.05 * m for m in range(1, 9)], [0.6, 1.0, 1.4], lambda t, y, f: 300 + ((math.log10(t) - 2.2) / 0.3) ** 2 + ((2 * y - 0.4) / 0.15) ** 2 + ((f - 1.1) / 0.3) ** 2)
tiny = grid([1e-170, 2e-170, 3e-170], [0.1, 0.2], [1e-170, 2e-170], lambda t, y, f: 5 + y)
far = grid([1, 2, 3, 4], [0.1, 0.2, 0.3], [1, 2, 3], lambda t, y, f: 2000 + (t - 2) ** 2 + 9 * (y - 0.2) ** 2 + (f - 2) ** 2)
negative = grid([1, 2, 3, 4], [0.1, 0.2, 0.3], [1, 2, 3], lambda t, y, f: -50 + (t - 2) ** 2 + (f - 2) ** 2 - 3 * y)  # YORP best last
options = [
    ("sigma_cl_dof_scale", [("bowl.res", grid(T, Y, F, bowl), None)], ["--sigma", "1,2", "--cl", "0.9", "--dof", "300", "--scale"], {"sigmas": [1, 2], "cl": [0.9], "dof": 300, "scale": True}),
    ("cl_relative_odd_dof", [("bowl.res", grid(T, Y, F, bowl), None)], ["--cl", "0.68,0.95", "--dof", "401", "--relative", "--scale"], {"cl": [0.68, 0.95], "dof": 401, "scale": True, "relative": True}),
    ("p_value_underflows", [("far.res", far, None)], ["--dof", "3"], {"dof": 3}),
    ("relative_level_below_zero", [("negative.res", negative, None)], ["--dof", "7", "--relative"], {"dof": 7, "relative": True}),
    ("marginal_with_holes", [("holes.res", shuffled, None)], ["--marginal"], {"marginal": [False] * 3}),
    ("marginal_log_prior", [("log.res", log_grid, None)], ["--marginal", "--log", "T,yorp", "--cl", "0.9"], {"cl": [0.9], "marginal": [True, True, False]}),
    ("marginal_sigmas_one_value_one_hole", [("one.res", grid(T, [0.2], F, bowl, 1, lambda t, y, f: (t, f) == (200, 0.6)), None)], ["--marginal", "--sigma", "2", "--log", "YORP"], {"sigmas": [2], "marginal": [False, True, False]}),
    ("marginal_of_tiny_cells", [("tiny.res", tiny, None)], ["--marginal"], {"marginal": [False] * 3}),
    ("two_inputs", [("a.res", grid(T, Y, F, bowl), "shape, A"), ("b.res", shuffled, None)], ["--dof", "300", "--marginal", "--cl", "0.9"], {"cl": [0.9], "dof": 300, "marginal": [False] * 3}),
]
with tempfile.TemporaryDirectory() as folder:
    os.chdir(folder)
    for case in cases: run_case(*case)
    for case in options: run_options(*case)
    check("a published quantile: 90% of one parameter is delta chi-square 2.7055", abs(one_parameter_level(0.9) - 2.7055) < 5e-5)
    check("published upper tails: chi-square 3.841 (1), 5.991 (2), 11.345 (3), 18.307 (10) at 5, 5, 1, 5%", all(
        abs(chi2_upper(x, n) - q) < 2e-5 for x, n, q in [(3.841, 1, 0.05), (5.991, 2, 0.05), (11.345, 3, 0.01), (18.307, 10, 0.05)]))
print(f"{passed} passed, {failed} failed")
sys.exit(failed != 0)
