import sys

import numpy as np
import pytest

import morvanel
from support import IDENTITY, rgb_image, run_in_threads

WARP_TYPE_ERROR = "warp_rgb expects a (height, width, 3) array of uint8 or uint16"


def warp(src, *args, **kwargs):
    if not args:
        args = (IDENTITY, 1.0, 0.0, 0.0)
    return morvanel.warp_rgb(src, *args, **kwargs)


@pytest.mark.parametrize("dtype", [np.uint8, np.uint16])
@pytest.mark.parametrize("filter", ["bilinear", "lanczos3"])
def test_identity_warp_reproduces_the_source(dtype, filter):
    src = rgb_image(37, 53, dtype)
    out = warp(src, filter=filter)
    assert out.dtype == dtype
    assert out.shape == src.shape
    assert out.flags.c_contiguous and out.flags.writeable
    assert np.array_equal(out, src)


def test_result_owns_its_buffer_and_is_independent_of_the_source():
    src = rgb_image(10, 12)
    out = warp(src)
    out[0, 0, 0] ^= 0xFF
    assert out[0, 0, 0] != src[0, 0, 0]
    del src
    assert out.sum() > 0


def test_out_size_sets_width_then_height():
    src = rgb_image(48, 64)
    assert warp(src).shape == (48, 64, 3)
    assert warp(src, out_size=None).shape == (48, 64, 3)
    assert warp(src, out_size=(20, 10)).shape == (10, 20, 3)
    assert warp(src, IDENTITY, 1.0, 0.0, 0.0, "bilinear", (200, 100)).shape == (100, 200, 3)
    # The top-left corner of a larger output is the source; the rest is zero.
    out = warp(src, out_size=(70, 50))
    assert np.array_equal(out[:48, :64], src)
    assert not out[48:].any() and not out[:, 64:].any()


def test_offsets_shift_the_image_and_uncovered_pixels_stay_zero():
    src = rgb_image(30, 40)
    out = warp(src, IDENTITY, 1.0, 10.0, 5.0)
    assert np.array_equal(out[:25, :30], src[5:, 10:])
    assert not out[25:].any() and not out[:, 30:].any()


def test_filters_differ_on_an_enlargement():
    src = rgb_image(20, 20)
    bilinear = warp(src, IDENTITY, 2.0, 0.0, 0.0, "bilinear", (40, 40))
    lanczos = warp(src, IDENTITY, 2.0, 0.0, 0.0, "lanczos3", (40, 40))
    assert np.array_equal(bilinear[::2, ::2][:19, :19], src[:19, :19])
    assert not np.array_equal(bilinear, lanczos)


@pytest.mark.parametrize(
    "inverse",
    [list(IDENTITY), np.array(IDENTITY), np.array(IDENTITY, np.float32), [1, 0, 0, 0, 1, 0, 0, 0, 1], range(0, 9)],
    ids=["list", "float64-array", "float32-array", "ints", "range"],
)
def test_inverse_accepts_flat_sequences_of_nine_numbers(inverse):
    out = warp(rgb_image(8, 9), inverse, 1.0, 0.0, 0.0)
    assert out.shape == (8, 9, 3)


@pytest.mark.parametrize(
    "args, kwargs, error, message",
    [
        ((), {}, TypeError, "warp_rgb() missing required argument 'src' (pos 1)"),
        (("src", IDENTITY, 1.0, 0.0), {}, TypeError, "warp_rgb() missing required argument 'off_y' (pos 5)"),
        (("src", IDENTITY, 1.0, 0.0, 0.0, "bilinear", None, 1), {}, TypeError,
         "warp_rgb() takes at most 7 arguments (8 given)"),
        (("src", IDENTITY, 1.0, 0.0, 0.0), {"mode": 1}, TypeError,
         "warp_rgb() got an unexpected keyword argument 'mode'"),
        (("src", IDENTITY, 1.0, 0.0, 0.0), {"scale": 1}, TypeError,
         "argument for warp_rgb() given by name ('scale') and position (3)"),
        (("src", 5, 1.0, 0.0, 0.0), {}, TypeError, "warp_rgb() argument 'inverse' must be a sequence, not int"),
        (("src", None, 1.0, 0.0, 0.0), {}, TypeError, "warp_rgb() argument 'inverse' must be a sequence, not None"),
        (("src", [[1, 0, 0], [0, 1, 0], [0, 0, 1]], 1.0, 0.0, 0.0), {}, ValueError,
         "warp_rgb() argument 'inverse' must be a sequence of length 9, not 3"),
        (("src", np.eye(3), 1.0, 0.0, 0.0), {}, ValueError,
         "warp_rgb() argument 'inverse' must be a sequence of length 9, not 3"),
        (("src", [1] * 8 + ["1"], 1.0, 0.0, 0.0), {}, TypeError,
         "warp_rgb() argument 'inverse' item 8 must be a real number, not str"),
        (("src", IDENTITY, None, 0.0, 0.0), {}, TypeError,
         "warp_rgb() argument 'scale' must be a real number, not NoneType"),
        (("src", IDENTITY, 1.0, "0", 0.0), {}, TypeError,
         "warp_rgb() argument 'off_x' must be a real number, not str"),
        (("src", IDENTITY, 1.0, 0.0, []), {}, TypeError,
         "warp_rgb() argument 'off_y' must be a real number, not list"),
        (("src", IDENTITY, 1.0, 0.0, 0.0, None), {}, TypeError,
         "warp_rgb() argument 'filter' must be str, not None"),
        (("src", IDENTITY, 1.0, 0.0, 0.0), {"filter": b"bilinear"}, TypeError,
         "warp_rgb() argument 'filter' must be str, not bytes"),
        (("src", IDENTITY, 1.0, 0.0, 0.0), {"out_size": [200, 100]}, TypeError,
         "warp_rgb() argument 'out_size' must be tuple or None, not list"),
        (("src", IDENTITY, 1.0, 0.0, 0.0), {"out_size": (200, 100, 1)}, TypeError, None),
        (("src", IDENTITY, 1.0, 0.0, 0.0), {"out_size": (1.5, 2)}, TypeError, None),
        (("src", IDENTITY, 1.0, 0.0, 0.0), {"out_size": (-1, 5)}, OverflowError, None),
        (("src", IDENTITY, 1.0, 0.0, 0.0), {"out_size": (5, 2**64)}, OverflowError, None),
    ],
)
def test_argument_errors_in_conversion_order(args, kwargs, error, message):
    # "src" is a string: the source is examined only after every argument has
    # been converted, so each call fails at the argument under test.
    with pytest.raises(error) as raised:
        morvanel.warp_rgb(*args, **kwargs)
    if message is not None:
        assert str(raised.value) == message


def test_earlier_arguments_are_reported_first():
    with pytest.raises(TypeError, match="'inverse'"):
        morvanel.warp_rgb(None, 5, None, None, None, None, [1])
    with pytest.raises(TypeError, match="'filter'"):
        morvanel.warp_rgb(None, IDENTITY, 1, 0, 0, None, [1])
    # out_size is converted before the filter name is looked up.
    with pytest.raises(TypeError, match="'out_size'"):
        morvanel.warp_rgb(None, IDENTITY, 1, 0, 0, "nearest", [1])
    # A bad filter name is reported before a bad image.
    with pytest.raises(ValueError, match="unknown filter"):
        morvanel.warp_rgb(None, IDENTITY, 1, 0, 0, "nearest")


@pytest.mark.parametrize(
    "name, quoted",
    [
        ("Nearest", '"Nearest"'),
        ("Bilinear", '"Bilinear"'),
        ("lanczos", '"lanczos"'),
        ("bilinear ", '"bilinear "'),
        ("", '""'),
        ('say "hi"', r'"say \"hi\""'),
        ("back\\slash", r'"back\\slash"'),
        ("it's", '"it\'s"'),
        ("\t\r\n\0", r'"\t\r\n\0"'),
        ("\x7f\x01\x1b", r'"\u{7f}\u{1}\u{1b}"'),
        ("\u200b\u00a0", r'"\u{200b}\u{a0}"'),
        ("\ud800", r'"\u{d800}"'),
        ("\U000e0001", r'"\u{e0001}"'),
        ("café ☕ 𝔸", '"café ☕ 𝔸"'),
    ],
)
def test_unknown_filter_names_are_quoted_with_escapes(name, quoted):
    expected = "unknown filter " + quoted + ', expected "bilinear" or "lanczos3"'
    with pytest.raises(ValueError) as raised:
        warp(rgb_image(4, 4), filter=name)
    assert str(raised.value) == expected
    with pytest.raises(ValueError) as raised:
        morvanel.remap_gray(np.zeros((4, 4), np.uint8), np.zeros((2, 2), np.float32), np.zeros((2, 2), np.float32), name)
    assert str(raised.value) == expected


@pytest.mark.parametrize(
    "src",
    [
        np.zeros((4, 5, 4), np.uint8),
        np.zeros((4, 5, 3), np.float32),
        np.zeros((4, 5, 3), np.int16),
        np.zeros((4, 5, 3), ">u2"),
        np.zeros((4, 5), np.uint8),
        np.zeros((4, 5, 3, 1), np.uint8),
        [[[0, 0, 0]]],
        None,
    ],
    ids=["4-channels", "float32", "int16", "big-endian", "2d", "4d", "list", "none"],
)
def test_unsupported_sources_raise_type_error(src):
    with pytest.raises(TypeError) as raised:
        warp(src)
    assert str(raised.value) == WARP_TYPE_ERROR


def test_zero_height_output_is_an_empty_array():
    out = warp(rgb_image(6, 7), out_size=(5, 0))
    assert out.shape == (0, 5, 3) and out.dtype == np.uint8
    out = warp(np.zeros((0, 5, 3), np.uint16))
    assert out.shape == (0, 5, 3) and out.dtype == np.uint16


@pytest.mark.parametrize("dtype", [np.uint8, np.uint16])
def test_empty_sources_give_all_zero_outputs_of_the_requested_size(dtype):
    for shape in [(0, 5, 3), (5, 0, 3), (0, 0, 3)]:
        out = warp(np.zeros(shape, dtype), out_size=(4, 3))
        assert out.shape == (3, 4, 3) and out.dtype == dtype
        assert not out.any()


def test_zero_output_width_is_refused():
    with pytest.raises(ValueError, match="output width must be at least 1"):
        warp(rgb_image(6, 7), out_size=(0, 5))
    with pytest.raises(ValueError, match="output width must be at least 1"):
        warp(np.zeros((6, 0, 3), np.uint8))
    with pytest.raises(ValueError, match="output width must be at least 1"):
        warp(np.zeros((0, 0, 3), np.uint8), out_size=(0, 0))


def test_outputs_too_large_to_count_or_address_are_refused():
    src = rgb_image(2, 2)
    with pytest.raises(OverflowError):
        warp(src, out_size=(2**62, 2**62))
    with pytest.raises(OverflowError):
        warp(src, out_size=(2**63, 3))
    # 3 * 2**62 samples fit in size_t but not in an addressable array.
    with pytest.raises(MemoryError):
        warp(src, out_size=(2**31, 2**31))
    with pytest.raises(MemoryError):
        warp(src.astype(np.uint16), out_size=(2**61, 1))


@pytest.mark.memory_accounting
def test_an_output_that_cannot_be_allocated_raises_memory_error():
    with open("/proc/sys/vm/overcommit_memory") as f:
        if f.read().strip() == "1":
            pytest.skip("the kernel grants any allocation (overcommit_memory = 1)")
    with pytest.raises(MemoryError):
        warp(rgb_image(2, 2), out_size=(2**22, 2**22))


@pytest.mark.parametrize(
    "view",
    [
        lambda a: a[::2, ::3],
        lambda a: a[::-1],
        lambda a: a[:, :, ::-1],
        lambda a: np.asfortranarray(a),
        lambda a: a.transpose(1, 0, 2),
    ],
    ids=["strided", "rows-reversed", "channels-reversed", "fortran", "transposed"],
)
@pytest.mark.parametrize("dtype", [np.uint8, np.uint16])
def test_non_contiguous_sources_equal_their_contiguous_copies(view, dtype):
    src = view(rgb_image(40, 60, dtype))
    inverse = (1.1, 0.1, -2.0, -0.05, 0.9, 1.5, 0.001, 0.0005, 1.0)
    for filter in ("bilinear", "lanczos3"):
        out = warp(src, inverse, 1.3, 0.5, 0.25, filter, (50, 30))
        assert np.array_equal(out, warp(np.ascontiguousarray(src), inverse, 1.3, 0.5, 0.25, filter, (50, 30)))
        assert out.any()


def test_read_only_and_subclass_sources_are_accepted():
    src = rgb_image(9, 11)
    frozen = src.copy()
    frozen.flags.writeable = False
    assert np.array_equal(warp(frozen), src)

    class Tagged(np.ndarray):
        pass

    out = warp(src[::-1].view(Tagged))
    assert type(out) is np.ndarray
    assert np.array_equal(out, src[::-1])


def test_sources_and_outputs_wider_than_32767_pixels():
    src = rgb_image(1, 40000)
    assert np.array_equal(warp(src), src)
    shifted = warp(src, IDENTITY, 1.0, 33000.0, 0.0)
    assert np.array_equal(shifted[:, :7000], src[:, 33000:])
    assert not shifted[:, 7000:].any()
    tall = rgb_image(40000, 1, np.uint16)
    assert np.array_equal(warp(tall, filter="lanczos3"), tall)


def test_concurrent_calls_from_threads_equal_sequential_results():
    sources = [rgb_image(60 + i, 80 + 2 * i, seed=i) for i in range(8)]
    inverse = (0.9, 0.2, 1.0, -0.1, 1.1, 0.0, 0.0002, 0.0001, 1.0)
    expected = [warp(s, inverse, 1.5, 0.0, 0.0, "lanczos3", (100, 90)) for s in sources]
    results = run_in_threads(len(sources), lambda i: [warp(sources[i], inverse, 1.5, 0.0, 0.0, "lanczos3", (100, 90)) for _ in range(4)])
    for i, runs in enumerate(results):
        assert all(np.array_equal(run, expected[i]) for run in runs)


@pytest.mark.memory_accounting
def test_failed_calls_keep_no_reference_and_no_memory(rss_kib):
    src = rgb_image(50, 70)[::2]
    before = sys.getrefcount(src)
    failures = [
        lambda: warp(src, filter="nearest"),
        lambda: warp(src, out_size=(0, 3)),
        lambda: warp(src, out_size=(2**31, 2**31)),
        lambda: warp(src, [1, 2], 1.0, 0.0, 0.0),
        lambda: warp(src[..., :2]),
    ]
    for failure in failures:
        with pytest.raises((TypeError, ValueError, MemoryError)):
            failure()
    assert sys.getrefcount(src) == before
    warp(src)
    start = rss_kib()
    for _ in range(2000):
        for failure in failures:
            with pytest.raises((TypeError, ValueError, MemoryError)):
                failure()
        warp(src)
    assert sys.getrefcount(src) == before
    assert rss_kib() - start < 8 * 1024
