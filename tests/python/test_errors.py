"""Every mistake a script can make is a Python exception with the tool's message."""
import numpy as np
import pytest


def test_parameter_mistakes(qs):
    m = qs.Map()
    with pytest.raises(KeyError, match=r"unknown parameter 'erosoin': nearest known names are "
                                       r"erosion.*Map\.params\(\)"):
        m["erosoin"] = 0.5
    with pytest.raises(KeyError, match="erosoin"):
        m["erosoin"]
    with pytest.raises(KeyError, match="erosoin"):
        qs.Map(erosoin=0.5)
    with pytest.raises(ValueError, match="levels takes an integer from 1 to 8"):
        m["levels"] = 9
    with pytest.raises(ValueError, match="erosion takes a number from 0 to 1"):
        m["erosion"] = float("nan")
    with pytest.raises(ValueError, match="color1 takes a colour r,g,b of three numbers"):
        m["color1"] = (0.1, 0.2)
    with pytest.raises(TypeError, match="size: expected a number, got NoneType"):
        m["size"] = None
    with pytest.raises(TypeError, match=r"set_map\('distortMap', source\)"):
        m["distortMap"] = 1
    with pytest.raises(KeyError, match="unknown map slot 'distorMap'.*distortMap"):
        m.set_map("distorMap", qs.Map())
    # A refused value leaves the map as it was.
    assert m["levels"] == qs.Map()["levels"] and m["erosion"] == qs.Map()["erosion"]


def test_sub_map_and_file_mistakes(qs, tmp_path):
    m = qs.Map()
    with pytest.raises(FileNotFoundError) as missing:
        m.set_map("sizeMap", tmp_path / "missing.png")
    assert missing.value.filename == str(tmp_path / "missing.png")
    with pytest.raises(FileNotFoundError):
        qs.Map.load_preset(tmp_path / "missing.json")
    (tmp_path / "broken.json").write_text("{ not json")
    with pytest.raises(ValueError, match="cannot read preset"):
        qs.Map.load_preset(tmp_path / "broken.json")
    with pytest.raises(OSError):
        m.save_preset(tmp_path / "no-such-folder" / "p.json")
    with pytest.raises(FileNotFoundError):
        qs.load_plugin(tmp_path)
    nested = qs.Map()
    nested.set_map("distortMap", qs.Map())
    with pytest.raises(ValueError, match="cannot hold sub-maps of its own"):
        m.set_map("distortMap", nested)
    with pytest.raises(ValueError, match="its own sub-map"):
        m.set_map("distortMap", m)
    with pytest.raises(TypeError):
        m.set_map("distortMap", 3)
    assert m.maps() == {}


def test_eval_input_mistakes(qs):
    m = qs.Map()
    good = np.zeros((4, 3), np.float32)
    with pytest.raises(TypeError, match="numpy array"):
        m.eval([[0.0, 0.0, 0.0]])
    with pytest.raises(TypeError, match="float32"):
        m.eval(good.astype(np.float64))
    with pytest.raises(TypeError, match="float32"):
        m.eval(good.astype(">f4"))
    with pytest.raises(ValueError, match=r"shape \(N, 3\) or \(N, 9\).*\(4, 4\)"):
        m.eval(np.zeros((4, 4), np.float32))
    with pytest.raises(ValueError, match="shape"):
        m.eval(np.zeros(3, np.float32))
    with pytest.raises(ValueError, match="C-contiguous"):
        m.eval(np.asfortranarray(good))
    with pytest.raises(ValueError, match="C-contiguous"):
        m.eval(np.zeros((8, 3), np.float32)[::2])
    bad = good.copy()
    bad[2, 1] = np.nan
    with pytest.raises(ValueError, match=r"points\[2, 1\] is NaN"):
        m.eval(bad)
    bad[2, 1] = np.inf
    with pytest.raises(ValueError, match="infinite"):
        m.eval(bad)
    with pytest.raises(ValueError, match="output 'rgb' is not one of color, mono, bump, random, layer, direction or angle"):
        m.eval(good, output="rgb")
    with pytest.raises(ValueError, match="node"):
        m.eval(good, node=-1)
    assert m.eval(np.zeros((0, 9), np.float32)).shape == (0, 4)
    assert m.eval(good, output="mono").shape == (4,)


def test_bake_option_mistakes(qs):
    m = qs.Map()
    with pytest.raises(ValueError, match="resolution 0x0 is not accepted"):
        m.bake(0)
    with pytest.raises(ValueError, match="resolution 40000x2"):
        m.bake((40000, 2))
    with pytest.raises(ValueError, match="--res 12y3"):
        m.bake("12y3")
    with pytest.raises(TypeError, match="res must be"):
        m.bake(2.5)
    with pytest.raises(ValueError, match="is not one of color, mono, mask, height, bump, normal, random, layer, direction or angle"):
        m.bake(8, output="height-ish")
    with pytest.raises(ValueError, match="named twice"):
        m.bake(8, output=["mask", "mask"])
    with pytest.raises(ValueError, match="samples must be 1 to 16"):
        m.bake(8, samples=0)
    with pytest.raises(ValueError, match="normal_y 'left'"):
        m.bake(8, normal_y="left")
    with pytest.raises(ValueError, match="extent 0 is not accepted"):
        m.bake(8, extent=0)
    with pytest.raises(ValueError, match="normal strength"):
        m.bake(8, normal_strength=float("nan"))
    with pytest.raises(ValueError, match="depth -1 is not accepted"):
        m.bake(8, depth=-1)
    with pytest.raises(ValueError, match="extent inf is not accepted"):
        m.bake(8, extent=1e300)
    with pytest.raises(ValueError, match="threads=-1"):
        m.bake(8, threads=-1)
    with pytest.raises(ValueError, match="seed=-1 is not accepted"):
        m.seed = -1
    mask, normal = m.bake("6x2", output=("mask", "normal"))
    assert mask.shape == (2, 6) and normal.shape == (2, 6, 3)
