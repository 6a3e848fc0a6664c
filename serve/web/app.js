// The look-dev page: controls made from the tool's parameter description (grouped and
// explained as texts.js says), a live preview, presets and bakes. Every value goes to the
// server, which checks it as the command line does.
'use strict';

const $ = (id) => document.getElementById(id);
// Each page has its own name, so tabs never share uploads or cancel each other's renders.
const tab = 'tab-' + Array.from(crypto.getRandomValues(new Uint32Array(2)), (n) => n.toString(36)).join('');

const COARSE = { res: 128, samples: 1 };  // while a control moves
// The final preview: 2 x 2 samples a pixel, 4 x 4 where they disagree (edges, thin scratches,
// highlights); the flat bake takes the Bake panel's samples.
const FULL = { res: 512, samples: 2 };
const REST_MS = 150;                      // the hand has stopped after this long
const MAX_SEED = 4294967295;              // the tool's --seed is 32 bits

let desc = null;          // GET /api/params
let byName = null;        // parameter name or alias -> its description
let settings = null;      // the preset's form: { params: {...}, Mapping: {...}, maps: {...}, seed }
const undoStack = [], redoStack = [];
let gestureStart = null;  // the settings before the control now moving
// Every control: "block.name" for the map's own, "SLOT/block.name" for a nested map's,
// "maps.SLOT" for a slot, "@seed" for the layout seed.
const controls = new Map();
const uploads = new Set();   // image names uploaded by this page
// Values typed but not accepted, by control key -> { text, message }. The settings keep the
// last accepted value (and the preview its image) until the value is corrected or reset.
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
async function replyOf(response) {
  try { return await response.json(); } catch { return { error: response.status + ' ' + response.statusText }; }
}
async function errorOf(response) {
  return (await replyOf(response)).error;
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

// Browsers allow only so many address changes a second (Chromium: 100 in 10 s), and a moving
// slider changes the settings far more often: the address follows at most every 300 ms.
let urlTimer = 0, urlWritten = 0;
function writeUrl() {
  clearTimeout(urlTimer);
  const wait = urlWritten + 300 - performance.now();
  if (wait > 0) {
    urlTimer = setTimeout(writeUrl, wait);
    return;
  }
  urlWritten = performance.now();
  try {
    history.replaceState(null, '', urlOfSettings());
  } catch { /* refused now: the next change writes it */ }
}

function urlOfSettings() {
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
  if ($('view-output').value !== 'color') hash.set('output', $('view-output').value);
  return hash.toString() ? '#' + hash.toString() : location.pathname;
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
  if ([...$('view-output').options].some((o) => o.value === hash.get('output'))) {
    $('view-output').value = hash.get('output');
  }
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
  gestureStart = null;
  to.push(clone(settings));
  settings = from.pop();
  updateHistoryButtons();
  refreshControls();
  changed('commit');
}

// ---- Nested scratches maps: a slot holds "scratches:NAME=VALUE,...", the form --map and
// presets take; the page edits its values through the same controls as the map's own.

const SCRATCHES = 'scratches:';

// The pieces of a source's list as the tool splits it: "a=1,color1=0.1,0.2,0.3,b=2" (a piece
// without '=' continues the value before it).
function splitSettings(list) {
  const out = [];
  for (const piece of list.split(',')) {
    if (out.length && !piece.includes('=')) out[out.length - 1] += ',' + piece;
    else if (piece !== '') out.push(piece);
  }
  return out;
}

const TRUE_WORDS = ['1', 'true', 'on', 'yes'], FALSE_WORDS = ['0', 'false', 'off', 'no'];

// A value's text as the tool reads it, for the parameter; undefined when the page cannot read
// it (the server still checks whatever is sent).
function readValueText(p, text) {
  const t = text.trim();
  if (p.type === 'bool') {
    if (TRUE_WORDS.includes(t.toLowerCase())) return true;
    if (FALSE_WORDS.includes(t.toLowerCase())) return false;
    return undefined;
  }
  if (p.type === 'choice') {
    const lower = t.toLowerCase();
    const c = p.choices.find((q) => String(q.value) === t || q.name.toLowerCase() === lower ||
      (q.label || '').toLowerCase() === lower);
    return c ? c.value : undefined;
  }
  if (p.type === 'color' || p.type === 'point') {
    const v = t.split(',').map((x) => (x.trim() === '' ? NaN : Number(x)));
    return v.length === 3 && v.every(Number.isFinite) ? v : undefined;
  }
  const v = t === '' ? NaN : Number(t);
  return Number.isFinite(v) ? v : undefined;
}

function valueText(p, v) {
  if (p.type === 'bool') return v ? '1' : '0';
  if (Array.isArray(v)) return v.map(String).join(',');
  return String(v);
}

// A nested map's values, { params, Mapping }, from its source; null when the page cannot read
// the source (it is then edited as text).
function nestedValues(source) {
  if (typeof source !== 'string' || !source.startsWith(SCRATCHES)) return null;
  const values = { params: clone(desc.reset.params), Mapping: clone(desc.reset.Mapping) };
  for (const piece of splitSettings(source.slice(SCRATCHES.length))) {
    const eq = piece.indexOf('=');
    if (eq <= 0) return null;
    const p = byName.get(piece.slice(0, eq).trim());
    if (!p || p.type === 'map') return null;
    const v = readValueText(p, piece.slice(eq + 1));
    if (v === undefined) return null;
    values[p.block][p.name] = v;
  }
  return values;
}

// The source of nested values: the ones that differ from a new map's, in declaration order.
function nestedSource(values) {
  const parts = [];
  for (const p of desc.params) {
    if (p.type === 'map') continue;
    const v = values[p.block][p.name];
    if (!same(v, desc.reset[p.block][p.name])) parts.push(`${p.name}=${valueText(p, v)}`);
  }
  return SCRATCHES + parts.join(',');
}

// Where a control's value lives: the map's own settings, or a nested map's in a slot.
const rootScope = {
  prefix: '', idPart: '', slot: null,
  values: () => settings,
  candidate(block, name, value) {
    const c = clone(settings);
    c[block][name] = value;
    return c;
  },
  set(block, name, value, phase) { setValue(block, name, value, phase); },
};

function slotScope(slot) {
  return {
    prefix: slot + '/', idPart: slot + '-', slot,
    values: () => nestedValues(settings.maps[slot]),
    candidate(block, name, value) {
      const c = clone(settings);
      const v = nestedValues(c.maps[slot]);
      v[block][name] = value;
      c.maps[slot] = nestedSource(v);
      return c;
    },
    set(block, name, value, phase) {
      const v = this.values();
      if (!v) return;
      v[block][name] = value;
      setValue('maps', slot, nestedSource(v), phase);
      markChanged(this.prefix + block + '.' + name);
      controls.get('maps.' + slot)?.syncText(settings.maps[slot]);
    },
  };
}

// ---- Changes: a coarse preview while a control moves, the full one when it rests.

// phase 'drag': the control is moving; 'commit': the change is done.
function setValue(block, name, value, phase) {
  if (!gestureStart) gestureStart = clone(settings);
  if (block === '@seed') settings.seed = value;
  else settings[block][name] = value;
  if (phase === 'commit') {
    remember(gestureStart);
    gestureStart = null;
  }
  markChanged(block === '@seed' ? '@seed' : block + '.' + name);
  changed(phase);
}

// The control key a refusal names.
function refusedKey(param) {
  if (!param) return null;
  const key = (param.slot ? param.slot + '/' : '') + param.block + '.' + param.name;
  return controls.has(key) ? key : null;
}

// A typed value: the server checks it as the command line would; accepted, it is set; refused,
// it is marked at its control with the tool's message (which names the accepted range).
async function tryValue(scope, block, name, value, text) {
  const key = scope.prefix + block + '.' + name;
  let response;
  try {
    response = await post('/api/check', { tab, settings: scope.candidate(block, name, value) });
  } catch (e) {
    showError(e.message);
    return;
  }
  const reply = await replyOf(response);
  if (response.ok) {
    clearRefused(key);
    scope.set(block, name, value, 'commit');
    showWarnings(reply.warnings);
    return;
  }
  markRefused(refusedKey(reply.param) ?? key, text ?? String(value), reply.error);
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

function clearRefused(key) {
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
  for (const key of [...refused.keys()]) clearRefused(key);
}

// What cannot be done while a value is refused, and why.
function refusedReason(what) {
  if (!refused.size) return '';
  const names = [...refused.keys()].map((k) => k.replace('/', ' › ').replace(/[^ ›]*\./, ''));
  const first = refused.values().next().value;
  const many = names.length > 1;
  return `${what}: ${names.join(', ')} ${many ? 'hold values' : 'holds a value'} that the map ` +
    `does not accept (${first.message}). Correct ${many ? 'them' : 'it'} or double-click to reset.`;
}

function updateRefusedNote() {
  const n = refused.size;
  $('refused-note').textContent = n
    ? `${n} value${n > 1 ? 's' : ''} not accepted: the preview shows the last accepted settings.`
    : '';
  $('refused-note').hidden = !n;
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
    const flat = preview.view().shape === 'flat';
    const response = await post('/api/check', { tab, settings, flat });
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
  requests: 0,        // each render's serial: the server gives up a stale one, whenever it comes
  requestedAt: 0,     // performance.now() of the latest change's request
  log: [],            // { kind, generation, at (ms after its change), ms (its own time) }

  // What the preview draws: the object, or the bake's square (also for every output but
  // colour, which show as the bake writes them).
  view() {
    const output = $('view-output').value;
    return { output, shape: output === 'color' ? $('shape').value : 'flat' };
  },

  // The stages after a change, for the view chosen.
  stages() {
    const flat = this.view().shape === 'flat';
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
          tab, serial: ++this.requests, settings, ...this.view(), tileable: stage.tileable, res: stage.res,
          samples: stage.samples, refine: stage.refine, ...bakeView(),
        }),
      });
      if (response.status === 409) return false;  // superseded
      if (!response.ok) {
        const reply = await replyOf(response);
        const key = refusedKey(reply.param);
        if (key) markRefused(key, String(controls.get(key).current()), reply.error);
        else showError(reply.error);
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
      if (stage.kind === 'full') library.showThumbnails();
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
    const repeat = this.view().shape === 'flat' && $('repeat').checked;
    tiled.hidden = !repeat;
    img.hidden = repeat;
    img.dataset.kind = stage.kind;
    img.dataset.output = this.view().output;
    img.dataset.serial = String(++this.serial);
    img.dataset.ms = String(ms);
    const what = {
      coarse: 'coarse', fast: '1 sample a pixel', full: 'antialiased',
      tiling: 'tileable, 1 sample a pixel (antialiasing next)',
    }[stage.kind];
    const plain = stage.kind === 'fast' && this.stages().some((s) => s.tileable);
    const output = this.view().output;
    $('status').textContent = `${output === 'color' ? '' : output + ', '}${what}` +
      `${plain ? ' (plain; tiling next)' : ''}: ${ms} ms`;
  },
};

// The Bake panel's settings that the flat preview shares, so that it shows what a bake writes.
function bakeView() {
  const number = (id, fallback) => {
    const v = Number($(id).value);
    return $(id).value.trim() !== '' && Number.isFinite(v) ? v : fallback;
  };
  return {
    extent: number('bake-extent', 50), depth: number('bake-depth', 0.2),
    normalY: $('bake-normal-y').value, filtered: $('bake-filtered').checked,
  };
}

// ---- Controls, made from the parameter description, grouped and explained as texts.js says.

const controlKey = (scope, block, name) => scope.prefix + block + '.' + name;

// A number as the page prints it: the shortest text of its single-precision value (what the
// map holds), so that 0.8 stays 0.8.
function formatNumber(v, isInt) {
  if (isInt) return String(v);
  if (!Number.isFinite(v)) return String(v);
  return String(Number(Math.fround(v).toPrecision(7)));
}

function decimalsOf(step) {
  const t = String(step);
  return t.includes('.') ? t.length - t.indexOf('.') - 1 : 0;
}

// A slider's positions and values. Logarithmic scales move by 1000 steps over their span, each
// value kept to two significant digits (1.5, 15, 150) so that the numbers print clean; linear
// ones move by their step. Values outside the span stay in the number field.
function sliderScale(p) {
  const steps = 1000;
  const lo = p.range?.[0] ?? -1e6, hi = p.range?.[1] ?? 1e6;
  let scale = SCALES[p.name];
  if (!scale) {
    const span = Math.min(hi, 100) - Math.max(lo, -100);
    const step = Math.pow(10, Math.floor(Math.log10(span / 200)));
    scale = { lin: [Math.max(lo, -100), Math.min(hi, 100)], step };
  }
  if (scale.lin) {
    const [a, b] = scale.lin, d = decimalsOf(scale.step);
    return {
      min: a, max: b, step: scale.step,
      toPosition: (v) => v,
      fromPosition: (t) => Number((Math.round(t / scale.step) * scale.step).toFixed(d)),
    };
  }
  const [a, b] = scale.log, first = scale.zero ? 1 : 0;
  const ratio = Math.log(b / a), n = steps - first;
  return {
    min: 0, max: steps, step: 1,
    toPosition(v) {
      if (scale.zero && v <= 0) return 0;
      if (!(v > 0)) return first;
      return Math.min(steps, Math.max(first, first + Math.round(Math.log(v / a) / ratio * n)));
    },
    fromPosition(t) {
      if (scale.zero && t <= 0) return 0;
      const v = a * Math.exp(ratio * (t - first) / n);
      return Math.min(b, Math.max(a, Number(v.toPrecision(2))));
    },
  };
}

function markChanged(key) {
  const c = controls.get(key);
  if (!c || !c.row) return;
  const v = c.current();
  c.row.classList.toggle('changed', c.reset !== undefined && !same(v, c.reset));
}

// A row: the map's label, the control, one line on what it does, and a place for a refusal.
function makeRow(p, scope, explainKey) {
  const row = document.createElement('div');
  row.className = 'control';
  const label = document.createElement('label');
  label.textContent = p.label || p.name;
  label.title = `${p.name}${p.note ? ': ' + p.note : ''} (double-click a control to reset it)`;
  const id = `p-${scope.idPart}${p.block}-${p.name}`;
  label.htmlFor = id;
  row.appendChild(label);
  const explain = document.createElement('div');
  explain.className = 'explain';
  explain.id = `${id}-explain`;
  explain.textContent = EXPLAIN[explainKey ?? p.name] || p.note || '';
  const problem = document.createElement('div');
  problem.className = 'problem';
  problem.id = `${id}-problem`;
  problem.setAttribute('role', 'alert');
  problem.hidden = true;
  return { row, id, explain, problem };
}

// Registers a control and gives its row the reset on double-click.
function register(key, parts, c, reset, current, apply) {
  const { row, explain, problem } = parts;
  if (explain.textContent) row.appendChild(explain);
  row.appendChild(problem);
  Object.assign(c, { key, row, problem, reset, current });
  controls.set(key, c);
  row.addEventListener('dblclick', (e) => {
    // Only this row's own: a nested map's rows inside a slot's row have theirs.
    if (e.target.tagName === 'SELECT' || e.target.closest('.control') !== row) return;
    if (reset === undefined) return;
    if (refused.has(key)) {
      clearRefused(key);
      c.show(current());
    }
    if (same(reset, current())) return;
    gestureStart = null;
    apply(clone(reset));
    c.show(reset);
  });
  return c;
}

function valueControl(p, scope) {
  const make = p.type === 'choice' ? choiceControl
    : p.type === 'float' || p.type === 'int' ? numberControl
    : p.type === 'bool' ? boolControl
    : p.type === 'color' ? colorControl : pointControl;
  const parts = makeRow(p, scope);
  const c = make(p, scope, parts);
  const key = controlKey(scope, p.block, p.name);
  return register(key, parts, c, desc.reset[p.block]?.[p.name],
    () => scope.values()?.[p.block][p.name],
    (v) => scope.set(p.block, p.name, v, 'commit'));
}

function numberControl(p, scope, { row, id }) {
  const isInt = p.type === 'int';
  const range = document.createElement('input');
  range.type = 'range';
  range.id = `r-${scope.idPart}${p.block}-${p.name}`;
  const s = isInt
    ? { min: p.range?.[0] ?? 0, max: p.range?.[1] ?? 100, step: 1, toPosition: (v) => v,
      fromPosition: (t) => Math.round(t) }
    : sliderScale(p);
  range.min = s.min;
  range.max = s.max;
  range.step = s.step;
  range.setAttribute('aria-label', (p.label || p.name) + ' slider');
  const field = document.createElement('input');
  field.type = 'number';
  field.id = id;
  field.step = 'any';
  if (p.range) [field.min, field.max] = p.range;
  field.title = p.range ? `any value from ${p.range[0]} to ${p.range[1]}` : 'any value';
  let last = null;
  range.addEventListener('input', () => {
    const v = s.fromPosition(Number(range.value));
    if (v === last) return;
    last = v;
    field.value = formatNumber(v, isInt);
    clearRefused(controlKey(scope, p.block, p.name));
    scope.set(p.block, p.name, v, 'drag');
  });
  range.addEventListener('change', () => {
    last = null;
    scope.set(p.block, p.name, s.fromPosition(Number(range.value)), 'commit');
  });
  field.addEventListener('change', () => {
    const text = field.value.trim();
    const v = Number(text);
    // The tool's own check, with its message at the control, for anything but a number too.
    tryValue(scope, p.block, p.name, text === '' ? text : Number.isFinite(v) ? v : text, field.value);
  });
  row.append(range, field);
  return {
    show(v) {
      if (v === undefined) return;
      range.value = s.toPosition(v);
      field.value = formatNumber(v, isInt);
    },
  };
}

function choiceControl(p, scope, { row, id }) {
  const select = document.createElement('select');
  select.id = id;
  for (const c of p.choices) {
    const option = document.createElement('option');
    option.value = String(c.value);
    option.dataset.name = c.name;
    option.textContent = c.label || c.name;
    select.appendChild(option);
  }
  select.addEventListener('change', () => scope.set(p.block, p.name, Number(select.value), 'commit'));
  const wide = document.createElement('div');
  wide.className = 'wide';
  wide.appendChild(select);
  row.appendChild(wide);
  return { show(v) { if (v !== undefined) select.value = String(v); } };
}

function boolControl(p, scope, { row, id }) {
  const box = document.createElement('input');
  box.type = 'checkbox';
  box.id = id;
  box.addEventListener('change', () => scope.set(p.block, p.name, box.checked, 'commit'));
  const wide = document.createElement('div');
  wide.className = 'wide';
  wide.appendChild(box);
  row.appendChild(wide);
  return { show(v) { box.checked = !!v; } };
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

function colorControl(p, scope, { row, id }) {
  const key = controlKey(scope, p.block, p.name);
  const picker = document.createElement('input');
  picker.type = 'color';
  picker.id = id;
  picker.title = 'Pick a display (sRGB) colour; the map receives it linear';
  const text = document.createElement('input');
  text.type = 'text';
  text.id = `${id}-text`;
  text.className = 'color-text';
  text.spellcheck = false;
  text.title = 'Type #rrggbb (display sRGB, as the picker) or linear r, g, b (above 1 too; the map draws at most 1)';
  text.setAttribute('aria-label', `${p.label || p.name}: hex or linear r, g, b`);
  for (const [event, phase] of [['input', 'drag'], ['change', 'commit']]) {
    picker.addEventListener(event, () => {
      const v = fromHex(picker.value);
      text.value = colorText(v);
      clearRefused(key);
      scope.set(p.block, p.name, v, phase);
    });
  }
  text.addEventListener('change', () => {
    const v = parseColor(text.value);
    if (!v) {
      markRefused(key, text.value,
        `${p.name} = "${text.value}": type #rrggbb (display sRGB) or linear r, g, b ` +
        '(numbers from 0 up, above 1 too)');
      return;
    }
    clearRefused(key);
    picker.value = toHex(v);
    scope.set(p.block, p.name, v, 'commit');
    text.value = colorText(v);
  });
  const wide = document.createElement('div');
  wide.className = 'wide';
  wide.append(picker, text);
  row.appendChild(wide);
  return {
    show(v) {
      if (!v) return;
      picker.value = toHex(v);
      if (document.activeElement !== text) text.value = colorText(v);
    },
  };
}

function pointControl(p, scope, { row, id }) {
  const key = controlKey(scope, p.block, p.name);
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
      const text = fields.map((g) => g.value).join(', ');
      if (v.every(Number.isFinite)) tryValue(scope, p.block, p.name, v, text);
      else markRefused(key, text, `${p.name}: each of x, y and z takes a number`);
    });
    triple.appendChild(f);
    return f;
  });
  row.appendChild(triple);
  return { show(v) { if (v) fields.forEach((f, i) => { f.value = v[i]; }); } };
}

// The layout seed: the tool's --seed (the preset's "seed"), with a button for a new one.
function seedControl() {
  const p = { block: '@seed', name: 'seed', label: 'Layout seed' };
  const parts = makeRow(p, rootScope, '@seed');
  const { row } = parts;
  row.querySelector('label').htmlFor = 'layout-seed';
  row.querySelector('label').title = 'The tool\'s --seed, kept in the preset as "seed"';
  const field = document.createElement('input');
  field.type = 'number';
  field.id = 'layout-seed';
  field.min = 0;
  field.max = MAX_SEED;
  field.step = 1;
  const button = document.createElement('button');
  button.type = 'button';
  button.id = 'new-seed';
  button.textContent = 'New seed';
  button.title = 'Another layout of the same scratches';
  const wide = document.createElement('div');
  wide.className = 'wide';
  wide.append(field, button);
  row.appendChild(wide);
  const apply = (v) => setValue('@seed', 'seed', v, 'commit');
  field.addEventListener('change', () => {
    const v = Number(field.value);
    if (field.value.trim() === '' || !Number.isInteger(v) || v < 0 || v > MAX_SEED) {
      markRefused('@seed', field.value, `seed = ${field.value}: the layout seed takes a whole number from 0 to ${MAX_SEED}`);
      return;
    }
    clearRefused('@seed');
    apply(v);
  });
  button.addEventListener('click', () => {
    const v = 1 + (crypto.getRandomValues(new Uint32Array(1))[0] % 999999);
    clearRefused('@seed');
    field.value = String(v);
    apply(v);
  });
  return register('@seed', parts, { show(v) { field.value = String(v ?? 0); } }, 0,
    () => settings.seed ?? 0, apply);
}

// A sub-map slot with its switch: empty, another scratches map (edited through its own
// controls, folded under the slot, or as NAME=VALUE,... text) or an uploaded image.
function slotControl(slot, switchParam, scope) {
  const parts = makeRow({ ...slot, block: 'maps' }, scope, slot.name);
  const { row, id } = parts;
  row.classList.add('slot');
  const wide = document.createElement('div');
  wide.className = 'wide';
  const kind = document.createElement('select');
  kind.id = id;
  for (const [value, text] of [['', 'none'], ['scratches', 'scratches map'], ['image', 'image']]) {
    kind.add(new Option(text, value));
  }
  const file = document.createElement('input');
  file.type = 'file';
  file.accept = '.png,.exr,.tif,.tiff,.jpg,.jpeg,.tga,.psd';
  file.id = `${id}-file`;
  file.setAttribute('aria-label', `${slot.label || slot.name}: image`);
  const imageName = document.createElement('span');
  imageName.className = 'image-name';
  wide.append(kind, file, imageName);
  let sw = null;
  if (switchParam) {
    const label = document.createElement('label');
    label.className = 'switch';
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.id = `p-params-${switchParam.name}`;
    box.addEventListener('change', () => setValue('params', switchParam.name, box.checked, 'commit'));
    label.title = `${switchParam.name}: ${EXPLAIN[switchParam.name]}`;
    label.append(box, ' ' + (switchParam.label || switchParam.name));
    wide.appendChild(label);
    sw = { show(v) { box.checked = !!v; } };
  }
  row.appendChild(wide);

  // The nested map: its source as text, and its grouped controls, folded.
  const nested = document.createElement('details');
  nested.className = 'nested';
  nested.id = `nested-${slot.name}`;
  const summary = document.createElement('summary');
  summary.textContent = `${slot.label || slot.name}: the nested scratches map`;
  const text = document.createElement('input');
  text.type = 'text';
  text.id = `${id}-nested`;
  text.placeholder = 'size=4,stretch=2';
  text.spellcheck = false;
  text.setAttribute('aria-label', `${slot.label || slot.name}: the nested map's settings`);
  text.title = 'The nested map\'s values that differ from a new map\'s, NAME=VALUE,... as --map takes them';
  const textRow = document.createElement('div');
  textRow.className = 'nested-text';
  const textLabel = document.createElement('label');
  textLabel.htmlFor = text.id;
  textLabel.textContent = 'As text';
  textRow.append(textLabel, text);
  const body = document.createElement('div');
  body.className = 'nested-body';
  const note = document.createElement('p');
  note.className = 'explain';
  note.textContent = 'A nested map holds values only: the tool takes no sub-maps inside it.';
  nested.append(summary, textRow, note, body);
  let nestedScope = null;

  const key = 'maps.' + slot.name;
  const apply = (value) => {
    clearRefused(key);
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
    show(settings.maps[slot.name]);
  };
  const tryText = async (source) => {
    const candidate = clone(settings);
    candidate.maps[slot.name] = source;
    const response = await post('/api/check', { tab, settings: candidate });
    const reply = await replyOf(response);
    if (response.ok) apply(source);
    else markRefused(key, source, reply.error);
  };
  kind.addEventListener('change', () => {
    if (kind.value === '') apply(null);
    if (kind.value === 'scratches') {
      apply(SCRATCHES + text.value.replace(/^scratches:/, ''));
      nested.open = true;
    }
    if (kind.value === 'image') layout(settings.maps[slot.name]);
  });
  text.addEventListener('change', () => tryText(SCRATCHES + text.value.trim().replace(/^scratches:/, '')));
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

  const layout = (v) => {
    const scratches = kind.value === 'scratches';
    nested.hidden = !scratches;
    file.hidden = kind.value !== 'image';
    imageName.hidden = kind.value !== 'image' || !v || v.startsWith(SCRATCHES);
    imageName.textContent = imageName.hidden ? '' : v;
  };
  // The nested controls exist while the slot holds a scratches map the page can read.
  const build = (v) => {
    const readable = nestedValues(v) !== null;
    if (readable && !nestedScope) {
      nestedScope = slotScope(slot.name);
      buildGroups(body, nestedScope);
    } else if (!readable && nestedScope) {
      dropScope(nestedScope);
      body.replaceChildren();
      nestedScope = null;
    }
    note.textContent = readable
      ? 'A nested map holds values only: the tool takes no sub-maps inside it.'
      : 'The page cannot show these settings as controls; edit them as text.';
    if (nestedScope) {
      for (const c of controls.values()) {
        if (c.scope === nestedScope) {
          c.show(c.current());
          markChanged(c.key);
        }
      }
    }
  };
  function show(v) {
    if (v === undefined) kind.value = '';
    else if (v.startsWith(SCRATCHES)) {
      kind.value = 'scratches';
      if (document.activeElement !== text) text.value = v.slice(SCRATCHES.length);
    } else kind.value = 'image';
    layout(v);
    build(kind.value === 'scratches' ? v : undefined);
  }
  const syncText = (v) => {
    if (document.activeElement !== text && v?.startsWith(SCRATCHES)) text.value = v.slice(SCRATCHES.length);
  };
  const c = register(key, parts, { show, syncText, isSlot: true }, undefined,
    () => settings.maps[slot.name], apply);
  row.appendChild(nested);  // below the slot's line and its explanation
  if (sw) {
    // Shown in the slot's row: no row of its own.
    const name = switchParam.name;
    controls.set('params.' + name, {
      ...sw, key: 'params.' + name, row: null, problem: null, scope,
      reset: desc.reset.params[name], current: () => settings.params[name],
    });
  }
  return c;
}

// Forgets the controls of a scope (a nested map taken out of its slot).
function dropScope(scope) {
  for (const [key, c] of [...controls]) {
    if (c.scope === scope) {
      refused.delete(key);
      controls.delete(key);
    }
  }
  updateRefusedNote();
}

// The groups of GROUP_LAYOUT, with every control of the scope, into `root`.
function buildGroups(root, scope) {
  const nested = scope !== rootScope;
  const placed = new Set();
  const groups = GROUP_LAYOUT.map((g) => ({ ...g }));
  const laid = new Set(groups.flatMap((g) => g.rows.flat()));
  const others = desc.params.filter((p) => !laid.has(p.name)).map((p) => p.name);
  if (others.length) groups.push({ id: 'other', title: 'Other', open: false, rows: others });
  for (const g of groups) {
    const details = document.createElement('details');
    details.className = 'group';
    details.open = g.open && (!nested || g.id === 'pattern');
    details.id = `group-${scope.idPart}${g.id}`;
    const summary = document.createElement('summary');
    summary.textContent = g.title;
    details.appendChild(summary);
    for (const row of g.rows) {
      let c = null;
      if (row === '@seed') {
        if (!nested) c = seedControl();
      } else if (Array.isArray(row)) {
        const [slotName, switchName] = row;
        const slot = byName.get(slotName);
        if (!nested && slot) {
          c = slotControl(slot, switchName ? byName.get(switchName) : null, scope);
          c.scope = scope;
          placed.add(slotName);
          if (switchName) {
            placed.add(switchName);
            controls.get('params.' + switchName).scope = scope;
          }
        }
      } else {
        const p = byName.get(row);
        if (!p || placed.has(p.name) || (nested && NESTED_SKIP.has(p.name))) continue;
        if (p.type === 'map') {
          if (!nested) c = slotControl(p, null, scope);
        } else {
          c = valueControl(p, scope);
        }
        placed.add(p.name);
      }
      if (!c) continue;
      c.scope = scope;
      details.appendChild(c.row);
    }
    if (details.children.length > 1) root.appendChild(details);
  }
}

function buildControls() {
  buildGroups($('controls'), rootScope);
}

function refreshControls() {
  clearAllRefused();
  // Slots first: they make (or take away) the nested maps' controls.
  for (const c of [...controls.values()]) {
    if (c.isSlot && c.scope === rootScope) c.show(c.current());
  }
  for (const c of controls.values()) {
    if (c.isSlot) continue;
    c.show(c.current());
    markChanged(c.key);
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

// `note`: what to say once it is loaded (by default "Loaded NAME."). True when loaded.
async function loadPreset(text, name, note) {
  let preset;
  try {
    preset = JSON.parse(text);
  } catch (e) {
    showError(`${name}: not JSON (${e.message})`);
    return false;
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
    return false;
  }
  const before = gestureStart ?? clone(settings);
  gestureStart = null;
  settings = await response.json();
  remember(before);
  refreshControls();
  showError('');
  showNote(missing.length ? `Upload the images of ${missing.join(', ')} to use them.`
    : note ?? `Loaded ${name}.`);
  for (const b of document.querySelectorAll('#looks .look')) b.classList.remove('current');
  changed('commit');
  return true;
}

// The bundled presets, as thumbnails: a click loads one.
const library = {
  presets: [],
  title: (name) => name.charAt(0).toUpperCase() + name.slice(1).replace(/-/g, ' '),

  async build() {
    const response = await fetch('/api/library');
    if (!response.ok) return;
    this.presets = (await response.json()).presets;
    $('library').hidden = !this.presets.length;
    $('looks').replaceChildren(...this.presets.map((p) => {
      const button = document.createElement('button');
      button.type = 'button';
      button.className = 'look';
      button.id = `look-${p.name}`;
      button.setAttribute('role', 'listitem');
      button.title = p.about ? `${p.about} (--preset ${p.name})` : `--preset ${p.name}`;
      const img = document.createElement('img');
      img.alt = '';
      img.width = img.height = 88;
      const label = document.createElement('span');
      label.textContent = this.title(p.name);
      button.append(img, label);
      button.addEventListener('click', () => this.load(p));
      return button;
    }));
  },

  // Thumbnails once the first preview is in, so that they do not hold it up.
  showThumbnails() {
    for (const p of this.presets) {
      const img = $(`look-${p.name}`)?.querySelector('img');
      if (img && !img.src) img.src = `/api/library/thumbnail?name=${encodeURIComponent(p.name)}`;
    }
  },

  async load(p) {
    const response = await fetch(`/api/library/preset?name=${encodeURIComponent(p.name)}`);
    if (!response.ok) {
      showError(await errorOf(response));
      return;
    }
    const note = `Loaded "${this.title(p.name)}" (--preset ${p.name})${p.about ? ': ' + p.about : '.'}`;
    if (await loadPreset(await response.text(), p.name, note)) {
      for (const b of document.querySelectorAll('#looks .look')) b.classList.toggle('current', b.id === `look-${p.name}`);
    }
  },
};

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

// Outputs other than colour show the bake's square: the object choice waits meanwhile.
function updateViewControls() {
  const output = $('view-output').value;
  $('shape').disabled = output !== 'color';
  $('shape').title = output === 'color' ? '' : `${output} shows the bake's square, as the bake writes it`;
}

function wire() {
  $('undo').addEventListener('click', () => restore(undoStack, redoStack));
  $('redo').addEventListener('click', () => restore(redoStack, undoStack));
  $('reset-all').addEventListener('click', () => {
    const before = gestureStart ?? clone(settings);
    gestureStart = null;
    settings = clone(desc.reset);
    remember(before);
    refreshControls();
    showNote('');
    showError('');
    for (const b of document.querySelectorAll('#looks .look')) b.classList.remove('current');
    changed('commit');
  });
  $('save-preset').addEventListener('click', savePreset);
  $('load-preset').addEventListener('change', async (e) => {
    const f = e.target.files[0];
    if (f) await loadPreset(await f.text(), f.name);
    e.target.value = '';
  });
  $('shape').addEventListener('change', () => changed('commit'));
  $('view-output').addEventListener('change', () => {
    updateViewControls();
    changed('commit');
  });
  for (const id of ['bake-extent', 'bake-depth', 'bake-normal-y', 'bake-filtered']) {
    $(id).addEventListener('change', () => {
      if (preview.view().shape === 'flat') changed('commit');
    });
  }
  $('repeat').addEventListener('change', () => changed('commit'));
  $('bake-samples').addEventListener('change', () => {
    if (preview.view().shape === 'flat') changed('commit');
  });
  $('bake-tileable').addEventListener('change', () => {
    if (preview.view().shape === 'flat') changed('commit');
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
  byName = new Map();
  for (const p of desc.params) {
    byName.set(p.name, p);
    for (const a of p.aliases || []) byName.set(a, p);
  }
  settings = clone(desc.start);
  settings.maps ??= {};
  for (const shape of desc.shapes) $('shape').add(new Option(shape === 'flat' ? 'flat (bake)' : shape, shape));
  for (const output of desc.outputs) $('bake-output').add(new Option(output, output));
  for (const format of desc.formats) $('bake-format').add(new Option(format, format));
  for (const [value, text] of [['color', 'colour'], ['mask', 'mask'], ['height', 'height'],
    ['normal', 'normal'], ['random', 'random'], ['layer', 'layer'], ['direction', 'direction'],
    ['angle', 'angle']]) {
    $('view-output').add(new Option(text, value));
  }
  readUrl();
  updateViewControls();
  buildControls();
  refreshControls();
  wire();
  writeUrl();
  preview.request('full');
  await library.build();
  setTimeout(() => library.showThumbnails(), 2000);
  document.body.dataset.ready = '1';
}

start();
