#!/usr/bin/python3
"""Draws the end-to-end test's picture of a spectrum as a plotting program
draws one: black frame, ticks and tick labels in ppm, a title, and the curve
antialiased, 1 px wide. Writes the PNG and its sidecar (the mapping from Hz to
picture X and from intensity to Y, the curve at every column centre, the tick
marks' X): the ground truth the test scores the written spectrum against.

  make-plot.py CURVE.json OUT.png     (needs matplotlib; Debian's python3-matplotlib)
"""
import json
import os
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.lines import Line2D  # noqa: E402
from matplotlib.transforms import blended_transform_factory  # noqa: E402

WIDTH, HEIGHT, DPI = 900, 450, 100


def main(curve_path, out_png):
    curve = json.load(open(curve_path))
    sf = curve["sf_mhz"]
    poly = curve["plotted_polyline"]
    hz = []
    f = poly["hz_start"]
    while f >= poly["hz_stop"] - 1e-9:
        hz.append(round(f, 6))
        f += poly["step_hz"]
    hz = sorted(set(hz) | {l["hz"] for l in curve["lines"] if poly["hz_stop"] <= l["hz"] <= poly["hz_start"]},
                reverse=True)

    def intensity(x):
        return sum(l["height"] * l["hwhm_hz"] ** 2 / ((x - l["hz"]) ** 2 + l["hwhm_hz"] ** 2) for l in curve["lines"])

    values = [intensity(x) for x in hz]
    top = max(abs(v) for v in values)
    values = [v / top for v in values]

    plt.rcParams.update({"path.snap": False, "path.simplify": False, "lines.antialiased": True})
    fig = plt.figure(figsize=(WIDTH / DPI, HEIGHT / DPI), dpi=DPI)
    ax = fig.add_axes([0.08, 0.16, 0.88, 0.74])
    ax.plot([x / sf for x in hz], values, color="black", linewidth=72.0 / DPI)
    ax.set_xlim(poly["hz_start"] / sf, poly["hz_stop"] / sf)
    ax.set_ylim(-0.06, 1.08)
    ax.set_xlabel("ppm")
    ax.set_title("ethanol")
    ax.set_yticks([])
    # Tick marks at their exact places, as the curve is: Agg puts its own tick
    # marks on whole pixels, up to half a pixel beside the value they stand for.
    length = 3.5 * DPI / 72 / (ax.get_position().height * HEIGHT)  # in axes heights
    ax.tick_params(axis="x", length=0, pad=7)
    low, high = sorted(ax.get_xlim())
    for t in [t for t in ax.get_xticks() if low <= t <= high]:
        ax.add_line(Line2D([t, t], [0, -length], transform=blended_transform_factory(ax.transData, ax.transAxes),
                           color="black", linewidth=0.8, clip_on=False, snap=False))
    fig.canvas.draw()
    fig.savefig(out_png, dpi=DPI)

    to_display = ax.transData.transform
    x0, x1 = to_display([(hz[0] / sf, 0), (hz[-1] / sf, 0)])[:, 0]
    bx = (x1 - x0) / (hz[-1] - hz[0])
    ax_ = x0 - bx * hz[0]
    y0, y1 = to_display([(0, 0), (0, 1)])[:, 1]
    ticks = [{"ppm": round(float(t), 6), "X": float(to_display([(t, 0)])[0, 0])}
             for t in ax.get_xticks() if poly["hz_stop"] / sf <= t <= poly["hz_start"] / sf]
    box = ax.get_window_extent()

    # The polyline at each column centre, in display Y (0 at the bottom edge).
    xs = [ax_ + bx * x for x in hz]  # increasing
    curve_y, j = [], 0
    for c in range(WIDTH):
        X = c + 0.5
        if X < xs[0] or X > xs[-1]:
            curve_y.append(None)
            continue
        while xs[j + 1] < X:
            j += 1
        t = (X - xs[j]) / (xs[j + 1] - xs[j])
        v = values[j] + t * (values[j + 1] - values[j])
        curve_y.append(round(y0 + (y1 - y0) * v, 3))

    side = {
        "file": os.path.basename(out_png),
        "what_it_exercises": "a plot as matplotlib draws one: black frame with ticks and ppm tick labels, title, "
                             "axis label, antialiased 1-px curve",
        "spectrum": curve["id"],
        "curve_file": os.path.relpath(curve_path, os.path.dirname(out_png)),
        "made_by": ["tests/e2e/make-plot.py with matplotlib %s (Agg), dpi %d, line width 1 px, antialiasing on, "
                    "path simplification and snapping off" % (matplotlib.__version__, DPI)],
        "mapping": {
            "convention": "display X runs from 0 at the picture's left edge to width at its right edge; display Y "
                          "from 0 at the bottom edge to height at the top edge. Pixel column c covers c <= X < c+1.",
            "X_of_hz": {"a": ax_, "b": bx, "formula": "X = a + b * hz"},
            "Y_of_intensity": {"a": y0, "b": y1 - y0, "formula": "Y = a + b * intensity"},
            "data_box": {"left_X": box.x0, "right_X": box.x1, "bottom_Y": box.y0, "top_Y": box.y1},
            "x_axis_unit_of_plot": "ppm",
        },
        "sf_mhz": sf,
        "ticks": ticks,
        "bitmap": {"width": WIDTH, "height": HEIGHT},
        "curve_Y_at_column_centre": curve_y,
    }
    with open(os.path.splitext(out_png)[0] + ".json", "w") as f:
        json.dump(side, f)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
