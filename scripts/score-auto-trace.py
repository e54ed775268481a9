#!/usr/bin/python3
"""Scores the automatic trace on pictures of known spectra.

    scripts/score-auto-trace.py [--pictures DIR] [--converter PATH] [--only TEXT]

Every picture with a JSON sidecar in DIR (default: the shared test pictures)
is converted as it is, as PNG and as JPEG (ImageMagick, quality 90) with
--trace auto and --x-axis at two columns inside the plot area, valued from the
sidecar's mapping, and the CSV is scored by accuracy_cal.py. A PNG or JPEG the
converter does not read is handed to it as a bitmap made from that file, so
the JPEG damage is scored either way. Exits 1 when a picture misses a target.
"""
import argparse, json, os, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CONVERT = "/usr/bin/convert"


def shared():
    for up in ("..", "../.."):
        d = os.path.normpath(os.path.join(ROOT, up, "shared"))
        if os.path.isdir(d):
            return d
    return os.path.join(ROOT, "..", "shared")


def run(args):
    return subprocess.run(args, capture_output=True, text=True)


def axis_option(side):
    """Two columns a quarter in from each side of the plot area, in ppm."""
    m = side["mapping"]
    a, b = m["X_of_hz"]["a"], m["X_of_hz"]["b"]
    box = m.get("data_box") or {"left_X": 0, "right_X": side["bitmap"]["width"]}
    left, right = box["left_X"], box["right_X"]
    sf = side["settings_for_comparison"]["SF"]
    cols = [round(left + (right - left) * f - 0.5) for f in (0.25, 0.75)]
    ppm = [((c + 0.5 - a) / b) / sf for c in cols]
    return f"{cols[0]}={ppm[0]:.9f},{cols[1]}={ppm[1]:.9f}", sf


def variants(bmp, work):
    """(name, file to convert, fallback bitmap made from that file)."""
    stem = os.path.join(work, os.path.basename(bmp)[:-4])
    out = [("BMP", bmp, None)]
    for kind, ext, opts in (("PNG", "png", []), ("JPEG", "jpg", ["-quality", "90"])):
        made = f"{stem}.{ext}"
        back = f"{stem}-from-{ext}.bmp"
        run([CONVERT, bmp] + opts + [made])
        run([CONVERT, made, "BMP3:" + back])
        out.append((kind, made, back))
    return out


def noisy(side, pictures):
    curve = json.load(open(os.path.join(pictures, side["curve_file"])))
    return bool(curve.get("noise"))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--pictures", default=os.path.join(shared(), "testdata", "spectra"))
    ap.add_argument("--converter", default=os.path.join(ROOT, "build", "native", "cli", "quillon-convert"))
    ap.add_argument("--tool", default=os.path.join(shared(), "tools", "accuracy_cal.py"))
    ap.add_argument("--only", default="")
    ap.add_argument("--extra", action="append", default=[], help="more converter options")
    a = ap.parse_args()

    names = sorted(f for f in os.listdir(a.pictures)
                   if f.endswith(".bmp") and a.only in f and os.path.exists(os.path.join(a.pictures, f[:-4] + ".json")))
    print(f"{'picture':44} {'as':5} {'cover':>6} {'p90px':>6} {'pos px':>6} {'up %':>6} {'down %':>6}  result")
    failed = 0
    with tempfile.TemporaryDirectory() as work:
        for name in names:
            bmp = os.path.join(a.pictures, name)
            side = json.load(open(bmp[:-4] + ".json"))
            axis, sf = axis_option(side)
            p90_limit = 3.0 if noisy(side, a.pictures) else 1.5
            for kind, path, fallback in variants(bmp, work):
                csv = os.path.join(work, "out.csv")
                base = [a.converter, "--trace", "auto", "--x-axis", axis, "--sf", str(sf), "--force", "-o", csv] + a.extra
                r = run(base + [path])
                if r.returncode == 3 and fallback:
                    r = run(base + [fallback])
                warnings = [l for l in r.stderr.splitlines() if "warning:" in l]
                if r.returncode != 0:
                    print(f"{name:44} {kind:5} exit {r.returncode}: {r.stderr.strip().splitlines()[-1:]}")
                    failed += 1
                    continue
                s = json.loads(run(["/usr/bin/python3", a.tool, bmp[:-4] + ".json", "--csv", csv]).stdout)
                up, down = s.get("peak_height_err_max"), s.get("neg_peak_height_err_max")
                misses = []
                if s.get("coverage", 0) < 0.98: misses.append("coverage")
                if s.get("err_px_p90", 99) > p90_limit: misses.append("p90")
                if (s.get("peak_pos_err_px_max") or 0) > 1.5: misses.append("position")
                if max(up or 0, down or 0) > 0.05: misses.append("height")
                failed += bool(misses)
                pct = lambda v: f"{100 * v:6.2f}" if v is not None else f"{'-':>6}"
                print(f"{name:44} {kind:5} {s.get('coverage', 0):6.3f} {s.get('err_px_p90', 0):6.2f} "
                      f"{s.get('peak_pos_err_px_max') or 0:6.2f} {pct(up)} {pct(down)}  "
                      f"{'ok' if not misses else 'MISSES ' + ','.join(misses)}"
                      f"{' (' + str(len(warnings)) + ' warnings)' if warnings else ''}")
    print(f"{failed} of {3 * len(names)} conversions miss a target")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
