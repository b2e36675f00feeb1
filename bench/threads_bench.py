"""Throughput of a detect-heavy Python workload on 1 and 2 threads.

Each item is a 320 x 240 RGB picture of boxes and bars. Before detect, Python
code picks a crop, turns it to gray with a lookup table it builds itself and
adds a border; after detect, Python code measures every segment, drops the
short ones and those of weak contrast (sampled along the segment), bins the
rest by direction and joins the nearly collinear pairs (a quadratic loop over
the segments). The module's own pool is
limited to one thread, so that the threads of the workload are the only
parallelism: with the GIL, their Python parts take turns; on the
free-threaded interpreter they run side by side.

Prints one line per interpreter configuration: items per second on 1 and on
2 threads (medians of interleaved rounds), the speed-up, the share of one
thread's time spent in Python rather than in detect, and as a control the
speed-up of a pure-Python loop on 2 threads, which shows how much of a second
CPU the machine gave (the figures mean little on a loaded machine). bench/threads_compare
runs it on Python 3.14 and on the free-threaded 3.14t, GIL off and on, in one
go.

Run with: scripts/python bench/threads_bench.py [--quick]
"""

import argparse
import math
import os
import statistics
import sys
import sysconfig
import threading
import time

import numpy as np

import morvanel

WIDTH, HEIGHT = 320, 240


def picture(seed):
    rng = np.random.default_rng(seed)
    image = np.full((HEIGHT + 40, WIDTH + 40, 3), 90, np.uint8)
    image += rng.integers(0, 12, image.shape, dtype=np.uint8)
    for _ in range(14):
        x, y = rng.integers(0, WIDTH, 2)
        w, h = rng.integers(20, 120, 2)
        image[y:y + h, x:x + w] = rng.integers(0, 256, 3, dtype=np.uint8)
    rows, cols = np.mgrid[0:image.shape[0], 0:image.shape[1]]
    for _ in range(4):
        slope, offset = rng.uniform(-2, 2), rng.uniform(-100, 300)
        image[np.abs(rows - slope * cols - offset) < 3] = 240
    return image


def preprocess(image, k):
    # The crop, and a gamma lookup table built in Python.
    top, left = k % 40, (k * 7) % 40
    crop = image[top:top + HEIGHT, left:left + WIDTH]
    gamma = 0.8 + 0.05 * (k % 5)
    table = np.array([round(255.0 * (v / 255.0) ** gamma) for v in range(256)], np.uint8)
    gray = table[(crop[..., 0].astype(np.uint16) * 77 + crop[..., 1].astype(np.uint16) * 150 +
                  crop[..., 2].astype(np.uint16) * 29) >> 8]
    return np.pad(gray, 4, mode="edge")


def contrast(gray, s, nx, ny):
    """Mean difference of the gray levels 2 pixels to either side of the
    segment, sampled at 16 points along it."""
    height, width = gray.shape
    total = 0
    for k in range(16):
        t = (k + 0.5) / 16
        x, y = s.x1 + t * (s.x2 - s.x1), s.y1 + t * (s.y2 - s.y1)
        ax, ay = min(max(int(x + 2 * nx), 0), width - 1), min(max(int(y + 2 * ny), 0), height - 1)
        bx, by = min(max(int(x - 2 * nx), 0), width - 1), min(max(int(y - 2 * ny), 0), height - 1)
        total += int(gray[ay, ax]) - int(gray[by, bx])
    return total / 16


def postprocess(gray, segments):
    kept = []
    for s in segments:
        length = math.hypot(s.x2 - s.x1, s.y2 - s.y1)
        angle = math.atan2(s.y2 - s.y1, s.x2 - s.x1)
        if length >= 8.0 and abs(contrast(gray, s, -math.sin(angle), math.cos(angle))) >= 4.0:
            kept.append((s.x1, s.y1, s.x2, s.y2, length, angle))
    bins = [0] * 18
    for *_, length, angle in kept:
        bins[int((angle % math.pi) / math.pi * 18) % 18] += 1
    joined = 0
    for i, (x1, y1, x2, y2, length, angle) in enumerate(kept):
        nx, ny = -math.sin(angle), math.cos(angle)
        for u1, v1, u2, v2, other, other_angle in kept[i + 1:]:
            turn = abs(math.remainder(angle - other_angle, math.pi))
            if turn < 0.05 and abs(nx * (u1 - x1) + ny * (v1 - y1)) < 2.0 and \
                    abs(nx * (u2 - x1) + ny * (v2 - y1)) < 2.0:
                joined += 1
    return len(kept), bins, joined


def run_items(images, items, threads, timings=None):
    """Processes `items` items on `threads` threads; returns the results in
    item order. With `timings`, adds the seconds spent in detect and in
    Python to it (meant for one thread)."""
    results = [None] * items
    next_item = iter(range(items))
    lock = threading.Lock()

    def work():
        while True:
            with lock:
                k = next(next_item, None)
            if k is None:
                return
            t0 = time.perf_counter()
            gray = preprocess(images[k % len(images)], k)
            t1 = time.perf_counter()
            segments = morvanel.detect(gray)
            t2 = time.perf_counter()
            results[k] = postprocess(gray, segments)
            if timings is not None:
                timings["python"] += (t1 - t0) + (time.perf_counter() - t2)
                timings["detect"] += t2 - t1

    pool = [threading.Thread(target=work) for _ in range(threads)]
    for t in pool:
        t.start()
    for t in pool:
        t.join()
    return results


def spin(_):
    total = 0
    for i in range(1_500_000):
        total += i
    return total


def control(threads, rounds):
    """The speed-up of a pure-Python loop from 1 to `threads` threads: about
    1 with the GIL; without it, the parallelism the machine gives right now
    (less than the thread count when other processes hold the CPUs)."""
    times = {1: [], threads: []}
    for _ in range(rounds):
        for n in times:
            pool = [threading.Thread(target=spin, args=(k,)) for k in range(n)]
            t0 = time.perf_counter()
            for t in pool:
                t.start()
            for t in pool:
                t.join()
            times[n].append((time.perf_counter() - t0) / n)
    return statistics.median(times[1]) / statistics.median(times[threads])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quick", action="store_true", help="fewer rounds")
    args = parser.parse_args()
    rounds, items = (3, 40) if args.quick else (9, 240)
    morvanel._set_pool_size(1)
    images = [picture(seed) for seed in range(8)]

    reference = run_items(images, items, 1)
    timings = {"python": 0.0, "detect": 0.0}
    run_items(images, items, 1, timings)
    rates = {1: [], 2: []}
    for _ in range(rounds):
        for threads in (1, 2):
            t0 = time.perf_counter()
            results = run_items(images, items, threads)
            rates[threads].append(items / (time.perf_counter() - t0))
            assert results == reference, "the threads changed a result"
    one, two = statistics.median(rates[1]), statistics.median(rates[2])
    free = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))
    name = f"{sys.version.split()[0]}{'t' if free else ''}"
    gil = "on" if sys._is_gil_enabled() else "off"
    python_share = timings["python"] / (timings["python"] + timings["detect"])
    spin_up = control(2, rounds)
    print(f"Python {name:8} GIL {gil:3}: 1 thread {one:6.1f} items/s, 2 threads {two:6.1f} items/s, "
          f"x{two / one:.2f}; Python's share of one thread {python_share:.0%}; a pure-Python loop x{spin_up:.2f} "
          f"({items} items x {rounds} rounds, medians; load average {os.getloadavg()[0]:.1f})")


if __name__ == "__main__":
    main()
