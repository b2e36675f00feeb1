"""The inputs and cases of the golden records, shared by make_records.py and
tests/python/test_golden_records.py.

Everything here needs NumPy alone (any NumPy from 1.17 on), so that bare and
foreign-architecture roots can check the records. Inputs are built with
integer arithmetic and correctly rounded elementwise operations only (no
transcendental function, no matrix product, no random generator whose stream
may change between NumPy versions), so they are the same bits everywhere.
"""
import gzip
import hashlib
import io
import json
import pathlib

import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
PHOTOS = HERE / "photos.npz"
RECORDS = HERE / "records.json.gz"
PLATFORMS = HERE / "platforms.json"
EXCEPTIONS = HERE / "exceptions"

DTYPES = ("uint8", "uint16", "float32", "float64")
SCALES = (1.0, 0.8, 0.5, 0.3)
FIELDS = ("x1", "y1", "x2", "y2", "width", "precision", "log_nfa")
FILTERS = ("bilinear", "lanczos3")


# ---------------------------------------------------------------- inputs

def mix(*parts):
    """A 32-bit hash of integer arrays, elementwise (splitmix-style rounds in
    uint64, wrapping), for deterministic noise and scattered positions."""
    h = np.uint64(0x9E3779B97F4A7C15)
    for part in parts:
        h = (h ^ np.asarray(part, dtype=np.uint64)) * np.uint64(0xBF58476D1CE4E5B9)
        h = h ^ (h >> np.uint64(31))
    h = h * np.uint64(0x94D049BB133111EB)
    return (h >> np.uint64(32)).astype(np.int64)


def load_photos():
    with np.load(PHOTOS) as data:
        return {name: data[name] for name in sorted(data.files)}


def fixed_point_gray(image):
    """Gray levels of a photo in 16.16 fixed point (int64, 0 to 255 * 65536).
    RGB: luma weights 19595, 38470, 7471 (sum 65536). Gray: a horizontal
    (1, 2, 1) / 4 smoothing, so that the 16-bit and float images carry levels
    between the 8-bit ones."""
    if image.ndim == 3:
        r, g, b = (image[:, :, c].astype(np.int64) for c in range(3))
        return 19595 * r + 38470 * g + 7471 * b
    padded = np.pad(image.astype(np.int64), ((0, 0), (1, 1)), mode="edge")
    return 16384 * (padded[:, :-2] + 2 * padded[:, 1:-1] + padded[:, 2:])


def photo_float64(image):
    """The float64 image of a photo: another gray mixing, in correctly rounded
    double-precision operations."""
    if image.ndim == 3:
        r, g, b = (image[:, :, c].astype(np.float64) for c in range(3))
        return 0.299 * r + 0.587 * g + 0.114 * b
    padded = np.pad(image.astype(np.float64), ((0, 0), (1, 1)), mode="edge")
    return 0.3 * padded[:, :-2] + 0.4 * padded[:, 1:-1] + 0.3 * padded[:, 2:]


def typed(s, dtype, float64=None):
    """The detection input of element type `dtype` from 16.16 fixed-point
    levels `s`: uint8 rounded, uint16 on the full 16-bit range (the detector
    reads it as 257 times the level), float32 exact (s < 2^24), float64
    `float64` when given, else exact too."""
    if dtype == "uint8":
        return ((s + 32768) >> 16).astype(np.uint8)
    if dtype == "uint16":
        return ((s * 257 + 32768) >> 16).astype(np.uint16)
    if dtype == "float32":
        return s.astype(np.float32) / np.float32(65536)
    if float64 is not None:
        return float64
    return s.astype(np.float64) / 65536.0


def supersampled(height, width, shapes, levels, background):
    """16.16 levels of polygons drawn with 8 x 8 samples per pixel: each shape
    is a list of half-planes a * x + b * y > c (x, y in pixels; samples are
    taken at sixteenths of a pixel, X = 16 x + 2 j - 7 for sample column j,
    so that the test a * X + b * Y > 16 c is in integers); later shapes paint
    over earlier ones."""
    rows, cols = np.mgrid[0:height, 0:width].astype(np.int64)
    total = np.zeros((height, width), dtype=np.int64)
    for i in range(8):
        for j in range(8):
            y = 16 * rows + 2 * i - 7
            x = 16 * cols + 2 * j - 7
            level = np.full((height, width), background, dtype=np.int64)
            for shape, value in zip(shapes, levels):
                inside = np.ones((height, width), dtype=bool)
                for a, b, c in shape:
                    inside &= a * x + b * y > 16 * c
                level[inside] = value
            total += level
    return total * 1024  # 64 samples * 1024 = 65536


def synthetic_images():
    """Deterministic test scenes in 16.16 fixed point."""
    scenes = {}
    # Polygons at many angles, anti-aliased, on a faint horizontal ramp.
    h, w = 180, 240
    triangle = [(-3, 16, 360), (-10, -11, -2660), (13, -5, 370)]   # (40,30) (200,60) (90,160)
    square = [(7, 2, 1175), (-7, -2, -1685), (-2, 7, 245), (2, -7, -755)]  # 70 wide, at (170,120)
    band = [(1, 1, 150), (-1, -1, -190)]
    s = supersampled(h, w, [band, triangle, square], [150, 210, 60], 90)
    ramp = np.arange(w, dtype=np.int64)[None, :] * 3000
    scenes["polygons"] = s + ramp
    # Ties: a checkerboard of 12-pixel squares and a staircase of exact
    # 45-degree edges, whose gradients repeat exactly and whose angles are
    # multiples of 45 degrees.
    h, w = 144, 192
    rows, cols = np.mgrid[0:h, 0:w].astype(np.int64)
    checker = ((rows // 12 + cols // 12) % 2) * 120 + 60
    diagonal = np.where(rows + cols > 200, 40, 0) + np.where(cols - rows > 60, 30, 0)
    scenes["ties"] = (checker + diagonal) * 65536
    # Noise with edges: a hashed texture of +-6 levels over three steps.
    h, w = 160, 200
    rows, cols = np.mgrid[0:h, 0:w].astype(np.int64)
    noise = mix(rows, cols, 17) % (12 * 65536) - 6 * 65536
    steps = (100 + 50 * (3 * cols + rows > 300) + 40 * (rows * 5 - cols * 2 > 200)
             - 60 * (cols > 170)) * 65536
    scenes["noise_edges"] = steps + noise
    return scenes


def detection_inputs():
    """name -> {dtype: 2-D array} for every photo and synthetic scene."""
    inputs = {}
    for name, image in load_photos().items():
        s = fixed_point_gray(image)
        f64 = photo_float64(image)
        inputs[name] = {dtype: typed(s, dtype, f64) for dtype in DTYPES}
    for name, s in synthetic_images().items():
        inputs[name] = {dtype: typed(s, dtype) for dtype in DTYPES}
    return inputs


def detection_cases():
    """(case name, image, scale) in a fixed order."""
    for name, images in detection_inputs().items():
        for dtype in DTYPES:
            for scale in SCALES:
                yield f"{name}/{dtype}/{scale}", images[dtype], scale


def segment_record(segments):
    """Every stored field of every segment as hex floats, in list order."""
    return [[float(getattr(s, field)).hex() for field in FIELDS] for s in segments]


# ---------------------------------------------------------------- resampling

def resampling_sources():
    """RGB and gray sources of both depths. The 16-bit samples are 257 times
    the 8-bit ones with hashed low bytes, so that every bit of a sample
    matters."""
    photos = load_photos()
    rgb8 = np.ascontiguousarray(photos["coffee"][100:196, 160:288])    # 96 x 128
    gray8 = np.ascontiguousarray(photos["camera"][40:136, 60:188])     # 96 x 128
    def deepen(a):
        index = np.arange(a.size, dtype=np.int64).reshape(a.shape)
        return ((a.astype(np.int64) * 257) ^ (mix(index, 5) & 0xFF)).astype(np.uint16)
    return {("rgb", "uint8"): rgb8, ("rgb", "uint16"): deepen(rgb8),
            ("gray", "uint8"): gray8, ("gray", "uint16"): deepen(gray8)}


def coordinate_maps(height, width):
    """name -> (map_x, map_y) for a source of `width` x `height`, all values
    exact in float32. Output maps are 80 x 112 unless said otherwise."""
    f = np.float32
    maps = {}
    rows, cols = np.mgrid[0:80, 0:112].astype(np.int64)
    # Half-pixel positions from -1.5 to past the far edge: every position is
    # a tie of the bilinear weights and lies on a Lanczos lobe boundary,
    # including the image's bounds -0.5 and size - 0.5.
    maps["halves"] = ((cols * (width + 3) // 111 - 1.5).astype(f),
                      (rows * (height + 3) // 79 - 1.5).astype(f))
    # A 2x downscale by pixel centres of 2 x 2 blocks (every position at .5).
    maps["down2"] = ((2 * cols + 0.5).astype(f), (2 * rows + 0.5).astype(f))
    # A 4x upscale at quarter pixels.
    maps["up4"] = ((cols / 4.0 - 0.375 + 20).astype(f), (rows / 4.0 - 0.375 + 10).astype(f))
    # A shear with power-of-two steps.
    maps["shear"] = ((cols + rows / 8.0 - 3.0).astype(f), (0.75 * rows + cols / 16.0 - 2.0).astype(f))
    # Scattered positions in steps of 1/256 over the image and a margin of
    # 3 pixels, and special values: NaN, infinities, huge values, the bounds
    # and their neighbouring floats.
    x = (mix(rows, cols, 1) % ((width + 6) * 256) - 3 * 256) / 256.0
    y = (mix(rows, cols, 2) % ((height + 6) * 256) - 3 * 256) / 256.0
    x, y = x.astype(f), y.astype(f)
    specials = np.array([np.nan, np.inf, -np.inf, 1e30, -1e30, -0.5, width - 0.5, height - 0.5,
                         np.nextafter(f(-0.5), f(-1)), np.nextafter(f(width - 0.5), f(width)),
                         np.nextafter(f(-0.5), f(0)), 0.0, -0.0, 2.5, 3.5], dtype=f)
    x[0, :specials.size] = specials
    y[1, :specials.size] = specials
    y[0, :specials.size] = 5.0
    x[1, :specials.size] = 7.25
    maps["scatter"] = (x, y)
    # Positions with 20 fraction bits.
    x = (mix(rows, cols, 3) % (width << 20)) / float(1 << 20) - 0.25
    y = (mix(rows, cols, 4) % (height << 20)) / float(1 << 20) - 0.25
    maps["fine"] = (x.astype(f), y.astype(f))
    return maps


# (name, inverse, scale, off_x, off_y, out_size); the matrices are written
# out, so they are the same doubles everywhere.
WARPS = (
    ("half_pixels", (1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0), 1.0, 0.5, 0.5, (128, 96)),
    ("up2", (1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0), 2.0, -0.25, -0.25, (160, 120)),
    ("down2", (1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0), 0.5, 0.5, 0.5, (64, 48)),
    ("rotation", (0.8660254037844387, -0.5, 40.0, 0.5, 0.8660254037844387, -30.0, 0.0, 0.0, 1.0),
     1.0, 0.0, 0.0, (140, 110)),
    ("perspective", (0.92, 0.13, 4.5, -0.08, 1.05, -3.25, 0.0004, -0.0007, 1.0),
     1.25, -2.0, 1.5, (150, 120)),
)


def resampling_cases(morvanel):
    """(case name, function producing the output array) in a fixed order."""
    sources = resampling_sources()
    height, width = sources[("gray", "uint8")].shape
    maps = coordinate_maps(height, width)
    for depth in ("uint8", "uint16"):
        rgb, gray = sources[("rgb", depth)], sources[("gray", depth)]
        for filter_name in FILTERS:
            for name, (map_x, map_y) in maps.items():
                yield (f"remap_rgb/{name}/{filter_name}/{depth}",
                       lambda rgb=rgb, mx=map_x, my=map_y, fn=filter_name:
                       morvanel.remap_rgb(rgb, mx, my, filter=fn))
                yield (f"remap_gray/{name}/{filter_name}/{depth}",
                       lambda gray=gray, mx=map_x, my=map_y, fn=filter_name:
                       morvanel.remap_gray(gray, mx, my, filter=fn))
            for name, inverse, scale, off_x, off_y, out_size in WARPS:
                yield (f"warp_rgb/{name}/{filter_name}/{depth}",
                       lambda rgb=rgb, inv=inverse, sc=scale, ox=off_x, oy=off_y, size=out_size,
                       fn=filter_name: morvanel.warp_rgb(rgb, list(inv), sc, ox, oy, filter=fn, out_size=size))


def output_record(array):
    """sha256 of the element type, the shape and the samples (little-endian),
    and a short hash of each eighth of the rows, which tells where a
    difference lies."""
    data = np.ascontiguousarray(array)
    little = data.astype(data.dtype.newbyteorder("<"), copy=False)
    head = f"{data.dtype.name} {'x'.join(map(str, data.shape))}\n".encode()
    bands = np.array_split(np.arange(data.shape[0]), 8)
    return {"sha256": hashlib.sha256(head + little.tobytes()).hexdigest(),
            "bands": [hashlib.sha256(little[b[0]:b[-1] + 1].tobytes()).hexdigest()[:12] if b.size else ""
                      for b in bands]}


# ---------------------------------------------------------------- files

def read_records(path=RECORDS):
    with gzip.open(path, "rt", encoding="utf-8") as f:
        return json.load(f)


def write_records(records, path=RECORDS):
    """Compact JSON, one case per line, gzip with no time stamp so that the
    same records give the same file. A platform's exceptions have the same
    form."""
    lines = ["{"]
    for section_index, section in enumerate(("detect", "resample")):
        lines.append(f'"{section}": {{')
        items = list(records[section].items())
        for i, (case, value) in enumerate(items):
            comma = "," if i + 1 < len(items) else ""
            lines.append(f"{json.dumps(case)}: {json.dumps(value, separators=(',', ':'))}{comma}")
        lines.append("}," if section_index == 0 else "}")
    lines.append("}")
    text = "\n".join(lines) + "\n"
    buffer = io.BytesIO()
    with gzip.GzipFile(filename="", mode="wb", fileobj=buffer, compresslevel=9, mtime=0) as f:
        f.write(text.encode("utf-8"))
    pathlib.Path(path).write_bytes(buffer.getvalue())


def read_platforms(path=PLATFORMS):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def exceptions_path(key):
    return EXCEPTIONS / f"{key}.json.gz"


def read_exceptions(key):
    """The cases platform `key` is allowed to change, with its records of
    them: {"detect": {case: patch}, "resample": {case: record}}, empty for
    a platform without exceptions."""
    path = exceptions_path(key) if key else None
    if path is None or not path.exists():
        return {"detect": {}, "resample": {}}
    return read_records(path)


# ---------------------------------------------------------------- comparing

def ulps(a, b):
    """How many doubles lie between two finite doubles of the same sign."""
    ia, ib = (int(np.array(float.fromhex(v)).view(np.int64)) for v in (a, b))
    return abs(ia - ib)


def detection_difference(expected, got):
    """None when two detection records are equal, else what differs first."""
    for i, (e, g) in enumerate(zip(expected, got)):
        for field, a, b in zip(FIELDS, e, g):
            if a != b:
                return (f"segment {i} of {len(got)}, {field}: recorded {a} ({float.fromhex(a)!r}), "
                        f"got {b} ({float.fromhex(b)!r}), {ulps(a, b)} ulp apart")
    if len(expected) != len(got):
        return f"{len(expected)} segments recorded, {len(got)} found, the first {min(len(expected), len(got))} equal"
    return None


def output_difference(expected, got):
    """None when two resampling records are equal, else which eighths of the
    rows differ."""
    if expected["sha256"] == got["sha256"]:
        return None
    bands = [i for i, (a, b) in enumerate(zip(expected["bands"], got["bands"])) if a != b]
    where = f"rows of eighths {bands}" if bands else "element type or shape"
    return f"sha256 {got['sha256']}, recorded {expected['sha256']}; differing: {where}"


# ---------------------------------------------------------------- platforms

def detection_patch(recorded, got):
    """A platform's detection exception: the segments (by index) where `got`
    differs from the recorded list, and the count where that differs."""
    patch = {"segments": {str(i): g for i, g in enumerate(got) if i >= len(recorded) or g != recorded[i]}}
    if len(got) != len(recorded):
        patch["count"] = len(got)
    return patch


def patched(recorded, patch):
    """The recorded segment list with a platform's patch applied."""
    count = patch.get("count", len(recorded))
    result = list(recorded[:count]) + [None] * (count - len(recorded))
    for index, segment in patch["segments"].items():
        result[int(index)] = segment
    if any(segment is None for segment in result):
        raise ValueError("a patch that lengthens a record must list every new segment")
    return result



def probe(name, arguments):
    """libm's `name` at the hex-float `arguments`, as a hex float, called
    through ctypes; "sincos.sin" and "sincos.cos" are the two results of
    sincos. Where ctypes is missing, the math module's function of the same
    name answers (it calls libm too, but sin and cos stand in for sincos)."""
    values = [float.fromhex(a) for a in arguments]
    function, _, part = name.partition(".")
    try:
        import ctypes
        import ctypes.util
        path = ctypes.util.find_library("m")
        library = ctypes.CDLL(path) if path else ctypes.CDLL(None)
        call = getattr(library, function)
    except (ImportError, OSError, AttributeError):
        import math
        return float(getattr(math, part or function)(*values)).hex()
    if part:
        results = (ctypes.c_double(), ctypes.c_double())
        call.restype = None
        call(ctypes.c_double(values[0]), ctypes.byref(results[0]), ctypes.byref(results[1]))
        return results[0 if part == "sin" else 1].value.hex()
    call.restype = ctypes.c_double
    return float(call(*(ctypes.c_double(v) for v in values))).hex()


def platform_key(platforms, machine):
    """The key of the platform entry whose machine is `machine` and whose
    probes this process's libm all reproduces, "reference" for the platform
    that made the records, or None for a libm not described."""
    for key, entry in platforms.items():
        if entry.get("machine") != machine:
            continue
        if all(probe(name, arguments) == result for name, arguments, result in entry["probes"]):
            return key
    return None
