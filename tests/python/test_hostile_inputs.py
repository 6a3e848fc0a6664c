"""The Python rows of the table of hostile inputs (tests/data/hostile-inputs.json): each call
raises the row's exception with one line saying what is accepted, and leaves the map as it
was."""
import builtins
import json
import os

import numpy as np
import pytest

from conftest import SOURCE_DIR

with open(os.path.join(SOURCE_DIR, "tests", "data", "hostile-inputs.json")) as table:
    ROWS = [row for row in json.load(table)["rows"] if row["entry"] == "python"]


@pytest.mark.parametrize("row", ROWS, ids=[row["code"] for row in ROWS])
def test_hostile_argument_is_refused_in_one_line(qs, row):
    m = qs.Map(size=3, levels=5)
    before = (dict(m), m.maps(), m.seed)
    with pytest.raises(getattr(builtins, row["raises"])) as raised:
        eval(row["code"], {"m": m, "np": np, "qs": qs})  # the table's own trusted text
    message = str(raised.value)
    assert "\n" not in message
    assert row["says"] in message
    assert (dict(m), m.maps(), m.seed) == before
