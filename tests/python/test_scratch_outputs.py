"""The nearest scratch from Python: bake outputs as the tool writes them, eval at the same
points, and the README's varied-depth example."""
import os

import numpy as np

from conftest import read_exr, run_tool, same_bits
from test_packaging import readme_examples, run_python

OUTPUTS = ("random", "layer", "direction", "angle")


def test_bake_is_the_tools_file(qs, tmp_path):
    m = qs.Map(type="2D", levels=8)
    arrays = m.bake(48, output=OUTPUTS, samples=2)
    for name, array in zip(OUTPUTS, arrays):
        run_tool("bake", "--res", "48", "--samples", "2", "--set", "type=2D", "--set",
                 "levels=8", "--output", name, "--bits", "32", "-o", str(tmp_path / "o.exr"))
        assert same_bits(array, read_exr(tmp_path / "o.exr")), name
    assert arrays[2].shape == (48, 48, 3) and arrays[0].shape == (48, 48)


def test_eval_answers_as_a_one_sample_bake(qs):
    # Object XYZ: the bake's pixel centres are the points (u, v, 0) x extent.
    m = qs.Map(type="2D", levels=8)
    random, layer, angle = m.bake(16, output=("random", "layer", "angle"), samples=1,
                                  extent=20.0, filtered=False)
    centres = (np.arange(16, dtype=np.float32) + 0.5) / 16
    u, v = np.meshgrid(centres, 1.0 - centres)
    points = np.ascontiguousarray(
        np.stack([u * 20.0, v * 20.0, np.zeros_like(u)], -1).reshape(-1, 3), np.float32)
    assert np.array_equal(m.eval(points, output="random"), random.ravel())
    assert np.array_equal(m.eval(points, output="layer"), layer.ravel())
    # Lines: 0 and 1 are the same angle.
    d = np.abs(m.eval(points, output="angle") - angle.ravel())
    assert np.all(np.minimum(d, 1.0 - d) < 1e-3)
    direction = m.eval(points, output="direction")
    assert direction.shape == (256, 3)
    assert np.allclose(np.hypot(2 * direction[:, 0] - 1, 2 * direction[:, 1] - 1), 1, atol=1e-5)


def test_readme_varied_depth_example(tmp_path, qs):
    run_python(readme_examples()[1], tmp_path, os.environ["PYTHONPATH"])
    height = read_exr(tmp_path / "scratches-height-varied.exr")
    mask = qs.Map(type="2D", levels=8, thresholdLow=0.6, thresholdHigh=0.9).bake(
        512, output="mask", extent=25.0)
    assert height.shape == mask.shape
    # The scratches' bottoms lie at many depths, not one.
    bottoms = height[mask > 0.9]
    assert bottoms.size > 100
    assert bottoms.min() < 0.3 and bottoms.max() > 0.6 and bottoms.std() > 0.1
    assert np.all(height[mask == 0] == 1.0)
