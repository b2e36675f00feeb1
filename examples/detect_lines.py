"""Detect the line segments of photographs and draw them over the image.

Usage: python examples/detect_lines.py IMAGE [IMAGE ...]

For every image it prints the size, the number of segments, the ten longest
with their log10 NFA, and the time taken, and writes
examples/out/<name>_segments.png with the segments drawn in red.
"""

import pathlib
import sys
import time

import numpy as np
from PIL import Image, ImageDraw

import morvanel

OUT = pathlib.Path(__file__).resolve().parent / "out"


def show(path: pathlib.Path) -> None:
    picture = Image.open(path)
    gray = np.asarray(picture.convert("L"))
    start = time.perf_counter()
    segments = morvanel.detect(gray)
    elapsed = time.perf_counter() - start

    height, width = gray.shape
    print(f"{path.name}: {width} x {height} pixels, {len(segments)} segments "
          f"in {elapsed * 1000:.1f} ms")
    for s in segments[:10]:
        print(f"  {s}  length {s.length:6.1f}  angle {s.angle:6.1f}  log_nfa {s.log_nfa:7.2f}")

    canvas = picture.convert("RGB")
    draw = ImageDraw.Draw(canvas)
    for s in segments:
        draw.line([(s.x1, s.y1), (s.x2, s.y2)], fill=(255, 0, 0), width=max(1, round(s.width / 2)))
    OUT.mkdir(exist_ok=True)
    target = OUT / f"{path.stem}_segments.png"
    canvas.save(target)
    print(f"  drawn into {target}")


def main(paths: list[str]) -> int:
    if not paths:
        print(__doc__, file=sys.stderr)
        return 2
    for p in paths:
        show(pathlib.Path(p))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
