"""Long runs leave Python free: the GIL is released, and Ctrl-C stops a bake."""
import os
import signal
import threading
import time

import numpy as np
import pytest


def test_bake_releases_the_gil(qs):
    m = qs.Map(levels=8)
    counts, stop = [0], threading.Event()

    def count():
        while not stop.is_set():
            counts[0] += 1

    counter = threading.Thread(target=count)
    counter.start()
    try:
        time.sleep(0.05)
        before = counts[0]
        baked = m.bake(256, threads=2)
        during = counts[0] - before
    finally:
        stop.set()
        counter.join()
    # A bake that held the GIL would have stopped the counter for its whole length.
    assert during > 1000
    assert np.array_equal(baked, m.bake(256, threads=1))


def test_ctrl_c_interrupts_a_bake(qs):
    m = qs.Map()
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    start = time.monotonic()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            # Minutes of work, in bands of a few thousand pixels.
            m.bake((2048, 32768), output="mono", samples=2, threads=2)
    finally:
        timer.cancel()
    # The whole bake takes many times longer: it was stopped, not finished.
    assert time.monotonic() - start < 10.0
    # The map is free again and answers as before.
    assert m.bake(4, output="mono").shape == (4, 4)


def test_ctrl_c_stops_a_tileable_bake_inside_its_band(qs):
    m = qs.Map(levels=8, useErosion=True)
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    start = time.monotonic()
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            # One band of 16 rows, each of hours of work: only a look inside the band stops it.
            m.bake((32768, 16), output="color", samples=16, extent=15, tileable=True, threads=1)
    finally:
        timer.cancel()
    assert time.monotonic() - start < 30.0
    assert m.bake(4, output="mono", tileable=True).shape == (4, 4)
