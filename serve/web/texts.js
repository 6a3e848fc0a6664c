// What the look-dev page says about the map's parameters: how it groups them, one line on what
// each does to the scratches, and how its slider moves. The labels themselves are the map's own
// texts (the parameter description's "label"); these lines stand beside them.
'use strict';

// Groups as an artist thinks of them. A row is a parameter's name, or a sub-map slot with the
// switch that turns it on ([slot, switch]); the layout seed is the tool's --seed. Parameters
// the list does not name go to a last group, "Other", so none is ever left out.
const GROUP_LAYOUT = [
  {
    id: 'pattern', title: 'Pattern', open: true,
    rows: ['@seed', 'size', ['sizeMap', 'sizeMapEnabled'], 'stretch',
      ['stretchMap', 'stretchMapEnabled'], 'spread', ['spreadMap', 'spreasdMapEnabled'],
      'type', 'levels'],
  },
  { id: 'shape', title: 'Shape', open: true, rows: ['thresholdLow', 'thresholdHigh', 'bumpDelta'] },
  {
    id: 'colours', title: 'Colours', open: true,
    rows: ['color1', ['color1map', 'col1mapEnabled'], 'color2', ['color2map', 'col2mapEnabled']],
  },
  { id: 'erosion', title: 'Erosion', open: true, rows: ['useErosion', 'erosion', 'erosionDelta'] },
  {
    id: 'distortion', title: 'Distortion', open: true,
    rows: ['useDistortion', ['distortMap', null], 'distortStr', ['distortStrMap', 'dStrMapEnabled']],
  },
  {
    id: 'mapping', title: 'Mapping', open: false,
    rows: ['xyz_map', 'xyz_chan', 'xyz_offset_x', 'xyz_offset_y', 'xyz_offset_z', 'xyz_size_x',
      'xyz_size_y', 'xyz_size_z', 'xyz_angle_x', 'xyz_angle_y', 'xyz_angle_z', 'xyz_tile_x',
      'xyz_tile_y', 'xyz_tile_z', 'seed', 'randByMat', 'randByObj', 'xyz_offset_x2',
      'xyz_offset_y2', 'xyz_offset_z2', 'xyz_size_x2', 'xyz_size_y2', 'xyz_size_z2',
      'xyz_angle_x2', 'xyz_angle_y2', 'xyz_angle_z2', 'xyz_lock'],
  },
];

// Parameters that mean nothing in a nested map (it holds values only: no sub-maps of its own).
const NESTED_SKIP = new Set(['useDistortion', 'distortStr']);

const EXPLAIN = {
  '@seed': 'Another layout of the same scratches: the tool moves the whole pattern (--seed; 0 keeps it where a new map has it).',
  size: 'How big the pattern is, in object units: larger gives longer scratches, further apart.',
  sizeMap: 'A map that scales Size where it is bright (size × its grey value).',
  stretch: 'How long and thin each scratch is, added to a base stretch of 50: higher draws longer hairlines.',
  stretchMap: 'A map that scales Stretch by its grey value.',
  spread: 'How wide the scratches are and how many show: 0.8 marks about 6 % of the surface; below about 0.3 almost none.',
  spreadMap: 'A map that scales Spread by its grey value: where it is dark, fewer scratches.',
  type: '2D: every layer lies in the XY plane. 3D: layers tilt in all three axes, so a single 3D level runs along Z and shows as dots on a flat bake.',
  levels: 'How many layers of scratches, each at its own angle: more levels, more directions and more scratches.',
  thresholdLow: 'Where the field is below this the scratch is solid (Color 1): raise it for wider, solid scratch bottoms.',
  thresholdHigh: 'Where the field is above this the surface is clean (Color 2): lower it to thin the scratches out. At or below Low the map swaps the two.',
  bumpDelta: 'The step of the bump\'s differences, for the host\'s bump and this preview\'s shading: larger softens the scratches\' relief.',
  color1: 'The colour at the bottom of a scratch.',
  color1map: 'A map drawn instead of Color 1 while its switch is on.',
  color2: 'The colour of the clean surface between the scratches.',
  color2map: 'A map drawn instead of Color 2 while its switch is on.',
  useErosion: 'Breaks the scratches up with ridged noise, so they fade in and out along their length.',
  erosion: 'How much of each scratch the noise wears away: 0 none, 1 the most.',
  erosionDelta: 'The size of the erosion noise against the pattern: larger gives longer unbroken stretches.',
  useDistortion: 'Bends the scratches by the Distortion Map\'s bump vector; nothing happens while that slot is empty.',
  distortMap: 'The map whose bump vector pushes the pattern around (another scratches map makes wavy scratches).',
  distortStr: 'How far the Distortion Map moves the pattern, in object units.',
  distortStrMap: 'A map that scales the distortion strength by its grey value.',
  xyz_map: 'Which coordinates the pattern reads: the object\'s, the world\'s, a map channel\'s UVW (2D or real-world size) or the screen.',
  xyz_chan: 'The map channel the channel types read.',
  xyz_offset_x: 'Moves the pattern along X.',
  xyz_offset_y: 'Moves the pattern along Y.',
  xyz_offset_z: 'Moves the pattern along Z.',
  xyz_size_x: 'Scales the pattern along X: 2 makes it twice as large that way.',
  xyz_size_y: 'Scales the pattern along Y.',
  xyz_size_z: 'Scales the pattern along Z.',
  xyz_angle_x: 'Turns the pattern about X, in degrees.',
  xyz_angle_y: 'Turns the pattern about Y, in degrees.',
  xyz_angle_z: 'Turns the pattern about Z, in degrees (turns the scratches\' directions on a flat bake).',
  xyz_tile_x: 'What the 2D channel mapping does outside 0-1 along U; only "Explicit Map Channel 2D" tiles.',
  xyz_tile_y: 'What the 2D channel mapping does outside 0-1 along V.',
  xyz_tile_z: 'What the 2D channel mapping does outside 0-1 along W.',
  seed: 'Seeds only the random offsets, sizes and angles of the Variance values below, per object or material; while they are all 0 (as in a new map) it changes nothing. For another layout use Layout seed.',
  randByMat: 'Draws the Variance values anew for each material ID; nothing while they are 0.',
  randByObj: 'Draws the Variance values anew for each object; nothing while they are 0.',
  xyz_offset_x2: 'A random extra offset along X, up to this much, per object or material.',
  xyz_offset_y2: 'A random extra offset along Y, up to this much.',
  xyz_offset_z2: 'A random extra offset along Z, up to this much.',
  xyz_size_x2: 'A random extra size along X, up to this much (all three axes while Lock Variance is on).',
  xyz_size_y2: 'A random extra size along Y, up to this much (unused while Lock Variance is on).',
  xyz_size_z2: 'A random extra size along Z, up to this much (unused while Lock Variance is on).',
  xyz_angle_x2: 'A random extra turn about X, up to this many degrees.',
  xyz_angle_y2: 'A random extra turn about Y, up to this many degrees.',
  xyz_angle_z2: 'A random extra turn about Z, up to this many degrees.',
  xyz_lock: 'One random size for all three axes (from Size Variance X), so the pattern keeps its proportions.',
};
// A switch beside its slot: the same sentence for each.
for (const name of ['sizeMapEnabled', 'spreasdMapEnabled', 'stretchMapEnabled', 'col1mapEnabled',
  'col2mapEnabled', 'dStrMapEnabled']) {
  EXPLAIN[name] = 'Uses the map in the slot beside it; off, the slot is ignored.';
}

// How a slider moves. log: [low, high] on a logarithmic scale (zero: its first step is 0);
// lin: [low, high] in steps of `step`. The number field beside it takes any value in range.
const SCALES = {
  size: { log: [0.1, 100], zero: true },
  stretch: { log: [0.1, 1000], zero: true },
  spread: { lin: [0.1, 1], step: 0.01 },
  thresholdLow: { lin: [0, 1], step: 0.01 },
  thresholdHigh: { lin: [0, 1], step: 0.01 },
  bumpDelta: { log: [0.00001, 1], zero: true },
  erosion: { lin: [0, 1], step: 0.01 },
  erosionDelta: { log: [0.01, 100] },
  distortStr: { log: [0.001, 100], zero: true },
};
for (const axis of ['x', 'y', 'z']) {
  SCALES[`xyz_offset_${axis}`] = { lin: [-100, 100], step: 0.1 };
  SCALES[`xyz_size_${axis}`] = { log: [0.01, 100] };
  SCALES[`xyz_angle_${axis}`] = { lin: [-360, 360], step: 1 };
  SCALES[`xyz_offset_${axis}2`] = { lin: [0, 100], step: 0.1 };
  SCALES[`xyz_size_${axis}2`] = { lin: [0, 10], step: 0.01 };
  SCALES[`xyz_angle_${axis}2`] = { lin: [0, 360], step: 1 };
}
