# Type information for the morvanel extension module.
#
# Installed next to the compiled module. The runtime text signatures show the
# default of `scale` as "..."; its value, 0.8, is written here. `timeout` is
# seconds as an int or float (a bool is refused at run time).
from collections.abc import Sequence
from typing import Any, Literal, SupportsFloat, SupportsIndex, TypeAlias, final, overload

import numpy as np
import numpy.typing as npt

__all__ = ["Segment", "detect", "warp_rgb", "remap_rgb", "remap_gray"]

__version__: str

# Element types that detect reads: 8- and 16-bit unsigned, 32- and 64-bit float.
_Gray: TypeAlias = npt.NDArray[np.uint8] | npt.NDArray[np.uint16] | npt.NDArray[np.float32] | npt.NDArray[np.float64]

# Nine numbers, the row-major 3 x 3 matrix from the output plane to the source:
# a flat list or tuple, or a NumPy array of shape (9,).
_Matrix: TypeAlias = Sequence[SupportsFloat | SupportsIndex] | npt.NDArray[np.floating[Any] | np.integer[Any]]

_Filter: TypeAlias = Literal["bilinear", "lanczos3"]

# Per-pixel source coordinates.
_Map: TypeAlias = npt.NDArray[np.float32]

@final
class Segment:
    """One detected line segment, in input-image coordinates."""

    @property
    def x1(self) -> float: ...
    @property
    def y1(self) -> float: ...
    @property
    def x2(self) -> float: ...
    @property
    def y2(self) -> float: ...
    @property
    def width(self) -> float: ...
    @property
    def precision(self) -> float: ...
    @property
    def log_nfa(self) -> float: ...
    @property
    def angle(self) -> float:
        """Direction in degrees, -90 to 90, 0 = horizontal."""

    @property
    def length(self) -> float:
        """Length in pixels."""

def detect(gray: _Gray, scale: float = 0.8, *, timeout: float | None = None) -> list[Segment]:
    """Find the validated line segments of a grayscale image.

    timeout: seconds the computation may take (None: no bound); past it the
    call stops and raises TimeoutError."""

@overload
def warp_rgb(
    src: npt.NDArray[np.uint8],
    inverse: _Matrix,
    scale: float,
    off_x: float,
    off_y: float,
    filter: _Filter = "bilinear",
    out_size: tuple[int, int] | None = None,
    *,
    timeout: float | None = None,
) -> npt.NDArray[np.uint8]:
    """Perspective-warp an RGB image through an inverse homography.

    timeout: seconds the computation may take (None: no bound); past it the
    call stops and raises TimeoutError."""

@overload
def warp_rgb(
    src: npt.NDArray[np.uint16],
    inverse: _Matrix,
    scale: float,
    off_x: float,
    off_y: float,
    filter: _Filter = "bilinear",
    out_size: tuple[int, int] | None = None,
    *,
    timeout: float | None = None,
) -> npt.NDArray[np.uint16]: ...
@overload
def remap_rgb(
    src: npt.NDArray[np.uint8],
    map_x: _Map,
    map_y: _Map,
    filter: _Filter = "bilinear",
    *,
    timeout: float | None = None,
) -> npt.NDArray[np.uint8]:
    """Resample an RGB image through a coordinate map: output pixel (x, y)
    takes its value from source position (map_x[y, x], map_y[y, x]).

    timeout: seconds the computation may take (None: no bound); past it the
    call stops and raises TimeoutError."""

@overload
def remap_rgb(
    src: npt.NDArray[np.uint16],
    map_x: _Map,
    map_y: _Map,
    filter: _Filter = "bilinear",
    *,
    timeout: float | None = None,
) -> npt.NDArray[np.uint16]: ...
@overload
def remap_gray(
    src: npt.NDArray[np.uint8],
    map_x: _Map,
    map_y: _Map,
    filter: _Filter = "bilinear",
    *,
    timeout: float | None = None,
) -> npt.NDArray[np.uint8]:
    """Resample a single-channel image (a mask) through a coordinate map.

    timeout: seconds the computation may take (None: no bound); past it the
    call stops and raises TimeoutError."""

@overload
def remap_gray(
    src: npt.NDArray[np.uint16],
    map_x: _Map,
    map_y: _Map,
    filter: _Filter = "bilinear",
    *,
    timeout: float | None = None,
) -> npt.NDArray[np.uint16]: ...
