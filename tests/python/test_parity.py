"""The module answers as the tool does: eval on the public probe, bakes bit for bit."""
import json
import os
import re
import shlex

import numpy as np
import pytest

from conftest import SOURCE_DIR, read_exr, run_tool, same_bits


def probe_blocks():
    """(eval options, input lines, expected lines) of each block of the probe."""
    blocks = []
    with open(os.path.join(SOURCE_DIR, "tests", "data", "eval-probe.txt")) as f:
        for line in f:
            if line.startswith("#"):
                continue
            if line.startswith("args:"):
                blocks.append((shlex.split(line[5:]), [], []))
            elif "=>" in line:
                given, expected = line.split("=>")
                blocks[-1][1].append(given.split())
                blocks[-1][2].append(expected.strip())
    return blocks


def python_value(text):
    """A --set value as a script would give it."""
    if "," in text:
        return tuple(float(v) for v in text.split(","))
    return int(text) if re.fullmatch(r"-?\d+", text) else float(text)


def eval_call(qs, args):
    """The Map and eval keywords that the command-line options describe."""
    m, options = qs.Map(), {}
    words = iter(args)
    for word in words:
        if word == "--set":
            name, value = next(words).split("=", 1)
            m[name] = python_value(value)
        elif word == "--filtered":
            options["filtered"] = True
        else:
            options[word[2:]] = next(words)
            if word in ("--node", "--mtl"):
                options[word[2:]] = int(options[word[2:]])
    return m, options


def test_eval_matches_the_probe_and_the_tool(qs):
    blocks = probe_blocks()
    assert len(blocks) == 6
    for args, inputs, expected in blocks:
        m, options = eval_call(qs, args)
        columns = max(len(i) for i in inputs)
        points = np.array([i + ["0"] * (columns - len(i)) for i in inputs], np.float32)
        result = m.eval(points, **options)
        lines = [" ".join("%.9g" % v for v in np.atleast_1d(row)) for row in result]
        assert lines == expected, args
        tool = run_tool("eval", *args, stdin="".join(" ".join(i) + "\n" for i in inputs))
        assert lines == tool.splitlines(), args


BAKES = [
    # (tool options, Map keywords, bake keywords)
    ([], {}, {}),
    (["--set", "levels=8", "--set", "useErosion=1", "--set", "erosion=0.7", "--output", "mono",
      "--unfiltered", "--samples", "1", "--extent", "12.5"],
     dict(levels=8, useErosion=True, erosion=0.7),
     dict(output="mono", filtered=False, samples=1, extent=12.5)),
    (["--output", "normal", "--depth", "0.5", "--normal-y", "down", "--set", "size=3"],
     dict(size=3), dict(output="normal", depth=0.5, normal_y="down")),
    (["--output", "normal", "--normal-strength", "0.5", "--time", "160", "--samples", "2"],
     {}, dict(output="normal", normal_strength=0.5, time=160, samples=2)),
    (["--output", "mask,normal", "--tileable", "--set", "useErosion=1", "--samples", "1"],
     dict(useErosion=True), dict(output=["mask", "normal"], tileable=True, samples=1)),
    (["--output", "bump,mask,height", "--set", "color1=0.2,0.3,0.4"],
     dict(color1=(0.2, 0.3, 0.4)), dict(output=("bump", "mask", "height"))),
]


@pytest.mark.parametrize("tool_args,params,options", BAKES)
def test_bake_matches_the_tools_float_exr(qs, tmp_path, tool_args, params, options):
    names = options.get("output", "color")
    names = [names] if isinstance(names, str) else names
    files = [tmp_path / f"{name}.exr" for name in names]
    run_tool("bake", "--res", "37x23", "--bits", "32", *[a for f in files for a in ("-o", str(f))],
             *tool_args)
    baked = qs.Map(**params).bake((37, 23), threads=2, **options)
    baked = [baked] if isinstance(baked, np.ndarray) else baked
    assert len(baked) == len(files)
    for image, file in zip(baked, files):
        assert image.dtype == np.float32
        assert same_bits(image, read_exr(file)), file.name


def test_sub_maps_and_seed_match_the_tools(qs, tmp_path):
    # An image sub-map and a scratches sub-map given as a Map, against the tool's --map.
    image = tmp_path / "grunge.png"
    run_tool("bake", "--res", "16", "--output", "mono", "-o", str(image))
    out = tmp_path / "bake.exr"
    run_tool("bake", "--res", "24", "--bits", "32", "-o", str(out), "--set", "useDistortion=1",
             "--set", "distortStr=2", "--map", "distortMap=scratches:size=4,stretch=2",
             "--map", f"sizeMap={image}", "--seed", "7")
    m = qs.Map(useDistortion=True, distortStr=2)
    m.seed = 7
    m.set_map("distortMap", qs.Map(size=4, stretch=2))
    m.set_map("sizeMap", image)
    assert m.maps() == {"distortMap": "scratches:size=4,stretch=2", "sizeMap": str(image)}
    assert same_bits(m.bake(24), read_exr(out))
    # A preset round trip keeps every value and sub-map.
    m.save_preset(tmp_path / "worn.json")
    again = qs.Map.load_preset(tmp_path / "worn.json")
    assert again.maps() == m.maps() and dict(again) == dict(m) and again.seed == 7
    assert same_bits(again.bake(24), read_exr(out))


def test_values_read_back_as_set(qs):
    m = qs.Map(size=4, levels=8, useErosion=True, color1=(0.1, 0.2, 0.3), type="2D")
    m["erosion"] = np.float32(0.7)
    assert (m["size"], m["levels"], m["useErosion"], m["type"]) == (4.0, 8, True, 0)
    assert m["erosion"] == float(np.float32(0.7))
    assert m["color1"] == tuple(float(np.float32(v)) for v in (0.1, 0.2, 0.3))
    assert m["distortMap"] is None and "distortMap" in m and "spreadMapEnabled" in m
    assert "nope" not in m
    m.set_map("distortMap", "scratches:size=2")
    params = m.params()
    assert list(params.values()) == json.loads(run_tool("params", "--json", "--set", "size=4",
        "--set", "levels=8", "--set", "useErosion=1", "--set", "color1=0.1,0.2,0.3",
        "--set", "type=2D", "--set", "erosion=0.7", "--map", "distortMap=scratches:size=2"))
    assert repr(m).startswith("quorv_scratches.Map(size=4, ")


def test_bake_to_a_path_writes_the_tools_files(qs, tmp_path):
    """bake(path=...) writes the very files of bake -o, in every format, and refuses as it does."""
    m = qs.Map(size=3)
    for name, more in (("c.png", []), ("c.tif", ["--bits", "16"]), ("c.tx", ["--tileable"]),
                       ("c.jpg", []), ("n.exr", ["--output", "normal"])):
        bits = 16 if "--bits" in more else 0
        output = "normal" if "normal" in more else "color"
        tool = tmp_path / ("tool-" + name)
        run_tool("bake", "--set", "size=3", "--res", "24x16", "--samples", "1", *more, "-o",
                 str(tool))
        assert m.bake((24, 16), output=output, samples=1, tileable="--tileable" in more,
                      bits=bits, path=tmp_path / name) is None
        assert same_bits(read_exr(tmp_path / name), read_exr(tool)), name
    mask, height = m.bake(8, output=("mask", "height"))
    m.bake(8, output=("mask", "height"), path=[tmp_path / "m.png", tmp_path / "h.png"])
    assert np.abs(read_exr(tmp_path / "m.png") - mask).max() <= 0.51 / 255
    assert np.abs(read_exr(tmp_path / "h.png") - height).max() <= 0.51 / 255
    with pytest.raises(Exception, match="write the mask output to .png or .tif"):
        m.bake(8, output="mask", path=tmp_path / "m.jpg")
    assert not (tmp_path / "m.jpg").exists()
