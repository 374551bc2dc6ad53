// The page's address: the engine shown, its preset, the output layout and
// every parameter that differs from the preset (the master gain when it is
// not 1), so a sound travels as a link:
//   #engine=wind&preset=Blizzard_High&layout=mono&backflow_level=0.5
// Values are natural units, as `ostrelle render --set KEY=VALUE` takes them.

import { ENGINES } from './engine.js';
import { formatValue, parseValue } from './values.js';

export const LAYOUT_NAMES = ['stereo', 'mono'];

// The address text (without '#') of a sound.
// sound: { engine, preset (name), layout, changes: [[param, value], ...] }
export function encodeAddress(sound) {
  const q = new URLSearchParams();
  q.set('engine', sound.engine);
  q.set('preset', sound.preset);
  if (sound.layout !== 'stereo') q.set('layout', sound.layout);
  for (const [param, value] of sound.changes) q.set(param.key, formatValue(param, value));
  return q.toString();
}

// The sound an address names, against each engine's tables (infos[engine]).
// Whatever it cannot take is left out and said in problems; a missing
// engine or preset means the first of each.
export function decodeAddress(text, infos) {
  const q = new URLSearchParams(text.replace(/^#/, ''));
  const problems = [];
  let engine = q.get('engine') ?? ENGINES[0];
  if (!ENGINES.includes(engine)) {
    problems.push(`unknown engine '${engine}'`);
    engine = ENGINES[0];
  }
  const info = infos[engine];
  let preset = 0;
  const presetName = q.get('preset');
  if (presetName !== null) {
    preset = info.presets.findIndex((p) => p.name.toLowerCase() === presetName.toLowerCase());
    if (preset < 0) {
      problems.push(`unknown ${engine} preset '${presetName}'`);
      preset = 0;
    }
  }
  let layout = q.get('layout') ?? 'stereo';
  if (!LAYOUT_NAMES.includes(layout)) {
    problems.push(`unknown layout '${layout}'`);
    layout = 'stereo';
  }
  const changes = [];
  for (const [key, text] of q) {
    if (key === 'engine' || key === 'preset' || key === 'layout') continue;
    const param = info.params.find((p) => p.key === key);
    if (!param) {
      problems.push(`unknown ${engine} parameter '${key}'`);
      continue;
    }
    const r = parseValue(param, text);
    if (r.error) problems.push(r.error);
    else changes.push([param, r.value]);
  }
  return { engine, preset, layout, changes, problems };
}
