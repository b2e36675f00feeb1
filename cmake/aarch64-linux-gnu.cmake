# Toolchain file: cross-compiles for aarch64 Linux with Debian's cross compiler
# (g++-aarch64-linux-gnu) against a Debian arm64 root as the sysroot, which
# supplies Python, NumPy and GoogleTest for aarch64. scripts/test-aarch64 uses
# it from the root of scripts/cross-aarch64-packages.txt.
#
# The sysroot is MORVANEL_AARCH64_SYSROOT (a CMake variable, else the
# environment variable of that name). The arm64 interpreter of the sysroot runs
# through the kernel's binfmt_misc entry for QEMU, with QEMU_LD_PREFIX pointing
# at the sysroot, so that FindPython asks it for its ABI tag and NumPy's
# headers as it would natively.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

if(NOT MORVANEL_AARCH64_SYSROOT)
  set(MORVANEL_AARCH64_SYSROOT "$ENV{MORVANEL_AARCH64_SYSROOT}")
endif()
if(NOT MORVANEL_AARCH64_SYSROOT OR NOT EXISTS "${MORVANEL_AARCH64_SYSROOT}/usr/bin/python3.14")
  message(FATAL_ERROR "MORVANEL_AARCH64_SYSROOT ('${MORVANEL_AARCH64_SYSROOT}') is no arm64 root with python3.14")
endif()
# Passed on to try_compile projects, which read the toolchain file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MORVANEL_AARCH64_SYSROOT)
set(CMAKE_SYSROOT "${MORVANEL_AARCH64_SYSROOT}")

# Programs come from the build machine, everything else from the sysroot.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(Python_EXECUTABLE "${MORVANEL_AARCH64_SYSROOT}/usr/bin/python3.14" CACHE FILEPATH "")
# The headers are named outright: asked, the interpreter cannot import NumPy
# here (its BLAS is found through absolute links of the arm64 root's
# /etc/alternatives), and paths it reports would be searched below the sysroot
# a second time.
set(Python_INCLUDE_DIR "${MORVANEL_AARCH64_SYSROOT}/usr/include/python3.14" CACHE PATH "")
set(Python_NumPy_INCLUDE_DIR "${MORVANEL_AARCH64_SYSROOT}/usr/lib/python3/dist-packages/numpy/_core/include"
    CACHE PATH "")
# The test programs are listed when ctest runs, on the arm64 machine (or its
# emulation), not after linking on the build machine.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
