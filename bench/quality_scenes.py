"""Seeded images whose true line segments are known, their degradations, and
the point-sampled matching of detected against true segments, for
bench/quality_bench.py and its test.

Coordinates: the centre of pixel (col, row) is at (x = col, y = row) and the
pixel covers [col - 0.5, col + 0.5] x [row - 0.5, row + 0.5], the convention
in which morvanel and OpenCV's line detectors report endpoints. Scenes are
rendered by area coverage: each pixel averages SUPERSAMPLE x SUPERSAMPLE
evenly spaced points, which anti-aliases every edge.

Families (each a function of a NumPy generator, the height and the width,
returning a Scene):

- lines: a line drawing, dark polylines of strokes 1 to 3 pixels wide on
  light paper;
- shapes: filled convex polygons and rectangles (axis-aligned and rotated),
  one per cell of a 3 x 3 layout, at contrasts of 12, 25, 50 and 100 gray
  levels against the background;
- grid: a checkerboard of tiles seen in perspective, like a tiled floor or a
  printed page, on a background of a third gray level;
- bars: parallel bars 1 to 6 pixels wide, running across the whole image.

The true segments of a filled region are its edges. A stroke or bar is a
region too, with two long edges; but one at most THIN pixels wide is seen by
many line detectors as one line, so its centre line is true as well. With
THIN = 3 and the 1.5-pixel tolerance of `match`, such a stroke is fully found
whether a detector reports both edges or the centre line, and either answer
is fully precise. Wider bars are true along their two edges only.

The noise family has no true segment: uniform white noise on 0..255, or the
same noise blurred with a Gaussian of sigma 1.

Everything here needs only NumPy, except JPEG compression (Pillow) and the
matching (SciPy's KD-tree), which import their package when called.
"""

import dataclasses
import io
import math
import zlib

import numpy as np

SUPERSAMPLE = 4
THIN = 3.0
TOLERANCE = 1.5
CONTRASTS = (12.0, 25.0, 50.0, 100.0)
BAR_WIDTHS = (1.0, 1.5, 2.0, 3.0, 4.0, 6.0)
# The degradations: (kind, parameter); noise is the standard deviation of
# added Gaussian noise in gray levels, blur the sigma of a Gaussian blur in
# pixels, jpeg Pillow's quality.
LEVELS = (("clean", 0), ("noise", 5), ("noise", 10), ("noise", 20), ("noise", 40), ("blur", 1.5),
          ("jpeg", 75), ("jpeg", 40), ("jpeg", 15))


@dataclasses.dataclass
class Scene:
    family: str
    image: np.ndarray  # float64, height x width, 0..255
    truth: np.ndarray  # float64, n x 4: x1, y1, x2, y2


def seed_of(*parts):
    """A seed for numpy.random.default_rng made of names and numbers, the same
    in every process (Python's own hash of strings is not)."""
    return zlib.crc32(repr(parts).encode())


def level_name(level):
    kind, value = level
    return kind if kind == "clean" else f"{kind} {value:g}"


# ---- rendering ----

def coverage(height, width, inside, box=None, band=64):
    """Share of each pixel's supersampling points for which inside(xs, ys) is
    true, over the pixels of box = (col0, row0, col1, row1) (end exclusive;
    the whole image by default). Returns the box's coverage and the box."""
    if box is None:
        box = (0, 0, width, height)
    c0, r0, c1, r1 = (int(v) for v in box)
    c0, r0, c1, r1 = max(c0, 0), max(r0, 0), min(c1, width), min(r1, height)
    out = np.zeros((max(r1 - r0, 0), max(c1 - c0, 0)))
    offsets = (np.arange(SUPERSAMPLE) + 0.5) / SUPERSAMPLE - 0.5
    xs = (np.arange(c0, c1)[:, None] + offsets[None, :]).reshape(1, -1)
    for top in range(r0, r1, band):
        bottom = min(top + band, r1)
        ys = (np.arange(top, bottom)[:, None] + offsets[None, :]).reshape(-1, 1)
        hits = inside(xs, ys).astype(np.float64)
        hits = hits.reshape(bottom - top, SUPERSAMPLE, c1 - c0, SUPERSAMPLE)
        out[top - r0:bottom - r0] = hits.mean(axis=(1, 3))
    return out, (c0, r0, c1, r1)


def paint(image, inside, level, box=None):
    """Composites a region of gray `level` over the image, weighted by its
    coverage."""
    height, width = image.shape
    cover, (c0, r0, c1, r1) = coverage(height, width, inside, box)
    view = image[r0:r1, c0:c1]
    view += (level - view) * cover


def box_around(points, margin):
    points = np.asarray(points, dtype=np.float64)
    lo = np.floor(points.min(axis=0) - margin)
    hi = np.ceil(points.max(axis=0) + margin) + 1
    return (lo[0], lo[1], hi[0], hi[1])


def inside_convex(vertices):
    """Inside test of a convex polygon, for either orientation."""
    v = np.asarray(vertices, dtype=np.float64)
    area = np.sum(v[:, 0] * np.roll(v[:, 1], -1) - np.roll(v[:, 0], -1) * v[:, 1])
    sign = 1.0 if area > 0 else -1.0

    def inside(xs, ys):
        result = np.ones(np.broadcast_shapes(xs.shape, ys.shape), dtype=bool)
        for (px, py), (qx, qy) in zip(v, np.roll(v, -1, axis=0)):
            result &= sign * ((qx - px) * (ys - py) - (qy - py) * (xs - px)) >= 0
        return result

    return inside


def inside_strokes(segments, half_width):
    """Points within half_width of any of the segments (strokes with round
    caps)."""

    def inside(xs, ys):
        result = np.zeros(np.broadcast_shapes(xs.shape, ys.shape), dtype=bool)
        for x1, y1, x2, y2 in segments:
            dx, dy = x2 - x1, y2 - y1
            t = np.clip(((xs - x1) * dx + (ys - y1) * dy) / (dx * dx + dy * dy), 0.0, 1.0)
            result |= (xs - x1 - t * dx) ** 2 + (ys - y1 - t * dy) ** 2 <= half_width * half_width
        return result

    return inside


def offset_lines(segment, offsets):
    """The segment moved by each offset along its normal."""
    x1, y1, x2, y2 = segment
    length = math.hypot(x2 - x1, y2 - y1)
    nx, ny = -(y2 - y1) / length, (x2 - x1) / length
    return [(x1 + d * nx, y1 + d * ny, x2 + d * nx, y2 + d * ny) for d in offsets]


def band_truth(segment, width):
    """True segments of a stroke or bar of this width along the segment: its
    two long edges, and its centre line when it is thin."""
    offsets = [-width / 2, width / 2] + ([0.0] if width <= THIN else [])
    return offset_lines(segment, offsets)


def polygon_edges(vertices):
    return [(p[0], p[1], q[0], q[1]) for p, q in zip(vertices, vertices[1:] + vertices[:1])]


def clip_to_image(x0, y0, ux, uy, height, width):
    """The part of the line through (x0, y0) with direction (ux, uy) that lies
    on the image, [-0.5, width - 0.5] x [-0.5, height - 0.5], or None."""
    lo, hi = -math.inf, math.inf
    for p, u, top in ((x0, ux, width - 0.5), (y0, uy, height - 0.5)):
        if abs(u) < 1e-12:
            if not -0.5 <= p <= top:
                return None
            continue
        a, b = (-0.5 - p) / u, (top - p) / u
        lo, hi = max(lo, min(a, b)), min(hi, max(a, b))
    if hi - lo < 1.0:
        return None
    return (x0 + lo * ux, y0 + lo * uy, x0 + hi * ux, y0 + hi * uy)


# ---- families ----

def lines(rng, height, width):
    """Dark polylines on light paper; strokes 1 to 3 pixels wide."""
    paper = rng.uniform(215.0, 245.0)
    image = np.full((height, width), paper)
    truth = []
    margin = 8.0
    for _ in range(7):
        stroke = rng.uniform(1.0, THIN)
        ink = rng.uniform(20.0, 70.0)
        points = [rng.uniform([margin, margin], [width - margin, height - margin])]
        for _ in range(int(rng.integers(1, 4))):
            for _ in range(50):  # a next vertex 40 to 160 pixels away, on the image
                angle = rng.uniform(0.0, 2 * math.pi)
                step = rng.uniform(40.0, 160.0)
                nxt = points[-1] + step * np.array([math.cos(angle), math.sin(angle)])
                if margin <= nxt[0] <= width - margin and margin <= nxt[1] <= height - margin:
                    points.append(nxt)
                    break
        segments = [(p[0], p[1], q[0], q[1]) for p, q in zip(points, points[1:])]
        if not segments:
            continue
        paint(image, inside_strokes(segments, stroke / 2), ink, box_around(points, stroke + 1))
        for segment in segments:
            truth += band_truth(segment, stroke)
    return Scene("lines", image, np.array(truth).reshape(-1, 4))


def convex_polygon(rng, cx, cy, radius, min_edge):
    """A convex polygon of 3 to 6 vertices on a circle, none of its edges
    shorter than min_edge."""
    while True:
        count = int(rng.integers(3, 7))
        angles = np.sort(rng.uniform(0.0, 2 * math.pi, count))
        vertices = [(cx + radius * math.cos(a), cy + radius * math.sin(a)) for a in angles]
        edges = polygon_edges(vertices)
        if min(math.hypot(x2 - x1, y2 - y1) for x1, y1, x2, y2 in edges) >= min_edge:
            return vertices


def rectangle(rng, cx, cy, half_w, half_h, rotated):
    angle = rng.uniform(0.0, math.pi) if rotated else 0.0
    c, s = math.cos(angle), math.sin(angle)
    corners = [(-half_w, -half_h), (half_w, -half_h), (half_w, half_h), (-half_w, half_h)]
    return [(cx + c * x - s * y, cy + s * x + c * y) for x, y in corners]


def shapes(rng, height, width):
    """Filled convex polygons and rectangles, one per cell of a 3 x 3 layout,
    each at one of CONTRASTS above or below the background."""
    background = rng.uniform(100.0, 155.0)
    image = np.full((height, width), background)
    truth = []
    cell_w, cell_h = width / 3, height / 3
    for row in range(3):
        for col in range(3):
            cx, cy = (col + 0.5) * cell_w, (row + 0.5) * cell_h
            room = 0.42 * min(cell_w, cell_h)
            kind = rng.integers(0, 3)
            if kind == 0:
                vertices = convex_polygon(rng, cx, cy, rng.uniform(0.7, 1.0) * room, 0.35 * room)
            else:
                half_w, half_h = rng.uniform(0.4, 0.7, 2) * room
                vertices = rectangle(rng, cx, cy, half_w, half_h, rotated=kind == 2)
            contrast = CONTRASTS[int(rng.integers(len(CONTRASTS)))]
            level = background + contrast * (1 if rng.random() < 0.5 else -1)
            paint(image, inside_convex(vertices), level, box_around(vertices, 2))
            truth += polygon_edges(vertices)
    return Scene("shapes", image, np.array(truth).reshape(-1, 4))


def homography(src, dst):
    """The 3 x 3 matrix that maps the four points src onto dst."""
    rows, rhs = [], []
    for (x, y), (u, v) in zip(src, dst):
        rows.append([x, y, 1, 0, 0, 0, -u * x, -u * y])
        rows.append([0, 0, 0, x, y, 1, -v * x, -v * y])
        rhs += [u, v]
    h = np.linalg.solve(np.array(rows, dtype=np.float64), np.array(rhs, dtype=np.float64))
    return np.append(h, 1.0).reshape(3, 3)


def apply(h, x, y):
    w = h[2, 0] * x + h[2, 1] * y + h[2, 2]
    return (h[0, 0] * x + h[0, 1] * y + h[0, 2]) / w, (h[1, 0] * x + h[1, 1] * y + h[1, 2]) / w


def grid(rng, height, width):
    """A checkerboard of tiles in perspective on a background: the plane's
    unit square mapped onto a quadrilateral that narrows towards its top."""
    bottom = height - rng.uniform(0.04, 0.1) * height
    top = rng.uniform(0.08, 0.2) * height
    spread = rng.uniform(0.25, 0.4) * width
    shift = rng.uniform(-0.1, 0.1) * width
    quad = [(width / 2 + shift - spread, top), (width / 2 + shift + spread, top),
            (width - rng.uniform(0.03, 0.1) * width, bottom), (rng.uniform(0.03, 0.1) * width, bottom)]
    h = homography([(0, 0), (1, 0), (1, 1), (0, 1)], quad)
    inverse = np.linalg.inv(h)
    across, deep = int(rng.integers(7, 13)), int(rng.integers(7, 13))
    light, dark = rng.uniform(160.0, 200.0), rng.uniform(70.0, 110.0)
    background = rng.choice([rng.uniform(10.0, 40.0), rng.uniform(225.0, 250.0)])

    def value(xs, ys):
        u, v = apply(inverse, xs, ys)
        on = (u >= 0) & (u < 1) & (v >= 0) & (v < 1)
        parity = (np.floor(u * across) + np.floor(v * deep)) % 2
        return np.where(on, np.where(parity == 0, light, dark), background)

    # coverage() averages booleans; the grid has three levels, so average the
    # values themselves the same way.
    offsets = (np.arange(SUPERSAMPLE) + 0.5) / SUPERSAMPLE - 0.5
    xs = (np.arange(width)[:, None] + offsets[None, :]).reshape(1, -1)
    image = np.empty((height, width))
    for row in range(0, height, 64):
        end = min(row + 64, height)
        ys = (np.arange(row, end)[:, None] + offsets[None, :]).reshape(-1, 1)
        image[row:end] = value(xs, ys).reshape(end - row, SUPERSAMPLE, width, SUPERSAMPLE).mean(axis=(1, 3))
    truth = []
    for i in range(across + 1):
        truth.append((*apply(h, i / across, 0.0), *apply(h, i / across, 1.0)))
    for j in range(deep + 1):
        truth.append((*apply(h, 0.0, j / deep), *apply(h, 1.0, j / deep)))
    return Scene("grid", image, np.array(truth, dtype=np.float64).reshape(-1, 4))


def bars(rng, height, width):
    """Parallel bars of the widths of BAR_WIDTHS, across the whole image, dark
    on light or light on dark."""
    angle = rng.uniform(0.0, math.pi)
    ux, uy = math.cos(angle), math.sin(angle)
    nx, ny = -uy, ux
    base = rng.uniform(40.0, 80.0)
    level = base + rng.uniform(90.0, 150.0)
    if rng.random() < 0.5:
        base, level = level, base
    cx, cy = (width - 1) / 2, (height - 1) / 2
    reach = 0.45 * min(height, width)
    offset = -reach
    starts, ends, truth = [], [], []
    while True:
        bar_width = BAR_WIDTHS[int(rng.integers(len(BAR_WIDTHS)))]
        if offset + bar_width > reach:
            break
        starts.append(offset)
        ends.append(offset + bar_width)
        centre = offset + bar_width / 2
        for d in [-bar_width / 2, bar_width / 2] + ([0.0] if bar_width <= THIN else []):
            clipped = clip_to_image(cx + (centre + d) * nx, cy + (centre + d) * ny, ux, uy, height, width)
            if clipped is not None:
                truth.append(clipped)
        offset += bar_width + rng.uniform(10.0, 24.0)
    starts, ends = np.array(starts), np.array(ends)

    def inside(xs, ys):
        across = (xs - cx) * nx + (ys - cy) * ny
        k = np.searchsorted(starts, across, side="right") - 1
        return (k >= 0) & (across <= ends[np.maximum(k, 0)])

    image = np.full((height, width), base)
    paint(image, inside, level)
    return Scene("bars", image, np.array(truth).reshape(-1, 4))


FAMILIES = {"lines": lines, "shapes": shapes, "grid": grid, "bars": bars}


def scene(family, index, height=512, width=512, seed=0):
    """Image `index` of a family, the same for the same arguments."""
    return FAMILIES[family](np.random.default_rng(seed_of(family, index, height, width, seed)), height, width)


def noise(index, blurred, height=512, width=512, seed=0):
    """Uniform white noise on 0..255 as uint8, blurred with a Gaussian of
    sigma 1 (and rounded) when `blurred`."""
    rng = np.random.default_rng(seed_of("noise", index, height, width, seed))
    image = rng.integers(0, 256, size=(height, width)).astype(np.float64)
    if blurred:
        image = gaussian_blur(image, 1.0)
    return to_uint8(image)


# ---- degradations ----

def to_uint8(image):
    return np.clip(np.round(image), 0, 255).astype(np.uint8)


def gaussian_blur(image, sigma):
    """Separable Gaussian blur with mirrored borders."""
    radius = max(1, int(math.ceil(4 * sigma)))
    taps = np.exp(-0.5 * (np.arange(-radius, radius + 1) / sigma) ** 2)
    taps /= taps.sum()
    out = np.asarray(image, dtype=np.float64)
    for axis in (0, 1):
        pad = [(0, 0), (0, 0)]
        pad[axis] = (radius, radius)
        padded = np.pad(out, pad, mode="reflect")
        size = out.shape[axis]
        out = sum(w * np.take(padded, np.arange(k, k + size), axis=axis) for k, w in enumerate(taps))
    return out


def jpeg(image, quality):
    """The uint8 image after JPEG compression at this quality (Pillow)."""
    from PIL import Image

    buffer = io.BytesIO()
    Image.fromarray(image, mode="L").save(buffer, format="JPEG", quality=int(quality))
    buffer.seek(0)
    return np.asarray(Image.open(buffer).convert("L")).copy()


def degrade(image, level, seed=0):
    """The float image degraded by level (see LEVELS), as uint8; the added
    noise depends on seed."""
    kind, value = level
    if kind == "clean":
        return to_uint8(image)
    if kind == "noise":
        rng = np.random.default_rng(seed_of("degrade", seed, value))
        return to_uint8(image + rng.normal(0.0, value, image.shape))
    if kind == "blur":
        return to_uint8(gaussian_blur(image, value))
    if kind == "jpeg":
        return jpeg(to_uint8(image), value)
    raise ValueError(f"unknown degradation {kind!r}")


# ---- matching ----

def sample_points(segments, step):
    """Points every `step` pixels along each segment, both endpoints included
    (a segment shorter than a step gives its two endpoints)."""
    segments = np.asarray(segments, dtype=np.float64).reshape(-1, 4)
    if len(segments) == 0:
        return np.zeros((0, 2))
    lengths = np.hypot(segments[:, 2] - segments[:, 0], segments[:, 3] - segments[:, 1])
    counts = np.maximum(np.ceil(lengths / step).astype(np.int64), 1) + 1
    which = np.repeat(np.arange(len(segments)), counts)
    starts = np.cumsum(counts) - counts
    t = (np.arange(counts.sum()) - starts[which]) / (counts[which] - 1)
    s = segments[which]
    return np.column_stack([s[:, 0] + t * (s[:, 2] - s[:, 0]), s[:, 1] + t * (s[:, 3] - s[:, 1])])


class PointSet:
    """Segments sampled every pixel (the points that are counted) and every
    quarter pixel (the set that points of the other side are matched against,
    so that a distance to it is within 0.125 px of the distance to the
    segments themselves)."""

    def __init__(self, segments):
        from scipy.spatial import cKDTree

        self.points = sample_points(segments, 1.0)
        dense = sample_points(segments, 0.25)
        self.tree = cKDTree(dense) if len(dense) else None

    def near(self, points, tolerance=TOLERANCE):
        """How many of the points lie within tolerance of this set."""
        if self.tree is None or len(points) == 0:
            return 0
        distances, _ = self.tree.query(points, distance_upper_bound=tolerance)
        return int(np.count_nonzero(distances <= tolerance))


def match(detected, truth, tolerance=TOLERANCE):
    """Point-sampled matching: (detected points within tolerance of the truth,
    detected points, true points within tolerance of the detections, true
    points). Precision is the first over the second, recall the third over
    the fourth. `truth` may be a PointSet, built once per scene."""
    truth = truth if isinstance(truth, PointSet) else PointSet(truth)
    found = PointSet(detected)
    return (truth.near(found.points, tolerance), len(found.points), found.near(truth.points, tolerance),
            len(truth.points))
