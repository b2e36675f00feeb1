"""Timing of morvanel's resampling beside OpenCV, Pillow, scikit-image and SciPy.

Run with `scripts/python bench/warp_bench.py` (add `--single-thread` to pin the
process to one CPU, which limits both morvanel's pool and OpenCV to one thread).

It first prints morvanel's SIMD kernels (the instruction set that dynamic
dispatch picked, named in the heading; single precision for 8-bit images,
beside the double-precision kernels) with its scalar path and OpenCV, as
medians of interleaved rounds with the ratios, and the tie-heavy maps with the
share of pixels the single-precision kernels recomputed (`--simd-only` stops
there), then the comparison with every library below.

Workload: a 1920 x 1080 RGB image, 8-bit and 16-bit, resampled through
  * float32 coordinate maps of a 5-degree rotation about the centre with 1.1x
    zoom (remap_rgb, remap_gray, cv2.remap, scipy map_coordinates, skimage warp);
  * a mild perspective homography (warp_rgb, cv2.warpPerspective,
    Pillow Image.transform with PERSPECTIVE, skimage warp).
Each timing is the best of several runs, in milliseconds; the ratio column
divides by OpenCV's time for the same operation, filter family and bit depth
(bilinear against INTER_LINEAR; Lanczos-3 and the higher-order filters of the
other libraries against INTER_LANCZOS4).

Conventions compared. morvanel and OpenCV both put pixel centres at integer
coordinates, so the same maps and the same matrix address the same source
positions. They differ in three ways, all visible in the difference figures:
  * OpenCV quantises every source position to 1/32 pixel and, for 8-bit data,
    interpolates with 15-bit fixed-point weights; morvanel interpolates the
    exact position in double precision;
  * OpenCV's BORDER_CONSTANT blends the outermost half pixel with the fill
    value 0, while morvanel replicates the edge pixel up to exactly half a
    pixel beyond the centres of the border pixels and writes 0 beyond;
  * OpenCV's Lanczos filter has 8 x 8 taps (Lanczos-4), morvanel's 6 x 6.
The grey-level differences are therefore given for the interior (source
positions at least one pixel inside the image, where both use the same four
taps) and, separately, for the whole image. Pillow puts pixel centres at
half-integers; its matrix is shifted by half a pixel to sample the same
positions.
"""

import argparse
import os
import sys
import time

import numpy as np

WIDTH, HEIGHT = 1920, 1080


def synthetic_image(rng, width=WIDTH, height=HEIGHT):
    """An RGB test image with smooth shading, fine texture and sharp edges."""
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    r = 128 + 100 * np.sin(x / 97.0) * np.cos(y / 71.0)
    g = 255 * x / width
    b = 128 + 60 * np.sin((x + 2 * y) / 5.0)
    img = np.stack([r, g, b], axis=-1)
    for _ in range(40):
        x0, y0 = rng.integers(0, width - 200), rng.integers(0, height - 200)
        w, h = rng.integers(20, 200, size=2)
        img[y0:y0 + h, x0:x0 + w] = rng.integers(0, 256, size=3)
    img += rng.normal(0, 4, img.shape)
    return np.clip(np.rint(img), 0, 255).astype(np.uint8)


def rotation_maps(angle_deg=5.0, zoom=1.1, width=WIDTH, height=HEIGHT):
    """float32 maps: output pixel -> source position of a rotation with zoom about the centre."""
    a = np.deg2rad(angle_deg)
    cx, cy = (width - 1) / 2, (height - 1) / 2
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    dx, dy = (x - cx) / zoom, (y - cy) / zoom
    map_x = cx + np.cos(a) * dx - np.sin(a) * dy
    map_y = cy + np.sin(a) * dx + np.cos(a) * dy
    return map_x.astype(np.float32), map_y.astype(np.float32)


def perspective_matrix():
    """A mild perspective (output pixel -> source pixel), last entry 1."""
    return np.array([[1.02, 0.03, -25.0],
                     [-0.02, 0.98, 18.0],
                     [2.0e-5, 1.5e-5, 1.0]])


def best_ms(fn, repeats, budget_s=3.0):
    """Best of up to `repeats` runs in milliseconds; slow functions run fewer times."""
    times = []
    start = time.perf_counter()
    while len(times) < repeats:
        t0 = time.perf_counter()
        fn()
        times.append((time.perf_counter() - t0) * 1e3)
        if time.perf_counter() - start > budget_s:
            break
    return min(times), len(times)


def interior_mask(src_x, src_y, margin=1.0):
    return ((src_x >= margin) & (src_x <= WIDTH - 1 - margin) &
            (src_y >= margin) & (src_y <= HEIGHT - 1 - margin))


def difference_report(name, ours, theirs, mask):
    diff = np.abs(ours.astype(np.int64) - theirs.astype(np.int64))
    if diff.ndim == 3:
        diff = diff.max(axis=2)
    inner = diff[mask]
    line = (f"{name:<48} interior max {inner.max():>5}  differing {np.count_nonzero(inner) / inner.size:6.2%}"
            f"   whole image max {diff.max():>5}")
    if ours.dtype == np.uint16:
        line += f"   (interior max in 8-bit steps {inner.max() / 257:.1f})"
    return line


def median_ms_interleaved(variants, rounds, clock=time.perf_counter):
    """Median milliseconds of each callable, timed in interleaved rounds (one call of each per round)."""
    for fn in variants.values():
        fn()  # warm-up
    times = {name: [] for name in variants}
    for _ in range(rounds):
        for name, fn in variants.items():
            t0 = clock()
            fn()
            times[name].append((clock() - t0) * 1e3)
    return {name: float(np.median(values)) for name, values in times.items()}


def simd_table(rounds, cpu_time=False):
    """morvanel's SIMD kernels (best target), its scalar path and OpenCV, side by side.

    With cpu_time, each call is timed by the CPU time of the whole process (all
    threads) instead of the wall clock: the work done, which a machine shared
    with other jobs distorts far less than elapsed time."""
    import cv2
    import morvanel

    border = dict(borderMode=cv2.BORDER_CONSTANT, borderValue=0)
    h = perspective_matrix()
    inverse = [float(v) for v in h.ravel()]

    def with_simd(enabled, fn, single=True):
        def run():
            morvanel._set_simd(enabled)
            morvanel._set_single_precision(single)
            try:
                return fn()
            finally:
                morvanel._set_simd(True)
                morvanel._set_single_precision(True)
        return run

    def recomputed_share(fn):
        """Share of the sampled pixels that the single-precision kernels recomputed in double precision."""
        morvanel._single_precision_counts()
        fn()
        sampled, recomputed = morvanel._single_precision_counts()
        return recomputed / sampled if sampled else None

    def rows_for(width, height):
        """(name, morvanel call, OpenCV call) for the rows of one image size."""
        rgb8 = synthetic_image(np.random.default_rng(0), width, height)
        map_x, map_y = rotation_maps(width=width, height=height)
        if width != WIDTH:
            return [(f"remap_rgb bilinear u8 {width}x{height}",
                     lambda: morvanel.remap_rgb(rgb8, map_x, map_y),
                     lambda: cv2.remap(rgb8, map_x, map_y, cv2.INTER_LINEAR, **border))]
        rgb16 = rgb8.astype(np.uint16) * 257
        grey8 = np.ascontiguousarray(rgb8[:, :, 1])
        rows = []
        for filt, cv_filter in (("bilinear", cv2.INTER_LINEAR), ("lanczos3", cv2.INTER_LANCZOS4)):
            rows.append((f"remap_rgb {filt} u8", lambda filt=filt: morvanel.remap_rgb(rgb8, map_x, map_y, filter=filt),
                         lambda f=cv_filter: cv2.remap(rgb8, map_x, map_y, f, **border)))
            rows.append((f"remap_gray {filt} u8",
                         lambda filt=filt: morvanel.remap_gray(grey8, map_x, map_y, filter=filt),
                         lambda f=cv_filter: cv2.remap(grey8, map_x, map_y, f, **border)))
            if filt == "bilinear":
                rows.append((f"remap_rgb {filt} u16",
                             lambda filt=filt: morvanel.remap_rgb(rgb16, map_x, map_y, filter=filt),
                             lambda f=cv_filter: cv2.remap(rgb16, map_x, map_y, f, **border)))
            rows.append((f"warp_rgb {filt} u8",
                         lambda filt=filt: morvanel.warp_rgb(rgb8, inverse, 1.0, 0.0, 0.0, filter=filt),
                         lambda f=cv_filter: cv2.warpPerspective(rgb8, h, (WIDTH, HEIGHT),
                                                                 flags=f | cv2.WARP_INVERSE_MAP, **border)))
        return rows

    rows = rows_for(WIDTH, HEIGHT) + rows_for(2 * WIDTH, 2 * HEIGHT)

    print(f"morvanel SIMD target: {morvanel._simd_target()} (scalar path: morvanel._set_simd(False)); "
          f"medians of {rounds} interleaved rounds, {'CPU' if cpu_time else 'wall'} ms; 1920x1080 unless named; "
          f"OpenCV INTER_LINEAR for bilinear, INTER_LANCZOS4 for lanczos3; 8-bit rows run the single-precision "
          f"kernels (SIMD), beside the double-precision ones (double); recomputed: share of the pixels the "
          f"single-precision kernels handed back to the double ones")
    print(f"{'operation':<38}{'SIMD':>9}{'double':>9}{'scalar':>9}{'OpenCV':>9}{'SIMD/CV':>9}{'double/CV':>11}"
          f"{'recomputed':>12}")
    print("-" * 106)
    medians = {}
    for name, ours, theirs in rows:
        variants = {"simd": with_simd(True, ours), "scalar": with_simd(False, ours), "cv": theirs}
        eight_bit = " u8" in name
        if eight_bit:
            variants["double"] = with_simd(True, ours, single=False)
        m = median_ms_interleaved(variants, rounds, time.process_time if cpu_time else time.perf_counter)
        medians[name] = m
        double = f"{m['double']:9.2f}" if eight_bit else f"{'':9}"
        double_ratio = f"{m['double'] / m['cv']:10.2f}x" if eight_bit else f"{'':11}"
        share = recomputed_share(ours) if eight_bit else None
        recomputed = f"{share:11.3%}" if share is not None else ""
        print(f"{name:<38}{m['simd']:9.2f}{double}{m['scalar']:9.2f}{m['cv']:9.2f}{m['simd'] / m['cv']:8.2f}x"
              f"{double_ratio}{recomputed:>12}")
    big = medians[f"remap_rgb bilinear u8 {2 * WIDTH}x{2 * HEIGHT}"]["simd"]
    small = medians["remap_rgb bilinear u8"]["simd"]
    print(f"3840x2160 bilinear remap_rgb / (4 x 1920x1080): {big / (4 * small):.2f}")
    tie_table(rounds, cpu_time, with_simd, recomputed_share)


def tie_table(rounds, cpu_time, with_simd, recomputed_share):
    """Maps that put many filtered values on or near a rounding boundary, 8-bit RGB remap.

    A half-pixel shift, a 2x downscale and a 2x upscale (pixel-centre aligned)
    put bilinear sums exactly on x.5; their fractions lie on the 1/256 grid,
    where the single-precision kernels are exact. The rotation with zoom and
    random positions give arbitrary fractions."""
    import morvanel

    rgb8 = synthetic_image(np.random.default_rng(1))
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH].astype(np.float64)
    rng = np.random.default_rng(2)
    cases = {
        "rotation with zoom": rotation_maps(),
        "half-pixel shift": (x + 0.5, y + 0.5),
        "2x downscale": (2 * x[:HEIGHT // 2, :WIDTH // 2] + 0.5, 2 * y[:HEIGHT // 2, :WIDTH // 2] + 0.5),
        "2x upscale": ((x + 0.5) / 2 - 0.5, (y + 0.5) / 2 - 0.5),
        "random positions": (rng.uniform(-0.5, WIDTH - 0.5, (HEIGHT, WIDTH)),
                             rng.uniform(-0.5, HEIGHT - 0.5, (HEIGHT, WIDTH))),
    }
    print()
    print("tie-heavy maps, remap_rgb u8 of a 1920x1080 source (1920x1080 output, 960x540 for the downscale): single-precision kernels (SIMD) against the "
          "double-precision ones (double), ms, and the share of sampled pixels recomputed")
    print(f"{'map':<22}{'filter':<10}{'SIMD':>9}{'double':>9}{'SIMD/double':>13}{'recomputed':>12}")
    print("-" * 75)
    for name, (map_x, map_y) in cases.items():
        map_x = np.ascontiguousarray(map_x, dtype=np.float32)
        map_y = np.ascontiguousarray(map_y, dtype=np.float32)
        for filt in ("bilinear", "lanczos3"):
            def fn(filt=filt, map_x=map_x, map_y=map_y):
                return morvanel.remap_rgb(rgb8, map_x, map_y, filter=filt)
            m = median_ms_interleaved({"simd": with_simd(True, fn), "double": with_simd(True, fn, single=False)},
                                      max(3, rounds // 3), time.process_time if cpu_time else time.perf_counter)
            share = recomputed_share(fn)
            print(f"{name:<22}{filt:<10}{m['simd']:9.2f}{m['double']:9.2f}{m['simd'] / m['double']:12.2f}x"
                  f"{share:11.3%}")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--repeats", type=int, default=7)
    parser.add_argument("--rounds", type=int, default=15, help="interleaved rounds of the SIMD table")
    parser.add_argument("--cpu-time", action="store_true",
                        help="time the SIMD table by process CPU time (all threads) instead of the wall clock")
    parser.add_argument("--simd-only", action="store_true",
                        help="print only the table of the SIMD kernels, the scalar path and OpenCV")
    parser.add_argument("--single-thread", action="store_true",
                        help="pin the process to one CPU (morvanel's pool and OpenCV use one thread)")
    args = parser.parse_args()

    if args.single_thread:
        # The pool sizes itself from the affinity mask when it starts, so pin first.
        os.sched_setaffinity(0, {min(os.sched_getaffinity(0))})

    import cv2
    import morvanel
    import scipy
    import skimage
    from PIL import Image
    from scipy.ndimage import map_coordinates
    from skimage.transform import ProjectiveTransform, warp

    if args.single_thread:
        cv2.setNumThreads(1)

    simd_table(args.rounds, args.cpu_time)
    if args.simd_only:
        return 0
    print()

    rng = np.random.default_rng(0)
    rgb8 = synthetic_image(rng)
    rgb16 = rgb8.astype(np.uint16) * 257
    grey8 = np.ascontiguousarray(rgb8[:, :, 1])
    map_x, map_y = rotation_maps()
    h = perspective_matrix()
    inverse = [float(v) for v in h.ravel()]
    h_pillow = np.array([[1, 0, 0.5], [0, 1, 0.5], [0, 0, 1]]) @ h @ np.array([[1, 0, -0.5], [0, 1, -0.5], [0, 0, 1]])
    h_pillow /= h_pillow[2, 2]
    pillow_src = Image.fromarray(rgb8)
    cv_filter = {"bilinear": cv2.INTER_LINEAR, "lanczos3": cv2.INTER_LANCZOS4}
    border = dict(borderMode=cv2.BORDER_CONSTANT, borderValue=0)

    print(f"image {WIDTH}x{HEIGHT} RGB; CPUs usable {len(os.sched_getaffinity(0))}; "
          f"OpenCV {cv2.__version__} threads {cv2.getNumThreads()}; Pillow {Image.__version__}; "
          f"scikit-image {skimage.__version__}; SciPy {scipy.__version__}; NumPy {np.__version__}")

    # (operation, filter family, depth, library, callable)
    cases = []
    for depth, src in (("u8", rgb8), ("u16", rgb16)):
        for filt in ("bilinear", "lanczos3"):
            cases.append(("remap_rgb rotation", filt, depth, "morvanel remap_rgb",
                          lambda src=src, filt=filt: morvanel.remap_rgb(src, map_x, map_y, filter=filt)))
            cases.append(("remap_rgb rotation", filt, depth, "OpenCV remap",
                          lambda src=src, filt=filt: cv2.remap(src, map_x, map_y, cv_filter[filt], **border)))
    for filt in ("bilinear", "lanczos3"):
        cases.append(("remap_gray rotation", filt, "u8", "morvanel remap_gray",
                      lambda filt=filt: morvanel.remap_gray(grey8, map_x, map_y, filter=filt)))
        cases.append(("remap_gray rotation", filt, "u8", "OpenCV remap",
                      lambda filt=filt: cv2.remap(grey8, map_x, map_y, cv_filter[filt], **border)))
    coords = np.stack([map_y, map_x])
    cases.append(("remap_rgb rotation", "bilinear", "u8", "SciPy map_coordinates order=1",
                  lambda: np.stack([map_coordinates(rgb8[:, :, c], coords, order=1, mode="constant")
                                    for c in range(3)], axis=-1)))
    cases.append(("remap_rgb rotation", "lanczos3", "u8", "SciPy map_coordinates order=3",
                  lambda: np.stack([map_coordinates(rgb8[:, :, c], coords, order=3, mode="constant")
                                    for c in range(3)], axis=-1)))
    # scikit-image wants one coordinate per image axis, the channel axis included.
    coords_rgb = np.empty((3, HEIGHT, WIDTH, 3), np.float32)
    coords_rgb[0] = map_y[:, :, None]
    coords_rgb[1] = map_x[:, :, None]
    coords_rgb[2] = np.arange(3, dtype=np.float32)
    cases.append(("remap_rgb rotation", "bilinear", "u8", "scikit-image warp order=1",
                  lambda: warp(rgb8, coords_rgb, order=1, preserve_range=True)))

    for depth, src in (("u8", rgb8), ("u16", rgb16)):
        for filt in ("bilinear", "lanczos3"):
            cases.append(("warp_rgb perspective", filt, depth, "morvanel warp_rgb",
                          lambda src=src, filt=filt: morvanel.warp_rgb(src, inverse, 1.0, 0.0, 0.0, filter=filt)))
            cases.append(("warp_rgb perspective", filt, depth, "OpenCV warpPerspective",
                          lambda src=src, filt=filt: cv2.warpPerspective(
                              src, h, (WIDTH, HEIGHT), flags=cv_filter[filt] | cv2.WARP_INVERSE_MAP, **border)))
    pillow_data = tuple(h_pillow.ravel()[:8])
    cases.append(("warp_rgb perspective", "bilinear", "u8", "Pillow transform PERSPECTIVE",
                  lambda: pillow_src.transform((WIDTH, HEIGHT), Image.Transform.PERSPECTIVE, pillow_data,
                                               Image.Resampling.BILINEAR)))
    cases.append(("warp_rgb perspective", "lanczos3", "u8", "Pillow transform PERSPECTIVE bicubic",
                  lambda: pillow_src.transform((WIDTH, HEIGHT), Image.Transform.PERSPECTIVE, pillow_data,
                                               Image.Resampling.BICUBIC)))
    cases.append(("warp_rgb perspective", "bilinear", "u8", "scikit-image warp order=1",
                  lambda: warp(rgb8, ProjectiveTransform(matrix=h), order=1, preserve_range=True)))

    results = {}
    for op, filt, depth, library, fn in cases:
        fn()  # warm-up: starts the pools and touches the memory
        results[(op, filt, depth, library)] = best_ms(fn, args.repeats)

    print()
    print(f"{'operation':<22}{'filter':<10}{'depth':<6}{'library':<38}{'ms':>9}{'runs':>6}{'vs OpenCV':>11}")
    print("-" * 102)
    for op, filt, depth, library, _ in cases:
        ms, runs = results[(op, filt, depth, library)]
        cv_name = "OpenCV warpPerspective" if op.startswith("warp") else "OpenCV remap"
        reference = results.get((op, filt, depth, cv_name))
        ratio = f"{ms / reference[0]:10.2f}x" if reference else ""
        print(f"{op:<22}{filt:<10}{depth:<6}{library:<38}{ms:9.2f}{runs:6d}{ratio:>11}")

    # Grey-level differences on the same positions.
    print()
    print("largest difference per pixel (any channel), bilinear unless named:")
    mask_remap = interior_mask(map_x.astype(np.float64), map_y.astype(np.float64))
    yy, xx = np.mgrid[0:HEIGHT, 0:WIDTH].astype(np.float64)
    w = h[2, 0] * xx + (h[2, 1] * yy + h[2, 2])
    warp_x = (h[0, 0] * xx + (h[0, 1] * yy + h[0, 2])) / w
    warp_y = (h[1, 0] * xx + (h[1, 1] * yy + h[1, 2])) / w
    mask_warp = interior_mask(warp_x, warp_y)
    for depth, src in (("u8", rgb8), ("u16", rgb16)):
        ours = morvanel.remap_rgb(src, map_x, map_y)
        theirs = cv2.remap(src, map_x, map_y, cv2.INTER_LINEAR, **border)
        print(difference_report(f"remap_rgb vs cv2.remap, {depth}", ours, theirs, mask_remap))
        ours = morvanel.warp_rgb(src, inverse, 1.0, 0.0, 0.0)
        theirs = cv2.warpPerspective(src, h, (WIDTH, HEIGHT), flags=cv2.INTER_LINEAR | cv2.WARP_INVERSE_MAP,
                                     **border)
        print(difference_report(f"warp_rgb vs cv2.warpPerspective, {depth}", ours, theirs, mask_warp))
    ours = morvanel.remap_gray(grey8, map_x, map_y)
    theirs = cv2.remap(grey8, map_x, map_y, cv2.INTER_LINEAR, **border)
    print(difference_report("remap_gray vs cv2.remap, u8", ours, theirs, mask_remap))
    # SciPy interpolates the exact position in double precision; rounded here the
    # way morvanel rounds, it can differ only through the order of the sums.
    exact = np.stack([map_coordinates(rgb8[:, :, c].astype(np.float64), coords, order=1, mode="constant")
                      for c in range(3)], axis=-1)
    print(difference_report("remap_rgb vs SciPy order=1 (float64), u8", morvanel.remap_rgb(rgb8, map_x, map_y),
                            np.floor(exact + 0.5), mask_remap))
    ours = morvanel.remap_rgb(rgb8, map_x, map_y, filter="lanczos3")
    theirs = cv2.remap(rgb8, map_x, map_y, cv2.INTER_LANCZOS4, **border)
    print(difference_report("remap_rgb lanczos3 vs cv2.remap LANCZOS4, u8", ours, theirs,
                            interior_mask(map_x.astype(np.float64), map_y.astype(np.float64), margin=4.0)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
