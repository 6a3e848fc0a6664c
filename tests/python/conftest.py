"""Shared helpers: the built tool, run as a user runs it, and the files it writes."""
import os
import subprocess

import numpy as np
import OpenImageIO as oiio
import pytest

TOOL = os.environ["QUORV_TOOL"]
SOURCE_DIR = os.environ["QUORV_SOURCE_DIR"]


def run_tool(*args, stdin=""):
    """quorv-scratches with these arguments; its standard output (it must succeed)."""
    run = subprocess.run([TOOL, "-q", *args], input=stdin, capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    return run.stdout


def read_exr(path):
    """The float pixels of an image file as (H, W) or (H, W, C)."""
    image = oiio.ImageInput.open(str(path))
    assert image, oiio.geterror()
    pixels = image.read_image(format="float")
    image.close()
    return pixels[:, :, 0] if pixels.shape[2] == 1 else pixels


def same_bits(a, b):
    """Equal shapes and identical float32 bits (NaN included)."""
    return a.shape == b.shape and np.array_equal(a.view(np.uint32), b.view(np.uint32))


@pytest.fixture
def qs():
    import quorv_scratches
    return quorv_scratches
