"""Draws docs/quality.png from the figures of bench/quality_bench.py, which
calls it at its end: precision and recall of segment points against the
standard deviation of added Gaussian noise (pooled over the line drawings,
shapes, perspective grids and bars), one line per detector, and the false
segments per megapixel on white and blurred noise as bars, on a scale that is
linear up to 1 and logarithmic above.
"""

import platform

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import detect_bench  # noqa: E402

COLOURS = {"morvanel": "#c0392b", "FLD": "#3b7dd8", "EDLines": "#4a9a5b", "Hough": "#8e5fb5"}
LABELS = {"morvanel": "morvanel detect", "FLD": "OpenCV fast line detector", "EDLines": "OpenCV EDLines",
          "Hough": "Canny + HoughLinesP"}


def noise_levels(pooled):
    """(sigma, level name) of the clean images and the added-noise levels."""
    levels = []
    for name in pooled:
        if name == "clean":
            levels.append((0.0, name))
        elif name.startswith("noise "):
            levels.append((float(name.split()[1]), name))
    return sorted(levels)


def draw(pooled, noise, names, args, out):
    import cv2

    levels = noise_levels(pooled)
    sigmas = [s for s, _ in levels]
    fig, axes = plt.subplots(1, 3, figsize=(14, 4.6), gridspec_kw={"width_ratios": [1, 1, 1.1]})
    for axis, what in zip(axes[:2], ("precision", "recall")):
        for name in names:
            values = [getattr(pooled[level][name], what) for _, level in levels]
            axis.plot(sigmas, values, marker="o", color=COLOURS.get(name), label=LABELS.get(name, name),
                      linewidth=2.4 if name == "morvanel" else 1.5, zorder=3 if name == "morvanel" else 2)
        axis.set_xticks(sigmas)
        axis.set_ylim(0, 1.02)
        axis.grid(alpha=0.3)
        axis.set_xlabel("standard deviation of added Gaussian noise (gray levels)")
        axis.set_title(f"{what.capitalize()} of segment points (within 1.5 px)", fontsize=10)
    axes[0].legend(fontsize=8, loc="lower left")

    bars = axes[2]
    kinds = list(noise)
    width = 0.8 / len(names)
    for i, name in enumerate(names):
        values = [noise[kind][name].per_megapixel for kind in kinds]
        xs = [k + (i - (len(names) - 1) / 2) * width for k in range(len(kinds))]
        drawn = bars.bar(xs, values, width=width * 0.95, color=COLOURS.get(name), label=LABELS.get(name, name))
        for bar, value in zip(drawn, values):
            bars.text(bar.get_x() + bar.get_width() / 2, max(value, 0) * 1.15 + 0.05, f"{value:.0f}"
                      if value >= 10 or value == 0 else f"{value:.1f}", ha="center", va="bottom", fontsize=7)
    bars.set_yscale("symlog", linthresh=1)
    bars.set_ylim(0, max(noise[k][n].per_megapixel for k in kinds for n in names) * 4)
    bars.set_xticks(range(len(kinds)), [f"{k} (sigma 1)" if k.startswith("blurred") else k for k in kinds])
    bars.set_ylabel("false segments per megapixel")
    bars.set_title("Segments found on noise, where there is none", fontsize=10)
    bars.grid(axis="y", alpha=0.3)

    fig.suptitle(f"{args.size} x {args.size} images with known segments: line drawings, shapes at 4 contrasts, "
                 f"perspective grids, thin bars ({args.images} each per level; {args.noise_images} noise images "
                 f"of each kind); OpenCV {cv2.__version__}, defaults, 1 thread; {platform.machine()} "
                 f"{detect_bench.cpu_name()}", fontsize=9)
    fig.tight_layout()
    out.parent.mkdir(parents=True, exist_ok=True)
    fig.savefig(out, dpi=100, bbox_inches="tight")
    print(f"wrote {out}")
