"""`quorv-scratches serve` in a real browser: Debian's headless Chromium driven by Selenium.

One server and one browser for the module; the tests run in order, each building on the page
the one before left (a slider moved, a choice switched, a preset saved, then loaded back).

    /usr/bin/python3 -m pytest tests/serve
QUORV_TOOL names the tool (default build/release/tools/quorv-scratches); QUORV_SCREENSHOT, a
file to save a picture of the page in; QUORV_ARTEFACTS, the folder for the pictures the layout
check takes (default build/serve-artefacts).
"""
import http.client
import json
import os
import pathlib
import re
import signal
import socket
import subprocess
import tempfile
import time

import OpenImageIO as oiio
import numpy as np
import pytest
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select, WebDriverWait

ROOT = pathlib.Path(__file__).resolve().parents[2]
TOOL = pathlib.Path(os.environ.get("QUORV_TOOL", ROOT / "build/release/tools/quorv-scratches"))
# Renders take seconds on a busy machine; a page that never answers fails after this.
WAIT = 120
# The test's artefacts (screenshots at each window size), kept after the run.
ARTEFACTS = pathlib.Path(os.environ.get("QUORV_ARTEFACTS", ROOT / "build/serve-artefacts"))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@pytest.fixture(scope="module")
def server():
    port = free_port()
    # Ctrl-C as a user sends it: the signal's default action restored for the server.
    proc = subprocess.Popen(
        [str(TOOL), "serve", "--port", str(port)], stdout=subprocess.PIPE,
        stderr=subprocess.STDOUT, text=True,
        preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
    line = proc.stdout.readline()
    match = re.search(r"http://\S+/", line)
    assert match, line
    yield {"url": match.group(0), "port": port, "proc": proc}
    if proc.poll() is None:
        proc.kill()
        proc.wait()


@pytest.fixture(scope="module")
def work():
    with tempfile.TemporaryDirectory() as d:
        yield pathlib.Path(d)


@pytest.fixture(scope="module")
def browser(server, work):
    downloads = work / "downloads"
    downloads.mkdir()
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for arg in ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                "--no-first-run", "--disable-background-networking",
                "--disable-component-update", "--disable-sync", "--window-size=1280,1000",
                f"--user-data-dir={work / 'profile'}"]:
        options.add_argument(arg)
    options.add_experimental_option("prefs", {"download.default_directory": str(downloads),
                                              "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Page.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": str(downloads)})
    driver.downloads = downloads
    driver.get(server["url"])
    WebDriverWait(driver, WAIT).until(lambda d: d.execute_script(
        "return document.body.dataset.ready === '1' && "
        "document.getElementById('preview').dataset.kind === 'full'"))
    yield driver
    driver.quit()


def preview_state(driver):
    img = driver.find_element(By.ID, "preview")
    return int(img.get_attribute("data-serial")), img.get_attribute("data-kind")


def wait_for_full(driver, after_serial):
    WebDriverWait(driver, WAIT).until(
        lambda d: preview_state(d)[0] > after_serial and preview_state(d)[1] == "full"
        and not d.execute_script("return preview.inflight"))
    return preview_state(driver)[0]


def preview_pixels(driver):
    """The preview image's pixels, as the page shows them."""
    return driver.find_element(By.ID, "preview").screenshot_as_png


def wait_for_download(driver, name):
    path = driver.downloads / name
    WebDriverWait(driver, WAIT).until(lambda d: path.exists() and not any(
        p.suffix == ".crdownload" for p in d.downloads.iterdir()))
    return path


def run_tool(*args):
    done = subprocess.run([str(TOOL), *args], capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    return done


def read_pixels(path):
    image = oiio.ImageInput.open(str(path))
    assert image, oiio.geterror()
    pixels = image.read_image(format="uint16")
    image.close()
    return pixels


def test_slider_changes_the_preview(browser):
    before_serial, _ = preview_state(browser)
    before = preview_pixels(browser)
    slider = browser.find_element(By.ID, "r-params-size")
    # Dragged by hand: coarse images while moving, the full preview once released.
    actions = ActionChains(browser)
    actions.click_and_hold(slider)
    for _ in range(4):
        actions.move_by_offset(12, 0).pause(0.05)
    actions.release().perform()
    wait_for_full(browser, before_serial)
    assert browser.find_element(By.ID, "p-params-size").get_attribute("value") != "10"
    assert preview_pixels(browser) != before


def report(line):
    print("\n" + line)
    if os.environ.get("QUORV_LATENCY"):
        with open(os.environ["QUORV_LATENCY"], "a") as f:
            f.write(line + "\n")


def stages_of_latest_change(driver):
    """The stages shown for the latest change, once its final image is in: [(kind, ms after
    the change's request, ms of its own render and transfer)]."""
    WebDriverWait(driver, WAIT, poll_frequency=0.02).until(lambda d: d.execute_script(
        "return preview.log.some((e) => e.generation === preview.generation && e.kind === 'full')"))
    return [tuple(e) for e in driver.execute_script(
        "return preview.log.filter((e) => e.generation === preview.generation)"
        ".map((e) => [e.kind, e.at, e.ms])")]


def test_preview_latency(browser):
    """Dragged, then let go: coarse images while it moves; once the hand stops, a full-size
    image at one sample a pixel first, then the antialiased one replacing it."""
    stretch = browser.find_element(By.ID, "r-params-stretch")
    serial, _ = preview_state(browser)
    actions = ActionChains(browser)
    actions.click_and_hold(stretch)
    for _ in range(3):
        actions.move_by_offset(10, 0).pause(0.05)
    actions.release().perform()
    stages = stages_of_latest_change(browser)
    wait_for_full(browser, serial)
    kinds = [k for k, _, _ in stages]
    assert kinds == ["fast", "full"], stages
    first, final = stages[0][1], stages[1][1]
    load = open("/proc/loadavg").read().split()[:3]
    report(f"preview latency after the hand stops: first full-size image {first} ms, "
           f"antialiased {final} ms (load average {' '.join(load)}, {os.cpu_count()} cores)")
    assert first < final
    assert browser.find_element(By.ID, "preview").get_attribute("data-kind") == "full"


def test_choice_by_name(browser):
    serial, _ = preview_state(browser)
    select = Select(browser.find_element(By.ID, "p-params-type"))
    target = next(o for o in select.options if o.get_attribute("data-name") == "2d")
    select.select_by_value(target.get_attribute("value"))
    wait_for_full(browser, serial)
    assert "%22type%22%3A0" in browser.current_url or '"type":0' in browser.current_url


def test_preset_equals_save_preset(browser, work):
    browser.find_element(By.ID, "save-preset").click()
    saved = wait_for_download(browser, "quorv-scratches.json")
    size = browser.find_element(By.ID, "p-params-size").get_attribute("value")
    stretch = browser.find_element(By.ID, "p-params-stretch").get_attribute("value")
    cli = work / "cli.json"
    run_tool("params", "--set", f"size={size}", "--set", f"stretch={stretch}", "--set",
             "type=2d", "--save-preset", str(cli))
    assert saved.read_text() == cli.read_text()


def test_preset_loads_back(browser, work):
    serial, _ = preview_state(browser)
    browser.find_element(By.ID, "reset-all").click()
    serial = wait_for_full(browser, serial)
    assert browser.find_element(By.ID, "p-params-size").get_attribute("value") == "10"
    browser.find_element(By.ID, "load-preset").send_keys(str(browser.downloads / "quorv-scratches.json"))
    wait_for_full(browser, serial)
    saved = json.loads((browser.downloads / "quorv-scratches.json").read_text())
    field = browser.find_element(By.ID, "p-params-size").get_attribute("value")
    assert float(field) == pytest.approx(saved["params"]["size"], rel=1e-6)
    assert Select(browser.find_element(By.ID, "p-params-type")).first_selected_option \
        .get_attribute("data-name") == "2d"


def test_tileable_mask_bake_matches_the_tool(browser, work):
    options = {"bake-res": "256", "bake-samples": "2"}
    for id, value in options.items():
        field = browser.find_element(By.ID, id)
        field.clear()
        field.send_keys(value)
    Select(browser.find_element(By.ID, "bake-output")).select_by_value("mask")
    browser.find_element(By.ID, "bake-tileable").click()
    browser.find_element(By.ID, "bake-start").click()
    baked = wait_for_download(browser, "scratches-mask.png")
    cli = work / "cli-mask.png"
    run_tool("bake", "-q", "--preset", str(browser.downloads / "quorv-scratches.json"),
             "--output", "mask", "--res", "256", "--samples", "2", "--tileable", "-o", str(cli))
    assert np.array_equal(read_pixels(baked), read_pixels(cli))


def set_field(driver, id, value):
    """Types over the field's text, as a hand does (clearing it first would be a change)."""
    field = driver.find_element(By.ID, id)
    field.send_keys(Keys.CONTROL, "a")
    field.send_keys(value)


def page_bake(driver, output, res, samples, tileable=False, fmt="png"):
    """Bakes through the page's Bake panel; the downloaded file's path."""
    name = f"scratches-{output}.{fmt}"
    (driver.downloads / name).unlink(missing_ok=True)
    set_field(driver, "bake-res", str(res))
    set_field(driver, "bake-samples", str(samples))
    Select(driver.find_element(By.ID, "bake-output")).select_by_value(output)
    Select(driver.find_element(By.ID, "bake-format")).select_by_value(fmt)
    box = driver.find_element(By.ID, "bake-tileable")
    if box.is_selected() != tileable:
        box.click()
    driver.find_element(By.ID, "bake-start").click()
    return wait_for_download(driver, name)


def pick_color(driver, name, hex_code):
    """What a colour picker does when a colour is picked (its dialog is the browser's own)."""
    driver.execute_script(
        "const p = document.getElementById(arguments[0]); p.value = arguments[1];"
        "p.dispatchEvent(new Event('input')); p.dispatchEvent(new Event('change'));",
        f"p-params-{name}", hex_code)


def type_color(driver, name, text):
    set_field(driver, f"p-params-{name}-text", text + "\n")


def test_picked_colour_bakes_to_itself(browser):
    """A picker shows display colours: a flat colour picked is the colour the bake writes."""
    serial, _ = preview_state(browser)
    for name in ("color1", "color2"):
        pick_color(browser, name, "#802010")
    wait_for_full(browser, serial)
    linear = browser.execute_script("return settings.params.color2")
    assert linear == pytest.approx([0.2158605, 0.0144438, 0.0051815], abs=1e-6)
    assert browser.find_element(By.ID, "p-params-color2-text").get_attribute("value") \
        == "0.2159, 0.01444, 0.005182"
    pixels = read_pixels(page_bake(browser, "color", 16, 1)).astype(np.int64) >> 8
    assert np.abs(pixels[..., :3] - np.array([0x80, 0x20, 0x10])).max() <= 1
    # Typed: linear floats (above 1 too, which the map draws as 1) or display hex; the picker
    # shows them encoded.
    for name in ("color1", "color2"):
        type_color(browser, name, "0.5, 2, 0")
    assert browser.execute_script("return settings.params.color2") == [0.5, 2, 0]
    assert browser.find_element(By.ID, "p-params-color2").get_attribute("value") == "#bcff00"
    pixels = read_pixels(page_bake(browser, "color", 16, 1)).astype(np.int64) >> 8
    assert np.abs(pixels[..., :3] - np.array([0xbc, 0xff, 0x00])).max() <= 1
    type_color(browser, "color1", "#336699")
    assert browser.find_element(By.ID, "p-params-color1").get_attribute("value") == "#336699"
    assert browser.execute_script("return settings.params.color1") == \
        pytest.approx([0.0331048, 0.1328683, 0.3185468], abs=1e-6)
    # Back to a new map's colours, which the hex codes give exactly.
    serial, _ = preview_state(browser)
    type_color(browser, "color1", "#000000")
    type_color(browser, "color2", "#ffffff")
    wait_for_full(browser, serial)
    assert browser.execute_script("return [settings.params.color1, settings.params.color2]") \
        == [[0, 0, 0], [1, 1, 1]]


def test_controls_are_grouped_and_explained(browser):
    groups = browser.execute_script(
        "return [...document.querySelectorAll('#controls > details.group > summary')]"
        ".map((s) => s.textContent)")
    assert groups == ["Pattern", "Shape", "Colours", "Erosion", "Distortion", "Mapping"]
    pattern = browser.execute_script(
        "return [...document.querySelectorAll('#group-pattern > .control > label:first-child')]"
        ".map((l) => l.textContent)")
    assert pattern == ["Layout seed", "Size", "Size Map", "Stretch", "Stretch Map", "Spread",
                       "Spread Map", "Type", "Levels"]
    # Each colour beside its slot and the slot's switch, under the map's own labels.
    colours = browser.execute_script(
        "return [...document.querySelectorAll('#group-colours > .control')].map((r) => "
        "[r.querySelector('label').textContent, r.querySelector('.switch')?.textContent.trim()])")
    assert colours == [["Color 1", None], ["Color 1 Map", "Color 1 MapEnabled"],
                       ["Color 2", None], ["Color 2 Map", "Color 2 MapEnabled"]]
    assert browser.find_element(By.ID, "p-params-col1mapEnabled").find_element(
        By.XPATH, "ancestor::div[contains(@class, 'control')]").get_attribute("class") \
        == "control slot"
    # Every control says what it does, on a line of its own beside the label.
    missing = browser.execute_script(
        "return [...document.querySelectorAll('#controls .control')]"
        ".filter((r) => !r.querySelector(':scope > .explain')?.textContent)"
        ".map((r) => r.querySelector('label').textContent)")
    assert missing == []
    explain = browser.find_element(By.ID, "p-params-type-explain").get_attribute("textContent")
    assert "single 3D level runs along Z" in explain
    assert "bottom of a scratch" in browser.find_element(
        By.ID, "p-params-color1-explain").get_attribute("textContent")


# Every slider's values over its whole travel: at most three significant digits each.
SLIDER_VALUES_JS = """
const out = {};
for (const r of document.querySelectorAll('#controls input[type=range]')) {
  const field = r.parentElement.querySelector('input[type=number]');
  const seen = [];
  const steps = Math.round((r.max - r.min) / r.step);
  for (let i = 0; i <= 100; ++i) {
    r.value = Number(r.min) + Math.round(steps * i / 100) * Number(r.step);
    r.dispatchEvent(new Event('input'));
    seen.push(field.value);
  }
  out[r.id] = seen;
}
return out;
"""


def test_sliders_print_clean_numbers(browser):
    values = browser.execute_script(SLIDER_VALUES_JS)
    assert len(values) >= 30
    for slider, seen in values.items():
        for text in seen:
            if re.fullmatch(r"-?\d+", text):
                continue  # a whole number is clean whatever its length
            digits = re.sub(r"^-?0?\.?0*", "", text).replace(".", "")
            assert len(digits.rstrip("0") if "." not in text else digits) <= 3, (slider, text)
    # Wide ranges on logarithmic sliders: the new map's value sits well inside the travel.
    for name, low, high in [("size", 0, 100), ("distortStr", 0, 100), ("bumpDelta", 0, 1)]:
        seen = [float(v) for v in values[f"r-params-{name}"]]
        assert seen[0] == low and seen[-1] == high
        new = browser.execute_script(f"return desc.reset.params.{name}")
        at = min(range(len(seen)), key=lambda i: abs(seen[i] - new))
        assert 25 <= at <= 75, (name, at)
    serial, _ = preview_state(browser)
    browser.find_element(By.ID, "reset-all").click()
    wait_for_full(browser, serial)
    # The field takes any value in range.
    serial, _ = preview_state(browser)
    set_field(browser, "p-params-size", "37.3\n")
    wait_for_full(browser, serial)
    assert browser.execute_script("return settings.params.size") == 37.3
    assert browser.find_element(By.ID, "p-params-size").get_attribute("value") == "37.3"
    ActionChains(browser).double_click(browser.find_element(By.ID, "p-params-size")).perform()
    WebDriverWait(browser, WAIT).until(
        lambda d: d.execute_script("return settings.params.size") == 10)


def preview_image(driver):
    """The preview image's own pixels (not a screenshot of the page), as a string."""
    return driver.execute_script("""
        const img = document.getElementById('preview');
        const c = document.createElement('canvas');
        c.width = img.naturalWidth; c.height = img.naturalHeight;
        const g = c.getContext('2d');
        g.drawImage(img, 0, 0);
        const d = g.getImageData(0, 0, c.width, c.height).data;
        let h = 0;
        for (let i = 0; i < d.length; ++i) h = (h * 31 + d[i]) | 0;
        return c.width + 'x' + c.height + ':' + h;""")


def wait_settled(driver):
    """Until the latest change's final image is shown."""
    WebDriverWait(driver, WAIT, poll_frequency=0.05).until(lambda d: d.execute_script(
        "return !preview.inflight && preview.log.some((e) => "
        "e.generation === preview.generation && e.kind === 'full')"))
    return preview_state(driver)[0]


def test_layout_seed_changes_the_preview_and_is_saved(browser, work):
    serial = wait_settled(browser)
    before = preview_image(browser)
    browser.find_element(By.ID, "new-seed").click()
    serial = wait_for_full(browser, serial)
    seed = browser.execute_script("return settings.seed")
    assert seed > 0
    assert browser.find_element(By.ID, "layout-seed").get_attribute("value") == str(seed)
    assert preview_image(browser) != before
    assert f"%22seed%22%3A{seed}" in browser.current_url or f'"seed":{seed}' in browser.current_url
    saved = browser.downloads / "quorv-scratches.json"
    saved.unlink()
    browser.find_element(By.ID, "save-preset").click()
    saved = wait_for_download(browser, "quorv-scratches.json")
    assert json.loads(saved.read_text())["seed"] == seed
    cli = work / "seeded.json"
    run_tool("params", "--seed", str(seed), "--save-preset", str(cli))
    assert saved.read_text() == cli.read_text()
    # The map's own seed says what it does (and does not).
    explain = browser.find_element(By.ID, "p-Mapping-seed-explain").get_attribute("textContent")
    assert "changes nothing" in explain and "Layout seed" in explain
    set_field(browser, "layout-seed", "0\n")
    wait_for_full(browser, serial)
    assert browser.execute_script("return settings.seed") == 0
    assert preview_image(browser) == before


def test_empty_or_flat_settings_warn(browser):
    warnings = browser.find_element(By.ID, "warnings")
    assert not warnings.is_displayed()
    set_field(browser, "p-params-spread", "0.1\n")
    WebDriverWait(browser, WAIT).until(lambda d: warnings.is_displayed())
    assert "spread 0.1 draws almost no scratches" in warnings.text
    ActionChains(browser).double_click(browser.find_element(By.ID, "p-params-spread")).perform()
    WebDriverWait(browser, WAIT).until(lambda d: not warnings.is_displayed())
    for name in ("color1", "color2"):
        type_color(browser, name, "0.5")
    WebDriverWait(browser, WAIT).until(lambda d: "color1 and color2 are the same colour" in warnings.text)
    serial, _ = preview_state(browser)
    browser.find_element(By.ID, "reset-all").click()
    wait_for_full(browser, serial)
    WebDriverWait(browser, WAIT).until(lambda d: not warnings.is_displayed())


def preview_file(driver, path):
    """The preview image as the page holds it, into a PNG file."""
    data = driver.execute_script("""
        const img = document.getElementById('preview');
        const c = document.createElement('canvas');
        c.width = img.naturalWidth; c.height = img.naturalHeight;
        c.getContext('2d').drawImage(img, 0, 0);
        return c.toDataURL('image/png').split(',')[1];""")
    path.write_bytes(__import__("base64").b64decode(data))
    return path


@pytest.mark.parametrize("output", ["mask", "height", "normal", "random", "direction", "angle"])
def test_preview_shows_what_the_bake_writes(browser, work, output):
    """Mask, height, normal and the nearest scratch's previews are the bake's square as an 8-bit
    bake stores it."""
    set_field(browser, "bake-samples", "2\n")
    set_field(browser, "bake-depth", "0.5\n")
    if browser.find_element(By.ID, "bake-tileable").is_selected():
        browser.find_element(By.ID, "bake-tileable").click()
    Select(browser.find_element(By.ID, "view-output")).select_by_value(output)
    try:
        wait_settled(browser)
        assert not browser.find_element(By.ID, "shape").is_enabled()
        assert browser.find_element(By.ID, "preview").get_attribute("data-output") == output
        shown = read_pixels(preview_file(browser, work / f"shown-{output}.png")) >> 8
        cli = work / f"cli-{output}.png"
        run_tool("bake", "-q", "--output", output, "--res", "512", "--samples", "2", "--depth",
                 "0.5", "-o", str(cli))
        baked = read_pixels(cli) >> 8
        channels = baked.shape[2]
        assert np.array_equal(shown[..., :channels], baked)
    finally:
        if output == "normal":
            Select(browser.find_element(By.ID, "view-output")).select_by_value("color")
            wait_settled(browser)
            assert browser.find_element(By.ID, "shape").is_enabled()
            set_field(browser, "bake-depth", "0.2\n")
            set_field(browser, "bake-samples", "3\n")


def test_nested_map_is_edited_through_its_controls(browser, work):
    """A scratches map in the Distortion Map slot, edited through its own grouped controls
    folded under the slot; the bake is the command line's with the same nested settings."""
    Select(browser.find_element(By.ID, "p-maps-distortMap")).select_by_value("scratches")
    nested = browser.find_element(By.ID, "nested-distortMap")
    WebDriverWait(browser, WAIT).until(lambda d: nested.is_displayed())
    groups = browser.execute_script(
        "return [...document.querySelectorAll('#nested-distortMap details.group > summary')]"
        ".map((s) => s.textContent)")
    assert groups == ["Pattern", "Shape", "Colours", "Erosion", "Mapping"]
    assert browser.find_element(By.ID, "group-distortMap-pattern").get_attribute("open")
    set_field(browser, "p-distortMap-params-size", "4\n")
    set_field(browser, "p-distortMap-params-stretch", "2\n")
    Select(browser.find_element(By.ID, "p-distortMap-params-type")).select_by_value("0")
    browser.find_element(By.ID, "p-params-useDistortion").click()
    set_field(browser, "p-params-distortStr", "3\n")
    WebDriverWait(browser, WAIT).until(lambda d: d.execute_script(
        "return settings.params.distortStr") == 3)
    source = "scratches:size=4,stretch=2,type=0"
    assert browser.execute_script("return settings.maps.distortMap") == source
    assert browser.find_element(By.ID, "p-maps-distortMap-nested").get_attribute("value") \
        == source[len("scratches:"):]
    baked = page_bake(browser, "mask", 64, 1)
    cli = work / "cli-nested.png"
    run_tool("bake", "-q", "--set", "useDistortion=on", "--set", "distortStr=3", "--map",
             "distortMap=scratches:type=2d,size=4,stretch=2", "--output", "mask", "--res", "64",
             "--samples", "1", "-o", str(cli))
    assert np.array_equal(read_pixels(baked), read_pixels(cli))
    # A refused nested value is marked at its own control.
    set_field(browser, "p-distortMap-params-levels", "12\n")
    problem = browser.find_element(By.ID, "p-distortMap-params-levels-problem")
    WebDriverWait(browser, WAIT).until(lambda d: problem.is_displayed())
    assert problem.text.startswith("maps.distortMap (a scratches map): levels=12 is not accepted")
    ActionChains(browser).double_click(
        browser.find_element(By.ID, "p-distortMap-params-levels")).perform()
    WebDriverWait(browser, WAIT).until(lambda d: not problem.is_displayed())
    # Typed as text (names too), the controls follow.
    set_field(browser, "p-maps-distortMap-nested", "size=7,type=3d,color2=0.5,0.5,0.5\n")
    WebDriverWait(browser, WAIT).until(lambda d: d.execute_script(
        "return settings.maps.distortMap") == "scratches:size=7,type=3d,color2=0.5,0.5,0.5")
    assert browser.find_element(By.ID, "p-distortMap-params-size").get_attribute("value") == "7"
    assert Select(browser.find_element(By.ID, "p-distortMap-params-type")) \
        .first_selected_option.get_attribute("data-name") == "3d"
    # Undone step by step, and emptied.
    browser.find_element(By.ID, "undo").click()
    WebDriverWait(browser, WAIT).until(lambda d: d.execute_script(
        "return settings.maps.distortMap") == source)
    assert browser.find_element(By.ID, "p-distortMap-params-size").get_attribute("value") == "4"
    serial, _ = preview_state(browser)
    browser.find_element(By.ID, "reset-all").click()
    wait_for_full(browser, serial)
    assert not nested.is_displayed()
    assert browser.execute_script("return settings.maps") == {}


def test_every_bundled_preset_loads(browser, work):
    """The preset library: each bundled preset with its thumbnail; a click loads it, to the
    settings the command line's --preset NAME gives."""
    names = sorted(p.stem for p in (ROOT / "presets").glob("*.json"))
    assert len(names) >= 8
    shown = browser.execute_script(
        "return [...document.querySelectorAll('#looks .look')].map((b) => b.id.slice(5))")
    assert shown == names
    browser.execute_script("library.showThumbnails()")
    WebDriverWait(browser, WAIT).until(lambda d: d.execute_script(
        "return [...document.querySelectorAll('#looks .look img')]"
        ".every((i) => i.complete && i.naturalWidth === 112)"))
    for name in names:
        serial = wait_settled(browser)
        browser.find_element(By.ID, f"look-{name}").click()
        serial = wait_for_full(browser, serial)
        run_tool("params", "--preset", name, "--save-preset", str(work / f"{name}.json"))
        cli = json.loads((work / f"{name}.json").read_text())
        assert browser.execute_script("return settings") == cli, name
        note = browser.find_element(By.ID, "note").text
        assert note.startswith(f'Loaded "') and f"(--preset {name})" in note, note
        assert "current" in browser.find_element(By.ID, f"look-{name}").get_attribute("class")
        assert not browser.find_element(By.ID, "warnings").is_displayed(), name
    serial = wait_settled(browser)
    browser.find_element(By.ID, "reset-all").click()
    wait_for_full(browser, serial)


def test_note_of_a_loaded_preset_ends_with_reset_all(browser):
    serial, _ = preview_state(browser)
    browser.find_element(By.ID, "load-preset").send_keys(
        str(browser.downloads / "quorv-scratches.json"))
    serial = wait_for_full(browser, serial)
    assert browser.find_element(By.ID, "note").text == "Loaded quorv-scratches.json."
    browser.find_element(By.ID, "reset-all").click()
    wait_for_full(browser, serial)
    assert not browser.find_element(By.ID, "note").is_displayed()


def test_refused_value_is_marked_at_its_control(browser):
    """A value out of range: the tool's message at its control, the last preview kept, and
    saving says why it cannot."""
    serial, _ = preview_state(browser)
    src = browser.find_element(By.ID, "preview").get_attribute("src")
    set_field(browser, "p-params-levels", "12\n")
    problem = browser.find_element(By.ID, "p-params-levels-problem")
    WebDriverWait(browser, WAIT).until(lambda d: problem.is_displayed())
    assert "levels=12 is not accepted" in problem.text and "from 1 to 8" in problem.text
    assert "preset" not in problem.text
    time.sleep(1)
    assert preview_state(browser)[0] == serial
    assert browser.find_element(By.ID, "preview").get_attribute("src") == src
    assert browser.execute_script("return settings.params.levels") == 6
    assert browser.find_element(By.ID, "p-params-levels").get_attribute("value") == "12"
    saved = browser.downloads / "quorv-scratches.json"
    before = saved.stat().st_mtime_ns
    browser.find_element(By.ID, "save-preset").click()
    error = browser.find_element(By.ID, "error")
    WebDriverWait(browser, WAIT).until(lambda d: error.is_displayed())
    assert error.text.startswith("Cannot save the preset: levels holds a value")
    assert "from 1 to 8" in error.text
    time.sleep(0.5)
    assert saved.stat().st_mtime_ns == before and len(list(browser.downloads.glob("*.json"))) == 1
    # Corrected, it applies and the marks go.
    set_field(browser, "p-params-levels", "4\n")
    wait_for_full(browser, serial)
    assert not problem.is_displayed()
    assert browser.execute_script("return settings.params.levels") == 4
    ActionChains(browser).double_click(browser.find_element(By.ID, "p-params-levels")).perform()
    WebDriverWait(browser, WAIT).until(
        lambda d: d.execute_script("return settings.params.levels") == 6)


# Every visible element that shows something or takes input, and the panels that hold them;
# none may cover another unless one holds the other.
OVERLAPS_JS = """
const picked = document.querySelectorAll(
  'header, main > section, #frame, #preview, #tiled, #bake, details, summary, h1, h2, p, li, ' +
  'label, input, select, button, progress, img, .row > span, .problem, .explain, .grid > *');
const boxes = [];
for (const el of picked) {
  const style = getComputedStyle(el);
  if (style.visibility === 'hidden' || Number(style.opacity) === 0) continue;
  const r = el.getBoundingClientRect();
  if (r.width < 1 || r.height < 1) continue;
  boxes.push({ el, r });
}
const found = [];
for (let i = 0; i < boxes.length; ++i) {
  for (let j = i + 1; j < boxes.length; ++j) {
    const a = boxes[i], b = boxes[j];
    if (a.el.contains(b.el) || b.el.contains(a.el)) continue;
    const w = Math.min(a.r.right, b.r.right) - Math.max(a.r.left, b.r.left);
    const h = Math.min(a.r.bottom, b.r.bottom) - Math.max(a.r.top, b.r.top);
    if (w > 0.5 && h > 0.5) {
      const name = (e) => e.tagName.toLowerCase() + (e.id ? '#' + e.id : '') +
        (e.className && typeof e.className === 'string' ? '.' + e.className.split(' ')[0] : '');
      found.push(`${name(a.el)} and ${name(b.el)} (${w.toFixed(0)} x ${h.toFixed(0)})`);
    }
  }
}
const wide = document.documentElement.scrollWidth > window.innerWidth + 1;
return { found: found.slice(0, 20), count: boxes.length, wide };
"""


def set_viewport(driver, width, height):
    """The window's inner size, as a desktop browser window of that size shows the page."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
    WebDriverWait(driver, WAIT).until(lambda d: d.execute_script(
        "return [window.innerWidth, window.innerHeight]") == [width, height])


def save_page_pictures(driver, name):
    """The window as shown, and the whole page, as the test's artefacts."""
    ARTEFACTS.mkdir(parents=True, exist_ok=True)
    driver.execute_script("window.scrollTo(0, 0)")
    driver.save_screenshot(str(ARTEFACTS / f"{name}.png"))
    shot = driver.execute_cdp_cmd("Page.captureScreenshot",
                                  {"format": "png", "captureBeyondViewport": True})
    (ARTEFACTS / f"{name}-page.png").write_bytes(__import__("base64").b64decode(shot["data"]))


@pytest.mark.parametrize("width,height", [(1024, 700), (1280, 900), (1920, 1080)])
def test_no_panel_covers_another(browser, width, height):
    """The flat bake's 2x2 repeat once covered the Bake panel; every panel open, at each size."""
    set_viewport(browser, width, height)
    if browser.find_element(By.ID, "view-output").get_attribute("value") != "color":
        Select(browser.find_element(By.ID, "view-output")).select_by_value("color")
    if browser.find_element(By.ID, "shape").get_attribute("value") != "flat":
        set_field(browser, "bake-samples", "3\n")
        Select(browser.find_element(By.ID, "shape")).select_by_value("flat")
        if not browser.find_element(By.ID, "repeat").is_selected():
            browser.find_element(By.ID, "repeat").click()
        if not browser.find_element(By.ID, "bake-tileable").is_selected():
            browser.find_element(By.ID, "bake-tileable").click()
        browser.execute_script("document.querySelectorAll('details').forEach((d) => { d.open = true; })")
        # The first image of the latest change.
        WebDriverWait(browser, WAIT, poll_frequency=0.02).until(lambda d: d.execute_script(
            "return preview.log.some((e) => e.generation === preview.generation)"))
    assert browser.find_element(By.ID, "tiled").is_displayed()
    assert not browser.find_element(By.ID, "preview").is_displayed()
    if width == 1024:
        # The plain flat bake first, the tileable one when ready, then antialiased.
        stages = stages_of_latest_change(browser)
        assert [k for k, _, _ in stages] == ["fast", "tiling", "full"], stages
        report("tileable flat preview: plain " + ", tileable ".join(
            f"{at} ms" for _, at, _ in stages[:2]) + f", antialiased {stages[2][1]} ms")
    result = browser.execute_script(OVERLAPS_JS)
    save_page_pictures(browser, f"page-{width}x{height}")
    assert result["count"] > 100
    assert result["found"] == []
    assert not result["wide"], "the page is wider than the window"


def test_back_to_the_sphere(browser):
    serial, _ = preview_state(browser)
    set_viewport(browser, 1280, 1000)
    Select(browser.find_element(By.ID, "shape")).select_by_value("sphere")
    browser.find_element(By.ID, "repeat").click()
    browser.find_element(By.ID, "bake-tileable").click()
    wait_for_full(browser, serial)


def test_address_carries_the_settings(browser, server):
    """A shared address opens the page as it was: values, seed, nested map and view."""
    settings = {"params": {"size": 4, "useDistortion": True},
                "maps": {"distortMap": "scratches:size=9,levels=2"}, "seed": 5}
    browser.get(server["url"] + "#s=" + __import__("urllib.parse").parse.quote(
        json.dumps(settings)) + "&output=mask")
    browser.refresh()
    WebDriverWait(browser, WAIT).until(lambda d: d.execute_script(
        "return document.body.dataset.ready === '1'"))
    wait_settled(browser)
    assert browser.find_element(By.ID, "p-params-size").get_attribute("value") == "4"
    assert browser.find_element(By.ID, "layout-seed").get_attribute("value") == "5"
    assert browser.find_element(By.ID, "view-output").get_attribute("value") == "mask"
    assert browser.find_element(By.ID, "p-distortMap-params-levels").get_attribute("value") == "2"
    assert browser.find_element(By.ID, "preview").get_attribute("data-output") == "mask"
    Select(browser.find_element(By.ID, "view-output")).select_by_value("color")
    wait_settled(browser)


def test_screenshot(browser):
    """The README's pictures: the page at 1280 x 960 with a bundled look loaded (its nested map
    folded under its slot), and the preset library (FILE-library.png beside it)."""
    path = os.environ.get("QUORV_SCREENSHOT")
    if not path:
        pytest.skip("QUORV_SCREENSHOT names no file")
    set_viewport(browser, 1280, 960)
    serial = wait_settled(browser)
    browser.find_element(By.ID, "look-layered-wear").click()
    wait_for_full(browser, serial)
    browser.execute_script("library.showThumbnails()")
    WebDriverWait(browser, WAIT).until(lambda d: d.execute_script(
        "return [...document.querySelectorAll('#looks .look img')].every((i) => i.complete)"))
    browser.execute_script("window.scrollTo(0, 0)")
    browser.save_screenshot(path)
    library = pathlib.Path(path).with_name(pathlib.Path(path).stem + "-library.png")
    library.write_bytes(browser.find_element(By.ID, "library").screenshot_as_png)


def test_foreign_host_is_refused(server):
    for headers in [{"Host": f"evil.example:{server['port']}"},
                    {"Host": f"127.0.0.1:{server['port']}", "Origin": "http://evil.example"}]:
        conn = http.client.HTTPConnection("127.0.0.1", server["port"], timeout=30)
        conn.request("GET", "/api/params", headers=headers)
        assert conn.getresponse().status == 403
        conn.close()


def test_ctrl_c_stops_cleanly(server, browser):
    proc = server["proc"]
    proc.send_signal(signal.SIGINT)
    out, _ = proc.communicate(timeout=30)
    assert "stopped" in out
    assert proc.returncode == -signal.SIGINT
