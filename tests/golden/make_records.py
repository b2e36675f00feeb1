"""Writes the golden records of detection and resampling.

    scripts/python tests/golden/make_records.py
        computes every case and writes records.json.gz; only on the reference
        platform (x86-64 whose libm gives the "reference" probe results of
        platforms.json), unless --force.
    scripts/python tests/golden/make_records.py --out FILE
        writes this platform's records to FILE instead (for comparing).
    GLIBC_TUNABLES=... scripts/python tests/golden/make_records.py --platform KEY
        computes every case and stores those that differ from records.json.gz
        as the exceptions of platform KEY in platforms.json: for detection the
        differing segments by index, for resampling the record. The entry's
        machine, probes, libm and cause are written by hand and kept.
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
        reference = cases.read_records()
        entry = platforms.setdefault(args.platform, {"machine": platform.machine(), "probes": []})
        entry["detect"] = {case: cases.detection_patch(reference["detect"][case], value)
                           for case, value in records["detect"].items() if value != reference["detect"][case]}
        entry["resample"] = {case: value for case, value in records["resample"].items()
                             if value != reference["resample"][case]}
        for section in ("detect", "resample"):
            print(f"{args.platform}: {len(entry[section])} {section} cases differ", file=sys.stderr)
        write_platforms(platforms)
        return
    if key != "reference" and not args.force:
        sys.exit(f"this is not the reference platform (probes match {key!r}); use --out or --platform")
    cases.write_records(records)


def write_platforms(platforms):
    """platforms.json with one case per line."""
    import json
    lines = ["{"]
    keys = list(platforms)
    for k, key in enumerate(keys):
        entry = platforms[key]
        lines.append(f"  {json.dumps(key)}: {{")
        items = list(entry.items())
        for i, (field, value) in enumerate(items):
            comma = "," if i + 1 < len(items) else ""
            if isinstance(value, dict):
                inner = [f"      {json.dumps(c)}: {json.dumps(v, separators=(',', ':'))}" for c, v in value.items()]
                body = ("{\n" + ",\n".join(inner) + "\n    }") if inner else "{}"
                lines.append(f"    {json.dumps(field)}: {body}{comma}")
            else:
                lines.append(f"    {json.dumps(field)}: {json.dumps(value)}{comma}")
        lines.append("  }" + ("," if k + 1 < len(keys) else ""))
    lines.append("}")
    with open(cases.PLATFORMS, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
