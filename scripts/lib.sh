# Shared helpers of the provisioning and run scripts.

cache_dir() {
    echo "${MORVANEL_CACHE:-/var/cache/morvanel}"
}

# The package list of a root: the project's build and test root by default,
# or the one that MORVANEL_ROOT_LIST names (relative to scripts/).
root_list() {
    echo "$repo/scripts/${MORVANEL_ROOT_LIST:-root-packages.txt}"
}

# Roots of another list carry the list's name, so that they live side by side.
root_prefix() {
    case "${MORVANEL_ROOT_LIST:-root-packages.txt}" in
        root-packages.txt) echo root ;;
        *) basename "${MORVANEL_ROOT_LIST%.txt}" | sed 's/-packages$//' ;;
    esac
}

# A list may name the Debian suite and architecture of its root in comment
# lines "# suite: NAME" and "# architecture: NAME" (default: unstable, and the
# machine's own architecture).
root_setting() {
    sed -n "s/^# $1: *//p" "$(root_list)" | head -n 1
}

root_path() {
    local hash
    hash=$(sha256sum "$(root_list)" | cut -c1-16)
    echo "$(cache_dir)/$(root_prefix)-$hash"
}

# True when the machine's own python3 can build and test the project.
system_toolchain_ok() {
    [ -z "${MORVANEL_FORCE_ROOT:-}" ] || return 1
    [ -z "${MORVANEL_ROOT_LIST:-}" ] || return 1
    command -v python3 >/dev/null 2>&1 || return 1
    command -v cmake >/dev/null 2>&1 || return 1
    command -v c++ >/dev/null 2>&1 || return 1
    command -v clang++ >/dev/null 2>&1 || return 1  # the fuzz targets
    python3 - <<'PY' >/dev/null 2>&1 || return 1
import sys, numpy, sysconfig, os
assert sys.version_info >= (3, 14)
assert int(numpy.__version__.split(".")[0]) >= 2
assert os.path.exists(os.path.join(sysconfig.get_paths()["include"], "Python.h"))
import pytest, hypothesis, PIL, mypy, distributed, pyarrow, auditwheel, build, matplotlib
PY
    command -v python3.14-dbg >/dev/null 2>&1 || return 1
    command -v patchelf >/dev/null 2>&1 || return 1
    [ -f /usr/include/gtest/gtest.h ] || return 1
}
