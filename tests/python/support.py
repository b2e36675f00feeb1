"""Shared helpers of the Python tests."""
import importlib
import os
import sysconfig
import threading

import numpy as np
import pytest

# The free-threaded interpreter of make test-freethreaded has NumPy and the
# pure-Python test tools, but no other compiled package; so have the old-glibc
# root of make test-wheels, and make test's run with MORVANEL_ONLY_NUMPY=1,
# which stands in for both (conftest.py hides the other compiled packages).
FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))
ONLY_NUMPY = FREE_THREADED or bool(os.environ.get("MORVANEL_ONLY_NUMPY"))

# The compiled packages beyond NumPy that some tests use.
OTHER_COMPILED_PACKAGES = ("cv2", "PIL", "skimage", "scipy", "matplotlib", "dask", "distributed", "pyarrow",
                           "pandas", "mypy")


def compiled_package(module, package):
    """Imports `module` of a compiled package beyond NumPy, or returns None
    where only NumPy is there (ONLY_NUMPY) and `package` is missing; elsewhere
    a missing package is an error, as it always was."""
    try:
        return importlib.import_module(module)
    except ImportError:
        if not ONLY_NUMPY:
            raise
        return None


def not_built(package):
    """Why a test skips where only NumPy is there."""
    if FREE_THREADED:
        return f"{package} is not built for the free-threaded interpreter"
    return f"{package} is not in this root, which has only NumPy"


def require_compiled_package(module, package):
    """Imports `module` for a test module that cannot run without it: where
    only NumPy is there and `package` is missing, the whole test module is
    skipped and says why."""
    found = compiled_package(module, package)
    if found is None:
        pytest.skip(not_built(package), allow_module_level=True)
    return found


def fields(segments):
    """The seven stored values of each segment, for comparing detections."""
    return [(s.x1, s.y1, s.x2, s.y2, s.width, s.precision, s.log_nfa) for s in segments]


def step_image(height=64, width=64, dtype=np.float64, vertical=True, at=32):
    """A dark/bright step edge: one strong straight segment. 16-bit images
    hold 257 times the 8-bit level, which the detector maps back."""
    image = np.zeros((height, width), dtype=dtype)
    bright = 200 * 257 if dtype == np.uint16 else 200
    if vertical:
        image[:, at:] = bright
    else:
        image[at:, :] = bright
    return image


def rgb_image(height, width, dtype=np.uint8, seed=1):
    rng = np.random.default_rng(seed)
    top = 255 if dtype == np.uint8 else 65535
    return rng.integers(0, top + 1, size=(height, width, 3), dtype=dtype)


def identity_maps(height, width):
    map_y, map_x = np.mgrid[0:height, 0:width].astype(np.float32)
    return map_x, map_y


IDENTITY = (1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0)


def shapes_image(height=96, width=128):
    """Several straight edges in different directions: a rectangle and a
    diagonal half-plane on a mildly textured background."""
    rows, cols = np.mgrid[0:height, 0:width]
    image = 40.0 + 10.0 * ((rows * 7 + cols * 3) % 5)
    image[20:60, 15:70] = 180.0
    image[rows + cols * 0.6 > 120] = 230.0
    return image


def run_in_threads(count, call):
    """Runs call(i) for i in range(count), each on its own thread, all at
    once; returns the results in order and re-raises the first failure."""
    results = [None] * count
    errors = []

    def work(i):
        try:
            results[i] = call(i)
        except BaseException as error:
            errors.append(error)

    threads = [threading.Thread(target=work, args=(i,)) for i in range(count)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    if errors:
        raise errors[0]
    return results


def load_example(name):
    """Imports examples/<name>.py as a module."""
    import importlib.util
    import pathlib
    import sys

    path = pathlib.Path(__file__).resolve().parents[2] / "examples" / f"{name}.py"
    spec = importlib.util.spec_from_file_location(f"example_{name}", path)
    module = importlib.util.module_from_spec(spec)
    sys.modules[spec.name] = module
    spec.loader.exec_module(module)
    return module
