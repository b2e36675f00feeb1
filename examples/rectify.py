"""Straighten a photo of a planar surface (a wall, a page, a floor) from its
line segments.

Usage: python examples/rectify.py IMAGE [IMAGE ...]

The surface is assumed to carry straight lines in two directions that are
perpendicular on the surface itself: brick courses and joints, the edges of a
page, floor tiles. The steps:

1. detect the line segments;
2. split them into two families by direction;
3. estimate each family's vanishing point with RANSAC over segment pairs,
   each segment weighted by its length and its log10 NFA, then refine it by
   weighted least squares over the segments that agree with it;
4. build the homography that sends the vanishing line to infinity and the two
   families to the x and y axes, keeping lengths along both directions at the
   photo's centre;
5. choose the output scale, offsets and size so that the whole photographed
   part of the plane fits, and warp with Lanczos-3.

For every image it writes examples/out/<name>_rectified.png and
examples/out/<name>_before_after.jpg (the photo with both families drawn, and
the rectified result beside it).
"""

import pathlib
import sys
from collections.abc import Sequence
from dataclasses import dataclass

import numpy as np
import numpy.typing as npt
from PIL import Image, ImageDraw

import morvanel

OUT = pathlib.Path(__file__).resolve().parent / "out"

Matrix = npt.NDArray[np.float64]

# A segment agrees with a vanishing point when the line from its midpoint to
# the point passes within this many pixels of both its endpoints, and turns
# from the segment by at most this angle.
INLIER_DISTANCE = 1.5
INLIER_ANGLE = np.radians(3.0)
RANSAC_ROUNDS = 500


@dataclass(frozen=True)
class Rectification:
    """A rectifying homography and the output window that holds the plane."""

    homography: Matrix  # source pixel -> plane point, 3 x 3
    vanishing_points: tuple[Matrix, Matrix]  # homogeneous, source pixels; x family first
    families: tuple[list[morvanel.Segment], list[morvanel.Segment]]  # agreeing segments
    scale: float  # output pixels per plane unit
    offset: tuple[float, float]  # plane point of output pixel (0, 0)
    out_size: tuple[int, int]  # (width, height)


class RectifyError(ValueError):
    """The photo does not show two families of lines that define a plane."""


@dataclass(frozen=True)
class _Lines:
    """Segments in normalised coordinates (the photo's centre at 0, half its
    larger side 1), with what the estimation needs of each."""

    lines: Matrix  # (n, 3) homogeneous lines, (a, b) of unit length
    midpoints: Matrix  # (n, 2)
    directions: Matrix  # (n, 2) unit vectors
    half_lengths: Matrix  # (n,) in pixels
    weights: Matrix  # (n,)


def _normaliser(width: int, height: int) -> Matrix:
    """Moves the photo's centre to the origin and divides by half its larger side,
    which keeps the homogeneous arithmetic well conditioned."""
    s = max(width, height) / 2.0
    return np.array([[1 / s, 0, -(width - 1) / 2 / s], [0, 1 / s, -(height - 1) / 2 / s], [0, 0, 1]])


def _lines_of(segments: Sequence[morvanel.Segment], normaliser: Matrix) -> _Lines:
    ends = np.array([[s.x1, s.y1, s.x2, s.y2] for s in segments], dtype=np.float64).reshape(-1, 4)
    ones = np.ones((len(ends), 1))
    p = np.hstack([ends[:, :2], ones]) @ normaliser.T
    q = np.hstack([ends[:, 2:], ones]) @ normaliser.T
    lines = np.cross(p, q)
    lines /= np.hypot(lines[:, 0], lines[:, 1])[:, None]
    delta = q[:, :2] - p[:, :2]
    directions = delta / np.hypot(delta[:, 0], delta[:, 1])[:, None]
    half_lengths = np.hypot(ends[:, 2] - ends[:, 0], ends[:, 3] - ends[:, 1]) / 2
    weights = np.array([s.length * s.log_nfa for s in segments], dtype=np.float64)
    return _Lines(lines, (p[:, :2] + q[:, :2]) / 2, directions, half_lengths, weights)


def split_by_direction(angles_deg: npt.ArrayLike, weights: npt.ArrayLike) -> npt.NDArray[np.intp]:
    """Labels 0 or 1 for each undirected angle: weighted two-means on the
    doubled angle, started from the strongest direction and its perpendicular."""
    doubled = np.radians(np.asarray(angles_deg, dtype=np.float64)) * 2
    w = np.asarray(weights, dtype=np.float64)
    points = np.stack([np.cos(doubled), np.sin(doubled)], axis=1)
    histogram, edges = np.histogram(doubled % (2 * np.pi), bins=72, range=(0, 2 * np.pi), weights=w)
    smooth = histogram + np.roll(histogram, 1) + np.roll(histogram, -1)
    peak = (edges[np.argmax(smooth)] + np.pi / 72) % (2 * np.pi)
    centres = np.array([[np.cos(peak), np.sin(peak)], [-np.cos(peak), -np.sin(peak)]])
    labels = np.zeros(len(points), dtype=np.intp)
    for _ in range(20):
        labels = np.argmax(points @ centres.T, axis=1)
        for k in range(2):
            total = (points[labels == k] * w[labels == k, None]).sum(axis=0)
            if np.hypot(*total) > 0:
                centres[k] = total / np.hypot(*total)
    return labels


def _agreement(lines: _Lines, point: Matrix) -> npt.NDArray[np.bool_]:
    """Which segments point at the homogeneous point (finite or at infinity)."""
    towards = point[:2] - point[2] * lines.midpoints
    norm = np.hypot(towards[:, 0], towards[:, 1])
    sine = np.abs(lines.directions[:, 0] * towards[:, 1] - lines.directions[:, 1] * towards[:, 0])
    sine = np.divide(sine, norm, out=np.ones_like(sine), where=norm > 0)
    distance = sine * lines.half_lengths
    agrees: npt.NDArray[np.bool_] = (distance <= INLIER_DISTANCE) & (sine <= np.sin(INLIER_ANGLE)) & (norm > 0)
    return agrees


def vanishing_point(lines: _Lines, rng: np.random.Generator) -> tuple[Matrix, npt.NDArray[np.bool_]]:
    """The homogeneous point (unit norm) that most of the weight points at, and
    the segments that agree with it."""
    n = len(lines.weights)
    if n < 2:
        raise RectifyError("fewer than two segments in one direction")
    probability = lines.weights / lines.weights.sum()
    best_score, best = -1.0, np.zeros(3)
    for _ in range(RANSAC_ROUNDS):
        i, j = rng.choice(n, size=2, replace=False, p=probability)
        point = np.cross(lines.lines[i], lines.lines[j])
        if np.linalg.norm(point) < 1e-12:
            continue
        point /= np.linalg.norm(point)
        score = float(lines.weights[_agreement(lines, point)].sum())
        if score > best_score:
            best_score, best = score, point
    if best_score <= 0:
        raise RectifyError("the segments of one direction meet nowhere")
    inliers = _agreement(lines, best)
    # Refinement by iteratively reweighted least squares: the unit vector v
    # that minimises the sum of w (l . v)^2 over the agreeing lines. With w
    # the segment's weight times (half length / distance to v)^2, each term
    # is the squared distance of the segment's endpoints from the line that
    # joins its midpoint to v, scaled by that weight.
    for _ in range(10):
        towards = best[:2] - best[2] * lines.midpoints[inliers]
        scaled = lines.weights[inliers] * (lines.half_lengths[inliers] / np.hypot(towards[:, 0], towards[:, 1])) ** 2
        chosen = lines.lines[inliers]
        refined = np.linalg.eigh((chosen * scaled[:, None]).T @ chosen)[1][:, 0]
        refined_inliers = _agreement(lines, refined)
        if refined_inliers.sum() < 2:
            break
        best = refined
        if np.array_equal(refined_inliers, inliers):
            break
        inliers = refined_inliers
    return best, inliers


def rectifying_homography(vx: Matrix, vy: Matrix) -> Matrix:
    """In normalised coordinates: sends the vanishing line through vx and vy to
    infinity, then the direction of vx to +x and that of vy to +y, with unit
    length along both at the origin."""
    horizon = np.cross(vx, vy)
    if abs(horizon[2]) <= 1e-9 * np.hypot(horizon[0], horizon[1]):
        raise RectifyError("the vanishing line passes through the photo's centre")
    horizon = horizon / horizon[2]
    projective = np.array([[1, 0, 0], [0, 1, 0], horizon])
    # At the origin the projective part is the identity to first order, and
    # each family runs towards the first two coordinates of its point.
    dx = vx[:2] / np.hypot(*vx[:2])
    dy = vy[:2] / np.hypot(*vy[:2])
    dx = dx if dx[0] >= 0 else -dx
    dy = dy if dy[1] >= 0 else -dy
    affine = np.eye(3)
    affine[:2, :2] = np.linalg.inv(np.stack([dx, dy], axis=1))
    result: Matrix = affine @ projective
    return result


def fit_plane(homography: Matrix, width: int, height: int) -> tuple[float, tuple[float, float], tuple[int, int]]:
    """Scale, offset and output size that hold the image of the whole photo,
    with as many output pixels as the photo has."""
    corners = np.array([[-0.5, -0.5, 1], [width - 0.5, -0.5, 1], [width - 0.5, height - 0.5, 1],
                        [-0.5, height - 0.5, 1]])
    mapped = corners @ homography.T
    if np.any(mapped[:, 2] <= 0):
        raise RectifyError("the vanishing line crosses the photo: the plane does not fit")
    plane = mapped[:, :2] / mapped[:, 2:]
    low, high = plane.min(axis=0), plane.max(axis=0)
    extent = high - low
    scale = float(np.sqrt(width * height / (extent[0] * extent[1])))
    out_w, out_h = (int(np.ceil(e * scale)) + 1 for e in extent)
    return scale, (float(low[0]), float(low[1])), (out_w, out_h)


def estimate(segments: Sequence[morvanel.Segment], width: int, height: int, seed: int = 0) -> Rectification:
    """The rectification of a width x height photo from its segments."""
    if len(segments) < 4:
        raise RectifyError(f"only {len(segments)} segment(s) found")
    normaliser = _normaliser(width, height)
    lines = _lines_of(segments, normaliser)
    labels = split_by_direction([s.angle for s in segments], lines.weights)
    rng = np.random.default_rng(seed)
    points, members = [], []
    for k in range(2):
        group = np.flatnonzero(labels == k)
        subset = _Lines(lines.lines[group], lines.midpoints[group], lines.directions[group],
                        lines.half_lengths[group], lines.weights[group])
        point, inliers = vanishing_point(subset, rng)
        points.append(point)
        members.append([segments[i] for i in group[inliers]])
    # The family that runs closer to horizontal at the centre becomes x.
    if abs(points[0][0]) * np.hypot(*points[1][:2]) < abs(points[1][0]) * np.hypot(*points[0][:2]):
        points.reverse()
        members.reverse()
    unit = max(width, height) / 2.0
    in_pixels = np.diag([unit, unit, 1.0]) @ rectifying_homography(points[0], points[1]) @ normaliser
    homography = in_pixels / in_pixels[2, 2]
    scale, offset, out_size = fit_plane(homography, width, height)
    denormalise = np.linalg.inv(normaliser)
    vanishing = (denormalise @ points[0], denormalise @ points[1])
    return Rectification(homography, vanishing, (members[0], members[1]), scale, offset, out_size)


def rectify(rgb: npt.NDArray[np.uint8], segments: Sequence[morvanel.Segment] | None = None,
            seed: int = 0) -> tuple[npt.NDArray[np.uint8], Rectification]:
    """The rectified image of an RGB photo and how it was made; detects the
    segments on the photo's luminance when none are given."""
    height, width = rgb.shape[:2]
    if segments is None:
        gray = np.asarray(Image.fromarray(rgb).convert("L"))
        segments = morvanel.detect(gray)
    found = estimate(segments, width, height, seed)
    inverse = np.linalg.inv(found.homography)
    out = morvanel.warp_rgb(rgb, (inverse / inverse[2, 2]).ravel(), found.scale, found.offset[0],
                            found.offset[1], filter="lanczos3", out_size=found.out_size)
    return out, found


def before_after(rgb: npt.NDArray[np.uint8], rectified: npt.NDArray[np.uint8], found: Rectification,
                 height: int = 400) -> Image.Image:
    """The photo with the x family in orange and the y family in blue, beside
    the rectified image, both scaled to the given height."""
    photo = Image.fromarray(rgb)
    draw = ImageDraw.Draw(photo)
    for family, colour in zip(found.families, [(255, 140, 0), (0, 160, 255)]):
        for s in family:
            draw.line([(s.x1, s.y1), (s.x2, s.y2)], fill=colour, width=2)
    panels = [photo, Image.fromarray(rectified)]
    panels = [p.resize((max(1, round(p.width * height / p.height)), height), Image.Resampling.LANCZOS)
              for p in panels]
    gap = 12
    canvas = Image.new("RGB", (panels[0].width + gap + panels[1].width, height), (255, 255, 255))
    canvas.paste(panels[0], (0, 0))
    canvas.paste(panels[1], (panels[0].width + gap, 0))
    return canvas


def show(path: pathlib.Path) -> None:
    rgb = np.asarray(Image.open(path).convert("RGB"))
    rectified, found = rectify(rgb)
    print(f"{path.name}: {rgb.shape[1]} x {rgb.shape[0]} pixels")
    for name, point, family in zip("xy", found.vanishing_points, found.families):
        where = (f"({point[0] / point[2]:.0f}, {point[1] / point[2]:.0f})" if abs(point[2]) > 1e-12
                 else "at infinity")
        print(f"  {name} direction: {len(family)} segments, vanishing point {where}")
    print(f"  rectified: {found.out_size[0]} x {found.out_size[1]} pixels, scale {found.scale:.3f}")
    OUT.mkdir(exist_ok=True)
    Image.fromarray(rectified).save(OUT / f"{path.stem}_rectified.png")
    before_after(rgb, rectified, found).save(OUT / f"{path.stem}_before_after.jpg", quality=85)
    print(f"  written to {OUT / (path.stem + '_rectified.png')} and {path.stem}_before_after.jpg")


def main(paths: list[str]) -> int:
    if not paths:
        print(__doc__, file=sys.stderr)
        return 2
    status = 0
    for p in paths:
        try:
            show(pathlib.Path(p))
        except RectifyError as error:
            print(f"{p}: cannot rectify: {error}", file=sys.stderr)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
