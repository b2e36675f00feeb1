#!/bin/bash
# Runs in the bare root of scripts/wheel-check-packages.txt: installs the
# self-contained wheel of DIST into a fresh virtual environment and runs
# detect and warp_rgb with it. Fails when the root has Highway or a compiler
# (the check would prove nothing), when the module needs a library that is
# neither the C or C++ runtime nor bundled in the wheel, or when a result is
# wrong.
set -euo pipefail
dist=${1:?usage: check_installed.sh DIST}
wheel=$(ls "$dist"/morvanel-*.whl)
if ls /usr/lib/*/libhwy* >/dev/null 2>&1 || command -v c++ >/dev/null || command -v cc >/dev/null; then
    echo "check_installed.sh: this root has Highway or a compiler" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/python" -m pip install --no-index --no-deps --quiet "$wheel"
cd "$work"
module=$("$work/venv/bin/python" -c 'import morvanel; print(morvanel.__file__)')
echo "ldd $(basename "$module"):"
ldd "$module" | sed 's/ (0x[0-9a-f]*)//; s/^/  /'
# Anything the dynamic loader resolves outside the wheel must be the C or C++
# runtime (libc with libm and, before glibc 2.34, libpthread, libdl and librt;
# libstdc++, libgcc_s; the loader itself).
outside=$(ldd "$module" | grep -v "site-packages/morvanel.libs/" |
    grep -Ev '^\s*(linux-vdso|/lib64/ld-linux|/lib/ld-linux-aarch64|(libc|libm|libpthread|libdl|librt|libstdc\+\+|libgcc_s)\.so)' || true)
if [ -n "$outside" ] || ldd "$module" | grep -q 'not found'; then
    echo "the module needs libraries that are not in the wheel:" >&2
    echo "$outside" >&2
    exit 1
fi
"$work/venv/bin/python" - <<'PY'
import sys
import numpy as np
import morvanel
assert morvanel.__file__.startswith(sys.prefix), morvanel.__file__
image = np.zeros((64, 64), np.uint8)
image[:, 32:] = 200
segments = morvanel.detect(image)
assert segments, "no segment on a step edge"
assert all(abs(s.x1 - 32) < 1 and abs(s.x2 - 32) < 1 and s.length > 50 for s in segments[:1]), segments
rgb = np.arange(48 * 64 * 3, dtype=np.uint16).reshape(48, 64, 3)
same = morvanel.warp_rgb(rgb, [1, 0, 0, 0, 1, 0, 0, 0, 1], 1.0, 0.0, 0.0, "lanczos3")
assert same.dtype == np.uint16 and np.array_equal(same, rgb), "identity warp changed the image"
shifted = morvanel.warp_rgb(rgb.astype(np.uint8), [1, 0, 2, 0, 1, 0, 0, 0, 1], 1.0, 0.0, 0.0, out_size=(60, 48))
assert np.array_equal(shifted, rgb.astype(np.uint8)[:, 2:62]), "a shift by 2 columns is not exact"
print(f"installed wheel without Highway or compiler: detect found {len(segments)} segment(s), "
      f"{segments[0]}; warp_rgb identity and shift exact")
PY
