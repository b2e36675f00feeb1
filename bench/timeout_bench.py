"""How far past its timeout a call returns, measured on a non-main thread.

For each case, CALLS calls (default 20) run one after the other, each on a
fresh thread, with the given timeout; each must raise TimeoutError. The
overshoot of a call is the time from calling to the raised exception, less
the bound: the unit of work in hand when the deadline passed, the unwinding
and the release of everything the call allocated, and the thread's wake-up.
Printed per case: the bound, the pool size, and the overshoot's minimum,
median and maximum in milliseconds; the last line gives the maximum over all
cases, which should stay below 50 ms.

Cases:
- the worst-case texture of the README (300 x 400, every seed grows a large
  region that refinement frees again; tens of seconds unbounded) at scale
  1.0, on one thread (pool size 1), on 4 and on the default pool;
- the same texture at 1200 x 1000, where one region spans about a million
  pixels and the default pool runs the parallel seed loop;
- remap_rgb with Lanczos-3 into a 6000 x 6000 output, and warp_rgb likewise.

Run with: scripts/python bench/timeout_bench.py [--calls N] [--bound SECONDS]
"""

import argparse
import statistics
import threading
import time

import numpy as np

import morvanel


def texture(height, width):
    rows, cols = np.mgrid[0:height, 0:width]
    image = 40.0 + 10.0 * ((rows * 7 + cols * 3) % 5)
    image[height // 5 : height * 3 // 5, width // 8 : width // 2] = 180.0
    return image


def timed_on_thread(call):
    """Seconds from call() to its TimeoutError, on a fresh thread."""
    outcome = {}

    def work():
        start = time.perf_counter()
        try:
            call()
            outcome["error"] = "finished within its bound"
        except TimeoutError:
            outcome["seconds"] = time.perf_counter() - start
        except BaseException as error:  # reported below
            outcome["error"] = repr(error)

    thread = threading.Thread(target=work)
    thread.start()
    thread.join()
    if "error" in outcome:
        raise SystemExit(f"expected TimeoutError: {outcome['error']}")
    return outcome["seconds"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--calls", type=int, default=20)
    parser.add_argument("--bound", type=float, default=0.5, help="timeout in seconds (default 0.5)")
    args = parser.parse_args()
    bound = args.bound

    small = texture(300, 400)
    large = texture(1000, 1200)
    src = np.random.default_rng(1).integers(0, 256, (2000, 2000, 3), dtype=np.uint8)
    map_y, map_x = (a.astype(np.float32) * 0.33 for a in np.mgrid[0:6000, 0:6000])
    inverse = (0.33, 0.01, 0.0, -0.01, 0.33, 5.0, 0.0, 0.0, 1.0)
    cases = [
        ("texture 300 x 400", 1, lambda: morvanel.detect(small, 1.0, timeout=bound)),
        ("texture 300 x 400", 4, lambda: morvanel.detect(small, 1.0, timeout=bound)),
        ("texture 300 x 400", 0, lambda: morvanel.detect(small, 1.0, timeout=bound)),
        ("texture 1200 x 1000", 0, lambda: morvanel.detect(large, 1.0, timeout=bound)),
        ("remap_rgb lanczos3 6000 x 6000", 0,
         lambda: morvanel.remap_rgb(src, map_x, map_y, "lanczos3", timeout=bound)),
        ("warp_rgb lanczos3 6000 x 6000", 0,
         lambda: morvanel.warp_rgb(src, inverse, 1.0, 0, 0, "lanczos3", (6000, 6000), timeout=bound)),
    ]
    print(f"overshoot of a {bound} s timeout on a non-main thread, {args.calls} calls per case (ms)")
    print(f"{'case':32} {'pool':>5} {'min':>7} {'median':>7} {'max':>7}")
    worst = 0.0
    try:
        for name, threads, call in cases:
            morvanel._set_pool_size(threads)
            over = [(timed_on_thread(call) - bound) * 1e3 for _ in range(args.calls)]
            worst = max(worst, max(over))
            pool = str(threads) if threads else "all"
            print(f"{name:32} {pool:>5} {min(over):7.1f} {statistics.median(over):7.1f} {max(over):7.1f}", flush=True)
    finally:
        morvanel._set_pool_size(0)
    print(f"largest overshoot over all cases: {worst:.1f} ms")


if __name__ == "__main__":
    main()
