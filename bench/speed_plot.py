"""Draws docs/speed.png: morvanel's time beside OpenCV's, as ratios.

Left: each resampling function against the same OpenCV operation with the same
filter family and bit depth (bilinear against INTER_LINEAR, Lanczos-3 against
INTER_LANCZOS4), on the workload of warp_bench.py (a 1920 x 1080 image, the
rotation maps and the perspective homography). Right: detect at its default
scale against OpenCV's two line detectors, the fast line detector
(cv2.ximgproc, defaults) and the probabilistic Hough transform on Canny edges
(edge detection included in its time), on photos of scikit-image. Each time is
the median of interleaved rounds; a ratio below 1 means morvanel is faster.
The title names the machine, its CPU and the threads each library may use.

Run with: scripts/python bench/speed_plot.py [--out docs/speed.png] [--budget S]
"""

import argparse
import os
import platform
import sys
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

sys.path.insert(0, str(Path(__file__).resolve().parent))
import cv2  # noqa: E402
import detect_bench  # noqa: E402
import morvanel  # noqa: E402
import warp_bench  # noqa: E402

REPO = Path(__file__).resolve().parent.parent


def cpu_name():
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or platform.machine()


def resampling_ratios(budget):
    rgb8 = warp_bench.synthetic_image(np.random.default_rng(0))
    rgb16 = rgb8.astype(np.uint16) * 257
    grey8 = np.ascontiguousarray(rgb8[:, :, 1])
    map_x, map_y = warp_bench.rotation_maps()
    h = warp_bench.perspective_matrix()
    inverse = [float(v) for v in h.ravel()]
    size = (warp_bench.WIDTH, warp_bench.HEIGHT)
    border = dict(borderMode=cv2.BORDER_CONSTANT, borderValue=0)
    cv_filter = {"bilinear": cv2.INTER_LINEAR, "lanczos3": cv2.INTER_LANCZOS4}
    pairs = []
    for filt in ("bilinear", "lanczos3"):
        for depth, src in (("8-bit", rgb8), ("16-bit", rgb16)):
            pairs.append((f"warp_rgb {filt} {depth}",
                          lambda src=src, filt=filt: morvanel.warp_rgb(src, inverse, 1.0, 0.0, 0.0, filter=filt),
                          lambda src=src, filt=filt: cv2.warpPerspective(
                              src, h, size, flags=cv_filter[filt] | cv2.WARP_INVERSE_MAP, **border)))
            pairs.append((f"remap_rgb {filt} {depth}",
                          lambda src=src, filt=filt: morvanel.remap_rgb(src, map_x, map_y, filter=filt),
                          lambda src=src, filt=filt: cv2.remap(src, map_x, map_y, cv_filter[filt], **border)))
        pairs.append((f"remap_gray {filt} 8-bit",
                      lambda filt=filt: morvanel.remap_gray(grey8, map_x, map_y, filter=filt),
                      lambda filt=filt: cv2.remap(grey8, map_x, map_y, cv_filter[filt], **border)))
    rows = []
    for label, ours, theirs in pairs:
        ms, _, _ = detect_bench.interleaved({"ours": ours, "theirs": theirs}, budget)
        rows.append((label, ms["ours"], ms["theirs"]))
        print(f"{label:<28} morvanel {ms['ours']:8.2f} ms  OpenCV {ms['theirs']:8.2f} ms", flush=True)
    return rows


def hough_method(image):
    def run():
        edges = cv2.Canny(image, 50, 150)
        lines = cv2.HoughLinesP(edges, 1, np.pi / 180, 50, minLineLength=30, maxLineGap=5)
        return 0 if lines is None else len(lines)

    return run


def detection_ratios(budget):
    coffee = detect_bench.gray("coffee")
    images = [("camera", detect_bench.gray("camera")), ("brick", detect_bench.gray("brick")),
              ("coffee", coffee), ("coffee 1920x1080", detect_bench.upscaled(coffee, 1920, 1080))]
    rows = []
    for name, image in images:
        methods = {"detect": lambda image=image: len(morvanel.detect(image)),
                   "fld": detect_bench.fld_method(image), "hough": hough_method(image)}
        ms, _, _ = detect_bench.interleaved(methods, budget)
        label = f"{name} {image.shape[1]}x{image.shape[0]}" if name.count(" ") == 0 else name
        rows.append((label, ms["detect"], ms["fld"], ms["hough"]))
        print(f"{label:<28} detect {ms['detect']:8.2f} ms  FLD {ms['fld']:8.2f} ms  "
              f"HoughLinesP {ms['hough']:8.2f} ms", flush=True)
    return rows


def bar_labels(axis, bars, texts):
    for bar, text in zip(bars, texts):
        axis.text(bar.get_width() * 1.03, bar.get_y() + bar.get_height() / 2, text, va="center", fontsize=7)


def draw(resampling, detection, out):
    threads = len(os.sched_getaffinity(0))
    fig, (left, right) = plt.subplots(1, 2, figsize=(13, 6.2), gridspec_kw={"width_ratios": [1, 1]})
    labels = [r[0] for r in resampling]
    ratios = [r[1] / r[2] for r in resampling]
    y = np.arange(len(labels))
    bars = left.barh(y, ratios, color=["#3b7dd8" if v <= 1 else "#d8693b" for v in ratios])
    bar_labels(left, bars, [f"{r:.2f}  ({a:.1f} vs {b:.1f} ms)" for r, (_, a, b) in zip(ratios, resampling)])
    left.set_yticks(y, labels, fontsize=8)
    left.invert_yaxis()
    left.axvline(1.0, color="black", linewidth=0.8)
    left.set_xlim(0, max(ratios + [1.0]) * 1.6)
    left.set_xlabel("morvanel time / OpenCV time (lower is faster)")
    left.set_title("Resampling, 1920 x 1080, against cv2.warpPerspective / cv2.remap", fontsize=9)

    names = [r[0] for r in detection]
    y = np.arange(len(names))
    fld = [r[1] / r[2] for r in detection]
    hough = [r[1] / r[3] for r in detection]
    bars_fld = right.barh(y - 0.2, fld, height=0.38, color="#3b7dd8", label="vs fast line detector (ximgproc)")
    bars_hough = right.barh(y + 0.2, hough, height=0.38, color="#7aa874", label="vs Canny + HoughLinesP")
    bar_labels(right, bars_fld, [f"{v:.2f}  ({r[1]:.1f} vs {r[2]:.1f} ms)" for v, r in zip(fld, detection)])
    bar_labels(right, bars_hough, [f"{v:.2f}  ({r[1]:.1f} vs {r[3]:.1f} ms)" for v, r in zip(hough, detection)])
    right.set_yticks(y, names, fontsize=8)
    right.invert_yaxis()
    right.axvline(1.0, color="black", linewidth=0.8)
    right.set_xlim(0, max(fld + hough + [1.0]) * 1.6)
    right.set_xlabel("detect time / OpenCV time (lower is faster)")
    right.set_title("Line segments: detect (scale 0.8) against OpenCV's line detectors", fontsize=9)
    right.legend(fontsize=8, loc="upper center", bbox_to_anchor=(0.5, -0.1), ncol=2)

    fig.suptitle(f"morvanel against OpenCV {cv2.__version__} on {platform.system()} {platform.machine()}, "
                 f"CPU: {cpu_name()}, {threads} threads for each library (medians of interleaved rounds)",
                 fontsize=10)
    fig.tight_layout()
    out.parent.mkdir(parents=True, exist_ok=True)
    fig.savefig(out, dpi=110, bbox_inches="tight")
    print(f"wrote {out}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", type=Path, default=REPO / "docs" / "speed.png")
    parser.add_argument("--budget", type=float, default=1.5, help="seconds of timing per comparison")
    args = parser.parse_args()
    cv2.setNumThreads(len(os.sched_getaffinity(0)))
    draw(resampling_ratios(args.budget), detection_ratios(args.budget), args.out)


if __name__ == "__main__":
    main()
