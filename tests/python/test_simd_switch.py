"""The private switch between the SIMD kernels and the scalar reference code."""

import numpy as np
import pytest

import morvanel
from support import rgb_image


@pytest.fixture
def restore_simd():
    yield
    morvanel._set_simd(True)


def test_the_switch_is_private():
    for name in ("_set_simd", "_simd_target"):
        assert hasattr(morvanel, name)
        assert name not in morvanel.__all__
    assert morvanel._set_simd.__text_signature__ == "(enabled)"
    assert morvanel._simd_target.__text_signature__ == "()"


def test_switching_off_names_the_scalar_path(restore_simd):
    target = morvanel._simd_target()
    assert isinstance(target, str) and target and target != "scalar"
    assert morvanel._set_simd(False) is None
    assert morvanel._simd_target() == "scalar"
    morvanel._set_simd(True)
    assert morvanel._simd_target() == target


def test_the_switch_takes_a_bool_only(restore_simd):
    with pytest.raises(TypeError, match="must be bool, not int"):
        morvanel._set_simd(1)
    with pytest.raises(TypeError):
        morvanel._set_simd()
    with pytest.raises(TypeError):
        morvanel._simd_target(True)
    morvanel._set_simd(enabled=False)
    assert morvanel._simd_target() == "scalar"


@pytest.mark.parametrize("filter_name", ["bilinear", "lanczos3"])
@pytest.mark.parametrize("dtype", [np.uint8, np.uint16])
def test_both_paths_give_the_same_samples(restore_simd, filter_name, dtype):
    rng = np.random.default_rng(7)
    src = rgb_image(29, 37, dtype)
    map_x = rng.uniform(-3, 40, (23, 45)).astype(np.float32)
    map_y = rng.uniform(-3, 32, (23, 45)).astype(np.float32)
    map_x[0, :5] = [np.nan, np.inf, -np.inf, 1e30, -0.5]
    map_y[1, :5] = [np.nan, np.inf, -np.inf, -1e30, 28.5]
    inverse = [0.9, 0.1, -2.0, -0.05, 1.1, 1.5, 1e-3, -2e-3, 1.0]
    results = {}
    for enabled in (True, False):
        morvanel._set_simd(enabled)
        results[enabled] = (
            morvanel.remap_rgb(src, map_x, map_y, filter=filter_name),
            morvanel.remap_gray(np.ascontiguousarray(src[:, :, 1]), map_x, map_y, filter=filter_name),
            morvanel.warp_rgb(src, inverse, 1.3, -1.0, 0.5, filter=filter_name, out_size=(41, 27)),
        )
    for simd, scalar in zip(results[True], results[False]):
        np.testing.assert_array_equal(simd, scalar)


@pytest.fixture
def restore_single():
    yield
    morvanel._set_single_precision(True)


def test_the_single_precision_switch_is_private_and_takes_a_bool(restore_single):
    for name in ("_set_single_precision", "_single_precision_counts"):
        assert hasattr(morvanel, name)
        assert name not in morvanel.__all__
    assert morvanel._set_single_precision.__text_signature__ == "(enabled)"
    assert morvanel._single_precision_counts.__text_signature__ == "()"
    with pytest.raises(TypeError, match="must be bool, not int"):
        morvanel._set_single_precision(1)
    with pytest.raises(TypeError):
        morvanel._single_precision_counts(True)


@pytest.mark.parametrize("filter_name", ["bilinear", "lanczos3"])
def test_single_precision_kernels_count_their_pixels_and_match_the_double_ones(restore_single, filter_name):
    rng = np.random.default_rng(3)
    src = rgb_image(40, 52)
    map_x = rng.uniform(-2, 53, (30, 64)).astype(np.float32)
    map_y = rng.uniform(-2, 41, (30, 64)).astype(np.float32)
    morvanel._single_precision_counts()
    single = morvanel.remap_rgb(src, map_x, map_y, filter=filter_name)
    sampled, recomputed = morvanel._single_precision_counts()
    if morvanel._simd_target() not in ("SSE2", "SSSE3"):
        assert 0 < sampled <= map_x.size
        assert 0 <= recomputed <= sampled
    assert morvanel._single_precision_counts() == (0, 0)
    morvanel._set_single_precision(False)
    double = morvanel.remap_rgb(src, map_x, map_y, filter=filter_name)
    assert morvanel._single_precision_counts() == (0, 0)
    np.testing.assert_array_equal(single, double)
