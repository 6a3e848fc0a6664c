"""The README's example runs as written, and the installed module finds its plug-in."""
import os
import re
import subprocess
import sys

import numpy as np

from conftest import SOURCE_DIR, read_exr, run_tool


def readme_examples():
    """The Python blocks of the README's Python section, in order."""
    with open(os.path.join(SOURCE_DIR, "README.md")) as f:
        section = f.read().split("## Python module", 1)[1].split("\n## ", 1)[0]
    return re.findall(r"```python\n(.*?)```", section, re.S)


def readme_example():
    return readme_examples()[0]


def run_python(code, cwd, pythonpath):
    env = dict(os.environ, PYTHONPATH=pythonpath)
    env.pop("QUORV_SCRATCHES_PLUGIN_DIR", None)
    run = subprocess.run([sys.executable, "-c", code], cwd=cwd, env=env, capture_output=True,
                         text=True)
    assert run.returncode == 0, run.stderr
    return run.stdout


def test_readme_example_runs_as_written(tmp_path):
    run_python(readme_example(), tmp_path, os.environ["PYTHONPATH"])
    mask = read_exr(tmp_path / "scratches-mask.exr")
    assert mask.shape == (256, 256) and 0.0 <= mask.min() < mask.max() <= 1.0
    assert read_exr(tmp_path / "scratches-normal.png").shape == (256, 256, 3)
    assert (tmp_path / "scratches.json").exists()


def test_installed_module_finds_its_plugin(tmp_path):
    prefix = tmp_path / "prefix"
    subprocess.run([os.environ["CMAKE_COMMAND"], "--install", os.environ["QUORV_BUILD_DIR"],
                    "--prefix", str(prefix)], check=True, capture_output=True)
    site = prefix / "lib" / f"python{sys.version_info.major}.{sys.version_info.minor}" / \
        "site-packages"
    out = run_python("import numpy as np, quorv_scratches as qs\n"
                     "print(qs.version()['plugin'])\n"
                     "print(qs.Map().eval(np.zeros((1, 3), np.float32))[0, 3])\n",
                     tmp_path, str(site))
    plugin, alpha = out.split()
    assert os.path.realpath(plugin).startswith(os.path.realpath(prefix)) and alpha == "1.0"


def test_version_is_the_tools(qs):
    version = qs.version()
    assert run_tool("--version").split() == [
        "quorv-scratches", version["version"], "module", version["plugin"],
        version["plugin_version"], "(SDK", "API", version["sdk_api"] + ")"]
