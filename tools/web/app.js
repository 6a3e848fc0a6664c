// The look-dev page: controls made from the tool's parameter description, a live preview,
// presets and bakes. Every value goes to the server, which checks it as the command line does.
'use strict';

const $ = (id) => document.getElementById(id);
// Each page has its own name, so tabs never share uploads or cancel each other's renders.
const tab = 'tab-' + Array.from(crypto.getRandomValues(new Uint32Array(2)), (n) => n.toString(36)).join('');

const COARSE = { res: 128, samples: 1 };  // while a control moves
// The final preview: 2 x 2 samples a pixel, 4 x 4 where they disagree (edges, thin scratches,
// highlights); the flat bake takes the Bake panel's samples.
const FULL = { res: 512, samples: 2 };
const REST_MS = 150;                      // the hand has stopped after this long
const GROUPS = [['Mapping', 'Mapping'], ['params', 'Parameters']];

let desc = null;          // GET /api/params
let settings = null;      // the preset's form: { params: {...}, Mapping: {...}, maps: {...} }
const undoStack = [], redoStack = [];
let gestureStart = null;  // the settings before the control now moving
const controls = new Map();  // "block.name" -> { row, show(value) }
const uploads = new Set();   // image names uploaded by this page
// Values typed but not accepted: "block.name" -> { text, message }. The settings keep the last
// accepted value (and the preview its image) until the value is corrected or reset.
const refused = new Map();

const clone = (o) => JSON.parse(JSON.stringify(o));
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);

function showError(message) {
  $('error').textContent = message || '';
  $('error').hidden = !message;
}
function showNote(message) {
  $('note').textContent = message || '';
  $('note').hidden = !message;
}

async function post(path, body) {
  return fetch(path, {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body),
  });
}
async function errorOf(response) {
  try { return (await response.json()).error; } catch { return response.status + ' ' + response.statusText; }
}
function download(blob, name) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(blob);
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60000);
}

// ---- The URL carries the settings that differ from a new map's, and the view.

function writeUrl() {
  const diff = {};
  for (const block of Object.keys(settings)) {
    if (typeof settings[block] !== 'object') {  // the preset's "seed"
      if (settings[block]) diff[block] = settings[block];
      continue;
    }
    for (const [name, value] of Object.entries(settings[block])) {
      if (block !== 'maps' && same(desc.reset[block]?.[name], value)) continue;
      (diff[block] ??= {})[name] = value;
    }
  }
  const hash = new URLSearchParams();
  if (Object.keys(diff).length) hash.set('s', JSON.stringify(diff));
  if ($('shape').value !== 'sphere') hash.set('shape', $('shape').value);
  if ($('repeat').checked) hash.set('repeat', '1');
  history.replaceState(null, '', hash.toString() ? '#' + hash.toString() : location.pathname);
}

function readUrl() {
  const hash = new URLSearchParams(location.hash.slice(1));
  try {
    const diff = JSON.parse(hash.get('s') || '{}');
    for (const [block, values] of Object.entries(diff)) {
      if (block === 'seed' && Number.isInteger(values)) settings.seed = values;
      if (!settings[block] || typeof values !== 'object') continue;
      Object.assign(settings[block], values);
    }
  } catch {
    showError('The address holds settings that are not readable; starting from the preset.');
  }
  if (desc.shapes.includes(hash.get('shape'))) $('shape').value = hash.get('shape');
  $('repeat').checked = hash.get('repeat') === '1';
}

// ---- Undo and redo: whole settings, one step per finished change.

function remember(before) {
  if (same(before, settings)) return;
  undoStack.push(before);
  if (undoStack.length > 200) undoStack.shift();
  redoStack.length = 0;
  updateHistoryButtons();
}
function updateHistoryButtons() {
  $('undo').disabled = !undoStack.length;
  $('redo').disabled = !redoStack.length;
}
function restore(from, to) {
  if (!from.length) return;
  to.push(clone(settings));
  settings = from.pop();
  updateHistoryButtons();
  refreshControls();
  changed('commit');
}

// ---- Changes: a coarse preview while a control moves, the full one when it rests.

// phase 'drag': the control is moving; 'commit': the change is done.
function setValue(block, name, value, phase) {
  if (!gestureStart) gestureStart = clone(settings);
  settings[block][name] = value;
  if (phase === 'commit') {
    remember(gestureStart);
    gestureStart = null;
  }
  markChanged(block, name);
  changed(phase);
}

// A typed value: the server checks it as the command line would; accepted, it is set; refused,
// it is marked at its control with the tool's message (which names the accepted range).
async function tryValue(block, name, value, text) {
  const candidate = clone(settings);
  candidate[block][name] = value;
  let response;
  try {
    response = await post('/api/check', { tab, settings: candidate });
  } catch (e) {
    showError(e.message);
    return;
  }
  if (response.ok) {
    clearRefused(block, name);
    setValue(block, name, value, 'commit');
    showWarnings((await response.json()).warnings);
    return;
  }
  let reply = {};
  try { reply = await response.json(); } catch { /* not JSON */ }
  const message = reply.error || `${response.status} ${response.statusText}`;
  const key = reply.param && !reply.param.slot ? reply.param.block + '.' + reply.param.name : null;
  markRefused(key && controls.has(key) ? key : block + '.' + name, text ?? String(value), message);
}

function markRefused(key, text, message) {
  refused.set(key, { text, message });
  const c = controls.get(key);
  if (c) {
    c.row.classList.add('refused');
    c.problem.textContent = message;
    c.problem.hidden = false;
  } else {
    showError(message);
  }
  updateRefusedNote();
}

function clearRefused(block, name) {
  const key = block + '.' + name;
  if (!refused.delete(key)) return;
  const c = controls.get(key);
  if (c) {
    c.row.classList.remove('refused');
    c.problem.hidden = true;
    c.problem.textContent = '';
  }
  updateRefusedNote();
}

function clearAllRefused() {
  for (const key of [...refused.keys()]) {
    const dot = key.indexOf('.');
    clearRefused(key.slice(0, dot), key.slice(dot + 1));
  }
}

// What cannot be done while a value is refused, and why.
function refusedReason(what) {
  if (!refused.size) return '';
  const names = [...refused.keys()].map((k) => k.slice(k.indexOf('.') + 1));
  const first = refused.values().next().value;
  return `${what}: ${names.join(', ')} ${names.length > 1 ? 'hold values' : 'holds a value'} ` +
    `that the map does not accept (${first.message}). Correct ${names.length > 1 ? 'them' : 'it'}` +
    ' or double-click to reset.';
}

function updateRefusedNote() {
  $('refused-note').textContent = refused.size
    ? `${refused.size} value${refused.size > 1 ? 's' : ''} not accepted: the preview shows the last accepted settings.`
    : '';
  $('refused-note').hidden = !refused.size;
}

function showWarnings(list) {
  const box = $('warnings');
  box.replaceChildren(...(list || []).map((w) => {
    const li = document.createElement('li');
    li.textContent = w;
    return li;
  }));
  box.hidden = !box.children.length;
}

let warningSerial = 0;
async function refreshWarnings() {
  const serial = ++warningSerial;
  try {
    const response = await post('/api/check', { tab, settings });
    if (serial !== warningSerial) return;
    if (response.ok) showWarnings((await response.json()).warnings);
  } catch { /* the render reports what is wrong */ }
}

function changed(phase) {
  writeUrl();
  preview.request(phase === 'drag' ? 'coarse' : 'full');
  if (phase !== 'drag') refreshWarnings();
}

// A change draws in stages, each replacing the one before and each given up for a newer change
// (the server cancels a tab's stale render when a newer one arrives):
//   coarse  while a control moves: small, one sample a pixel;
//   fast    once the hand stops: full size, one sample a pixel, no refinement;
//   tiling  (flat, tileable) the tileable bake at one sample a pixel, after the plain one;
//   full    antialiased: the final image.
const preview = {
  inflight: null,     // { stage, controller, generation }
  coarseWanted: false,
  restTimer: 0,
  shownUrl: null,
  serial: 0,
  generation: 0,      // one for each change; a stage of an older one is not shown
  requestedAt: 0,     // performance.now() of the latest change's request
  log: [],            // { kind, generation, at (ms after its change), ms (its own time) }

  // The stages after a change, for the view chosen.
  stages() {
    const flat = $('shape').value === 'flat';
    const tileable = flat && $('bake-tileable').checked;
    const samples = flat ? Math.min(desc.limits.maxPreviewSamples,
      Math.max(1, Math.round(Number($('bake-samples').value)) || 3)) : FULL.samples;
    const stages = [{ kind: 'fast', res: FULL.res, samples: 1, refine: false, tileable: false }];
    if (tileable) stages.push({ kind: 'tiling', res: FULL.res, samples: 1, refine: false, tileable: true });
    const full = { kind: 'full', res: FULL.res, samples, refine: true, tileable };
    // A stage that would draw what the final one draws is left out (the flat bake has no
    // refinement: at one sample a pixel its final image is its first).
    const sameAs = (a) => a.samples === full.samples && a.tileable === full.tileable &&
      (flat || a.refine === full.refine || full.samples === 1);
    return [...stages.filter((a) => !sameAs(a)), full];
  },

  request(kind) {
    clearTimeout(this.restTimer);
    if (kind === 'coarse') {
      // One coarse image at a time; a newer wish waits for it, then the latest settings go.
      this.restTimer = setTimeout(() => this.request('full'), REST_MS);
      if (this.inflight?.stage.kind === 'coarse') {
        this.coarseWanted = true;
        return;
      }
    }
    // Whatever is in flight is stale now: the server cancels it when this request arrives.
    this.inflight?.controller.abort();
    const generation = ++this.generation;
    this.requestedAt = performance.now();
    this.chain(kind === 'coarse' ? [{ kind: 'coarse', ...COARSE, refine: false, tileable: false }]
      : this.stages(), generation);
  },

  async chain(stages, generation) {
    for (const stage of stages) {
      if (generation !== this.generation) return;
      if (!(await this.run(stage, generation))) return;
    }
  },

  // One stage; true when its image is shown.
  async run(stage, generation) {
    const controller = new AbortController();
    const job = { stage, controller, generation };
    this.inflight = job;
    if (stage.kind === 'coarse') this.coarseWanted = false;
    const started = performance.now();
    $('status').textContent = { coarse: 'drawing…', fast: 'rendering…', tiling: 'tiling…',
      full: 'antialiasing…' }[stage.kind];
    let shown = false;
    try {
      const response = await fetch('/api/render', {
        method: 'POST', headers: { 'Content-Type': 'application/json' }, signal: controller.signal,
        body: JSON.stringify({
          tab, settings, shape: $('shape').value, tileable: stage.tileable, res: stage.res,
          samples: stage.samples, refine: stage.refine,
        }),
      });
      if (response.status === 409) return false;  // superseded
      if (!response.ok) {
        let reply = {};
        try { reply = await response.json(); } catch { /* not JSON */ }
        const message = reply.error || `${response.status} ${response.statusText}`;
        const key = reply.param && !reply.param.slot && reply.param.block + '.' + reply.param.name;
        if (key && controls.has(key)) markRefused(key, String(settings[reply.param.block]?.[reply.param.name]), message);
        else showError(message);
        $('status').textContent = 'not drawn';
        return false;
      }
      const blob = await response.blob();
      if (controller.signal.aborted || generation !== this.generation) return false;
      const now = performance.now();
      this.log.push({ kind: stage.kind, generation, at: Math.round(now - this.requestedAt),
        ms: Math.round(now - started) });
      if (this.log.length > 200) this.log.shift();
      this.show(blob, stage, Math.round(now - started));
      showError('');
      shown = true;
    } catch (e) {
      if (e.name !== 'AbortError') showError(e.message);
    } finally {
      if (this.inflight === job) {
        this.inflight = null;
        if (this.coarseWanted) this.request('coarse');
      }
    }
    return shown;
  },

  show(blob, stage, ms) {
    const url = URL.createObjectURL(blob);
    const img = $('preview');
    if (this.shownUrl) URL.revokeObjectURL(this.shownUrl);
    this.shownUrl = url;
    img.src = url;
    const tiled = $('tiled');
    tiled.style.backgroundImage = `url("${url}")`;
    const repeat = $('shape').value === 'flat' && $('repeat').checked;
    tiled.hidden = !repeat;
    img.hidden = repeat;
    img.dataset.kind = stage.kind;
    img.dataset.serial = String(++this.serial);
    img.dataset.ms = String(ms);
    const what = {
      coarse: 'coarse', fast: '1 sample a pixel', full: 'antialiased',
      tiling: 'tileable, 1 sample a pixel (antialiasing next)',
    }[stage.kind];
    const plain = stage.kind === 'fast' && this.stages().some((s) => s.tileable);
    $('status').textContent = `${what}${plain ? ' (plain; tiling next)' : ''}: ${ms} ms`;
  },
};

// ---- Controls, made from the parameter description.

// Slider ends: the declared range when it is short, else a useful span around the new map's
// value (the number field still takes the whole range).
function sliderRange(p, reset) {
  const lo = p.range?.[0] ?? -1e6, hi = p.range?.[1] ?? 1e6;
  if (hi - lo <= 1000) return [lo, hi];
  if (/angle/.test(p.name)) return [Math.max(lo, -360), Math.min(hi, 360)];
  const span = Math.max(100, 4 * Math.abs(reset));
  return [Math.max(lo, -span), Math.min(hi, span)];
}

function formatNumber(v, isInt) {
  return isInt ? String(v) : String(Number(v.toPrecision(7)));
}

function markChanged(block, name) {
  const c = controls.get(block + '.' + name);
  if (c) c.row.classList.toggle('changed', !same(settings[block][name], desc.reset[block]?.[name]));
}

function makeRow(p, block) {
  const row = document.createElement('div');
  row.className = 'control';
  const label = document.createElement('label');
  label.textContent = p.label || p.name;
  label.title = `${p.name}${p.note ? ': ' + p.note : ''} (double-click a control to reset it)`;
  row.appendChild(label);
  const id = `p-${block}-${p.name}`;
  label.htmlFor = id;
  const problem = document.createElement('div');
  problem.className = 'problem';
  problem.id = `${id}-problem`;
  problem.setAttribute('role', 'alert');
  problem.hidden = true;
  row.appendChild(problem);
  // Double-click: back to a new map's value.
  row.addEventListener('dblclick', (e) => {
    if (e.target.tagName === 'SELECT') return;
    const reset = desc.reset[block]?.[p.name];
    if (reset === undefined) return;
    if (refused.has(block + '.' + p.name)) {
      clearRefused(block, p.name);
      controls.get(block + '.' + p.name).show(settings[block][p.name]);
    }
    if (same(reset, settings[block][p.name])) return;
    gestureStart = null;
    setValue(block, p.name, clone(reset), 'commit');
    controls.get(block + '.' + p.name).show(reset);
  });
  return { row, id, problem };
}

function numberControl(p, block) {
  const { row, id } = makeRow(p, block);
  const isInt = p.type === 'int';
  const reset = desc.reset[block][p.name];
  const [lo, hi] = sliderRange(p, reset);
  const range = document.createElement('input');
  range.type = 'range';
  range.id = `r-${block}-${p.name}`;
  range.min = lo;
  range.max = hi;
  range.step = isInt ? 1 : (hi - lo) / 1000;
  range.setAttribute('aria-label', (p.label || p.name) + ' slider');
  const field = document.createElement('input');
  field.type = 'number';
  field.id = id;
  field.step = isInt ? 1 : 'any';
  if (p.range) [field.min, field.max] = p.range;
  range.addEventListener('input', () => {
    const v = isInt ? Math.round(+range.value) : Number((+range.value).toPrecision(6));
    field.value = formatNumber(v, isInt);
    setValue(block, p.name, v, 'drag');
  });
  range.addEventListener('change', () => setValue(block, p.name, +field.value, 'commit'));
  field.addEventListener('change', () => {
    const text = field.value.trim();
    const v = Number(text);
    // The tool's own check, with its message at the control, for anything but an empty field.
    tryValue(block, p.name, text === '' ? text : Number.isFinite(v) ? v : text, field.value);
  });
  row.append(range, field);
  return {
    row,
    show(v) {
      range.value = v;
      field.value = formatNumber(v, isInt);
    },
  };
}

function choiceControl(p, block) {
  const { row, id } = makeRow(p, block);
  const select = document.createElement('select');
  select.id = id;
  for (const c of p.choices) {
    const option = document.createElement('option');
    option.value = String(c.value);
    option.dataset.name = c.name;
    option.textContent = c.label || c.name;
    select.appendChild(option);
  }
  select.addEventListener('change', () => setValue(block, p.name, Number(select.value), 'commit'));
  const wide = document.createElement('div');
  wide.className = 'wide';
  wide.appendChild(select);
  row.appendChild(wide);
  return { row, show(v) { select.value = String(v); } };
}

function boolControl(p, block) {
  const { row, id } = makeRow(p, block);
  const box = document.createElement('input');
  box.type = 'checkbox';
  box.id = id;
  box.addEventListener('change', () => setValue(block, p.name, box.checked, 'commit'));
  const wide = document.createElement('div');
  wide.className = 'wide';
  wide.appendChild(box);
  row.appendChild(wide);
  return { row, show(v) { box.checked = !!v; } };
}

// A colour picker shows display (sRGB-encoded) colours; the map takes linear ones. Picked
// colours are decoded, the map's colours encoded back, so that a flat colour picked is the
// colour a colour bake writes (the bake encodes as the tool's SrgbEncode does).
const srgbDecode = (e) => (e <= 0 ? 0 : e >= 1 ? 1
  : e <= 0.04045 ? e / 12.92 : Math.pow((e + 0.055) / 1.055, 2.4));
const srgbEncode = (l) => (!(l > 0) ? 0 : l >= 1 ? 1
  : l <= 0.0031308 ? 12.92 * l : 1.055 * Math.pow(l, 1 / 2.4) - 0.055);
const toHex = (rgb) => '#' + rgb.map((c) => Math.round(srgbEncode(c) * 255)
  .toString(16).padStart(2, '0')).join('');
const fromHex = (hex) => [1, 3, 5].map((i) =>
  Number(srgbDecode(parseInt(hex.substr(i, 2), 16) / 255).toPrecision(7)));
// Typed colours: "#rgb" or "#rrggbb" (display sRGB, as a picker), or linear floats "r,g,b"
// (also space-separated; one number is a grey), any value from 0 up. null when unreadable.
function parseColor(text) {
  const t = text.trim();
  let m = /^#?([0-9a-f]{6})$/i.exec(t);
  if (m) return fromHex('#' + m[1]);
  m = /^#([0-9a-f]{3})$/i.exec(t);
  if (m) return fromHex('#' + m[1].replace(/./g, (c) => c + c));
  const parts = t.split(/[\s,;]+/).filter((x) => x !== '');
  if (parts.length !== 1 && parts.length !== 3) return null;
  const v = parts.map(Number);
  if (!v.every((x) => Number.isFinite(x) && x >= 0)) return null;
  return parts.length === 1 ? [v[0], v[0], v[0]] : v;
}
const colorText = (rgb) => rgb.map((c) => String(Number(c.toPrecision(4)))).join(', ');

function colorControl(p, block) {
  const { row, id } = makeRow(p, block);
  const picker = document.createElement('input');
  picker.type = 'color';
  picker.id = id;
  picker.title = 'Pick a display (sRGB) colour; the map receives it linear';
  const text = document.createElement('input');
  text.type = 'text';
  text.id = `${id}-text`;
  text.className = 'color-text';
  text.spellcheck = false;
  text.title = 'Type #rrggbb (display sRGB, as the picker) or linear r, g, b (values above 1 allowed)';
  text.setAttribute('aria-label', `${p.label || p.name}: hex or linear r, g, b`);
  for (const [event, phase] of [['input', 'drag'], ['change', 'commit']]) {
    picker.addEventListener(event, () => {
      const v = fromHex(picker.value);
      text.value = colorText(v);
      text.classList.remove('invalid');
      setValue(block, p.name, v, phase);
    });
  }
  text.addEventListener('change', () => {
    const v = parseColor(text.value);
    if (!v) {
      markRefused(block + '.' + p.name, text.value,
        `${p.name} = "${text.value}": type #rrggbb (display sRGB) or linear r, g, b ` +
        '(numbers from 0 up, above 1 too)');
      return;
    }
    clearRefused(block, p.name);
    picker.value = toHex(v);
    setValue(block, p.name, v, 'commit');
    text.value = colorText(v);
  });
  const wide = document.createElement('div');
  wide.className = 'wide';
  wide.append(picker, text);
  row.appendChild(wide);
  return {
    row,
    show(v) {
      picker.value = toHex(v);
      if (document.activeElement !== text) text.value = colorText(v);
      text.classList.remove('invalid');
    },
  };
}

function pointControl(p, block) {
  const { row, id } = makeRow(p, block);
  const triple = document.createElement('div');
  triple.className = 'triple';
  const fields = ['x', 'y', 'z'].map((axis, i) => {
    const f = document.createElement('input');
    f.type = 'number';
    f.step = 'any';
    f.id = i === 0 ? id : `${id}-${axis}`;
    f.setAttribute('aria-label', `${p.label || p.name} ${axis}`);
    f.addEventListener('change', () => {
      const v = fields.map((g) => (g.value.trim() === '' ? NaN : Number(g.value)));
      if (v.every(Number.isFinite)) {
        tryValue(block, p.name, v, fields.map((g) => g.value).join(', '));
      } else {
        markRefused(block + '.' + p.name, fields.map((g) => g.value).join(', '),
          `${p.name}: each of x, y and z takes a number`);
      }
    });
    triple.appendChild(f);
    return f;
  });
  row.appendChild(triple);
  return { row, show(v) { fields.forEach((f, i) => { f.value = v[i]; }); } };
}

// A sub-map slot: empty, another scratches map (its settings as NAME=VALUE,...) or an image.
function slotControl(slot) {
  const { row, id } = makeRow(slot, 'maps');
  const wide = document.createElement('div');
  wide.className = 'wide';
  const kind = document.createElement('select');
  kind.id = id;
  for (const [value, text] of [['', 'none'], ['scratches', 'scratches map'], ['image', 'image']]) {
    const option = document.createElement('option');
    option.value = value;
    option.textContent = text;
    kind.appendChild(option);
  }
  const nested = document.createElement('input');
  nested.type = 'text';
  nested.id = `${id}-nested`;
  nested.placeholder = 'size=4,stretch=2';
  nested.setAttribute('aria-label', `${slot.label || slot.name}: the nested map's settings`);
  const file = document.createElement('input');
  file.type = 'file';
  file.accept = 'image/png';
  file.id = `${id}-file`;
  file.setAttribute('aria-label', `${slot.label || slot.name}: image`);
  const apply = (value) => {
    if (value === null) {
      if (!(slot.name in settings.maps)) return;
      gestureStart = clone(settings);
      delete settings.maps[slot.name];
      remember(gestureStart);
      gestureStart = null;
      changed('commit');
    } else {
      setValue('maps', slot.name, value, 'commit');
    }
  };
  const layout = () => {
    nested.hidden = kind.value !== 'scratches';
    file.hidden = kind.value !== 'image';
  };
  kind.addEventListener('change', () => {
    layout();
    if (kind.value === '') apply(null);
    if (kind.value === 'scratches') apply('scratches:' + nested.value);
  });
  nested.addEventListener('change', () => apply('scratches:' + nested.value));
  file.addEventListener('change', async () => {
    const f = file.files[0];
    if (!f) return;
    const response = await fetch(`/api/upload?tab=${tab}&name=${encodeURIComponent(f.name)}`, {
      method: 'POST', headers: { 'Content-Type': 'image/png' }, body: f,
    });
    if (!response.ok) {
      showError(await errorOf(response));
      return;
    }
    uploads.add(f.name);
    apply(f.name);
  });
  wide.append(kind, nested, file);
  row.appendChild(wide);
  const show = (v) => {
    if (v === undefined) kind.value = '';
    else if (v.startsWith('scratches:')) {
      kind.value = 'scratches';
      nested.value = v.slice('scratches:'.length);
    } else kind.value = 'image';
    layout();
  };
  return { row, show };
}

function buildControls() {
  const root = $('controls');
  for (const [block, title] of GROUPS) {
    const details = document.createElement('details');
    details.open = block !== 'Mapping';
    details.id = `group-${block}`;
    const summary = document.createElement('summary');
    summary.textContent = title;
    details.appendChild(summary);
    for (const p of desc.params.filter((q) => q.block === block && q.type !== 'map')) {
      const make = p.type === 'choice' ? choiceControl
        : p.type === 'float' || p.type === 'int' ? numberControl
        : p.type === 'bool' ? boolControl
        : p.type === 'color' ? colorControl : pointControl;
      const c = make(p, block);
      c.problem = c.row.querySelector('.problem');
      c.row.appendChild(c.problem);
      controls.set(block + '.' + p.name, c);
      details.appendChild(c.row);
    }
    if (block === 'params') {
      for (const slot of desc.params.filter((q) => q.type === 'map')) {
        const c = slotControl(slot);
        c.problem = c.row.querySelector('.problem');
        c.row.appendChild(c.problem);
        controls.set('maps.' + slot.name, c);
        details.appendChild(c.row);
      }
    }
    root.appendChild(details);
  }
}

function refreshControls() {
  clearAllRefused();
  for (const [key, c] of controls) {
    const [block, name] = key.split('.');
    c.show(settings[block]?.[name]);
    if (block !== 'maps') markChanged(block, name);
  }
}

// ---- Presets.

async function savePreset() {
  if (refused.size) {
    showError(refusedReason('Cannot save the preset'));
    return;
  }
  const response = await post('/api/preset', { tab, settings });
  if (!response.ok) {
    showError(await errorOf(response));
    return;
  }
  download(await response.blob(), 'quorv-scratches.json');
}

async function loadPreset(text, name) {
  let preset;
  try {
    preset = JSON.parse(text);
  } catch (e) {
    showError(`${name}: not JSON (${e.message})`);
    return;
  }
  // Images come only by upload: a preset's image files are matched by file name.
  const missing = [];
  if (preset && typeof preset.maps === 'object' && preset.maps) {
    for (const [slot, source] of Object.entries(preset.maps)) {
      if (typeof source !== 'string' || source.startsWith('scratches:')) continue;
      const base = source.split(/[\\/]/).pop();
      if (uploads.has(base)) preset.maps[slot] = base;
      else {
        missing.push(`${slot}: ${base}`);
        delete preset.maps[slot];
      }
    }
  }
  const response = await post('/api/preset', { tab, settings: preset });
  if (!response.ok) {
    showError(`${name}: ${await errorOf(response)}`);
    return;
  }
  const before = clone(settings);
  settings = await response.json();
  remember(before);
  refreshControls();
  showError('');
  showNote(missing.length ? `Upload the images of ${missing.join(', ')} to use them.` : `Loaded ${name}.`);
  changed('commit');
}

// ---- Bakes: one file per bake, with progress and cancel.

const bake = {
  job: null,

  async start() {
    if (this.job) return;
    if (refused.size) {
      showError(refusedReason('Not baked'));
      return;
    }
    const job = 'job-' + Math.random().toString(36).slice(2);
    this.job = job;
    const output = $('bake-output').value;
    const format = $('bake-format').value;
    const body = {
      tab, job, settings, res: $('bake-res').value.trim(), output, format,
      bits: Number($('bake-bits').value), samples: Number($('bake-samples').value),
      extent: Number($('bake-extent').value), depth: Number($('bake-depth').value),
      normalY: $('bake-normal-y').value, filtered: $('bake-filtered').checked,
      tileable: $('bake-tileable').checked,
    };
    $('bake-start').disabled = true;
    $('bake-cancel').disabled = false;
    $('bake-progress').value = 0;
    $('bake-status').textContent = 'baking…';
    const started = performance.now();
    const poll = setInterval(async () => {
      const r = await fetch(`/api/progress?job=${job}`);
      if (r.ok) {
        const p = await r.json();
        $('bake-progress').value = p.total ? p.done / p.total : 0;
      }
    }, 300);
    try {
      const response = await post('/api/bake', body);
      if (!response.ok) {
        const message = await errorOf(response);
        $('bake-status').textContent = message === 'cancelled' ? 'cancelled' : '';
        if (message !== 'cancelled') showError(message);
        return;
      }
      const blob = await response.blob();
      $('bake-progress').value = 1;
      const seconds = ((performance.now() - started) / 1000).toFixed(2);
      $('bake-status').textContent = `baked in ${seconds} s`;
      showError('');
      download(blob, `scratches-${output}.${format}`);
    } catch (e) {
      showError(e.message);
    } finally {
      clearInterval(poll);
      this.job = null;
      $('bake-start').disabled = false;
      $('bake-cancel').disabled = true;
    }
  },

  cancel() {
    if (this.job) post('/api/cancel', { job: this.job });
  },
};

// ---- Start.

function wire() {
  $('undo').addEventListener('click', () => restore(undoStack, redoStack));
  $('redo').addEventListener('click', () => restore(redoStack, undoStack));
  $('reset-all').addEventListener('click', () => {
    const before = clone(settings);
    settings = clone(desc.reset);
    remember(before);
    refreshControls();
    showNote('');
    showError('');
    changed('commit');
  });
  $('save-preset').addEventListener('click', savePreset);
  $('load-preset').addEventListener('change', async (e) => {
    const f = e.target.files[0];
    if (f) await loadPreset(await f.text(), f.name);
    e.target.value = '';
  });
  $('shape').addEventListener('change', () => changed('commit'));
  $('repeat').addEventListener('change', () => changed('commit'));
  $('bake-samples').addEventListener('change', () => {
    if ($('shape').value === 'flat') changed('commit');
  });
  $('bake-tileable').addEventListener('change', () => {
    if ($('shape').value === 'flat') changed('commit');
  });
  $('bake-start').addEventListener('click', () => bake.start());
  $('bake-cancel').addEventListener('click', () => bake.cancel());
  document.addEventListener('keydown', (e) => {
    const typing = e.target.tagName === 'INPUT' && /text|number/.test(e.target.type);
    if (!(e.ctrlKey || e.metaKey) || typing) return;
    const key = e.key.toLowerCase();
    if (key === 'z' && !e.shiftKey) restore(undoStack, redoStack);
    else if (key === 'y' || (key === 'z' && e.shiftKey)) restore(redoStack, undoStack);
    else return;
    e.preventDefault();
  });
  // A preset dropped anywhere on the page.
  let depth = 0;
  document.addEventListener('dragenter', (e) => {
    if (e.dataTransfer?.types.includes('Files')) $('drop').hidden = ++depth <= 0;
  });
  document.addEventListener('dragleave', () => { $('drop').hidden = --depth <= 0; });
  document.addEventListener('dragover', (e) => e.preventDefault());
  document.addEventListener('drop', async (e) => {
    e.preventDefault();
    depth = 0;
    $('drop').hidden = true;
    const f = e.dataTransfer.files[0];
    if (f) await loadPreset(await f.text(), f.name);
  });
}

async function start() {
  const response = await fetch('/api/params');
  if (!response.ok) {
    showError(await errorOf(response));
    return;
  }
  desc = await response.json();
  settings = clone(desc.start);
  settings.maps ??= {};
  for (const shape of desc.shapes) $('shape').add(new Option(shape === 'flat' ? 'flat (bake)' : shape, shape));
  for (const output of desc.outputs) $('bake-output').add(new Option(output, output));
  for (const format of desc.formats) $('bake-format').add(new Option(format, format));
  readUrl();
  buildControls();
  refreshControls();
  wire();
  writeUrl();
  preview.request('full');
  document.body.dataset.ready = '1';
}

start();
