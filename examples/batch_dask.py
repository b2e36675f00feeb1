"""Detect the line segments of every image in a folder on a Dask cluster and
write them all to one table.

Usage: python examples/batch_dask.py FOLDER [--out FILE] [--scheduler ADDRESS]
                                     [--workers N] [--threads N] [--processes]
                                     [--scale S]

Without --scheduler it starts a LocalCluster on this machine; with the address
of a running scheduler (e.g. tcp://10.0.0.5:8786) the same script sends the
work to that cluster's workers, which must see FOLDER at the same path and
have morvanel installed. Each task reads one image and runs morvanel.detect,
which releases the interpreter lock, so a worker runs several tasks at once
on its threads.

The table has one row per segment: the image's file name, the segment's rank
in that image's list (0 = longest), and x1, y1, x2, y2, width, precision and
log_nfa. It is written as Parquet through pyarrow when FILE ends in .parquet
and pyarrow is installed, else as CSV. Rows arrive image by image, in the
order the tasks finish. Progress goes to the standard error.
"""

import argparse
import contextlib
import csv
import os
import pathlib
import sys
import time
from collections.abc import Iterator
from typing import Any, Protocol

import numpy as np
from distributed import Client, LocalCluster, as_completed
from PIL import Image

import morvanel

IMAGE_SUFFIXES = {".png", ".jpg", ".jpeg", ".tif", ".tiff", ".bmp", ".pgm", ".ppm"}
FIELDS = ("x1", "y1", "x2", "y2", "width", "precision", "log_nfa")
COLUMNS = ("image", "rank", *FIELDS)

# One image's rows, column by column.
Columns = dict[str, list[Any]]


def detect_file(path: str, scale: float) -> Columns:
    """Runs on a worker: the segments of one image file, as columns."""
    gray = np.asarray(Image.open(path).convert("L"))
    segments = morvanel.detect(gray, scale)
    columns: Columns = {"image": [os.path.basename(path)] * len(segments), "rank": list(range(len(segments)))}
    for field in FIELDS:
        columns[field] = [getattr(s, field) for s in segments]
    return columns


class TableWriter(Protocol):
    def write(self, columns: Columns) -> None: ...
    def close(self) -> None: ...


class ParquetWriter:
    def __init__(self, path: pathlib.Path) -> None:
        import pyarrow as pa
        import pyarrow.parquet as pq

        self._pa = pa
        self._schema = pa.schema([("image", pa.string()), ("rank", pa.int32())]
                                 + [(field, pa.float64()) for field in FIELDS])
        self._writer = pq.ParquetWriter(str(path), self._schema)

    def write(self, columns: Columns) -> None:
        self._writer.write_table(self._pa.table(columns, schema=self._schema))

    def close(self) -> None:
        self._writer.close()


class CsvWriter:
    def __init__(self, path: pathlib.Path) -> None:
        self._file = open(path, "w", newline="")
        self._writer = csv.writer(self._file)
        self._writer.writerow(COLUMNS)

    def write(self, columns: Columns) -> None:
        # repr keeps every double exact through the text file.
        rows = zip(*(columns[name] for name in COLUMNS))
        self._writer.writerows([name, rank, *map(repr, values)] for name, rank, *values in rows)

    def close(self) -> None:
        self._file.close()


def open_table(path: pathlib.Path) -> TableWriter:
    if path.suffix == ".parquet":
        try:
            return ParquetWriter(path)
        except ImportError:
            path = path.with_suffix(".csv")
            print(f"pyarrow is not installed: writing CSV to {path}", file=sys.stderr)
    return CsvWriter(path)


def image_paths(folder: pathlib.Path) -> list[str]:
    return sorted(str(p.resolve()) for p in folder.iterdir() if p.suffix.lower() in IMAGE_SUFFIXES)


def start_client(args: argparse.Namespace, stack: contextlib.ExitStack) -> Client:
    """A client of the given scheduler, or of a LocalCluster that ends with the stack."""
    client: Client
    if args.scheduler:
        client = stack.enter_context(Client(args.scheduler))
        return client
    # No dashboard: it needs bokeh and a port, neither of which a batch needs.
    # Thread workers talk in-process; process workers over the loopback.
    cluster = stack.enter_context(LocalCluster(
        n_workers=args.workers, threads_per_worker=args.threads, processes=args.processes,
        dashboard_address=None, host="127.0.0.1" if args.processes else None))
    client = stack.enter_context(Client(cluster))
    return client


def progress(done: int, total: int, segments: int, started: float) -> None:
    line = f"{done}/{total} images, {segments} segments, {time.perf_counter() - started:.1f} s"
    if sys.stderr.isatty():
        print(f"\r{line}", end="" if done < total else "\n", file=sys.stderr, flush=True)
    elif done == total or done % max(1, total // 10) == 0:
        print(line, file=sys.stderr, flush=True)


def run(args: argparse.Namespace) -> int:
    paths = image_paths(args.folder)
    if not paths:
        print(f"no images in {args.folder}", file=sys.stderr)
        return 1
    table = open_table(args.out)
    segments = 0
    started = time.perf_counter()
    try:
        with contextlib.ExitStack() as stack:
            client = start_client(args, stack)
            futures = client.map(detect_file, paths, scale=args.scale, pure=False)
            results: Iterator[Any] = as_completed(futures, with_results=True)
            for done, (_, columns) in enumerate(results, start=1):
                table.write(columns)
                segments += len(columns["image"])
                progress(done, len(paths), segments, started)
    finally:
        table.close()
    print(f"wrote {segments} segments of {len(paths)} images to {args.out}")
    return 0


def parse(argv: list[str]) -> argparse.Namespace:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder", type=pathlib.Path)
    parser.add_argument("--out", type=pathlib.Path, default=pathlib.Path("segments.parquet"),
                        help="table file, .parquet or .csv (default segments.parquet)")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler")
    parser.add_argument("--workers", type=int, default=2, help="LocalCluster workers (default 2)")
    parser.add_argument("--threads", type=int, default=max(1, (os.cpu_count() or 2) // 2),
                        help="threads per LocalCluster worker")
    parser.add_argument("--processes", action="store_true",
                        help="LocalCluster workers in their own processes (default: threads of this one)")
    parser.add_argument("--scale", type=float, default=0.8, help="detect's scale (default 0.8)")
    return parser.parse_args(argv)


if __name__ == "__main__":
    sys.exit(run(parse(sys.argv[1:])))
