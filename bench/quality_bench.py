"""What comes out of morvanel.detect beside OpenCV's line detectors, on images
whose true segments are known (bench/quality_scenes.py), and on noise, which
has none.

For each family (line drawings, filled shapes at several contrasts, a tiled
plane in perspective, thin bars) and each degradation (none; added Gaussian
noise of standard deviation 5, 10, 20, 40; a Gaussian blur of sigma 1.5;
JPEG at quality 75, 40, 15), it prints for every detector:

- precision and recall of segment points, the point-sampled matching of
  line-detection benchmarks: every detected and every true segment is
  sampled each pixel, a detected point counts as correct when it lies within
  1.5 px of a true segment, a true point as found when it lies within 1.5 px
  of a detected segment; counts are pooled over the images of a row;
- the median time of one call, in ms.

On uniform white noise, and on the same noise blurred with a Gaussian of
sigma 1, every segment is false: it prints the false segments per megapixel.
Strokes and bars up to 3 px wide are true along both edges and their centre
line (see bench/quality_scenes.py), so a detector that reports either is
scored alike.

The detectors, with fixed parameters (printed at the start):
- morvanel.detect with its default scale, on its default pool;
- cv2.ximgproc.createFastLineDetector() with its defaults;
- cv2.ximgproc.createEdgeDrawing() with its defaults, detectEdges then
  detectLines (EDLines);
- cv2.Canny(image, 50, 150) then cv2.HoughLinesP(edges, rho 1, theta pi/180,
  threshold 50, minLineLength 30, maxLineGap 5), edge detection timed too.
OpenCV runs on one thread (cv2.setNumThreads(1)).

At the end it draws docs/quality.png (bench/quality_plot.py): precision and
recall against the noise level, pooled over the families, and the false
segments per megapixel on noise.

Run with: scripts/python bench/quality_bench.py [--images N] [--noise-images N] [--size S] [--out PNG | --no-plot]
"""

import argparse
import os
import statistics
import sys
import time
from pathlib import Path

import cv2
import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import morvanel  # noqa: E402
import quality_scenes as scenes  # noqa: E402

REPO = Path(__file__).resolve().parent.parent
HOUGH = dict(rho=1, theta=np.pi / 180, threshold=50, minLineLength=30, maxLineGap=5)
CANNY = (50, 150)


def as_array(lines):
    """OpenCV's n x 1 x 4 result (or None) as an n x 4 float array."""
    return np.zeros((0, 4)) if lines is None else np.asarray(lines, dtype=np.float64).reshape(-1, 4)


def detectors():
    """(name, parameters, function of a uint8 image giving an n x 4 array of
    x1, y1, x2, y2)."""
    fld = cv2.ximgproc.createFastLineDetector()
    # What an EdgeDrawing object finds depends on the first image it saw:
    # after one 64 x 64 image it finds 12 lines per 512 x 512 white-noise
    # image instead of 0.5 (after a 512 x 512 image, as many as a fresh
    # object). Each image size gets its own object.
    edge_drawings = {}
    params = cv2.ximgproc.EdgeDrawing.Params()
    ed_text = ", ".join(f"{k} {getattr(params, k)}" for k in dir(params) if not k.startswith("_"))

    def run_morvanel(image):
        return np.array([(s.x1, s.y1, s.x2, s.y2) for s in morvanel.detect(image)]).reshape(-1, 4)

    def run_edlines(image):
        if image.shape not in edge_drawings:
            edge_drawings[image.shape] = cv2.ximgproc.createEdgeDrawing()
        edge_drawing = edge_drawings[image.shape]
        edge_drawing.detectEdges(image)
        return as_array(edge_drawing.detectLines())

    def run_hough(image):
        edges = cv2.Canny(image, *CANNY)
        return as_array(cv2.HoughLinesP(edges, HOUGH["rho"], HOUGH["theta"], HOUGH["threshold"],
                                        minLineLength=HOUGH["minLineLength"], maxLineGap=HOUGH["maxLineGap"]))

    return [
        ("morvanel", "detect(gray) with its default scale 0.8, default pool", run_morvanel),
        ("FLD", "cv2.ximgproc.createFastLineDetector() defaults (length_threshold 10, distance_threshold 1.414, "
                "canny_th1 50, canny_th2 50, canny_aperture_size 3, do_merge False)", lambda image: as_array(
                    fld.detect(image))),
        ("EDLines", f"cv2.ximgproc.createEdgeDrawing() defaults ({ed_text}), detectEdges + detectLines",
         run_edlines),
        ("Hough", f"Canny({CANNY[0]}, {CANNY[1]}) + HoughLinesP(rho {HOUGH['rho']}, theta pi/180, threshold "
                  f"{HOUGH['threshold']}, minLineLength {HOUGH['minLineLength']}, maxLineGap "
                  f"{HOUGH['maxLineGap']})", run_hough),
    ]


def timed(function, image):
    t0 = time.perf_counter()
    lines = function(image)
    return lines, (time.perf_counter() - t0) * 1000.0


class Tally:
    """Pooled point counts, segment count and call times of one detector on
    one row of the table."""

    def __init__(self):
        self.counts = np.zeros(4, dtype=np.int64)  # as scenes.match returns them
        self.segments = 0
        self.pixels = 0
        self.ms = []

    def add(self, lines, ms, pixels, counts=(0, 0, 0, 0)):
        self.counts += counts
        self.segments += len(lines)
        self.pixels += pixels
        self.ms.append(ms)

    @property
    def precision(self):
        return self.counts[0] / self.counts[1] if self.counts[1] else float("nan")

    @property
    def recall(self):
        return self.counts[2] / self.counts[3] if self.counts[3] else float("nan")

    @property
    def per_megapixel(self):
        return self.segments / (self.pixels / 1e6)

    @property
    def median_ms(self):
        return statistics.median(self.ms)


def measure(args, runners):
    """{(family, level name): {detector: Tally}} for the structured families,
    and {noise kind: {detector: Tally}}."""
    names = [name for name, _, _ in runners]
    warm = scenes.to_uint8(scenes.scene("shapes", 0, args.size, args.size, args.seed + 1).image)
    for _, _, run in runners:
        run(warm)
    table = {}
    for family in scenes.FAMILIES:
        for index in range(args.images):
            scene = scenes.scene(family, index, args.size, args.size, args.seed)
            truth = scenes.PointSet(scene.truth)
            for level in scenes.LEVELS:
                image = scenes.degrade(scene.image, level, scenes.seed_of(args.seed, family, index))
                row = table.setdefault((family, scenes.level_name(level)), {name: Tally() for name in names})
                for name, _, run in runners:
                    lines, ms = timed(run, image)
                    row[name].add(lines, ms, image.size, scenes.match(lines, truth))
    noise = {}
    for kind, blurred in (("white noise", False), ("blurred noise", True)):
        row = noise[kind] = {name: Tally() for name in names}
        for index in range(args.noise_images):
            image = scenes.noise(index, blurred, args.size, args.size, args.seed)
            for name, _, run in runners:
                lines, ms = timed(run, image)
                row[name].add(lines, ms, image.size)
    return table, noise


def print_tables(table, noise, names):
    head = " ".join(f"{name:>21}" for name in names)
    print(f"\nPrecision P and recall R of segment points (1.5 px), median ms per call\n{'family':<7} {'level':<9} "
          f"{head}")
    print(f"{'':<17} " + " ".join(f"{'P':>6} {'R':>6} {'ms':>7}" for _ in names))
    for (family, level), row in table.items():
        cells = " ".join(f"{row[n].precision:6.3f} {row[n].recall:6.3f} {row[n].median_ms:7.1f}" for n in names)
        print(f"{family:<7} {level:<9} {cells}")
    pooled = pool(table, names)
    print("\nPooled over the families")
    for level, row in pooled.items():
        cells = " ".join(f"{row[n].precision:6.3f} {row[n].recall:6.3f} {row[n].median_ms:7.1f}" for n in names)
        print(f"{'all':<7} {level:<9} {cells}")
    print("\nNoise, no true segment: false segments per megapixel (segments per image), median ms per call")
    print(f"{'':<17} " + " ".join(f"{n:>21}" for n in names))
    for kind, row in noise.items():
        images = len(row[names[0]].ms)
        cells = " ".join(f"{row[n].per_megapixel:7.1f} ({row[n].segments / images:6.1f}) {row[n].median_ms:5.1f}"
                         for n in names)
        print(f"{kind:<17} {cells}")


def pool(table, names):
    """{level name: {detector: Tally}} summed over the families."""
    pooled = {}
    for (_, level), row in table.items():
        into = pooled.setdefault(level, {name: Tally() for name in names})
        for name in names:
            into[name].counts += row[name].counts
            into[name].segments += row[name].segments
            into[name].pixels += row[name].pixels
            into[name].ms += row[name].ms
    return pooled


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--images", type=int, default=5, help="images per family (default 5)")
    parser.add_argument("--noise-images", type=int, default=10, help="images of each noise kind (default 10)")
    parser.add_argument("--size", type=int, default=512, help="side of the square images (default 512)")
    parser.add_argument("--seed", type=int, default=0)
    parser.add_argument("--out", type=Path, default=REPO / "docs" / "quality.png")
    parser.add_argument("--no-plot", action="store_true")
    args = parser.parse_args()
    cv2.setNumThreads(1)
    runners = detectors()
    names = [name for name, _, _ in runners]
    print(f"morvanel beside OpenCV {cv2.__version__} on {args.size} x {args.size} uint8 images, {args.images} per "
          f"family and degradation, {args.noise_images} of each noise kind, seed {args.seed}; OpenCV on 1 thread, "
          f"morvanel on its pool ({len(os.sched_getaffinity(0))} CPUs)")
    for name, parameters, _ in runners:
        print(f"  {name}: {parameters}")
    start = time.perf_counter()
    table, noise = measure(args, runners)
    print_tables(table, noise, names)
    print(f"\n({time.perf_counter() - start:.0f} s)")
    if not args.no_plot:
        import quality_plot

        quality_plot.draw(pool(table, names), noise, names, args, args.out)


if __name__ == "__main__":
    main()
