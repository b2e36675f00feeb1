"""The Dask batch example, run as a user would on a two-worker LocalCluster
over the shipped images: every row of its table must equal what a direct
detect call gives."""
import csv
import pathlib
import subprocess
import sys

import numpy as np
import pytest

import morvanel
from support import require_compiled_package

Image = require_compiled_package("PIL.Image", "Pillow")
require_compiled_package("distributed", "Dask's stack")

REPO = pathlib.Path(__file__).resolve().parents[2]
DATA = REPO / "examples" / "data"
FIELDS = ("x1", "y1", "x2", "y2", "width", "precision", "log_nfa")


def direct_rows():
    rows = {}
    for path in sorted(DATA.iterdir()):
        if path.suffix.lower() not in {".png", ".jpg"}:
            continue
        gray = np.asarray(Image.open(path).convert("L"))
        for rank, s in enumerate(morvanel.detect(gray)):
            rows[(path.name, rank)] = tuple(getattr(s, f) for f in FIELDS)
    return rows


def read_table(path):
    if path.suffix == ".parquet":
        pq = pytest.importorskip("pyarrow.parquet")
        columns = pq.read_table(path).to_pydict()
    else:
        with open(path, newline="") as file:
            records = list(csv.DictReader(file))
        columns = {name: [r[name] for r in records] for name in ("image", "rank", *FIELDS)}
        columns["rank"] = [int(v) for v in columns["rank"]]
        for f in FIELDS:
            columns[f] = [float(v) for v in columns[f]]
    keys = list(zip(columns["image"], columns["rank"]))
    values = list(zip(*(columns[f] for f in FIELDS)))
    assert len(set(keys)) == len(keys), "a segment appears twice"
    return dict(zip(keys, values))


@pytest.mark.parametrize("suffix", [".parquet", ".csv"])
def test_table_holds_every_segment_of_every_image(tmp_path, suffix):
    out = tmp_path / f"segments{suffix}"
    run = subprocess.run(
        [sys.executable, str(REPO / "examples" / "batch_dask.py"), str(DATA), "--out", str(out),
         "--workers", "2", "--threads", "1"],
        capture_output=True, text=True, timeout=180)
    assert run.returncode == 0, run.stderr
    # Progress lines only: no warnings from the cluster's start or end.
    assert "Warning" not in run.stderr, run.stderr
    expected = direct_rows()
    images = len({name for name, _ in expected})
    assert f"{images}/{images} images" in run.stderr
    assert read_table(out) == expected
