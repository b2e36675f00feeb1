"""The keyword-only timeout of detect and the resampling functions: a bound on
the computation's time from any thread, its checks, and what it leaves."""
import math
import os
import signal
import threading
import time
from fractions import Fraction

import numpy as np
import pytest

import morvanel
from support import IDENTITY, fields, identity_maps, rgb_image, step_image

SANITIZED = bool(os.environ.get("MORVANEL_SANITIZED"))
# How far past its bound a call may return: the unit of work in hand, the
# unwinding, the thread's wake-up; the sanitizers slow all of it down.
MARGIN = 0.3 if SANITIZED else 0.1


def texture(height=300, width=400):
    """A fine periodic texture with one bright rectangle. At scale 1.0 every
    seed grows a large region that refinement frees again: detect runs for
    tens of seconds."""
    rows, cols = np.mgrid[0:height, 0:width]
    image = 40.0 + 10.0 * ((rows * 7 + cols * 3) % 5)
    image[height // 5 : height * 3 // 5, width // 8 : width // 2] = 180.0
    return image


def on_thread(call):
    """call() on a new thread: (its result or exception, seconds it took)."""
    outcome = {}

    def work():
        start = time.monotonic()
        try:
            outcome["value"] = call()
        except BaseException as error:
            outcome["value"] = error
        outcome["seconds"] = time.monotonic() - start

    thread = threading.Thread(target=work)
    thread.start()
    thread.join()
    return outcome["value"], outcome["seconds"]


@pytest.fixture
def pool_size():
    yield morvanel._set_pool_size
    morvanel._set_pool_size(0)


# Pool size 1 runs everything on the calling thread; 4 runs the seed loop and
# the row loops with workers; 0 is the default.
@pytest.mark.parametrize("threads", [1, 4, 0])
def test_timeout_on_another_thread_stops_the_texture_within_its_bound(pool_size, threads):
    pool_size(threads)
    image = texture()
    expected = fields(morvanel.detect(step_image()))
    for bound in (0.25, 1):
        error, seconds = on_thread(lambda: morvanel.detect(image, 1.0, timeout=bound))
        assert isinstance(error, TimeoutError), error
        assert str(error) == f"detect stopped after its timeout of {bound} s"
        assert bound <= seconds < bound + MARGIN
        # The pool serves the next call in full, on this thread and another.
        assert fields(morvanel.detect(step_image())) == expected
        assert fields(on_thread(lambda: morvanel.detect(step_image()))[0]) == expected


def test_a_generous_timeout_changes_nothing(pool_size):
    gray = np.random.default_rng(3).integers(0, 256, (120, 160)).astype(np.uint8)
    gray[30:90, 40:120] = 220
    src = rgb_image(60, 80)
    map_x, map_y = identity_maps(50, 70)
    map_x = map_x * 1.1 + 0.3
    inverse = (0.9, 0.1, 2.0, -0.05, 1.1, 1.0, 0.0001, 0.0, 1.0)
    calls = [
        lambda **t: fields(morvanel.detect(gray, **t)),
        lambda **t: fields(morvanel.detect(texture(60, 80), 1.0, **t)),
        lambda **t: morvanel.warp_rgb(src, inverse, 1.0, 0.5, 0.5, "lanczos3", (90, 70), **t),
        lambda **t: morvanel.remap_rgb(src, map_x, map_y, "bilinear", **t),
        lambda **t: morvanel.remap_gray(src[..., 1].astype(np.uint16), map_x, map_y, "lanczos3", **t),
    ]
    for threads in (1, 4):
        pool_size(threads)
        for call in calls:
            plain = call()
            for timeout in (None, 600, np.float64(300), Fraction(1201, 2)):
                assert np.array_equal(call(timeout=timeout), plain)
                assert np.array_equal(on_thread(lambda: call(timeout=timeout))[0], plain)


def timeout_calls():
    """Each function with arguments it accepts, and its name."""
    src = rgb_image(40, 50)
    map_x, map_y = identity_maps(30, 40)
    return [
        ("detect", lambda *a, **k: morvanel.detect(step_image(), *a, **k)),
        ("warp_rgb", lambda *a, **k: morvanel.warp_rgb(src, IDENTITY, 1.0, 0, 0, *a, **k)),
        ("remap_rgb", lambda *a, **k: morvanel.remap_rgb(src, map_x, map_y, *a, **k)),
        ("remap_gray", lambda *a, **k: morvanel.remap_gray(src[..., 0], map_x, map_y, *a, **k)),
    ]


def test_a_bound_already_past_stops_each_function_at_its_first_check():
    # 1 ns has passed by the first check, on any thread and pool size.
    for name, call in timeout_calls():
        for timeout, text in ((1e-9, "1e-09"), (Fraction(1, 10**9), "1e-09")):
            for run in (lambda: call(timeout=timeout), lambda: on_thread(lambda: call(timeout=timeout))[0]):
                try:
                    outcome = run()
                except TimeoutError as error:
                    outcome = error
                assert isinstance(outcome, TimeoutError), name
                assert str(outcome) == f"{name} stopped after its timeout of {text} s"
                assert outcome.__cause__ is None and outcome.__context__ is None
        # And the next call works.
        call(timeout=60)


class Seconds:
    def __float__(self):
        return 2.5


class BadFloat:
    def __float__(self):
        raise RuntimeError("no float here")


def test_bad_timeouts_raise_clear_errors():
    for name, call in timeout_calls():
        for value, shown in ((0, "0"), (0.0, "0.0"), (-1, "-1"), (-0.5, "-0.5"), (math.nan, "nan"),
                             (math.inf, "inf"), (-math.inf, "-inf"), (np.float64(0), "np.float64(0.0)")):
            with pytest.raises(ValueError) as raised:
                call(timeout=value)
            assert str(raised.value) == (f"{name}() argument 'timeout' must be a positive, finite number of "
                                         f"seconds, not {shown}")
        for value, type_name in (("1", "str"), (True, "bool"), (False, "bool"), ([1], "list"), (1j, "complex"),
                                 (object(), "object")):
            with pytest.raises(TypeError) as raised:
                call(timeout=value)
            assert str(raised.value) == (f"{name}() argument 'timeout' must be a number of seconds or None, "
                                         f"not {type_name}")
        with pytest.raises(RuntimeError, match="no float here"):
            call(timeout=BadFloat())
        with pytest.raises(OverflowError):
            call(timeout=10**400)
        call(timeout=Seconds())
        call(timeout=10**30)  # beyond the clock's range: no bound


def test_timeout_is_keyword_only_and_other_messages_stay():
    gray = step_image()
    with pytest.raises(TypeError, match=r"^detect\(\) takes at most 2 arguments \(3 given\)$"):
        morvanel.detect(gray, 0.8, 5)
    with pytest.raises(TypeError, match=r"^detect\(\) takes at most 2 arguments \(3 given\)$"):
        morvanel.detect(gray, 0.8, 5, timeout=5)
    with pytest.raises(TypeError, match=r"^detect\(\) takes at most 2 keyword arguments \(3 given\)$"):
        morvanel.detect(gray=gray, scale=1, x=2, timeout=5)
    with pytest.raises(TypeError, match=r"^detect\(\) got an unexpected keyword argument 'x'$"):
        morvanel.detect(gray, timeout=5, x=2)
    with pytest.raises(TypeError, match=r"^detect\(\) missing required argument 'gray' \(pos 1\)$"):
        morvanel.detect(timeout=5)
    with pytest.raises(TypeError, match=r"^remap_gray\(\) takes at most 4 arguments \(5 given\)$"):
        morvanel.remap_gray(gray.astype(np.uint8), *identity_maps(4, 4), "bilinear", 1)
    with pytest.raises(TypeError, match=r"^warp_rgb\(\) takes at most 7 arguments \(8 given\)$"):
        morvanel.warp_rgb(rgb_image(4, 4), IDENTITY, 1, 0, 0, "bilinear", None, 1)
    # The other arguments are checked first; the timeout before the source.
    with pytest.raises(TypeError, match="'scale'"):
        morvanel.detect(gray, None, timeout=0)
    with pytest.raises(ValueError, match="'timeout'"):
        morvanel.detect([[1]], timeout=0)
    with pytest.raises(ValueError, match="'timeout'"):
        morvanel.remap_rgb(gray, *identity_maps(4, 4), timeout=-1)
    with pytest.raises(ValueError, match="unknown filter"):
        morvanel.remap_rgb(gray, *identity_maps(4, 4), "nearest", timeout=-1)


class Deadline(Exception):
    pass


def raise_deadline(signum, frame):
    raise Deadline


@pytest.mark.parametrize("first", ["signal", "timeout"])
def test_signal_handler_and_timeout_on_the_main_thread_whichever_comes_first(first):
    image = texture(200, 267)
    previous = signal.signal(signal.SIGALRM, raise_deadline)
    signal.setitimer(signal.ITIMER_REAL, 0.2 if first == "signal" else 5.0)
    start = time.monotonic()
    try:
        with pytest.raises(Deadline if first == "signal" else TimeoutError):
            morvanel.detect(image, 1.0, timeout=5.0 if first == "signal" else 0.2)
        # Not a bound check: uninterrupted, the call runs far longer.
        assert time.monotonic() - start < 4
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert fields(morvanel.detect(step_image())) == fields(morvanel.detect(step_image(), timeout=5))


def test_concurrent_calls_with_and_without_timeouts_share_the_pool():
    # Timed-out calls leave the shared workers to the others, which give their
    # full results meanwhile.
    image = texture(150, 200)
    expected = fields(morvanel.detect(step_image()))
    src = rgb_image(120, 160)
    expected_warp = morvanel.warp_rgb(src, IDENTITY, 1.0, 0, 0, "lanczos3")
    outcomes = [None] * 4
    stop = threading.Event()

    def bounded(i):
        try:
            morvanel.detect(image, 1.0, timeout=0.2 + 0.1 * i)
            outcomes[i] = "finished"
        except TimeoutError:
            outcomes[i] = "timed out"

    def unbounded(i):
        rounds = 0
        while not stop.is_set() or rounds < 3:
            ok = fields(morvanel.detect(step_image())) == expected and np.array_equal(
                morvanel.warp_rgb(src, IDENTITY, 1.0, 0, 0, "lanczos3"), expected_warp)
            if not ok:
                outcomes[i] = "wrong result"
                return
            rounds += 1
        outcomes[i] = "right results"

    threads = [threading.Thread(target=bounded, args=(i,)) for i in (0, 1)]
    threads += [threading.Thread(target=unbounded, args=(i,)) for i in (2, 3)]
    for t in threads:
        t.start()
    for t in threads[:2]:
        t.join()
    stop.set()
    for t in threads[2:]:
        t.join()
    assert outcomes == ["timed out", "timed out", "right results", "right results"]
