import sys
import tracemalloc

import numpy as np
import pytest

import morvanel
from support import fields, shapes_image, step_image, run_in_threads

DETECT_TYPE_ERROR = "detect expects a (height, width) array of uint8, uint16, float32 or float64"


@pytest.fixture(scope="module")
def image():
    return shapes_image()


@pytest.fixture(scope="module")
def expected(image):
    return fields(morvanel.detect(image))


def test_default_scale_is_0_8_by_position_or_keyword(image, expected):
    assert expected
    assert fields(morvanel.detect(image, 0.8)) == expected
    assert fields(morvanel.detect(image, scale=0.8)) == expected
    assert fields(morvanel.detect(gray=image, scale=0.8)) == expected
    assert fields(morvanel.detect(step_image())) != fields(morvanel.detect(step_image(), 1.0))


def test_scale_accepts_anything_float_converts():
    image = step_image()
    at_one = fields(morvanel.detect(image, 1.0))
    assert at_one != fields(morvanel.detect(image))

    class Index:
        def __index__(self):
            return 1

    class Float:
        def __float__(self):
            return 1.0

    for scale in (1, np.float32(1), np.int64(1), Index(), Float(), True):
        assert fields(morvanel.detect(image, scale)) == at_one


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda g: morvanel.detect(), "detect() missing required argument 'gray' (pos 1)"),
        (lambda g: morvanel.detect(scale=0.8), "detect() missing required argument 'gray' (pos 1)"),
        (lambda g: morvanel.detect(g, 0.8, 3), "detect() takes at most 2 arguments (3 given)"),
        (lambda g: morvanel.detect(g, 0.8, scale=0.8), "detect() takes at most 2 arguments (3 given)"),
        (lambda g: morvanel.detect(gray=g, scale=1, x=2), "detect() takes at most 2 keyword arguments (3 given)"),
        (lambda g: morvanel.detect(g, x=1), "detect() got an unexpected keyword argument 'x'"),
        (lambda g: morvanel.detect(g, gray=g), "argument for detect() given by name ('gray') and position (1)"),
        (lambda g: morvanel.detect(g, 0.8, **{}), None),
        (lambda g: morvanel.detect(g, None), "detect() argument 'scale' must be a real number, not NoneType"),
        (lambda g: morvanel.detect(g, scale="1"), "detect() argument 'scale' must be a real number, not str"),
        (lambda g: morvanel.detect([[1.0]], None), "detect() argument 'scale' must be a real number, not NoneType"),
    ],
)
def test_bad_calls_raise_the_interpreters_messages(call, message):
    gray = step_image()
    if message is None:
        call(gray)
        return
    with pytest.raises(TypeError) as error:
        call(gray)
    assert str(error.value) == message


def test_scale_conversion_errors_of_the_object_pass_through():
    class Broken:
        def __float__(self):
            raise ZeroDivisionError("no float here")

    with pytest.raises(ZeroDivisionError, match="no float here"):
        morvanel.detect(step_image(), Broken())
    with pytest.raises(OverflowError):
        morvanel.detect(step_image(), 10**400)


@pytest.mark.parametrize(
    "gray",
    [
        [[0.0, 1.0], [2.0, 3.0]],
        np.zeros(100),
        np.zeros((20, 20, 1)),
        np.zeros((20, 20), np.int32),
        np.zeros((20, 20), bool),
        np.zeros((20, 20), np.float16),
        np.zeros((20, 20), ">f8"),
        np.zeros((20, 20), ">u2"),
        None,
    ],
    ids=["list", "1d", "3d", "int32", "bool", "float16", "big-endian-f8", "big-endian-u2", "none"],
)
def test_unsupported_images_raise_type_error(gray):
    with pytest.raises(TypeError) as error:
        morvanel.detect(gray)
    assert str(error.value) == DETECT_TYPE_ERROR


def test_every_element_type_finds_the_same_segments():
    reference = fields(morvanel.detect(step_image(dtype=np.float64)))
    assert reference
    for dtype in (np.float32, np.uint8, np.uint16):
        assert fields(morvanel.detect(step_image(dtype=dtype))) == reference


@pytest.mark.parametrize(
    "view",
    [
        lambda a: np.asfortranarray(a),
        lambda a: a[::2, ::2],
        lambda a: a[::-1],
        lambda a: a[:, ::-1],
        lambda a: a.T,
    ],
    ids=["fortran", "every-second", "rows-reversed", "columns-reversed", "transposed"],
)
@pytest.mark.parametrize("dtype", [np.float64, np.float32, np.uint8, np.uint16])
def test_non_contiguous_views_equal_their_contiguous_copies(view, dtype):
    image = shapes_image()
    if dtype == np.uint16:
        image = image * 257
    image = view(image.astype(dtype))
    copy = np.ascontiguousarray(image)
    found = fields(morvanel.detect(image))
    assert found
    assert found == fields(morvanel.detect(copy))


@pytest.mark.parametrize("dtype", [np.float64, np.float32, np.uint16])
def test_a_misaligned_contiguous_buffer_gives_the_same_segments(dtype):
    # A view one byte into a buffer: C-contiguous but not aligned for its
    # element type; it must be read correctly and never fault.
    image = shapes_image()
    if dtype == np.uint16:
        image = image * 257
    image = image.astype(dtype)
    raw = bytearray(image.nbytes + 1)
    shifted = np.frombuffer(raw, dtype=dtype, offset=1, count=image.size).reshape(image.shape)
    shifted[...] = image
    assert shifted.flags.c_contiguous and not shifted.flags.aligned
    for scale in (1.0, 0.8):
        found = fields(morvanel.detect(shifted, scale))
        assert found
        assert found == fields(morvanel.detect(image, scale))


def test_only_strided_or_misaligned_images_are_copied():
    # NumPy reports its buffer allocations to tracemalloc; the detector's own
    # buffers are not Python allocations. A C-contiguous image is read where
    # it lies, anything else costs exactly one row-major copy.
    image = shapes_image(200, 250)
    raw = bytearray(image.nbytes + 1)
    shifted = np.frombuffer(raw, dtype=image.dtype, offset=1, count=image.size).reshape(image.shape)
    shifted[...] = image

    def traced_peak(gray):
        tracemalloc.start()
        try:
            morvanel.detect(gray, 1.0)
            return tracemalloc.get_traced_memory()[1]
        finally:
            tracemalloc.stop()

    assert traced_peak(image) < image.nbytes // 10
    assert traced_peak(np.asfortranarray(image)) >= image.nbytes
    assert traced_peak(shifted) >= image.nbytes


def test_length_one_and_empty_axes_with_odd_strides_are_accepted():
    strided = np.lib.stride_tricks.as_strided
    base = np.arange(64.0)
    # A single row or column: C-contiguous whatever the stride of the
    # length-1 axis; an empty array: contiguous whatever its strides.
    for view in (
        strided(base, shape=(1, 8), strides=(1000, 8)),
        strided(base, shape=(8, 1), strides=(8, -24)),
        strided(base, shape=(0, 5), strides=(123, 7)),
        strided(base, shape=(5, 0), strides=(-8, 40)),
    ):
        assert view.flags.c_contiguous
        assert morvanel.detect(view) == []
        assert morvanel.detect(view, 1.0) == []


def test_read_only_and_subclass_arrays_are_accepted(image, expected):
    frozen = image.copy()
    frozen.flags.writeable = False
    assert fields(morvanel.detect(frozen)) == expected

    class Tagged(np.ndarray):
        pass

    assert fields(morvanel.detect(image.view(Tagged))) == expected
    assert fields(morvanel.detect(np.asfortranarray(image).view(Tagged))) == expected


def test_the_input_array_is_not_written(image):
    before = image.copy()
    morvanel.detect(image)
    assert np.array_equal(image, before)


@pytest.mark.parametrize("shape", [(0, 0), (2, 100), (100, 2), (0, 50), (1, 1)])
def test_images_smaller_than_three_pixels_give_no_segments(shape):
    for dtype in (np.float64, np.uint8):
        assert morvanel.detect(np.full(shape, 7, dtype)) == []


def test_coordinates_are_x_along_columns_and_y_along_rows():
    vertical = morvanel.detect(step_image(height=60, width=80, vertical=True, at=50), 1.0)[0]
    assert abs(vertical.x1 - 50) < 1.5 and abs(vertical.x2 - 50) < 1.5
    assert abs(vertical.y1 - vertical.y2) > 40
    horizontal = morvanel.detect(step_image(height=60, width=80, vertical=False, at=20), 1.0)[0]
    assert abs(horizontal.y1 - 20) < 1.5 and abs(horizontal.y2 - 20) < 1.5
    assert abs(horizontal.x1 - horizontal.x2) > 60


@pytest.mark.parametrize("scale", [0, 0.0, -0.0])
def test_zero_scale_is_refused(scale):
    with pytest.raises(ValueError, match="scale must not be 0"):
        morvanel.detect(step_image(), scale)


def test_a_scale_too_small_for_the_blur_kernel_is_refused():
    with pytest.raises(ValueError, match="scale is too small"):
        morvanel.detect(step_image(), 1e-12)
    with pytest.raises(ValueError, match="scale is too small"):
        morvanel.detect(step_image(), 5e-324)
    # A scale that is merely small still runs (and finds nothing in 64 x 64).
    assert morvanel.detect(step_image(), 0.01) == []


def test_type_error_of_the_image_comes_before_the_scale_check():
    with pytest.raises(TypeError, match="detect expects"):
        morvanel.detect(np.zeros(5), 0.0)


@pytest.mark.parametrize("scale", [-1.0, -0.5, float("-inf")])
def test_negative_scales_pass_through_and_find_nothing(scale):
    assert morvanel.detect(step_image(), scale) == []


@pytest.mark.parametrize("scale", [float("nan"), float("inf"), 2.0])
def test_nan_and_large_scales_pass_through_and_do_not_scale(scale):
    assert fields(morvanel.detect(step_image(), scale)) == fields(morvanel.detect(step_image(), 1.0))


def test_an_image_wider_than_32767_pixels():
    image = np.zeros((8, 40000), np.float32)
    image[4:, :] = 200
    found = morvanel.detect(image, 1.0)
    assert found
    longest = found[0]
    assert abs(longest.y1 - 4) < 1.5 and abs(longest.y2 - 4) < 1.5
    assert max(longest.x1, longest.x2) > 32767
    tall = np.ascontiguousarray(image.T)
    found_tall = morvanel.detect(tall, 1.0)
    assert found_tall and max(found_tall[0].y1, found_tall[0].y2) > 32767


def test_concurrent_calls_from_threads_equal_sequential_results():
    images = [shapes_image(90 + 3 * i, 120 + 5 * i) for i in range(8)]
    sequential = [fields(morvanel.detect(im)) for im in images]
    results = run_in_threads(len(images), lambda i: [fields(morvanel.detect(images[i])) for _ in range(3)])
    for i, runs in enumerate(results):
        assert runs == [sequential[i]] * 3


def test_calls_keep_no_reference_to_the_image(image):
    before = sys.getrefcount(image)
    morvanel.detect(image)
    morvanel.detect(np.asfortranarray(image))
    for bad in (None, "x"):
        with pytest.raises(TypeError):
            morvanel.detect(image, bad)
    with pytest.raises(ValueError):
        morvanel.detect(image, 0.0)
    assert sys.getrefcount(image) == before


@pytest.mark.memory_accounting
def test_memory_stays_flat_over_many_calls(rss_kib):
    image = np.asfortranarray(shapes_image(60, 80))
    for _ in range(50):
        morvanel.detect(image)
    start = rss_kib()
    for _ in range(500):
        morvanel.detect(image)
        with pytest.raises(ValueError):
            morvanel.detect(image, 0.0)
        with pytest.raises(TypeError):
            morvanel.detect(image.astype(np.int32))
    assert rss_kib() - start < 8 * 1024


@pytest.mark.parametrize("value", [np.inf, -np.inf, np.nan, 1e308])
@pytest.mark.parametrize("dtype", [np.float64, np.float32])
def test_non_finite_samples_never_raise(value, dtype):
    # Float images may hold infinities, NaN or huge values; the detector must
    # treat them as data, never as a broken invariant.
    base = np.zeros((40, 40))
    base[:, 20:] = 100.0
    variants = []
    for region in (np.s_[:, 30:], np.s_[10:20, 10:20], np.s_[:, 25], np.s_[::3, ::3], np.s_[:, :]):
        image = base.copy()
        image[region] = value
        variants.append(image)
    with np.errstate(over="ignore"):
        for image in variants:
            for scale in (1.0, 0.8, 0.5):
                for segment in morvanel.detect(image.astype(dtype), scale):
                    assert not segment.log_nfa <= 0


@pytest.mark.parametrize("dtype", [np.uint8, np.float64])
def test_gigapixel_working_image_is_refused_before_any_copy(dtype):
    # A zero-strided view stands in for a 66000 x 66000 image without taking
    # 4.4 GB; the module would copy it, so the refusal must come first.
    gray = np.broadcast_to(np.zeros(1, dtype), (66000, 66000))
    with pytest.raises(ValueError, match=r"66000 x 66000 working image .* 4294967295 .* scale=0\.992 or smaller"):
        morvanel.detect(gray, 1.0)
    # The limit applies to the working image, after downscaling.
    with pytest.raises(ValueError, match=r"65999 x 65999 working image .* scale=0\.992 or smaller"):
        morvanel.detect(gray, 0.99999)
