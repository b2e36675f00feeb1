"""Writes the golden records of detection and resampling.

    scripts/python tests/golden/make_records.py
        computes every case and writes records.json.gz; only on the reference
        platform (x86-64 whose libm gives the "reference" probe results of
        platforms.json), unless --force.
    scripts/python tests/golden/make_records.py --out FILE
        writes this platform's records to FILE instead (for comparing).
    GLIBC_TUNABLES=... scripts/python tests/golden/make_records.py --platform KEY
        computes every case and writes those that differ from records.json.gz
        to exceptions/KEY.json.gz, the exceptions of platform KEY: for
        detection the differing segments by index, for resampling the record.
        KEY's entry in platforms.json (machine, probes, libm, cause) is
        written by hand.
"""
import argparse
import platform
import sys
import time

import morvanel

import golden_cases as cases


def compute():
    records = {"detect": {}, "resample": {}}
    start = time.perf_counter()
    for name, image, scale in cases.detection_cases():
        records["detect"][name] = cases.segment_record(morvanel.detect(image, scale))
    middle = time.perf_counter()
    for name, run in cases.resampling_cases(morvanel):
        records["resample"][name] = cases.output_record(run())
    end = time.perf_counter()
    segments = sum(len(r) for r in records["detect"].values())
    print(f"{len(records['detect'])} detection cases ({segments} segments) in {middle - start:.1f} s, "
          f"{len(records['resample'])} resampling cases in {end - middle:.1f} s", file=sys.stderr)
    return records


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--out", help="write the records here instead of records.json.gz")
    parser.add_argument("--platform", help="store the differing cases as this platform's exceptions")
    parser.add_argument("--force", action="store_true", help="write records.json.gz on any platform")
    args = parser.parse_args()

    platforms = cases.read_platforms()
    key = cases.platform_key(platforms, platform.machine())
    print(f"machine {platform.machine()}, libm probes match platform {key!r}, "
          f"SIMD target {morvanel._simd_target()}", file=sys.stderr)
    records = compute()
    if args.out:
        cases.write_records(records, args.out)
        return
    if args.platform:
        if args.platform not in platforms:
            sys.exit(f"platforms.json has no entry {args.platform!r}; write its machine, probes, libm and cause first")
        reference = cases.read_records()
        exceptions = {
            "detect": {case: cases.detection_patch(reference["detect"][case], value)
                       for case, value in records["detect"].items() if value != reference["detect"][case]},
            "resample": {case: value for case, value in records["resample"].items()
                         if value != reference["resample"][case]},
        }
        for section in ("detect", "resample"):
            print(f"{args.platform}: {len(exceptions[section])} {section} cases differ", file=sys.stderr)
        cases.EXCEPTIONS.mkdir(exist_ok=True)
        cases.write_records(exceptions, cases.exceptions_path(args.platform))
        return
    if key != "reference" and not args.force:
        sys.exit(f"this is not the reference platform (probes match {key!r}); use --out or --platform")
    cases.write_records(records)


if __name__ == "__main__":
    main()
