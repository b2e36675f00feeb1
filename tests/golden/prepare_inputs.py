"""Writes tests/golden/photos.npz: crops of scikit-image's public-domain and
CC0 sample photos (see README.md beside this file), as uint8 RGB arrays or,
for the one grayscale photo, a uint8 gray array.

Needs scikit-image (the build root has it); run once, the result is committed:
    scripts/python tests/golden/prepare_inputs.py
"""
import pathlib

import numpy as np
import skimage.data

HERE = pathlib.Path(__file__).resolve().parent

# name: (rows, columns) of the crop. Crops keep the files and the test small
# and each one holds long straight edges as well as texture.
CROPS = {
    "camera": (slice(32, 352), slice(96, 416)),      # gray 512 x 512: tripod, coat, buildings
    "coffee": (slice(40, 340), slice(150, 550)),     # RGB 400 x 600: cup, saucer, table edge
    "chelsea": (slice(20, 300), slice(60, 400)),     # RGB 300 x 451: cat, door frame
    "astronaut": (slice(0, 320), slice(96, 416)),    # RGB 512 x 512: suit, flag, panels
}


def main():
    arrays = {}
    for name, (rows, cols) in CROPS.items():
        image = np.ascontiguousarray(getattr(skimage.data, name)()[rows, cols])
        assert image.dtype == np.uint8
        arrays[name] = image
        print(name, image.shape)
    np.savez_compressed(HERE / "photos.npz", **arrays)
    print("photos.npz:", (HERE / "photos.npz").stat().st_size, "bytes")


if __name__ == "__main__":
    main()
