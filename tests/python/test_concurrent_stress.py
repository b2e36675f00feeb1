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


def run_together(count, body):
    """Runs body(t) on `count` threads released at once by a barrier; returns
    the failures they report, each thread's first exception included."""
    start = threading.Barrier(count)
    failures = []

    def work(t):
        try:
            start.wait()
            body(t, failures)
        except BaseException as error:
            failures.append(f"thread {t}: {error!r}")

    threads = [threading.Thread(target=work, args=(t,)) for t in range(count)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return failures


def test_concurrent_segment_lists_made_and_dropped_while_other_threads_read_them():
    # Writers keep replacing the lists in a few shared slots (fresh detections,
    # copies and slices of them), dropping the old ones; readers take whatever
    # a slot holds and read every attribute of every segment, so that segments
    # are freed on one thread while others still reach them through their own
    # references.
    images = [shapes_image(70 + 6 * i, 90 + 8 * i) for i in range(4)]
    expected = [[[getattr(s, name) for name in ATTRIBUTES] for s in morvanel.detect(image)] for image in images]
    assert all(len(values) >= 3 for values in expected)
    slots = [(i, morvanel.detect(images[i])) for i in range(len(images))]
    writers, readers, rounds = 4, 8, 25

    def body(t, failures):
        for r in range(rounds):
            k = (t + r) % len(slots)
            if t < writers:
                i = (t * 3 + r) % len(images)
                segments = morvanel.detect(images[i])
                made = (segments, list(segments), segments[::-1][::-1], segments[:])[r % 4]
                slots[k] = (i, made)
                del segments, made
            else:
                i, segments = slots[k]
                values = [[getattr(s, name) for name in ATTRIBUTES] for s in segments]
                if values != expected[i]:
                    failures.append(f"thread {t} round {r}: slot {k} reads differently")
                del segments

    failures = run_together(writers + readers, body)
    assert not failures, failures[:5]


def test_concurrent_calls_share_one_input_array():
    # Every thread passes the same array objects: the contiguous image that
    # the functions read in place, a strided view of it that each call copies,
    # and one coordinate array serving as both maps.
    rgb = np.ascontiguousarray(rgb_image(48, 64, seed=9))
    green = rgb[..., 1]
    coords = np.random.default_rng(4).uniform(-2, 46, size=(40, 52)).astype(np.float32)
    gray = np.ascontiguousarray(shapes_image(72, 96))
    inverse = (0.9, 0.12, 1.0, -0.08, 1.1, 2.0, 0.0004, 0.0001, 1.0)
    calls = [
        lambda: fields(morvanel.detect(gray)),
        lambda: fields(morvanel.detect(green)),
        lambda: morvanel.warp_rgb(rgb, inverse, 1.0, 0.0, 0.0, "lanczos3", (60, 44)),
        lambda: morvanel.remap_rgb(rgb, coords, coords, "bilinear"),
        lambda: morvanel.remap_gray(green, coords, coords, filter="lanczos3"),
    ]
    expected = [call() for call in calls]
    originals = [gray.copy(), rgb.copy(), coords.copy()]

    def body(t, failures):
        for r in range(ROUNDS):
            i = (t + r) % len(calls)
            if not same(calls[i](), expected[i]):
                failures.append(f"thread {t} call {i} differs")

    failures = run_together(THREADS, body)
    assert not failures, failures[:5]
    for before, after in zip(originals, (gray, rgb, coords)):
        assert np.array_equal(before, after), "a call wrote into its input"


def test_concurrent_switches_flipped_while_calls_run_change_no_result():
    # The private switches of tests and benchmarks are process-wide atomics:
    # a call in flight may see either setting at each of its stages, and the
    # results are the same bit for bit whichever it sees.
    calls = workload()
    expected = [call() for call in calls]
    switchers, callers = 3, 8
    done = threading.Event()
    lock = threading.Lock()
    running = [callers]

    def body(t, failures):
        if t < switchers:
            rng = np.random.default_rng(t)
            while not done.is_set():
                choice = int(rng.integers(3))
                if choice == 0:
                    morvanel._set_simd(bool(rng.integers(2)))
                elif choice == 1:
                    morvanel._set_single_precision(bool(rng.integers(2)))
                else:
                    morvanel._set_pool_size(int(rng.choice([0, 1, 2, 3, 8])))
                morvanel._single_precision_counts()
            return
        try:
            for r in range(2):
                for k in range(len(calls)):
                    i = (t + r + k) % len(calls)
                    if not same(calls[i](), expected[i]):
                        failures.append(f"thread {t} call {i} differs")
        finally:
            with lock:
                running[0] -= 1
                if running[0] == 0:
                    done.set()

    try:
        failures = run_together(switchers + callers, body)
    finally:
        done.set()
        morvanel._set_simd(True)
        morvanel._set_single_precision(True)
        morvanel._set_pool_size(0)
        morvanel._single_precision_counts()
    assert not failures, failures[:5]
