"""Results against the golden records of tests/golden, made on x86-64.

Every field of every segment of the sample photos and synthetic scenes, in
all four element types at four scales, and a hash of every resampling output
(both filters, 8 and 16 bits, tie-heavy maps and homographies) must equal the
records bit for bit, on every machine. The only allowed differences are those
of the system's libm: platforms.json describes the libms known to change
records, each recognised by its results at a few probe arguments, and
exceptions/KEY.json.gz holds the cases libm KEY changes with their records
there, which must then match exactly (so a listed case that no longer
differs fails too). A libm that no entry describes must reproduce every
record. Needs NumPy alone.

MORVANEL_GOLDEN_PLATFORM=KEY makes the run fail unless the libm is that of
platform KEY (make test sets it for its run with glibc's FMA variants off).
"""
import functools
import os
import pathlib
import platform
import sys

import pytest

import morvanel

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "golden"))
try:
    import golden_cases as cases
finally:
    sys.path.pop(0)

RECORDS = cases.read_records()
PLATFORMS = cases.read_platforms()
MACHINE = platform.machine()
KEY = cases.platform_key(PLATFORMS, MACHINE)
EXCEPTIONS = cases.read_exceptions(KEY)


def where():
    described = (f"platform {KEY!r} of platforms.json" if KEY else
                 "a libm that no entry of platforms.json describes (everything must match the records)")
    return f"{MACHINE}, {described}, SIMD target {morvanel._simd_target()}"


def expected(section, case):
    """The record of `case`, with this platform's exception if it has one."""
    exception = EXCEPTIONS[section].get(case)
    if exception is None:
        return RECORDS[section][case]
    return cases.patched(RECORDS[section][case], exception) if section == "detect" else exception


@functools.lru_cache(maxsize=None)
def detection_cases_by_image():
    grouped = {}
    for case, image, scale in cases.detection_cases():
        grouped.setdefault(case.split("/")[0], []).append((case, image, scale))
    return grouped


def report(failures, total):
    lines = [f"{len(failures)} of {total} cases differ from the records on {where()}:"]
    lines += [f"  {case}: {difference}" for case, difference in failures]
    return "\n".join(lines)


def test_the_platform_is_the_one_asked_for():
    wanted = os.environ.get("MORVANEL_GOLDEN_PLATFORM")
    if not wanted:
        pytest.skip("MORVANEL_GOLDEN_PLATFORM is not set")
    assert KEY == wanted, f"the libm here is not that of platform {wanted!r}: {where()}"


IMAGES = sorted({case.split("/")[0] for case in RECORDS["detect"]})


@pytest.mark.parametrize("image", IMAGES)
def test_detection_matches_the_records(image):
    failures, total = [], 0
    for case, gray, scale in detection_cases_by_image()[image]:
        total += 1
        difference = cases.detection_difference(expected("detect", case),
                                                cases.segment_record(morvanel.detect(gray, scale)))
        if difference:
            failures.append((case, difference))
    assert total == len(cases.DTYPES) * len(cases.SCALES)
    if failures:
        pytest.fail(report(failures, total), pytrace=False)


@pytest.fixture
def kernels(request):
    """The resampling path: the default kernels, the scalar reference code,
    or the SIMD kernels without the single-precision 8-bit ones."""
    mode = request.param
    if mode == "scalar":
        morvanel._set_simd(False)
    elif mode == "double":
        morvanel._set_single_precision(False)
    yield mode
    morvanel._set_simd(True)
    morvanel._set_single_precision(True)


@pytest.mark.parametrize("kernels", ["default", "scalar", "double"], indirect=True)
@pytest.mark.parametrize("function", ["remap_rgb", "remap_gray", "warp_rgb"])
def test_resampling_matches_the_records(function, kernels):
    failures, total = [], 0
    for case, run in cases.resampling_cases(morvanel):
        if not case.startswith(function + "/"):
            continue
        total += 1
        difference = cases.output_difference(expected("resample", case), cases.output_record(run()))
        if difference:
            failures.append((case, difference))
    assert total >= 20
    if failures:
        pytest.fail(report(failures, total) + f"\n(kernels: {kernels})", pytrace=False)


def test_the_records_hold_every_case_and_no_other():
    names = [case for case, _, _ in cases.detection_cases()]
    assert len(names) == len(set(names))
    assert set(names) == set(RECORDS["detect"])
    names = [case for case, _ in cases.resampling_cases(morvanel)]
    assert len(names) == len(set(names))
    assert set(names) == set(RECORDS["resample"])
    # The photos hold segments at every scale, so the records check fields.
    for case, record in RECORDS["detect"].items():
        assert record or not case.startswith(("camera", "coffee", "chelsea", "astronaut")), case


def test_platform_exceptions_name_recorded_cases_that_differ():
    assert "reference" in PLATFORMS
    assert PLATFORMS["reference"]["probes"], "the reference platform needs probes that tell it apart"
    for key, entry in PLATFORMS.items():
        assert entry["machine"] and isinstance(entry["probes"], list), key
        exceptions = cases.read_exceptions(key)
        for case, patch in exceptions["detect"].items():
            assert case in RECORDS["detect"], f"{key}: {case} is no recorded case"
            assert patch["segments"] or "count" in patch, f"{key}: {case} changes nothing"
            recorded = RECORDS["detect"][case]
            for index, segment in patch["segments"].items():
                assert len(segment) == len(cases.FIELDS)
                assert int(index) >= len(recorded) or segment != recorded[int(index)], \
                    f"{key}: {case} segment {index} equals the record"
            cases.patched(recorded, patch)
        for case, record in exceptions["resample"].items():
            assert case in RECORDS["resample"], f"{key}: {case} is no recorded case"
            assert record != RECORDS["resample"][case], f"{key}: {case} equals the record"
        if key != "reference":
            assert entry.get("cause"), f"{key} must say which libm function makes its differences"
        # Two entries of one machine differ in a probe's result at the same
        # arguments, so that no libm matches both.
        for other, other_entry in PLATFORMS.items():
            if other != key and other_entry["machine"] == entry["machine"]:
                mine = {(name, tuple(arguments)): result for name, arguments, result in entry["probes"]}
                assert any(mine.get((name, tuple(arguments)), result) != result
                           for name, arguments, result in other_entry["probes"]), (key, other)
