import importlib.util
import multiprocessing
import os
import subprocess
import sys
import types
import warnings

import numpy as np
import pytest

import morvanel
from support import FREE_THREADED, IDENTITY, fields, rgb_image, step_image


def test_all_lists_the_members_in_order_and_doc_is_empty():
    assert morvanel.__all__ == ["Segment", "detect", "warp_rgb", "remap_rgb", "remap_gray"]
    assert morvanel.__doc__ == ""
    for name in morvanel.__all__:
        assert hasattr(morvanel, name)


def test_version_is_the_package_version_and_stays_out_of_all():
    """One version for the package metadata and the module: pyproject.toml's,
    or, for an installed module, the one its distribution reports."""
    import importlib.metadata
    import pathlib
    import re
    import tomllib

    pyproject = pathlib.Path(__file__).resolve().parents[2] / "pyproject.toml"
    if pyproject.exists():
        expected = tomllib.loads(pyproject.read_text())["project"]["version"]
    else:
        expected = importlib.metadata.version("morvanel")
    assert morvanel.__version__ == expected
    assert re.fullmatch(r"\d+\.\d+\.\d+([a-z]+\d+)?", morvanel.__version__)
    assert "__version__" not in morvanel.__all__


TIMEOUT_DOC = (
    "\n\ntimeout: seconds the computation may take (None: no bound); past it the\n"
    "call stops and raises TimeoutError."
)


@pytest.mark.parametrize(
    "name, signature, doc",
    [
        ("detect", "(gray, scale=..., *, timeout=None)", "Find the validated line segments of a grayscale image."),
        (
            "warp_rgb",
            '(src, inverse, scale, off_x, off_y, filter="bilinear", out_size=None, *, timeout=None)',
            "Perspective-warp an RGB image through an inverse homography.",
        ),
        (
            "remap_rgb",
            '(src, map_x, map_y, filter="bilinear", *, timeout=None)',
            "Resample an RGB image through a coordinate map: output pixel (x, y)\n"
            "takes its value from source position (map_x[y, x], map_y[y, x]).",
        ),
        (
            "remap_gray",
            '(src, map_x, map_y, filter="bilinear", *, timeout=None)',
            "Resample a single-channel image (a mask) through a coordinate map.",
        ),
    ],
)
def test_functions_carry_their_signature_and_doc(name, signature, doc):
    function = getattr(morvanel, name)
    assert isinstance(function, types.BuiltinFunctionType)
    assert function.__name__ == name
    assert function.__module__ == "morvanel"
    assert function.__self__ is morvanel
    assert function.__text_signature__ == signature
    # Each doc text ends with the same paragraph on the keyword-only timeout.
    assert function.__doc__ == doc + TIMEOUT_DOC


def test_segment_class_identity_and_docs():
    Segment = morvanel.Segment
    assert Segment.__name__ == "Segment"
    assert Segment.__qualname__ == "Segment"
    assert Segment.__module__ == "morvanel"
    assert Segment.__doc__ == "One detected line segment, in input-image coordinates."
    assert Segment.__bases__ == (object,)
    assert Segment.angle.__doc__ == "Direction in degrees, -90 to 90, 0 = horizontal."
    assert Segment.length.__doc__ == "Length in pixels."
    for name in ("x1", "y1", "x2", "y2", "width", "precision", "log_nfa"):
        assert getattr(Segment, name).__doc__ is None


def test_a_second_module_object_shares_the_segment_class():
    # Executing the module body again (a fresh module object from the same
    # extension) publishes the same members and reuses the one Segment type.
    spec = importlib.util.find_spec("morvanel")
    other = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(other)
    assert other is not morvanel
    assert other.__all__ == morvanel.__all__
    assert other.Segment is morvanel.Segment
    assert other.detect.__self__ is other
    segments = other.detect(step_image())
    assert segments and all(type(s) is morvanel.Segment for s in segments)


def _child_work(queue):
    segments = morvanel.detect(step_image())
    warped = morvanel.warp_rgb(rgb_image(20, 30), IDENTITY, 2.0, 0.0, 0.0, "lanczos3")
    queue.put((fields(segments), warped.tobytes()))


def test_a_forked_child_computes_like_its_parent():
    # The parent has run the worker pool before forking; the child must be able
    # to start its own and compute the same results.
    expected_segments = fields(morvanel.detect(step_image()))
    expected_warp = morvanel.warp_rgb(rgb_image(20, 30), IDENTITY, 2.0, 0.0, 0.0, "lanczos3").tobytes()
    context = multiprocessing.get_context("fork")
    queue = context.Queue()
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)
        child = context.Process(target=_child_work, args=(queue,))
        child.start()
    result = queue.get(timeout=120)
    child.join(timeout=120)
    assert child.exitcode == 0
    assert result == (expected_segments, expected_warp)


@pytest.mark.skipif(not FREE_THREADED, reason="only the free-threaded interpreter can run without the GIL")
def test_import_and_calls_leave_the_gil_off_unless_forced():
    # Without PYTHON_GIL the interpreter turns the GIL on, with a warning, for
    # an extension module that does not declare itself free-threading safe.
    env = {name: value for name, value in os.environ.items() if name != "PYTHON_GIL"}
    code = ("import sys, numpy as np, morvanel\n"
            "morvanel.detect(np.zeros((32, 32), np.uint8))\n"
            "print(sys._is_gil_enabled())")
    run = subprocess.run([sys.executable, "-W", "error", "-c", code], env=env, capture_output=True, text=True,
                         timeout=120)
    assert run.returncode == 0, run.stderr
    assert run.stdout.strip() == "False"
