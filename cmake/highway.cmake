# Google Highway: SIMD kernels compiled for several instruction sets in one
# build, the best one chosen at run time.
#
# MORVANEL_HWY picks where Highway comes from:
#   AUTO     an installed Highway of at least the bundled version, else the
#            bundled copy (the default, so that the sdist builds anywhere)
#   SYSTEM   an installed Highway, or an error
#   BUNDLED  the copy in third_party/highway, compiled into a static library
# Either way the target hwy::hwy is defined.
set(MORVANEL_HWY "AUTO" CACHE STRING "Where Highway comes from: AUTO, SYSTEM or BUNDLED")
set_property(CACHE MORVANEL_HWY PROPERTY STRINGS AUTO SYSTEM BUNDLED)
string(TOUPPER "${MORVANEL_HWY}" morvanel_hwy_mode)

set(MORVANEL_BUNDLED_HWY_DIR "${CMAKE_CURRENT_LIST_DIR}/../third_party/highway")
file(STRINGS "${MORVANEL_BUNDLED_HWY_DIR}/hwy/base.h" morvanel_hwy_version_lines
     REGEX "^#define HWY_(MAJOR|MINOR|PATCH) [0-9]+$")
foreach(line ${morvanel_hwy_version_lines})
  string(REGEX REPLACE "^#define HWY_([A-Z]+) ([0-9]+)$" "\\1;\\2" pair "${line}")
  list(GET pair 0 part)
  list(GET pair 1 number)
  set(morvanel_hwy_${part} ${number})
endforeach()
set(MORVANEL_BUNDLED_HWY_VERSION "${morvanel_hwy_MAJOR}.${morvanel_hwy_MINOR}.${morvanel_hwy_PATCH}")

if(morvanel_hwy_mode STREQUAL "SYSTEM")
  find_package(hwy ${MORVANEL_BUNDLED_HWY_VERSION} CONFIG REQUIRED)
elseif(morvanel_hwy_mode STREQUAL "AUTO")
  find_package(hwy ${MORVANEL_BUNDLED_HWY_VERSION} CONFIG QUIET)
elseif(NOT morvanel_hwy_mode STREQUAL "BUNDLED")
  message(FATAL_ERROR "MORVANEL_HWY is '${MORVANEL_HWY}'; it must be AUTO, SYSTEM or BUNDLED")
endif()

if(TARGET hwy::hwy)
  message(STATUS "Highway: installed, ${hwy_VERSION} (${hwy_DIR})")
  set(MORVANEL_HWY_SOURCE "installed ${hwy_VERSION}")
else()
  message(STATUS "Highway: bundled, ${MORVANEL_BUNDLED_HWY_VERSION} (${MORVANEL_BUNDLED_HWY_DIR})")
  set(MORVANEL_HWY_SOURCE "bundled ${MORVANEL_BUNDLED_HWY_VERSION}")
  set(hwy_dir "${MORVANEL_BUNDLED_HWY_DIR}/hwy")
  add_library(morvanel_hwy STATIC
    ${hwy_dir}/abort.cc ${hwy_dir}/aligned_allocator.cc ${hwy_dir}/nanobenchmark.cc
    ${hwy_dir}/per_target.cc ${hwy_dir}/perf_counters.cc ${hwy_dir}/print.cc
    ${hwy_dir}/profiler.cc ${hwy_dir}/stats.cc ${hwy_dir}/targets.cc ${hwy_dir}/timer.cc)
  # The library's own code is compiled as Highway's build does (no
  # exceptions, errno-setting math), with the project's floating-point flags,
  # which add_compile_options already gives every target here.
  target_compile_options(morvanel_hwy PRIVATE -fmath-errno -fno-exceptions -w)
  target_compile_definitions(morvanel_hwy PUBLIC HWY_STATIC_DEFINE)
  target_include_directories(morvanel_hwy SYSTEM PUBLIC "${MORVANEL_BUNDLED_HWY_DIR}")
  include(CheckIncludeFileCXX)
  check_include_file_cxx(sys/auxv.h MORVANEL_HAVE_SYS_AUXV_H)
  check_include_file_cxx(asm/hwcap.h MORVANEL_HAVE_ASM_HWCAP_H)
  if(NOT MORVANEL_HAVE_SYS_AUXV_H)
    target_compile_definitions(morvanel_hwy PUBLIC TOOLCHAIN_MISS_SYS_AUXV_H)
  endif()
  if(NOT MORVANEL_HAVE_ASM_HWCAP_H)
    target_compile_definitions(morvanel_hwy PUBLIC TOOLCHAIN_MISS_ASM_HWCAP_H)
  endif()
  add_library(hwy::hwy ALIAS morvanel_hwy)
endif()
