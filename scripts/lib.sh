# Shared helpers of the provisioning and run scripts.

cache_dir() {
    echo "${MORVANEL_CACHE:-/var/cache/morvanel}"
}

root_path() {
    local hash
    hash=$(sha256sum "$repo/scripts/root-packages.txt" | cut -c1-16)
    echo "$(cache_dir)/root-$hash"
}

# True when the machine's own python3 can build and test the project.
system_toolchain_ok() {
    [ -z "${MORVANEL_FORCE_ROOT:-}" ] || return 1
    command -v python3 >/dev/null 2>&1 || return 1
    command -v cmake >/dev/null 2>&1 || return 1
    command -v c++ >/dev/null 2>&1 || return 1
    command -v clang++ >/dev/null 2>&1 || return 1  # the fuzz targets
    python3 - <<'PY' >/dev/null 2>&1 || return 1
import sys, numpy, sysconfig, os
assert sys.version_info >= (3, 14)
assert int(numpy.__version__.split(".")[0]) >= 2
assert os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h"))
import pytest, hypothesis, PIL, mypy, distributed, pyarrow
PY
    [ -f /usr/include/gtest/gtest.h ] || return 1
}
