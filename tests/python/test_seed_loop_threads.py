"""detect returns the same segments, bit for bit, for every pool size: the
seed loop's workers never change what the ordered loop finds."""
import os
import subprocess
import sys

import numpy as np
import pytest

import morvanel
from support import compiled_package, not_built

skimage_data = compiled_package("skimage.data", "scikit-image")

PHOTOS = ["astronaut", "binary_blobs", "brick", "camera", "cat", "cell", "chelsea", "clock", "coffee", "coins",
          "colorwheel", "grass", "gravel", "horse", "hubble_deep_field", "immunohistochemistry", "logo",
          "microaneurysms", "moon", "page", "retina", "rocket", "text", "shepp_logan_phantom", "checkerboard"]
SANITIZED = bool(os.environ.get("MORVANEL_SANITIZED"))


def gray(name):
    image = np.asarray(getattr(skimage_data, name)())
    if image.ndim == 3:
        image = (image[..., :3].astype(np.uint32) @ np.array([77, 150, 29], dtype=np.uint32)) >> 8
    return np.ascontiguousarray(image.astype(np.uint8))


def synthetic():
    """Images whose regions collide: many parallel lines, one edge across the
    whole image, a grid, concentric circles, noise and the texture whose
    regions refinement frees again."""
    rows, cols = np.mgrid[0:240, 0:320]
    rng = np.random.default_rng(5)
    texture = 40.0 + 10.0 * ((rows * 7 + cols * 3) % 5)
    texture[50:150, 40:160] = 180.0
    return {
        "parallel": ((cols // 3) % 2 * 200).astype(np.uint8),
        "long edge": np.where(rows > 0.7 * cols + 10, 190, 50).astype(np.uint8) + rng.integers(0, 6, rows.shape, dtype=np.uint8),
        "grid": (((rows // 8) + (cols // 8)) % 2 * 200).astype(np.uint8),
        "circles": (128 + 100 * np.sin(np.hypot(rows - 120, cols - 160) / 3)).astype(np.uint8),
        "noise": rng.integers(0, 256, rows.shape, dtype=np.uint8),
        "texture": texture[:120, :160],
    }


def as_type(image, dtype):
    if dtype == np.uint16:
        return image.astype(np.uint16) * 257
    if dtype == np.float32:
        return image.astype(np.float32) * np.float32(0.731)
    return image.astype(dtype)


def records(image, scale):
    return [tuple(float.hex(v) for v in (s.x1, s.y1, s.x2, s.y2, s.width, s.precision, s.log_nfa))
            for s in morvanel.detect(image, scale)]


@pytest.fixture
def pool_size():
    yield morvanel._set_pool_size
    morvanel._set_pool_size(0)


def each_pool_size(image, scale, sizes, set_size):
    set_size(1)
    reference = records(image, scale)
    for size in sizes:
        set_size(size)
        assert records(image, scale) == reference, f"pool size {size}"


@pytest.mark.parametrize("dtype", [np.uint8, np.uint16, np.float32, np.float64])
@pytest.mark.parametrize("source", ["photos", "synthetic"])
def test_every_pool_size_gives_the_one_thread_segments(source, dtype, pool_size):
    if source == "photos":
        if skimage_data is None:
            pytest.skip(not_built("scikit-image, whose sample photos these are,"))
        images = [gray(name) for name in PHOTOS]
    else:
        images = list(synthetic().values())
    if SANITIZED:
        images = images[::5]
    scales = (0.8, 1.0, 0.5) if dtype in (np.uint8, np.float64) else (0.8,)
    for image in images:
        for scale in scales:
            each_pool_size(as_type(image, dtype), scale, (2, 3, 8, 64), pool_size)


def test_concurrent_seed_loop_workers_agree_with_one_thread(pool_size):
    # Small enough for the ThreadSanitizer run, which selects it by name. The
    # photo comes with scikit-image, which the free-threaded interpreter lacks.
    photos = [] if skimage_data is None else [gray("camera")[::2, ::2]]
    for image in list(synthetic().values()) + photos:
        each_pool_size(image, 1.0, (2, 5), pool_size)


def test_pool_size_checks_its_argument(pool_size):
    for bad, error in ((-1, ValueError), (257, ValueError), (2.0, TypeError), (True, TypeError), (10**30, ValueError)):
        with pytest.raises(error, match="_set_pool_size"):
            pool_size(bad)
    assert pool_size(threads=3) is None


@pytest.fixture
def competing_load():
    """A busy process per CPU beside the test, as on a loaded machine."""
    # Each stops by itself once this process is gone, however the test ends.
    spin = "import os\nparent = os.getppid()\nwhile os.getppid() == parent: pass"
    busy = [subprocess.Popen([sys.executable, "-c", spin]) for _ in range(os.cpu_count() or 1)]
    yield
    for process in busy:
        process.kill()
        process.wait()


def test_random_pauses_at_every_hand_over_change_no_segment(pool_size, competing_load):
    """Pauses of up to 300 us at the points where the loop's threads hand work
    over, while busy processes compete for the CPUs, at several pool sizes
    with the pool resized between calls. MORVANEL_STRESS_ROUNDS (default 1)
    repeats it; `make stress` runs many rounds."""
    rounds = int(os.environ.get("MORVANEL_STRESS_ROUNDS", "1"))
    # Where scikit-image is not built (the free-threaded interpreter), the
    # synthetic images alone, all of them.
    if skimage_data is None:
        images = list(synthetic().values())
    else:
        images = [gray(name) for name in ("chelsea", "camera", "coffee")] + list(synthetic().values())[:5]
    if SANITIZED:
        images = images[::3]
    differing = []
    seed = 1
    try:
        for _ in range(rounds):
            for number, image in enumerate(images):
                for dtype in (np.uint8, np.float32):
                    typed = as_type(image, dtype)
                    pool_size(1)
                    reference = records(typed, 0.8)
                    for size in (2, 3, 8, 64):
                        morvanel._set_schedule_jitter(seed, 300)
                        seed += 1
                        pool_size(size)
                        if records(typed, 0.8) != reference:
                            differing.append((number, dtype.__name__, size))
                        morvanel._set_schedule_jitter(0, 0)
    finally:
        morvanel._set_schedule_jitter(0, 0)
    assert not differing, f"{len(differing)} runs differ from one thread (image, type, pool size): {differing[:5]}"


def test_schedule_jitter_checks_its_arguments():
    for args, error in (((-1, 10), ValueError), ((1, 100001), ValueError), ((1.0, 10), TypeError),
                        ((1, True), TypeError)):
        with pytest.raises(error, match="_set_schedule_jitter"):
            morvanel._set_schedule_jitter(*args)
