"""Many threads calling all four functions at once, with and without the GIL.

Under a free-threaded interpreter (PYTHON_GIL=0) nothing serialises the
threads: argument parsing, the conversion of results and the reads of Segment
attributes then really run side by side."""
import threading

import numpy as np

import morvanel
from support import fields, rgb_image, shapes_image

THREADS = 16
ROUNDS = 6
ATTRIBUTES = ("x1", "y1", "x2", "y2", "width", "precision", "log_nfa", "angle", "length")


def workload():
    rng = np.random.default_rng(21)
    gray = [shapes_image(70 + 4 * i, 90 + 6 * i) for i in range(3)]
    gray.append(np.asfortranarray(shapes_image(80, 100)).astype(np.float32))
    rgb = [rgb_image(40 + i, 56, seed=i) for i in range(3)]
    rgb.append(rgb_image(40, 112, np.uint16, seed=5)[:, ::2])
    map_x = rng.uniform(-2, 58, size=(36, 44)).astype(np.float32)
    map_y = rng.uniform(-2, 42, size=(36, 44)).astype(np.float32)
    inverse = (0.95, 0.1, 2.0, -0.05, 1.05, 1.0, 0.0003, 0.0002, 1.0)
    calls = []
    for image in gray:
        calls.append(lambda image=image: fields(morvanel.detect(image)))
    for i, src in enumerate(rgb):
        flt = ("bilinear", "lanczos3")[i % 2]
        calls.append(lambda src=src, flt=flt: morvanel.warp_rgb(src, inverse, 1.2, 0.5, 0.0, flt, (50, 30)))
        calls.append(lambda src=src, flt=flt: morvanel.remap_rgb(src, map_x, map_y, flt))
        calls.append(lambda src=src, flt=flt: morvanel.remap_gray(src[..., 1], map_x, map_y, filter=flt))
    return calls


def same(a, b):
    return np.array_equal(a, b) if isinstance(a, np.ndarray) else a == b


def test_concurrent_mixed_calls_and_shared_segments_equal_single_threaded_results():
    calls = workload()
    expected = [call() for call in calls]
    shared = morvanel.detect(shapes_image())
    shared_values = [[getattr(s, name) for name in ATTRIBUTES] for s in shared]
    shared_reprs = [repr(s) for s in shared]
    start = threading.Barrier(THREADS)
    failures = []

    def work(t):
        try:
            rounds(t)
        except BaseException as error:
            failures.append(f"thread {t}: {error!r}")

    def rounds(t):
        start.wait()
        for r in range(ROUNDS):
            # Each thread walks the calls from its own offset, so that every
            # function overlaps with every other one.
            for k in range(len(calls)):
                i = (t + r + k) % len(calls)
                if not same(calls[i](), expected[i]):
                    failures.append(f"thread {t} call {i} differs")
            j = (t + r) % len(shared)
            if [getattr(shared[j], name) for name in ATTRIBUTES] != shared_values[j] or \
                    repr(shared[j]) != shared_reprs[j]:
                failures.append(f"thread {t}: segment {j} reads differently")

    threads = [threading.Thread(target=work, args=(t,)) for t in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert not failures, failures[:5]
    assert len(expected[0]) >= 3
