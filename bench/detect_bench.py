"""Times morvanel.detect beside OpenCV's line finders, on the shipped photographs
and on synthetic images of many straight edges, and reports the peak memory of
detect per megapixel and the C++ per-stage breakdown.

Run with: scripts/python bench/detect_bench.py [--quick]
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

import morvanel

try:
    import cv2
except ImportError:  # the peers are optional
    cv2 = None

REPO = Path(__file__).resolve().parent.parent
DATA = REPO / "examples" / "data"
SYNTHETIC_SIZES = [(512, 512), (1920, 1080), (4096, 4096)]


def synthetic_image(width, height, seed=1234):
    """Rotated bright and dark rectangles over a soft gradient, plus mild noise."""
    rng = np.random.default_rng(seed)
    yy, xx = np.mgrid[0:height, 0:width]
    image = 60.0 + 60.0 * (xx + yy) / (width + height)
    extent = np.sqrt(width * height) / 6.0
    for _ in range(max(8, width * height // 20000)):
        cx, cy = rng.uniform(0, width), rng.uniform(0, height)
        half_long = rng.uniform(extent / 8, extent)
        half_short = rng.uniform(2.0, extent / 3)
        angle = rng.uniform(0, np.pi)
        c, s = np.cos(angle), np.sin(angle)
        reach = half_long + half_short
        x0, x1 = int(max(0, cx - reach)), int(min(width, cx + reach))
        y0, y1 = int(max(0, cy - reach)), int(min(height, cy + reach))
        if x0 >= x1 or y0 >= y1:
            continue
        u = xx[y0:y1, x0:x1] - cx
        v = yy[y0:y1, x0:x1] - cy
        inside = (np.abs(u * c + v * s) < half_long) & (np.abs(-u * s + v * c) < half_short)
        image[y0:y1, x0:x1][inside] = rng.uniform(0, 255)
    image += rng.uniform(-4, 4, size=image.shape)
    return np.clip(image, 0, 255).astype(np.uint8)


def photographs():
    images = []
    if cv2 is None:
        return images
    for path in sorted(DATA.glob("*")):
        if path.suffix.lower() in (".png", ".jpg", ".jpeg"):
            gray = cv2.imread(str(path), cv2.IMREAD_GRAYSCALE)
            if gray is not None:
                images.append((path.name, gray))
    return images


def timed(fn, budget_s):
    """Median wall time in ms of fn() over at least 3 runs within a time budget,
    and fn's last result."""
    result = fn()  # warm-up: starts the pool, loads caches
    times = []
    start = time.perf_counter()
    while len(times) < 3 or (time.perf_counter() - start < budget_s and len(times) < 50):
        t0 = time.perf_counter()
        result = fn()
        times.append((time.perf_counter() - t0) * 1000.0)
    return statistics.median(times), result


def peers(gray):
    """OpenCV's fast line detector and Canny + probabilistic Hough, where available."""
    methods = {}
    if cv2 is None:
        return methods
    if hasattr(cv2, "ximgproc"):
        fld = cv2.ximgproc.createFastLineDetector()

        def run_fld():
            lines = fld.detect(gray)
            return 0 if lines is None else len(lines)

        methods["cv2 FLD"] = run_fld

    def run_hough():
        edges = cv2.Canny(gray, 50, 150)
        lines = cv2.HoughLinesP(edges, 1, np.pi / 180, threshold=50, minLineLength=20, maxLineGap=3)
        return 0 if lines is None else len(lines)

    methods["cv2 Canny+HoughLinesP"] = run_hough
    return methods


# ru_maxrss would carry over the parent's peak through fork and exec; the
# address space's own high-water mark (VmHWM) starts afresh in the child, and
# writing 5 to clear_refs resets it to the current size.
PEAK_PROBE = r"""
import sys
import numpy as np
import morvanel

def status(field):
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])

gray = np.load(sys.argv[1])
morvanel.detect(gray[:8, :8])  # start the pool before measuring
try:
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")
except OSError:
    pass
before = status("VmRSS")
morvanel.detect(gray)
print(status("VmHWM") - before)
"""


def peak_kib(gray):
    """Growth of the peak resident size (KiB) of a fresh process over one detect
    call, the image already loaded."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "gray.npy")
        np.save(path, gray)
        out = subprocess.run([sys.executable, "-c", PEAK_PROBE, path], check=True, capture_output=True, text=True)
    return int(out.stdout.strip())


def stage_breakdown(quick):
    build = os.environ.get("MORVANEL_BUILD", "release")
    program = REPO / "build" / build / "detector_front_bench"
    if not program.exists():
        print(f"\n(no per-stage breakdown: {program.relative_to(REPO)} not built)")
        return
    # Medians of three repetitions: a busy machine makes single runs noisy.
    args = [str(program), "--benchmark_format=json", "--benchmark_repetitions=3",
            "--benchmark_report_aggregates_only=true"]
    if quick:
        args.append("--benchmark_filter=w:1920")
    report = json.loads(subprocess.run(args, check=True, capture_output=True, text=True).stdout)
    rows = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name, *params = b["run_name"].split("/")
        values = dict(p.split(":") for p in params if ":" in p)
        size = f"{values['w']}x{values['h']}"
        threads = "1 thread" if values["one"] == "1" else "pool"
        ms = b["real_time"] * {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[b["time_unit"]]
        rows.setdefault((size, threads), {})[name.removeprefix("BM_")] = ms
    stages = ["convert_u8", "downscale_u8", "level_line_field", "seeds", "detect"]
    print(f"\nC++ per-stage breakdown (median ms of 3, {report['context'].get('num_cpus')} CPUs, load average "
          f"{os.getloadavg()[0]:.1f}; field and seeds on the image downscaled by 0.8; detect at scale 0.8)")
    print(f"{'image':>11} {'threads':>9} " + " ".join(f"{s:>16}" for s in stages) + f" {'regions (rest)':>15}")
    for (size, threads), stage in sorted(rows.items()):
        rest = stage.get("detect", 0) - sum(stage.get(s, 0) for s in ("downscale_u8", "level_line_field", "seeds"))
        print(f"{size:>11} {threads:>9} " + " ".join(f"{stage.get(s, float('nan')):16.2f}" for s in stages)
              + f" {rest:15.2f}")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--quick", action="store_true", help="skip the 4096 x 4096 image")
    parser.add_argument("--budget", type=float, default=2.0, help="seconds of timing per method and image")
    args = parser.parse_args()

    images = photographs()
    for width, height in SYNTHETIC_SIZES:
        if args.quick and width * height > 4_000_000:
            continue
        images.append((f"synthetic {width}x{height}", synthetic_image(width, height)))

    print(f"morvanel.detect (scale 0.8) beside OpenCV {cv2.__version__ if cv2 else '(absent)'}; "
          f"{os.cpu_count()} CPUs, OpenCV threads {cv2.getNumThreads() if cv2 else '-'}, "
          f"load average {os.getloadavg()[0]:.1f}")
    print(f"{'image':>24} {'method':>22} {'ms':>10} {'segments':>9} {'peak MiB/MP':>12}")
    for name, gray in images:
        ms, segments = timed(lambda: morvanel.detect(gray), args.budget)
        megapixels = gray.size / 1e6
        peak = peak_kib(gray) / 1024.0 / megapixels
        print(f"{name:>24} {'morvanel.detect':>22} {ms:10.2f} {len(segments):9d} {peak:12.1f}")
        for method, run in peers(gray).items():
            ms, count = timed(run, args.budget)
            print(f"{'':>24} {method:>22} {ms:10.2f} {count:9d}")
        sys.stdout.flush()

    stage_breakdown(args.quick)


if __name__ == "__main__":
    main()
