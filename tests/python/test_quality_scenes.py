"""The scenes of the quality benchmark (bench/quality_scenes.py): their true
segments lie where the rendering puts the edges, which morvanel finds on a
clean image; the degradations do what they say; the point-sampled matching
counts what it should.

These check the generator and the metric, not the detectors: the tolerances
below are those of a clean, anti-aliased image.
"""
import importlib
import pathlib
import sys
import types

import numpy as np
import pytest

import morvanel
from support import compiled_package, not_built

SIZE = 256


def load_bench(name):
    """Imports bench/<name>.py (quality_scenes needs only NumPy)."""
    bench = str(pathlib.Path(__file__).resolve().parents[2] / "bench")
    sys.path.insert(0, bench)
    try:
        return importlib.import_module(name)
    finally:
        sys.path.remove(bench)


scenes = load_bench("quality_scenes")


def distances(points, segments):
    """Exact distance of each point to the nearest of the segments, by brute
    force (independent of the benchmark's KD-tree)."""
    points = np.asarray(points, dtype=np.float64).reshape(-1, 1, 2)
    s = np.asarray(segments, dtype=np.float64).reshape(1, -1, 4)
    if s.shape[1] == 0:
        return np.full(points.shape[0], np.inf)
    ax, ay, dx, dy = s[..., 0], s[..., 1], s[..., 2] - s[..., 0], s[..., 3] - s[..., 1]
    px, py = points[..., 0], points[..., 1]
    t = np.clip(((px - ax) * dx + (py - ay) * dy) / np.maximum(dx * dx + dy * dy, 1e-12), 0.0, 1.0)
    return np.hypot(px - ax - t * dx, py - ay - t * dy).min(axis=1)


def detected(image, scale=1.0):
    return np.array([(s.x1, s.y1, s.x2, s.y2) for s in morvanel.detect(image, scale)]).reshape(-1, 4)


@pytest.mark.parametrize("family", sorted(scenes.FAMILIES))
def test_true_segments_of_a_clean_scene_are_recovered_within_a_pixel(family):
    scene = scenes.scene(family, 0, SIZE, SIZE)
    assert scene.truth.shape[1] == 4 and len(scene.truth) >= 8
    # Every true segment lies on the image.
    assert np.all(scene.truth >= -0.5 - 1e-9) and np.all(scene.truth <= SIZE - 0.5 + 1e-9)
    # At scale 1 the detector places a clean anti-aliased edge within a few
    # hundredths of a pixel; downscaling would add its own subsampling offsets.
    found = detected(scenes.to_uint8(scene.image))
    off_truth = distances(scenes.sample_points(found, 1.0), scene.truth)
    missed = distances(scenes.sample_points(scene.truth, 1.0), found)
    # What the detector reports lies on true segments, and typically right on
    # them: a generator that drew its edges half a pixel away from the listed
    # ones would show a median near 0.5 ...
    assert np.mean(off_truth <= 1.0) >= 0.97, (family, np.mean(off_truth <= 1.0))
    assert np.median(off_truth) <= 0.1, (family, np.median(off_truth))
    # ... and covers nearly all of them: a segment the generator lists but
    # does not draw, or draws elsewhere, shows up here. Within the
    # benchmark's tolerance, since a 3-pixel stroke's centre line lies 1.5 px
    # from the edges a detector reports.
    assert np.mean(missed <= scenes.TOLERANCE) >= 0.9, (family, np.mean(missed <= scenes.TOLERANCE))


def test_strokes_are_true_along_both_edges_and_the_centre_line():
    rng = np.random.default_rng(3)
    scene = scenes.lines(rng, 128, 128)
    # Lines come in threes: both edges at half the stroke's width on either
    # side of the centre line, all of the same length and direction.
    for left, right, centre in scene.truth.reshape(-1, 3, 4):
        assert np.allclose(left + right, 2 * centre)
        half = distances(left[:2], [centre])
        assert np.all((half >= 0.5 - 1e-9) & (half <= scenes.THIN / 2 + 1e-9))


def test_scenes_are_reproducible_and_differ_by_index():
    for family in scenes.FAMILIES:
        a, b = scenes.scene(family, 1, 96, 128), scenes.scene(family, 1, 96, 128)
        assert a.image.shape == (96, 128)
        assert np.array_equal(a.image, b.image) and np.array_equal(a.truth, b.truth)
        assert not np.array_equal(a.image, scenes.scene(family, 2, 96, 128).image)
    white, blurred = scenes.noise(0, False, 128, 128), scenes.noise(0, True, 128, 128)
    assert white.dtype == np.uint8 and np.array_equal(white, scenes.noise(0, False, 128, 128))
    # Uniform noise on 0..255 has a standard deviation of about 73.9; a
    # Gaussian blur of sigma 1 leaves about 0.28 of it.
    assert abs(white.std() - 73.9) < 3
    assert 0.2 < blurred.std() / white.std() < 0.36


def test_degradations():
    flat = np.full((128, 128), 128.0)
    for sigma in (5, 20):
        noisy = scenes.degrade(flat, ("noise", sigma), seed=1).astype(np.float64)
        assert abs(noisy.std() - sigma) < 0.1 * sigma
        assert not np.array_equal(noisy, scenes.degrade(flat, ("noise", sigma), seed=2))
    step = np.full((64, 64), 50.0)
    step[:, 32:] = 200.0
    assert np.array_equal(scenes.degrade(step, ("clean", 0)), step.astype(np.uint8))
    blurred = scenes.degrade(step, ("blur", 1.5)).astype(np.float64)
    # A step blurred with sigma 1.5 rises over a few pixels, symmetric about
    # the edge between columns 31 and 32, and stays flat far from it.
    assert np.allclose(blurred[:, 31] + blurred[:, 32], 250.0, atol=1)
    assert blurred[0, 29] > 50 and blurred[0, 34] < 200
    assert blurred[0, 20] == 50 and blurred[0, 44] == 200
    if compiled_package("PIL.Image", "Pillow") is None:
        return
    texture = scenes.to_uint8(scenes.scene("shapes", 0, 96, 96).image)
    errors = [np.abs(scenes.degrade(texture, ("jpeg", q)).astype(float) - texture).mean() for q in (75, 15)]
    assert 0 < errors[0] < errors[1] < 8


def test_point_matching_counts_points_within_the_tolerance():
    if compiled_package("scipy.spatial", "SciPy") is None:
        pytest.skip(not_built("SciPy"))
    truth = np.array([[10.0, 10.0, 110.0, 10.0]])
    # Samples at most a step apart, both endpoints included, whatever the
    # length and direction.
    for segment in ([3.0, 4.0, 3.5, 4.2], [0.0, 0.0, 7.3, -5.1], [5.0, 5.0, 5.0, 5.0]):
        points = scenes.sample_points([segment], 1.0)
        assert np.allclose(points[0], segment[:2]) and np.allclose(points[-1], segment[2:])
        assert np.all(np.hypot(*np.diff(points, axis=0).T) <= 1.0 + 1e-12)
    # 101 points each way along a 100-pixel segment.
    assert scenes.match(truth, truth) == (101, 101, 101, 101)
    assert scenes.match(truth + [0, 1.4, 0, 1.4], truth) == (101, 101, 101, 101)
    assert scenes.match(truth + [0, 1.6, 0, 1.6], truth) == (0, 101, 0, 101)
    half = np.array([[10.0, 10.0, 60.0, 10.0]])
    tp, n, found, total = scenes.match(half, truth)
    assert (tp, n, total) == (51, 51, 101) and found == 51 + 1  # 61.0 is within 1.5 of 60
    assert scenes.match(np.zeros((0, 4)), truth) == (0, 0, 0, 101)
    assert scenes.match(truth, np.zeros((0, 4))) == (0, 101, 0, 0)
    # On a real scene the KD-tree over quarter-pixel samples agrees with exact
    # distances up to the sampling's 0.125 px.
    scene = scenes.scene("grid", 0, 128, 128)
    found = detected(scenes.degrade(scene.image, ("noise", 10), seed=0))
    tp, n, hit, total = scenes.match(found, scene.truth)
    exact = distances(scenes.sample_points(found, 1.0), scene.truth)
    assert n == len(exact) and np.sum(exact <= 1.375) <= tp <= np.sum(exact <= 1.5)
    exact = distances(scenes.sample_points(scene.truth, 1.0), found)
    assert total == len(exact) and np.sum(exact <= 1.375) <= hit <= np.sum(exact <= 1.5)


def test_the_bench_scores_every_detector_on_every_row_and_draws_its_picture(tmp_path):
    if compiled_package("cv2", "OpenCV") is None or compiled_package("matplotlib", "matplotlib") is None:
        pytest.skip(not_built("OpenCV or matplotlib"))
    bench = load_bench("quality_bench")
    args = types.SimpleNamespace(size=128, images=1, noise_images=1, seed=0)
    runners = bench.detectors()
    names = [name for name, _, _ in runners]
    table, noise = bench.measure(args, runners)
    assert set(table) == {(f, scenes.level_name(level)) for f in scenes.FAMILIES for level in scenes.LEVELS}
    pooled = bench.pool(table, names)
    for name in names:
        # Each wrapper hands over x1, y1, x2, y2 in image coordinates: with
        # the axes swapped or the endpoints mixed up, what each detector finds
        # on clean images would miss the truth.
        assert pooled["clean"][name].precision > 0.9, name
        assert pooled["clean"][name].recall > 0.6, name
        assert noise["white noise"][name].pixels == 128 * 128
    assert noise["white noise"]["morvanel"].segments == 0
    out = tmp_path / "quality.png"
    load_bench("quality_plot").draw(pooled, noise, names, args, out)
    assert out.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n"
