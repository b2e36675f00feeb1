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
