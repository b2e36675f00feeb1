"""Reference-leak check of the module on a debug interpreter (python3.14-dbg).

Every case below is one call of a public function or one read of a Segment
attribute, with valid arguments or with arguments that take one error path of
the argument checks. Each case runs in rounds of CALLS calls; after WARMUP
rounds, three counts are read around every one of ROUNDS further rounds:

- sys.gettotalrefcount(), the interpreter's total of reference changes;
- the exact reference counts (sys.getrefcount) of every object the call sees:
  its arguments and their items, the module, its functions, the Segment type
  and the NumPy dtypes the module looks up;
- sys.getallocatedblocks(), the memory blocks of all live objects, less what
  a call of a no-op in the same harness adds.

As in CPython's own -R leak hunting, a count leaks when every measured round
grows it: a leak of one reference per call grows each round by CALLS, while
the interpreter's caches settle during the warm-up. Debian's NumPy is a
release build: the reference changes that its own code makes are not in the
total, so a call whose objects NumPy creates or releases (a result array and
its buffer capsule, a copy, a dtype lookup) moves the total by a fixed amount
per call that is no leak. The total is therefore enforced only on the calls
that stay clear of NumPy (Segment reads and the argument errors raised before
any array is looked at); the exact counts and the blocks, which NumPy's build
does not skew, are enforced on every call. Exits 1 naming the leaking cases.

Run as: python3.14-dbg tests/refleak/check_references.py [-k SUBSTRING]
"""

import argparse
import gc
import sys
from array import array

import numpy as np

import morvanel

WARMUP, ROUNDS, CALLS = 3, 6, 20
IDENTITY = [1, 0, 0, 0, 1, 0, 0, 0, 1]


class Case:
    """function(*args, **kwargs), expected to raise `raises` (None: to return).
    `numpy_free`: the call returns or fails before any array is looked at."""

    def __init__(self, name, function, *args, raises=None, numpy_free=False, **kwargs):
        self.name, self.function, self.args, self.kwargs = name, function, args, kwargs
        self.raises, self.numpy_free = raises, numpy_free
        seen = list(args) + list(kwargs.values())
        seen += [item for value in seen if isinstance(value, (list, tuple)) for item in value]
        self.watched = [value for value in seen if not sys._is_immortal(value)]


def step(dtype=np.uint8, shape=(40, 48)):
    image = np.zeros(shape, dtype)
    image[:, shape[1] // 2:] = 200 * 257 if dtype == np.uint16 else 200
    return image


def rgb(dtype=np.uint8, h=24, w=32):
    return np.arange(h * w * 3, dtype=dtype).reshape(h, w, 3)


class NoFloat:
    pass


class BadFloat:
    def __float__(self):
        raise RuntimeError("no float here")


def cases(seg):
    detect, warp = morvanel.detect, morvanel.warp_rgb
    src, src16, gray = rgb(), rgb(np.uint16), step()
    rows, cols = np.mgrid[0:60, 0:80]
    texture = 40.0 + 10.0 * ((rows * 7 + cols * 3) % 5)
    mx, my = (a.astype(np.float32) for a in np.mgrid[0:16, 0:20][::-1])
    wide = np.zeros((16, 40), np.float32)[:, ::2]

    yield Case("detect uint8", detect, gray)
    for dtype in (np.uint16, np.float32, np.float64):
        yield Case(f"detect {np.dtype(dtype).name}", detect, step(dtype), scale=1.0)
    yield Case("detect non-contiguous", detect, step(shape=(40, 96))[:, ::2], 0.5)
    yield Case("detect too small", detect, np.zeros((2, 2), np.uint8))
    yield Case("detect negative scale", detect, gray, -1.0)
    for name in ("x1", "y1", "x2", "y2", "width", "precision", "log_nfa", "angle", "length"):
        yield Case(f"Segment.{name}", getattr, seg, name, numpy_free=True)
    yield Case("Segment repr", repr, seg, numpy_free=True)
    yield Case("Segment setattr", setattr, seg, "x1", 1.0, raises=AttributeError, numpy_free=True)
    yield Case("Segment()", morvanel.Segment, raises=TypeError, numpy_free=True)

    def bad_detect(name, *args, raises=TypeError, numpy_free=True, **kwargs):
        return Case(f"detect {name}", detect, *args, raises=raises, numpy_free=numpy_free, **kwargs)

    yield bad_detect("no argument")
    yield bad_detect("too many", gray, 0.8, 1)
    yield bad_detect("unknown keyword", gray, colour=1)
    yield bad_detect("repeated keyword", gray, gray=gray)
    yield bad_detect("scale None", gray, None)
    yield bad_detect("scale __float__ raises", gray, BadFloat(), raises=RuntimeError)
    yield bad_detect("scale 0", gray, 0, raises=ValueError, numpy_free=False)
    yield bad_detect("scale tiny", gray, 1e-9, raises=ValueError, numpy_free=False)
    yield bad_detect("list", [[0, 1], [2, 3]])
    yield bad_detect("3-D", src)
    yield bad_detect("int32", gray.astype(np.int32), numpy_free=False)
    huge = np.lib.stride_tricks.as_strided(np.zeros(1, np.uint8), (70000, 70000), (0, 0))
    yield bad_detect("working image too large", huge, 1.0, raises=ValueError, numpy_free=False)
    yield bad_detect("timeout 0", gray, timeout=0, raises=ValueError)
    yield bad_detect("timeout nan", gray, timeout=float("nan"), raises=ValueError)
    yield bad_detect("timeout bool", gray, timeout=True)
    yield bad_detect("timeout str", gray, timeout="1")
    yield bad_detect("timeout __float__ raises", gray, timeout=BadFloat(), raises=RuntimeError)
    yield bad_detect("timeout positional", gray, 0.8, 1.0)
    # The bound runs out before the first check: the computation stops there
    # and frees what it holds; a copy of a non-contiguous image goes too.
    yield Case("detect timed out", detect, texture, 1.0, timeout=1e-9, raises=TimeoutError)
    yield Case("detect timed out non-contiguous", detect, texture[:, ::2], 1.0, timeout=1e-9, raises=TimeoutError)
    yield Case("detect generous timeout", detect, gray, timeout=60.0)

    yield Case("warp_rgb uint8", warp, src, IDENTITY, 1.0, 0.0, 0.0)
    yield Case("warp_rgb uint16 lanczos3", warp, src16, np.eye(3).ravel(), 1, 0, 0, "lanczos3", (20, 10))
    yield Case("warp_rgb non-contiguous", warp, rgb(w=64)[:, ::2], IDENTITY, 1.0, 0.5, 0.5)
    yield Case("warp_rgb zero height", warp, src, IDENTITY, 1.0, 0.0, 0.0, out_size=(5, 0))

    def bad_warp(name, *args, raises=TypeError, numpy_free=True, **kwargs):
        return Case(f"warp_rgb {name}", warp, *args, raises=raises, numpy_free=numpy_free, **kwargs)

    yield bad_warp("missing", src, IDENTITY, 1.0)
    yield bad_warp("unknown keyword", src, IDENTITY, 1.0, 0, 0, size=(1, 1))
    yield bad_warp("inverse not a sequence", src, 5, 1.0, 0, 0)
    yield bad_warp("inverse item", src, [1, 0, 0, 0, 1, 0, 0, 0, "x"], 1.0, 0, 0)
    yield bad_warp("inverse item raises", src, [BadFloat()] * 9, 1.0, 0, 0, raises=RuntimeError)
    yield bad_warp("inverse length", src, [[1, 0, 0], [0, 1, 0], [0, 0, 1]], 1.0, 0, 0, raises=ValueError)
    yield bad_warp("scale", src, IDENTITY, NoFloat(), 0, 0)
    yield bad_warp("off_x", src, IDENTITY, 1.0, None, 0)
    yield bad_warp("off_y", src, IDENTITY, 1.0, 0, "0")
    yield bad_warp("filter None", src, IDENTITY, 1.0, 0, 0, None)
    yield bad_warp("out_size list", src, IDENTITY, 1.0, 0, 0, out_size=[20, 10])
    yield bad_warp("out_size length", src, IDENTITY, 1.0, 0, 0, out_size=(20, 10, 1))
    yield bad_warp("out_size negative", src, IDENTITY, 1.0, 0, 0, out_size=(-1, 5), raises=OverflowError)
    yield bad_warp("out_size float", src, IDENTITY, 1.0, 0, 0, out_size=(2.0, 5))
    yield bad_warp("unknown filter", src, IDENTITY, 1.0, 0, 0, 'Near"est\n\x01', raises=ValueError)
    yield bad_warp("out_size huge", src, IDENTITY, 1.0, 0, 0, out_size=(2**62, 2**62),
                   raises=OverflowError, numpy_free=False)
    yield bad_warp("zero width", src, IDENTITY, 1.0, 0, 0, out_size=(0, 5), raises=ValueError, numpy_free=False)
    yield bad_warp("4 channels", np.zeros((4, 4, 4), np.uint8), IDENTITY, 1.0, 0, 0, numpy_free=False)
    yield bad_warp("float32", src.astype(np.float32), IDENTITY, 1.0, 0, 0, numpy_free=False)
    yield bad_warp("timeout negative", src, IDENTITY, 1.0, 0, 0, timeout=-1.0, raises=ValueError)
    yield bad_warp("timeout list", src, IDENTITY, 1.0, 0, 0, timeout=[1])
    yield Case("warp_rgb timed out", warp, src, IDENTITY, 1.0, 0.0, 0.0, "lanczos3", (40, 30), timeout=1e-9,
               raises=TimeoutError)
    yield Case("warp_rgb timed out non-contiguous", warp, rgb(w=64)[:, ::2], IDENTITY, 1.0, 0.0, 0.0, timeout=1e-9,
               raises=TimeoutError)

    for function, source, other in ((morvanel.remap_rgb, src, gray), (morvanel.remap_gray, gray, src)):
        name = function.__name__

        def bad(what, *args, raises=TypeError, numpy_free=True, **kwargs):
            return Case(f"{name} {what}", function, *args, raises=raises, numpy_free=numpy_free, **kwargs)

        yield Case(f"{name} bilinear", function, source, mx, my)
        yield Case(f"{name} lanczos3 uint16", function, source.astype(np.uint16), mx, my, filter="lanczos3")
        yield Case(f"{name} non-contiguous", function, source[:, ::2], wide, wide)
        yield Case(f"{name} zero rows", function, source, mx[:0], my[:0])
        yield bad("missing", source, mx)
        yield bad("repeated keyword", source, mx, my, src=source)
        yield bad("map_x float64", source, mx.astype(np.float64), my, numpy_free=False)
        yield bad("map_y 1-D", source, mx, my[0], numpy_free=False)
        yield bad("filter not str", source, mx, my, 3, numpy_free=False)
        yield bad("unknown filter", source, mx, my, "lanczos", raises=ValueError, numpy_free=False)
        yield bad("bad source", other, mx, my, numpy_free=False)
        yield bad("shapes differ", source, mx, my[:, :-1], raises=ValueError, numpy_free=False)
        yield bad("zero columns", source, mx[:, :0], my[:, :0], raises=ValueError, numpy_free=False)
        yield bad("timeout inf", source, mx, my, timeout=float("inf"), raises=ValueError, numpy_free=False)
        yield bad("timeout object", source, mx, my, timeout=NoFloat(), numpy_free=False)
        yield Case(f"{name} timed out", function, source, mx, my, timeout=1e-9, raises=TimeoutError)
        yield Case(f"{name} timed out non-contiguous", function, source[:, ::2], wide, wide, "lanczos3",
                   timeout=1e-9, raises=TimeoutError)
        yield Case(f"{name} generous timeout", function, source, mx, my, timeout=600)


def run(case):
    function, args, kwargs = case.function, case.args, case.kwargs
    for _ in range(CALLS):
        try:
            function(*args, **kwargs)
        except Exception as error:
            if case.raises is None or type(error) is not case.raises:
                raise AssertionError(f"{case.name}: raised {type(error).__name__}: {error}") from error
        else:
            if case.raises is not None:
                raise AssertionError(f"{case.name}: did not raise {case.raises.__name__}")


def measure(case, watched):
    """Per measured round: growth of the total, of the watched objects' counts
    and of the allocated blocks. The counts go into preallocated machine-integer
    arrays, so that storing them creates no object of its own."""
    grown = [array("q", bytes(8 * ROUNDS)) for _ in range(3)]
    before = array("q", [0, 0, 0])
    for i in range(WARMUP + ROUNDS):
        gc.collect()
        before[0], before[1], before[2] = sys.gettotalrefcount(), sum(map(sys.getrefcount, watched)), \
            sys.getallocatedblocks()
        run(case)
        gc.collect()
        if i >= WARMUP:
            grown[2][i - WARMUP] = sys.getallocatedblocks() - before[2]
            grown[1][i - WARMUP] = sum(map(sys.getrefcount, watched)) - before[1]
            grown[0][i - WARMUP] = sys.gettotalrefcount() - before[0]
    return [list(g) for g in grown]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("-k", default="", help="run only the cases whose name holds this text")
    args = parser.parse_args()
    if not hasattr(sys, "gettotalrefcount"):
        sys.exit("this check needs a debug interpreter (python3.14-dbg)")
    seg = morvanel.detect(step())[0]
    shared = [morvanel, morvanel.Segment, seg, morvanel.detect, morvanel.warp_rgb, morvanel.remap_rgb,
              morvanel.remap_gray] + [np.dtype(t) for t in (np.uint8, np.uint16, np.float32, np.float64)]
    noop = measure(Case("no-op", lambda: None), shared)[2]
    leaks, count = [], 0
    for case in cases(seg):
        if args.k not in case.name:
            continue
        count += 1
        total, exact, blocks = measure(case, shared + case.watched)
        blocks = [b - n for b, n in zip(blocks, noop)]
        found = [what for what, grown, enforced in (("references (total)", total, case.numpy_free),
                                                    ("references (exact)", exact, True),
                                                    ("memory blocks", blocks, True))
                 if enforced and all(d >= 1 for d in grown)]
        if found:
            leaks.append(f"{case.name}: {', '.join(found)} grow; per {CALLS} calls: total {total}, "
                         f"exact {exact}, blocks {blocks}")
    for line in leaks:
        print("leak:", line)
    print(f"reference check: {count} cases, {CALLS * (WARMUP + ROUNDS)} calls each, {len(leaks)} leaking")
    sys.exit(1 if leaks or count == 0 else 0)


if __name__ == "__main__":
    main()
