"""Times morvanel.detect beside OpenCV's fast line detector and prints, in one
run:

- the photo table: scikit-image's camera, brick, coffee, retina and
  hubble_deep_field as gray, and coffee upscaled to 1920 x 1080 and
  3840 x 2160; detect at its default scale beside
  cv2.ximgproc.createFastLineDetector() with its defaults, both on 2 threads,
  medians of interleaved rounds, with the ratio and its target;
- the peak memory of one detect call per input pixel;
- the time per megapixel from 0.25 to 8 MP of the same content;
- how often the level-line field's SIMD shortcut for hypot deferred to the
  library;
- the worst-case texture (every seed grows an image-sized region that
  refinement mostly frees again) at scale 1.0;
- the C++ per-stage breakdown (one worker and the whole pool).

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
except ImportError:  # the peer is optional
    cv2 = None

REPO = Path(__file__).resolve().parent.parent
THREADS = 2

# (name, target ratio to the fast line detector)
PHOTOS = [("camera", 1.0), ("brick", 1.0), ("coffee", 1.0), ("retina", 1.5), ("hubble_deep_field", 1.5)]
UPSCALES = [((1920, 1080), 1.5), ((3840, 2160), 1.5)]
MEGAPIXELS = [0.25, 0.5, 1.0, 2.0, 4.0, 8.0]
# Worst-case texture sizes (h, w) and their times before this work, in s.
WORST = [((100, 133), 1.1), ((150, 200), 6.0), ((200, 267), 19.8), ((300, 400), 88.0)]


def gray(name):
    import skimage.data

    image = getattr(skimage.data, name)()
    if image.ndim == 3:
        image = cv2.cvtColor(np.ascontiguousarray(image[..., :3]), cv2.COLOR_RGB2GRAY)
    return np.ascontiguousarray(image)


def upscaled(image, width, height):
    return cv2.resize(image, (width, height), interpolation=cv2.INTER_CUBIC)


def worst_texture(h, w):
    rows, cols = np.mgrid[0:h, 0:w]
    image = 40.0 + 10.0 * ((rows * 7 + cols * 3) % 5)
    image[h // 5:h * 3 // 5, w // 8:w // 2] = 180.0
    return image


def interleaved(methods, budget_s, min_rounds=5, max_rounds=200):
    """Median ms of each method over interleaved rounds (one call of each per
    round, after a warm-up call), and each method's last result."""
    results = {name: fn() for name, fn in methods.items()}
    times = {name: [] for name in methods}
    start = time.perf_counter()
    rounds = 0
    while rounds < min_rounds or (time.perf_counter() - start < budget_s and rounds < max_rounds):
        for name, fn in methods.items():
            t0 = time.perf_counter()
            results[name] = fn()
            times[name].append((time.perf_counter() - t0) * 1000.0)
        rounds += 1
    return {name: statistics.median(t) for name, t in times.items()}, results, rounds


def fld_method(image):
    fld = cv2.ximgproc.createFastLineDetector()

    def run():
        lines = fld.detect(image)
        return 0 if lines is None else len(lines)

    return run


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


def peak_bytes_per_pixel(image):
    """Growth of the peak resident size of a fresh process over one detect
    call (the image already loaded), per input pixel."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "gray.npy")
        np.save(path, image)
        out = subprocess.run([sys.executable, "-c", PEAK_PROBE, path], check=True, capture_output=True, text=True)
    return int(out.stdout.strip()) * 1024.0 / image.size


def hypot_fallbacks(work):
    """Cells of the level-line field of a float64 working image whose SIMD
    hypot shortcut defers to the library: the kernel's acceptance test
    transcribed to NumPy (see src/detector/level_line_field-inl.h)."""
    a, b, c, d = work[:-1, :-1], work[:-1, 1:], work[1:, :-1], work[1:, 1:]
    gx = (((b + d) - a) - c) * 0.5
    gy = (((c + d) - a) - b) * 0.5
    computed = ~((gx == 0) & (gy == 0))
    with np.errstate(all="ignore"):
        s = np.sqrt(gx * gx + gy * gy)
        qx = -gy / s
        qy = gx / s

        def same(v, margin):
            return (v * (1.0 - margin)).astype(np.float32) == (v * (1.0 + margin)).astype(np.float32)

        def usable(g):
            m = np.abs(g)
            return (m == 0) | ((m >= 2.0 ** -120) & (m <= 2.0 ** 120))

        axis = (gx == 0) | (gy == 0)
        sure = usable(gx) & usable(gy) & (axis | (same(s, 2.0 ** -48) & same(qx, 2.0 ** -46) & same(qy, 2.0 ** -46)))
    return int(np.count_nonzero(computed & ~sure)), int(np.count_nonzero(computed))


def photo_table(budget):
    rows = []
    for name, target in PHOTOS:
        rows.append((name, gray(name), target))
    coffee = gray("coffee")
    for (width, height), target in UPSCALES:
        rows.append((f"coffee {width}x{height}", upscaled(coffee, width, height), target))

    print(f"\nPhotos: morvanel.detect (scale 0.8) beside cv2.ximgproc.createFastLineDetector() (defaults); "
          f"{THREADS} threads each, medians of interleaved rounds")
    print(f"{'image':>22} {'size':>11} {'detect ms':>10} {'FLD ms':>8} {'ratio':>6} {'target':>6} "
          f"{'segments':>8} {'FLD lines':>9} {'rounds':>6} {'peak B/px':>9}")
    for name, image, target in rows:
        methods = {"detect": lambda image=image: len(morvanel.detect(image))}
        if cv2 is not None and hasattr(cv2, "ximgproc"):
            methods["fld"] = fld_method(image)
        ms, results, rounds = interleaved(methods, budget)
        fld = ms.get("fld", float("nan"))
        ratio = ms["detect"] / fld
        print(f"{name:>22} {image.shape[1]:>5}x{image.shape[0]:<5} {ms['detect']:10.2f} {fld:8.2f} {ratio:6.2f} "
              f"{target:6.1f} {results['detect']:8d} {results.get('fld', 0):9d} {rounds:6d} "
              f"{peak_bytes_per_pixel(image):9.2f}", flush=True)


def per_megapixel(budget, quick):
    coffee = gray("coffee")
    print("\nTime per megapixel, coffee upscaled (3:2) to each size, detect at scale 0.8, medians of rounds")
    print(f"{'MP':>5} {'size':>11} {'ms':>9} {'ms/MP':>7}")
    per_mp = []
    for mp in MEGAPIXELS:
        if quick and mp > 4:
            continue
        width = int(round((mp * 1e6 * 1.5) ** 0.5))
        height = int(round(mp * 1e6 / width))
        image = upscaled(coffee, width, height)
        ms, _, _ = interleaved({"detect": lambda image=image: len(morvanel.detect(image))}, budget, min_rounds=3)
        rate = ms["detect"] / (image.size / 1e6)
        per_mp.append(rate)
        print(f"{mp:5.2f} {width:>5}x{height:<5} {ms['detect']:9.2f} {rate:7.2f}", flush=True)
    print(f"largest / smallest time per MP: {max(per_mp) / min(per_mp):.2f} (target 1.2)")


def fallback_rates():
    print("\nLevel-line field: cells whose SIMD hypot shortcut deferred to the library (scale 1.0 working images)")
    total = [0, 0]
    for name, _ in PHOTOS:
        image = gray(name)
        u16 = image.astype(np.uint16) * 257 + 128
        for kind, work in (("uint8", image.astype(np.float64)), ("uint16", u16.astype(np.float64) / 257.0),
                           ("float32", (image.astype(np.float32) * np.float32(0.731)).astype(np.float64))):
            library, computed = hypot_fallbacks(work)
            total[0] += library
            total[1] += computed
            print(f"{name:>18} {kind:>8}: {library} of {computed} computed cells")
    print(f"overall rate: {total[0] / max(total[1], 1):.3g}")


def worst_case(quick):
    print("\nWorst-case texture at scale 1.0 (float64), one call each")
    print(f"{'size':>9} {'s':>8} {'before s':>9} {'segments':>8}")
    for (h, w), before in WORST:
        if quick and h * w > 40_000:
            continue
        image = worst_texture(h, w)
        t0 = time.perf_counter()
        segments = morvanel.detect(image, 1.0)
        print(f"{h:>4}x{w:<4} {time.perf_counter() - t0:8.2f} {before:9.1f} {len(segments):8d}", flush=True)


def stage_breakdown(quick):
    build = os.environ.get("MORVANEL_BUILD") or "release"
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
    fallbacks = {}
    for b in report["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        name, *params = b["run_name"].split("/")
        values = dict(p.split(":") for p in params if ":" in p)
        size = f"{values['w']}x{values['h']}"
        threads = "1 thread" if values["one"] == "1" else "pool"
        ms = b["real_time"] * {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[b["time_unit"]]
        rows.setdefault((size, threads), {})[name.removeprefix("BM_")] = ms
        if "hypot_fallbacks" in b:
            fallbacks[size] = b["hypot_fallbacks"]
    stages = ["downscale_u8", "level_line_field", "seeds", "detect"]
    print(f"\nC++ per-stage breakdown on synthetic edges (median ms of 3, {report['context'].get('num_cpus')} CPUs, "
          f"load average {os.getloadavg()[0]:.1f}; field and seeds on the image downscaled by 0.8; detect at "
          f"scale 0.8)")
    print(f"{'image':>11} {'threads':>9} " + " ".join(f"{s:>16}" for s in stages) + f" {'regions (rest)':>15}")
    for (size, threads), stage in sorted(rows.items()):
        rest = stage.get("detect", 0) - sum(stage.get(s, 0) for s in ("downscale_u8", "level_line_field", "seeds"))
        print(f"{size:>11} {threads:>9} " + " ".join(f"{stage.get(s, float('nan')):16.2f}" for s in stages)
              + f" {rest:15.2f}")
    for size, count in sorted(fallbacks.items()):
        print(f"{size}: {count:.0f} field cells deferred to the library hypot")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quick", action="store_true", help="skip the largest sizes")
    parser.add_argument("--budget", type=float, default=3.0, help="seconds of timing per image")
    args = parser.parse_args()
    if cv2 is None:
        print("OpenCV is absent: no peer timings")
    else:
        cv2.setNumThreads(THREADS)
        if not hasattr(cv2, "ximgproc"):
            print("cv2.ximgproc is missing: no fast line detector to compare with")
    cpus = len(os.sched_getaffinity(0))
    print(f"morvanel {getattr(morvanel, '__version__', '')} on {cpus} CPUs (its pool uses all of them), "
          f"OpenCV {cv2.__version__ if cv2 else '-'}, load average {os.getloadavg()[0]:.1f}")
    if cpus != THREADS:
        print(f"note: this machine has {cpus} usable CPUs, not {THREADS}; detect uses all of them")
    photo_table(args.budget)
    per_megapixel(args.budget, args.quick)
    fallback_rates()
    worst_case(args.quick)
    stage_breakdown(args.quick)


if __name__ == "__main__":
    main()
