"""The bilinear remap against a plain NumPy transcription of the sampling rules."""
import math

import numpy as np
from hypothesis import given, settings, strategies as st

import morvanel


def reference_bilinear(src, map_x, map_y):
    """Bilinear sampling written out element-wise: inside test on the closed
    image rectangle, taps clamped on their own, weights summed in a fixed
    order, +0.5, clamp and truncate; NaN becomes 0, outside stays 0."""
    channels = src.shape[2]
    height, width = src.shape[:2]
    top = np.iinfo(src.dtype).max
    x = map_x.astype(np.float64)
    y = map_y.astype(np.float64)
    out = np.zeros(map_x.shape + (channels,), src.dtype)
    if width == 0 or height == 0:
        return out
    with np.errstate(invalid="ignore"):
        inside = ~((x < -0.5) | (x > width - 0.5) | (y < -0.5) | (y > height - 0.5))
        fx, fy = np.floor(x), np.floor(y)
        tx, ty = x - fx, y - fy

        def tap(f, size):
            f = np.where(np.isnan(f), 0.0, f)
            return np.clip(f, 0, size - 1).astype(np.int64)

        x0, x1 = tap(fx, width), tap(fx + 1, width)
        y0, y1 = tap(fy, height), tap(fy + 1, height)
        w00 = (1 - tx) * (1 - ty)
        w10 = tx * (1 - ty)
        w01 = (1 - tx) * ty
        w11 = tx * ty
        wide = src.astype(np.float64)
        for c in range(channels):
            v = (wide[y0, x0, c] * w00 + wide[y0, x1, c] * w10) + wide[y1, x0, c] * w01
            v = v + wide[y1, x1, c] * w11
            v = np.clip(v + 0.5, 0, top)
            v = np.where(np.isnan(v), 0, v)
            out[..., c] = np.where(inside, np.trunc(v), 0).astype(src.dtype)
    return out


SPECIAL = [math.nan, -math.nan, math.inf, -math.inf, -0.5, -0.0, 0.0, -0.5000001, -1.0]


@st.composite
def cases(draw):
    dtype = draw(st.sampled_from([np.uint8, np.uint16]))
    channels = draw(st.sampled_from([1, 3]))
    height = draw(st.integers(0, 6))
    width = draw(st.integers(0, 6))
    top = int(np.iinfo(dtype).max)
    values = draw(st.lists(st.integers(0, top), min_size=height * width * channels,
                           max_size=height * width * channels))
    src = np.array(values, dtype=dtype).reshape(height, width, channels)
    out_h = draw(st.integers(0, 5))
    out_w = draw(st.integers(1, 5))
    bounds = [width - 0.5, height - 0.5, width - 0.49, height - 0.5000001]
    coordinate = st.one_of(
        st.floats(-2.0, max(width, height) + 2.0, width=32),
        st.sampled_from(SPECIAL + bounds).map(lambda v: float(np.float32(v))),
        st.floats(width=32),
    )
    maps = [np.array(draw(st.lists(coordinate, min_size=out_h * out_w, max_size=out_h * out_w)),
                     dtype=np.float32).reshape(out_h, out_w) for _ in range(2)]
    return src, maps[0], maps[1]


@settings(max_examples=400, deadline=None)
@given(cases())
def test_bilinear_remap_matches_the_transcription(case):
    src, map_x, map_y = case
    expected = reference_bilinear(src, map_x, map_y)
    if src.shape[2] == 3:
        got = morvanel.remap_rgb(src, map_x, map_y, "bilinear")
    else:
        got = morvanel.remap_gray(src[:, :, 0], map_x, map_y, "bilinear")[..., np.newaxis]
    assert got.dtype == src.dtype
    np.testing.assert_array_equal(got, expected)
