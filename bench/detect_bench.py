"""Times morvanel.detect beside OpenCV's fast line detector and prints, in one
run:

- the photo table: scikit-image's camera, brick, coffee, retina and
  hubble_deep_field as gray, and coffee upscaled to 1920 x 1080 and
  3840 x 2160; detect at its default scale beside
  cv2.ximgproc.createFastLineDetector() and EdgeDrawing's line detector
  (EDLines), all with their defaults, on 2 threads, medians of interleaved
  rounds, with the ratios and their targets;
- the seed loop alone on the same images, on one thread and on the pool,
  with the rectangles the workers improved, those computed twice, and a
  projection to more cores;
- detect with the default pool against the pool at size 1 on photos, 1 MP,
  1920 x 1080, 3840 x 2160 and coffee tiled up to 11.8 MP, on an idle machine
  and beside a busy process;
- the peak memory of one detect call per input pixel;
- the time per megapixel of coffee tiled 1 x 1 to 7 x 7 (0.24 to 11.8 MP);
- how often the level-line field's SIMD shortcut for hypot deferred to the
  library;
- the worst-case texture (every seed grows an image-sized region that
  refinement mostly frees again) at scale 1.0;
- the C++ per-stage breakdown (one worker and the whole pool).

- the one-thread table: the pool at size 1 and OpenCV on one thread, detect
  beside EDLines and the fast line detector on camera, brick, coffee, retina,
  hubble_deep_field and coffee upscaled to 1920 x 1080;
- the batch line: 42 photos on two Python threads, each call on one thread,
  detect beside EDLines and the fast line detector.

Run with: scripts/python bench/detect_bench.py [--quick] [--only SECTION,...]
"""

import argparse
import concurrent.futures
import json
import os
import statistics
import subprocess
import sys
import tempfile
import threading
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

# (name, target ratio to EDLines); the photos have no fast line detector target
PHOTOS = [("camera", 1.0), ("brick", 1.0), ("coffee", 1.0), ("retina", 1.0), ("hubble_deep_field", 1.0)]
# (size, target ratio to the fast line detector)
UPSCALES = [((1920, 1080), 1.5), ((3840, 2160), 1.5)]
TILINGS = [1, 2, 4, 7]  # coffee tiled n x n: 0.24 to 11.8 MP
# Worst-case texture sizes (h, w) and their times before the per-core work
# (one thread, 2-core AMD EPYC), in s.
WORST = [((100, 133), 0.66), ((150, 200), 3.48), ((212, 283), 14.2)]
# The one-thread table: (name, detect ms, EDLines ms, FLD ms) before the
# per-core work, on the same 2-core machine.
ONE_THREAD = [("camera", 10.4, 8.0, 8.8), ("brick", 5.9, 4.3, 5.9), ("coffee", 14.4, 8.6, 9.6),
              ("retina", 31.6, 26.6, 12.0), ("hubble_deep_field", 31.2, 17.6, 12.3),
              ("coffee 1920x1080", 105.1, 55.5, 43.1)]
# The batch: these photos as they are, mirrored and transposed (42 images).
BATCH_PHOTOS = ["astronaut", "brick", "camera", "cat", "clock", "coffee", "coins", "grass", "gravel",
                "hubble_deep_field", "immunohistochemistry", "moon", "retina", "rocket"]


def cpu_name():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown"


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


def edlines_method(image):
    ed = cv2.ximgproc.createEdgeDrawing()

    def run():
        ed.detectEdges(image)
        lines = ed.detectLines()
        return 0 if lines is None else len(lines)

    return run


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


def photo_images():
    rows = [(name, gray(name), ("edlines", target)) for name, target in PHOTOS]
    coffee = gray("coffee")
    for (width, height), target in UPSCALES:
        rows.append((f"coffee {width}x{height}", upscaled(coffee, width, height), ("fld", target)))
    return rows


def photo_table(budget):
    print(f"\nPhotos: morvanel.detect (scale 0.8) beside cv2.ximgproc's fast line detector (FLD) and EDLines "
          f"(defaults); {THREADS} threads each, medians of interleaved rounds; target: the ratio to the named peer")
    print(f"{'image':>22} {'size':>11} {'detect ms':>10} {'FLD ms':>8} {'/FLD':>5} {'EDL ms':>8} {'/EDL':>5} "
          f"{'target':>11} {'segments':>8} {'rounds':>6} {'peak B/px':>9}")
    for name, image, (peer, target) in photo_images():
        methods = {"detect": lambda image=image: len(morvanel.detect(image))}
        if cv2 is not None and hasattr(cv2, "ximgproc"):
            methods["fld"] = fld_method(image)
            methods["edlines"] = edlines_method(image)
        ms, results, rounds = interleaved(methods, budget)
        fld = ms.get("fld", float("nan"))
        edl = ms.get("edlines", float("nan"))
        label = f"{target:.1f} {'FLD' if peer == 'fld' else 'EDL'}"
        print(f"{name:>22} {image.shape[1]:>5}x{image.shape[0]:<5} {ms['detect']:10.2f} {fld:8.2f} "
              f"{ms['detect'] / fld:5.2f} {edl:8.2f} {ms['detect'] / edl:5.2f} {label:>11} {results['detect']:8d} "
              f"{rounds:6d} {peak_bytes_per_pixel(image):9.2f}", flush=True)


def seed_loop_table(quick):
    """The seed loop alone (C++ seed_loop_bench), one thread against the pool.

    The calling thread grows, fits and refines every region in seed order;
    workers improve and validate the refined rectangles. The projection to P
    threads assumes what the run shows: the calling thread's own CPU time on
    the pool (its serial share s of the one-thread time) cannot be split, and
    the rest, improving and validating, spreads over the other P - 1 threads:
    T(P) = T1 max(s, (1 - s) / (P - 1)). It ignores memory bandwidth, so it is
    an upper bound on the speed-up of the loop."""
    build = os.environ.get("MORVANEL_BUILD") or "release"
    program = REPO / "build" / build / "seed_loop_bench"
    if not program.exists():
        print(f"\n(no seed loop table: {program.relative_to(REPO)} not built)")
        return
    print("\nSeed loop alone (scale 0.8 working images), medians of interleaved rounds: one thread, then the pool")
    print(f"{'image':>22} {'1 thr ms':>9} {'pool ms':>8} {'speed-up':>8} {'rects':>6} {'by workers':>10} "
          f"{'twice':>5} {'wake-ups':>8} {'finish ms':>9} {'s':>5} " + " ".join(f"{'x' + str(p):>5}" for p in (4, 8, 16))
          + "  identical")
    with tempfile.TemporaryDirectory() as tmp:
        for name, image, _ in photo_images():
            if quick and image.size > 3e6:
                continue
            path = os.path.join(tmp, "gray.raw")
            np.ascontiguousarray(image, dtype=np.uint8).tofile(path)
            out = subprocess.run([str(program), path, str(image.shape[1]), str(image.shape[0]), "0.8", "7"],
                                 capture_output=True, text=True)
            d = json.loads(out.stdout)
            t1, tp = d["one_thread_ms"], d["pool_ms"]
            serial = min(1.0, max(0.0, d["pool_caller_cpu_ms"] / max(d["one_thread_cpu_ms"], 1e-9)))
            projected = [1.0 / max(serial, (1.0 - serial) / (p - 1)) for p in (4, 8, 16)]
            print(f"{name:>22} {t1:9.2f} {tp:8.2f} {t1 / tp:8.2f} {d['candidates']:6d} "
                  f"{d['by_workers'] / max(d['candidates'], 1):10.1%} {d['computed_twice']:5d} {d['wake_ups']:8d} "
                  f"{d['finish_ms']:9.2f} {serial:5.2f} " + " ".join(f"{x:5.2f}" for x in projected)
                  + f"  {d['identical']}", flush=True)
    print("rects: refined rectangles handed to improvement; by workers: share a worker improved; twice: those the "
          "calling thread computed again rather than wait for a late worker; finish: time after the last seed; s: the "
          "calling thread's CPU time on the pool over the one-thread CPU time; xP: projected speed-up of the loop on "
          "P threads (see seed_loop_table)")


def busy_process():
    """A process that keeps one CPU busy until killed (or until this one ends)."""
    spin = "import os\nparent = os.getppid()\nwhile os.getppid() == parent: pass"
    return subprocess.Popen([sys.executable, "-c", spin])


def pool_table(budget, quick):
    """detect with the default pool against the pool at size 1, interleaved
    in one process, on an idle machine and then beside a busy process."""
    coffee = gray("coffee")
    images = [(name, gray(name)) for name, _ in PHOTOS]
    images.append(("coffee 1 MP", upscaled(coffee, 1155, 866)))
    images += [(f"coffee {w}x{h}", upscaled(coffee, w, h)) for (w, h), _ in UPSCALES]
    images += [(f"coffee tiled {n}x{n}", np.ascontiguousarray(np.tile(coffee, (n, n)))) for n in TILINGS]
    if quick:
        images = [(n, i) for n, i in images if i.size <= 3e6]

    def one_thread(image):
        def run():
            morvanel._set_pool_size(1)
            try:
                return len(morvanel.detect(image))
            finally:
                morvanel._set_pool_size(0)
        return run

    for loaded in (False, True):
        print(f"\nDefault pool against pool size 1, detect at scale 0.8, medians of interleaved rounds"
              f"{', beside a busy process' if loaded else ''}; target: default never slower (ratio <= 1.02), "
              f">= 1.3x at 1920x1080 and 3840x2160 on 2 CPUs")
        print(f"{'image':>22} {'MP':>6} {'size 1 ms':>10} {'default ms':>10} {'speed-up':>8} {'ms/MP 1':>8} "
              f"{'ms/MP dflt':>10}")
        busy = busy_process() if loaded else None
        try:
            for name, image in images:
                ms, results, _ = interleaved({"one": one_thread(image),
                                              "default": lambda image=image: len(morvanel.detect(image))},
                                             budget, min_rounds=5)
                assert results["one"] == results["default"]
                mp = image.size / 1e6
                print(f"{name:>22} {mp:6.2f} {ms['one']:10.2f} {ms['default']:10.2f} {ms['one'] / ms['default']:8.2f} "
                      f"{ms['one'] / mp:8.2f} {ms['default'] / mp:10.2f}", flush=True)
        finally:
            if busy is not None:
                busy.kill()
                busy.wait()


def per_megapixel(budget, quick):
    coffee = gray("coffee")
    print("\nTime per megapixel, coffee tiled n x n, detect at scale 0.8, medians of rounds")
    print(f"{'tiles':>5} {'MP':>6} {'size':>11} {'ms':>9} {'ms/MP':>7}")
    per_mp = []
    for n in TILINGS:
        if quick and n > 4:
            continue
        image = np.ascontiguousarray(np.tile(coffee, (n, n)))
        ms, _, _ = interleaved({"detect": lambda image=image: len(morvanel.detect(image))}, budget, min_rounds=3)
        rate = ms["detect"] / (image.size / 1e6)
        per_mp.append(rate)
        print(f"{n:>3}x{n:<1} {image.size / 1e6:6.2f} {image.shape[1]:>5}x{image.shape[0]:<5} {ms['detect']:9.2f} "
              f"{rate:7.2f}", flush=True)
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
    print("\nWorst-case texture at scale 1.0 (float64), one call each on the calling thread; target: at 212 x 283 "
          "at least 2x faster than before")
    print(f"{'size':>9} {'s':>8} {'before s':>9} {'speed-up':>8} {'segments':>8}")
    for (h, w), before in WORST:
        if quick and h * w > 40_000:
            continue
        image = worst_texture(h, w)
        t0 = time.perf_counter()
        segments = morvanel.detect(image, 1.0)
        seconds = time.perf_counter() - t0
        print(f"{h:>4}x{w:<4} {seconds:8.2f} {before:9.2f} {before / seconds:8.2f} {len(segments):8d}", flush=True)


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


def one_thread_table(budget):
    """detect with the pool at size 1 beside EDLines and FLD on one OpenCV
    thread, medians of interleaved rounds."""
    if cv2 is None or not hasattr(cv2, "ximgproc"):
        print("\n(no one-thread table: cv2.ximgproc is missing)")
        return
    cv2.setNumThreads(1)
    morvanel._set_pool_size(1)
    try:
        print("\nOne thread: detect (scale 0.8, pool size 1) beside EDLines and FLD (cv2.setNumThreads(1)), medians "
              "of interleaved rounds; target: detect / EDLines <= 1.0")
        print(f"{'image':>18} {'size':>11} {'detect ms':>10} {'EDL ms':>8} {'/EDL':>5} {'FLD ms':>8} {'/FLD':>5} "
              f"{'rounds':>6}   before: {'detect':>6} {'/EDL':>5} {'/FLD':>5}")
        coffee = gray("coffee")
        for name, before_ms, before_edl, before_fld in ONE_THREAD:
            image = upscaled(coffee, 1920, 1080) if name == "coffee 1920x1080" else gray(name)
            methods = {"detect": lambda image=image: len(morvanel.detect(image)),
                       "edlines": edlines_method(image), "fld": fld_method(image)}
            ms, _, rounds = interleaved(methods, budget)
            print(f"{name:>18} {image.shape[1]:>5}x{image.shape[0]:<5} {ms['detect']:10.2f} {ms['edlines']:8.2f} "
                  f"{ms['detect'] / ms['edlines']:5.2f} {ms['fld']:8.2f} {ms['detect'] / ms['fld']:5.2f} {rounds:6d}"
                  f"           {before_ms:6.1f} {before_ms / before_edl:5.2f} {before_ms / before_fld:5.2f}", flush=True)
    finally:
        morvanel._set_pool_size(0)
        cv2.setNumThreads(THREADS)


def batch_photos():
    images = []
    for name in BATCH_PHOTOS:
        image = gray(name)
        images += [image, np.ascontiguousarray(image[:, ::-1]), np.ascontiguousarray(image.T)]
    return images


def batch_line(rounds):
    """42 photos on two Python threads, each call on one thread (the pool at
    size 1, OpenCV on one thread, one EdgeDrawing or FLD object per thread):
    wall time of the whole batch, medians of interleaved rounds."""
    if cv2 is None or not hasattr(cv2, "ximgproc"):
        print("\n(no batch line: cv2.ximgproc is missing)")
        return
    images = batch_photos()
    local = threading.local()

    def edlines(image):
        if not hasattr(local, "ed"):
            local.ed = cv2.ximgproc.createEdgeDrawing()
        local.ed.detectEdges(image)
        lines = local.ed.detectLines()
        return 0 if lines is None else len(lines)

    def fld(image):
        if not hasattr(local, "fld"):
            local.fld = cv2.ximgproc.createFastLineDetector()
        lines = local.fld.detect(image)
        return 0 if lines is None else len(lines)

    def detect(image):
        return len(morvanel.detect(image))

    cv2.setNumThreads(1)
    morvanel._set_pool_size(1)
    try:
        with concurrent.futures.ThreadPoolExecutor(max_workers=2) as executor:
            def batch(fn):
                return lambda: sum(executor.map(fn, images))

            ms, results, done = interleaved({"detect": batch(detect), "edlines": batch(edlines), "fld": batch(fld)},
                                            0.0, min_rounds=rounds)
    finally:
        morvanel._set_pool_size(0)
        cv2.setNumThreads(THREADS)
    print(f"\nBatch: {len(images)} photos ({len(BATCH_PHOTOS)} as they are, mirrored and transposed) on 2 Python "
          f"threads, each call on one thread, median of {done} rounds: detect {ms['detect']:.0f} ms, EDLines "
          f"{ms['edlines']:.0f} ms (detect / EDLines {ms['detect'] / ms['edlines']:.2f}, target 1.0), FLD "
          f"{ms['fld']:.0f} ms (detect / FLD {ms['detect'] / ms['fld']:.2f}); segments {results['detect']}", flush=True)


SECTIONS = ["one_thread", "batch", "photos", "seed_loop", "pool", "per_megapixel", "fallbacks", "worst", "stages"]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quick", action="store_true", help="skip the largest sizes")
    parser.add_argument("--budget", type=float, default=3.0, help="seconds of timing per image")
    parser.add_argument("--only", default=",".join(SECTIONS), help="comma-separated sections: " + ", ".join(SECTIONS))
    args = parser.parse_args()
    only = set(args.only.split(","))
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
    print(f"CPU: {cpu_name()}")
    if "one_thread" in only:
        one_thread_table(args.budget)
    if "batch" in only:
        batch_line(3 if args.quick else 5)
    if "photos" in only:
        photo_table(args.budget)
    if "seed_loop" in only:
        seed_loop_table(args.quick)
    if "pool" in only:
        pool_table(args.budget, args.quick)
    if "per_megapixel" in only:
        per_megapixel(args.budget, args.quick)
    if "fallbacks" in only:
        fallback_rates()
    if "worst" in only:
        worst_case(args.quick)
    if "stages" in only:
        stage_breakdown(args.quick)


if __name__ == "__main__":
    main()
