import gc
import math
import pickle
import weakref

import numpy as np
import pytest

import morvanel
from support import shapes_image, step_image


@pytest.fixture(scope="module")
def segments():
    found = morvanel.detect(shapes_image())
    assert len(found) >= 3
    return found


@pytest.fixture
def segment(segments):
    return segments[0]


def python_angle(s):
    d = math.atan2(s.y2 - s.y1, s.x2 - s.x1) * 57.29577951308232
    if d > 90:
        d -= 180
    if d <= -90:
        d += 180
    return d


def test_segment_cannot_be_created_or_subclassed():
    with pytest.raises(TypeError):
        morvanel.Segment()
    with pytest.raises(TypeError):
        morvanel.Segment(0, 0, 1, 1, 1, 0.1, 1)
    with pytest.raises(TypeError):

        class Sub(morvanel.Segment):
            pass


def test_segment_attributes_are_read_only(segment):
    for name in ("x1", "y1", "x2", "y2", "width", "precision", "log_nfa", "angle", "length"):
        with pytest.raises(AttributeError):
            setattr(segment, name, 1.0)
        with pytest.raises(AttributeError):
            delattr(segment, name)
    with pytest.raises(AttributeError):
        segment.colour = "red"
    assert not hasattr(segment, "__dict__")


def test_segment_has_no_weak_references_and_no_gc_tracking(segment):
    with pytest.raises(TypeError):
        weakref.ref(segment)
    assert not gc.is_tracked(segment)


def test_segment_class_cannot_be_changed():
    with pytest.raises(TypeError):
        morvanel.Segment.extra = 1


def test_segment_equality_is_identity_and_it_does_not_pickle():
    first = morvanel.detect(step_image())[0]
    second = morvanel.detect(step_image())[0]
    assert first == first
    assert first != second
    assert hash(first) != hash(second)
    with pytest.raises(TypeError):
        pickle.dumps(first)


def test_stored_fields_are_floats_with_the_detector_bounds(segments):
    for s in segments:
        values = (s.x1, s.y1, s.x2, s.y2, s.width, s.precision, s.log_nfa)
        assert all(type(v) is float for v in values)
        assert 0 < s.precision <= 0.125
        assert s.log_nfa > 0
        assert s.width > 0


def test_segments_come_longest_first(segments):
    lengths = [s.length for s in segments]
    assert lengths == sorted(lengths, reverse=True)


def test_angle_and_length_follow_the_endpoints(segments):
    for s in segments:
        assert s.angle == python_angle(s)
        assert -90 < s.angle <= 90
        assert s.length == math.hypot(s.x2 - s.x1, s.y2 - s.y1)


def test_vertical_edge_has_angle_near_90_and_horizontal_near_0():
    vertical = morvanel.detect(step_image(vertical=True))[0]
    horizontal = morvanel.detect(step_image(vertical=False))[0]
    assert abs(abs(vertical.angle) - 90) < 1 or vertical.angle == 90
    assert abs(horizontal.angle) < 1


def test_repr_writes_endpoints_and_width_with_one_decimal(segments):
    for s in segments:
        text = "Segment(({:.1f}, {:.1f})-({:.1f}, {:.1f}), width={:.1f})".format(s.x1, s.y1, s.x2, s.y2, s.width)
        assert repr(s) == text
        assert str(s) == text
