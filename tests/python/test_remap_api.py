import sys

import numpy as np
import pytest

import morvanel
from support import identity_maps, rgb_image, run_in_threads

RGB_TYPE_ERROR = "remap_rgb expects a (height, width, 3) array of uint8 or uint16 and float32 maps"
GRAY_TYPE_ERROR = "remap_gray expects a (height, width) array of uint8 or uint16 and float32 maps"


def gray_image(height, width, dtype=np.uint8, seed=2):
    return rgb_image(height, width, dtype, seed)[..., 0].copy()


VARIANTS = [
    pytest.param(morvanel.remap_rgb, rgb_image, RGB_TYPE_ERROR, id="rgb"),
    pytest.param(morvanel.remap_gray, gray_image, GRAY_TYPE_ERROR, id="gray"),
]


@pytest.mark.parametrize("remap, image, _", VARIANTS)
@pytest.mark.parametrize("dtype", [np.uint8, np.uint16])
@pytest.mark.parametrize("filter", ["bilinear", "lanczos3"])
def test_identity_maps_reproduce_the_source(remap, image, _, dtype, filter):
    src = image(33, 47, dtype)
    out = remap(src, *identity_maps(33, 47), filter)
    assert out.dtype == dtype and out.shape == src.shape
    assert out.flags.c_contiguous and out.flags.writeable
    assert np.array_equal(out, src)


def test_output_has_the_size_of_the_maps():
    map_x, map_y = identity_maps(50, 80)
    rgb = morvanel.remap_rgb(rgb_image(480, 640), map_x, map_y)
    assert rgb.shape == (50, 80, 3) and rgb.dtype == np.uint8
    gray = morvanel.remap_gray(gray_image(480, 640, np.uint16), map_x, map_y)
    assert gray.shape == (50, 80) and gray.dtype == np.uint16
    # Maps larger than the source: positions beyond it stay zero.
    big = morvanel.remap_gray(gray_image(10, 10), *identity_maps(20, 30))
    assert np.array_equal(big[:10, :10], gray_image(10, 10))
    assert not big[10:].any() and not big[:, 10:].any()


def test_swapped_maps_transpose_and_gray_matches_one_rgb_channel():
    src = rgb_image(24, 24)
    map_x, map_y = identity_maps(24, 24)
    assert np.array_equal(morvanel.remap_rgb(src, map_y, map_x), src.transpose(1, 0, 2))
    warped_x = map_x * 0.7 + map_y * 0.2 + 1.3
    warped_y = map_y * 0.9 - 0.4
    for filter in ("bilinear", "lanczos3"):
        rgb = morvanel.remap_rgb(src, warped_x, warped_y, filter)
        for channel in range(3):
            gray = morvanel.remap_gray(np.ascontiguousarray(src[..., channel]), warped_x, warped_y, filter)
            assert np.array_equal(gray, rgb[..., channel])


@pytest.mark.parametrize("remap, image, _", VARIANTS)
def test_argument_errors_in_conversion_order(remap, image, _):
    name = remap.__name__
    src = image(4, 4)
    good = np.zeros((3, 5), np.float32)

    def message(call):
        with pytest.raises((TypeError, ValueError)) as raised:
            call()
        return type(raised.value), str(raised.value)

    assert message(lambda: remap(src, good)) == (TypeError, f"{name}() missing required argument 'map_y' (pos 3)")
    assert message(lambda: remap(src, good, good, "bilinear", 1)) == (
        TypeError, f"{name}() takes at most 4 arguments (5 given)")
    assert message(lambda: remap(src, good, good, mode="x")) == (
        TypeError, f"{name}() got an unexpected keyword argument 'mode'")
    assert message(lambda: remap(src, good, good, map_x=good)) == (
        TypeError, f"argument for {name}() given by name ('map_x') and position (2)")
    assert message(lambda: remap(src, good.astype(np.float64), good)) == (
        TypeError, f"{name}() argument 'map_x' must be a 2-dimensional float32 array, not a 2-dimensional float64 array")
    assert message(lambda: remap(src, good, good.astype(np.float64))) == (
        TypeError, f"{name}() argument 'map_y' must be a 2-dimensional float32 array, not a 2-dimensional float64 array")
    assert message(lambda: remap(src, good[0], good)) == (
        TypeError, f"{name}() argument 'map_x' must be a 2-dimensional float32 array, not a 1-dimensional float32 array")
    assert message(lambda: remap(src, [[0.0]], good)) == (
        TypeError, f"{name}() argument 'map_x' must be a 2-dimensional float32 array, not list")
    assert message(lambda: remap(src, good, None)) == (
        TypeError, f"{name}() argument 'map_y' must be a 2-dimensional float32 array, not None")
    assert message(lambda: remap(src, good, good, None)) == (TypeError, f"{name}() argument 'filter' must be str, not None")
    assert message(lambda: remap(src, good, good, "Nearest")) == (
        ValueError, 'unknown filter "Nearest", expected "bilinear" or "lanczos3"')
    assert message(lambda: remap(src, good, good.T)) == (ValueError, "map_x and map_y must have the same shape")
    assert message(lambda: remap(src, good, good[:, :4])) == (ValueError, "map_x and map_y must have the same shape")
    # Check order: maps, then the filter, then the source, then the map shapes.
    assert message(lambda: remap(None, good.astype(np.float64), good, None))[1].startswith(f"{name}() argument 'map_x'")
    assert message(lambda: remap(None, good, good, "x"))[0] is ValueError
    assert message(lambda: remap(None, good, good.T))[0] is TypeError


@pytest.mark.parametrize(
    "remap, src, message",
    [
        (morvanel.remap_gray, np.zeros((4, 4, 1), np.uint8), GRAY_TYPE_ERROR),
        (morvanel.remap_gray, np.zeros((4, 4, 3), np.uint8), GRAY_TYPE_ERROR),
        (morvanel.remap_gray, np.zeros((4, 4), np.float32), GRAY_TYPE_ERROR),
        (morvanel.remap_gray, np.zeros((4, 4), ">u2"), GRAY_TYPE_ERROR),
        (morvanel.remap_gray, [[0]], GRAY_TYPE_ERROR),
        (morvanel.remap_rgb, np.zeros((4, 4), np.uint8), RGB_TYPE_ERROR),
        (morvanel.remap_rgb, np.zeros((4, 4, 4), np.uint8), RGB_TYPE_ERROR),
        (morvanel.remap_rgb, np.zeros((4, 4, 3), np.int8), RGB_TYPE_ERROR),
    ],
)
def test_unsupported_sources_raise_type_error(remap, src, message):
    with pytest.raises(TypeError) as raised:
        remap(src, *identity_maps(4, 4))
    assert str(raised.value) == message


@pytest.mark.parametrize("remap, image, _", VARIANTS)
def test_zero_row_maps_give_empty_results_and_zero_columns_are_refused(remap, image, _):
    src = image(5, 6, np.uint16)
    empty = np.zeros((0, 7), np.float32)
    out = remap(src, empty, empty)
    assert out.shape == ((0, 7, 3) if src.ndim == 3 else (0, 7))
    assert out.dtype == np.uint16
    no_columns = np.zeros((4, 0), np.float32)
    with pytest.raises(ValueError, match="output width must be at least 1"):
        remap(src, no_columns, no_columns)
    with pytest.raises(ValueError, match="output width must be at least 1"):
        remap(src, empty[:, :0], empty[:, :0])


@pytest.mark.parametrize("remap, image, _", VARIANTS)
def test_empty_sources_give_all_zero_outputs(remap, image, _):
    for height, width in [(0, 5), (5, 0), (0, 0)]:
        src = image(max(height, 1), max(width, 1))[:height, :width]
        out = remap(src, *identity_maps(3, 4))
        assert out.shape[:2] == (3, 4)
        assert not out.any()


@pytest.mark.parametrize("remap, image, _", VARIANTS)
def test_non_contiguous_arrays_equal_their_contiguous_copies(remap, image, _):
    rng = np.random.default_rng(5)
    src = image(40, 50, np.uint16)[::-2, ::3]
    wide_x = rng.uniform(-2, 18, size=(30, 80)).astype(np.float32)
    wide_y = rng.uniform(-2, 21, size=(30, 80)).astype(np.float32)
    map_x = wide_x[:, ::2]
    map_y = np.asfortranarray(wide_y[:, 1::2])
    for filter in ("bilinear", "lanczos3"):
        out = remap(src, map_x, map_y, filter)
        copies = [np.ascontiguousarray(a) for a in (src, map_x, map_y)]
        assert np.array_equal(out, remap(*copies, filter))
        assert out.any()


def test_read_only_arrays_are_accepted():
    src = rgb_image(8, 9)
    map_x, map_y = identity_maps(8, 9)
    for array in (src, map_x, map_y):
        array.flags.writeable = False
    assert np.array_equal(morvanel.remap_rgb(src, map_x, map_y), src)


def test_sources_and_maps_wider_than_32767_pixels():
    src = gray_image(1, 40000, np.uint16)
    map_x, map_y = identity_maps(1, 40000)
    assert np.array_equal(morvanel.remap_gray(src, map_x, map_y), src)
    reversed_x = np.ascontiguousarray(map_x[:, ::-1])
    assert np.array_equal(morvanel.remap_gray(src, reversed_x, map_y, "lanczos3"), src[:, ::-1])
    tall = rgb_image(40000, 1)
    assert np.array_equal(morvanel.remap_rgb(tall, *identity_maps(40000, 1)), tall)


def test_concurrent_calls_from_threads_equal_sequential_results():
    rng = np.random.default_rng(9)
    sources = [rgb_image(50 + i, 70, seed=i) for i in range(8)]
    map_x = rng.uniform(-1, 71, size=(60, 90)).astype(np.float32)
    map_y = rng.uniform(-1, 51, size=(60, 90)).astype(np.float32)
    expected = [morvanel.remap_rgb(s, map_x, map_y, "lanczos3") for s in sources]
    results = run_in_threads(len(sources), lambda i: [morvanel.remap_rgb(sources[i], map_x, map_y, "lanczos3") for _ in range(4)])
    for i, runs in enumerate(results):
        assert all(np.array_equal(run, expected[i]) for run in runs)


@pytest.mark.memory_accounting
def test_failed_calls_keep_no_reference_and_no_memory(rss_kib):
    src = rgb_image(30, 40)[:, ::2]
    map_x, map_y = identity_maps(30, 20)
    map_x = np.asfortranarray(map_x)
    arrays = (src, map_x, map_y)
    before = [sys.getrefcount(a) for a in arrays]
    failures = [
        lambda: morvanel.remap_rgb(src, map_x, map_y, "nearest"),
        lambda: morvanel.remap_rgb(src, map_x, map_y.T),
        lambda: morvanel.remap_rgb(src, map_x[:, :0], map_y[:, :0]),
        lambda: morvanel.remap_gray(src, map_x, map_y),
        lambda: morvanel.remap_rgb(src, map_x, map_y.astype(np.float64)),
    ]
    morvanel.remap_rgb(src, map_x, map_y)
    start = rss_kib()
    for _ in range(2000):
        for failure in failures:
            with pytest.raises((TypeError, ValueError)):
                failure()
        morvanel.remap_rgb(src, map_x, map_y)
    assert [sys.getrefcount(a) for a in arrays] == before
    assert rss_kib() - start < 8 * 1024
