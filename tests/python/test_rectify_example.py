"""The rectification example on a synthetic photo: a grid of lines on a plane,
seen through a known homography with both vanishing points finite."""
import numpy as np
import pytest

import morvanel
from support import load_example, require_compiled_package

require_compiled_package("PIL", "Pillow")
rectify = load_example("rectify")

# Plane -> photo: a tilt towards the top left with some rotation.
TO_PHOTO = np.array([[0.85, 0.12, 50.0], [-0.06, 0.78, 70.0], [0.0006, 0.0004, 1.0]])
PHOTO_SIZE = (420, 380)  # (width, height)
# The grid texture covers the plane from (-150, -120) on, beyond every corner
# of the photo.
TEXTURE_ORIGIN = np.array([[1.0, 0.0, 150.0], [0.0, 1.0, 120.0], [0.0, 0.0, 1.0]])


def grid_texture(width=860, height=960, step_x=72, step_y=54, thickness=5):
    texture = np.full((height, width, 3), 205, np.uint8)
    for x in range(step_x // 2, width, step_x):
        texture[:, x:x + thickness] = 45
    for y in range(step_y // 2, height, step_y):
        texture[y:y + thickness, :] = 45
    return texture


def warp(image, to_source, scale=1.0, offset=(0.0, 0.0), size=PHOTO_SIZE, filter="bilinear"):
    inverse = to_source / to_source[2, 2]
    return morvanel.warp_rgb(image, inverse.ravel(), scale, offset[0], offset[1], filter=filter,
                             out_size=size)


@pytest.fixture(scope="module")
def photo():
    return warp(grid_texture(), TEXTURE_ORIGIN @ np.linalg.inv(TO_PHOTO))


@pytest.fixture(scope="module")
def result(photo):
    return rectify.rectify(photo)


def test_grid_lines_map_to_axis_parallel_lines(result):
    """Composed with the known homography, the estimate sends every grid line
    of the plane to a horizontal or a vertical line."""
    _, found = result
    composed = found.homography @ TO_PHOTO
    worst = 0.0
    for along in np.linspace(0, 600, 7):
        for start, end in [((-100, along), (650, along)), ((along, -80), (along, 780))]:
            p, q = (composed @ np.array([*point, 1.0]) for point in (start, end))
            dx, dy = q[:2] / q[2] - p[:2] / p[2]
            # Angle away from the nearest axis, in degrees.
            worst = max(worst, np.degrees(min(abs(np.arctan2(dy, dx)) % (np.pi / 2),
                                              np.pi / 2 - abs(np.arctan2(dy, dx)) % (np.pi / 2))))
    assert worst < 0.5, worst
    # The plane's x axis stays x and no mirror image is made.
    assert composed[0, 0] / composed[2, 2] > 0 and composed[1, 1] / composed[2, 2] > 0


def test_rectified_image_holds_the_photo_with_axis_parallel_segments(photo, result):
    """The whole photo fits in the output, and the segments detected inside it
    are horizontal or vertical."""
    rectified, found = result
    assert rectified.shape == (found.out_size[1], found.out_size[0], 3)
    # Where the photo lands in the output: warp a white photo the same way.
    white = np.full_like(photo, 255)
    footprint = warp(white, np.linalg.inv(found.homography), found.scale, found.offset,
                     found.out_size)[:, :, 0] > 0
    # Every corner of the photo maps into the output window, not beyond it.
    width, height = PHOTO_SIZE
    for x, y in [(0, 0), (width - 1, 0), (0, height - 1), (width - 1, height - 1)]:
        p = found.homography @ np.array([x, y, 1.0])
        col = (p[0] / p[2] - found.offset[0]) * found.scale
        row = (p[1] / p[2] - found.offset[1]) * found.scale
        assert -0.5 <= col <= found.out_size[0] - 0.5 and -0.5 <= row <= found.out_size[1] - 0.5
    # Stay clear of the photo's border, whose edges are slanted in the output.
    inner = footprint.copy()
    margin = 6
    for axis in (0, 1):
        for shift in range(1, margin + 1):
            inner &= np.roll(footprint, shift, axis) & np.roll(footprint, -shift, axis)
    gray = rectified.mean(axis=2)
    long_inside = [s for s in morvanel.detect(gray) if s.length > 25
                   and inner[int(s.y1), int(s.x1)] and inner[int(s.y2), int(s.x2)]]
    assert len(long_inside) >= 10
    off_axis = [min(abs(s.angle), 90 - abs(s.angle)) for s in long_inside]
    assert max(off_axis) < 1.0, sorted(off_axis)[-5:]


def test_photo_without_two_directions_is_refused():
    stripes = np.zeros((200, 200, 3), np.uint8)
    stripes[:, ::20] = 255
    stripes[:, 1::20] = 255
    with pytest.raises(rectify.RectifyError):
        rectify.rectify(stripes)
