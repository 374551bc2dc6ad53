// Off the audio thread: renders a sound to a float WAV file the way
// `ostrelle render` does (a fresh instance set up as the renderer sets it
// up, 512-frame calls, interleaved), and measures the engines' speed the
// way the audio thread runs them (128-frame calls).

import { Engine, LAYOUTS } from './engine.js';
import { floatWav } from './wav.js';

const RENDER_BLOCK = 512;   // the renderer's default --block
const AUDIO_QUANTUM = 128;  // frames per call on the audio thread

// request: { module, preset, settings, layout, seconds, rate }
async function render(r) {
  const engine = await Engine.create(r.module);
  const layout = LAYOUTS[r.layout];
  const status = engine.prepare(r.rate, r.preset, r.settings);
  if (status !== 0) throw new Error(`the engine refused the settings (status ${status})`);
  const frames = Math.round(r.seconds * r.rate);
  const ch = layout.channels;
  const samples = new Float32Array(frames * ch);
  for (let done = 0; done < frames;) {
    const n = Math.min(RENDER_BLOCK, frames - done);
    if (!engine.render(layout.mask, n)) throw new Error('the engine refused a render call');
    samples.set(engine.output.subarray(0, n * ch), done * ch);
    done += n;
  }
  return floatWav(samples, ch, r.rate);
}

// Real-time factor of a stereo instance at 48 kHz: seconds of sound
// rendered per second, the best of `rounds` runs of `seconds` each (a
// shared machine slows single runs down, never speeds them up), and the
// seconds of sound rendered in all (for a caller that measures the
// processor time the whole request took).
// request: { module, preset, settings, seconds, rounds, simd (default true) }
async function speed(r) {
  const engine = await Engine.create(r.module);
  const vectors = engine.useSimd(r.simd ?? true);
  const rate = 48000;
  const status = engine.prepare(rate, r.preset, r.settings);
  if (status !== 0) throw new Error(`the engine refused the settings (status ${status})`);
  const calls = Math.ceil((r.seconds * rate) / AUDIO_QUANTUM);
  const mask = LAYOUTS.stereo.mask;
  // Four seconds first, unmeasured: the browser compiles the module's hot
  // functions again at its optimising tier after their first runs.
  const warmUp = Math.max(calls, Math.ceil((4 * rate) / AUDIO_QUANTUM));
  for (let c = 0; c < warmUp; c++) engine.render(mask, AUDIO_QUANTUM);
  const factors = [];
  for (let round = 0; round < r.rounds; round++) {
    const t0 = performance.now();
    for (let c = 0; c < calls; c++) engine.render(mask, AUDIO_QUANTUM);
    const elapsed = (performance.now() - t0) / 1000;
    factors.push((calls * AUDIO_QUANTUM) / rate / elapsed);
  }
  factors.sort((a, b) => a - b);
  return { best: factors[factors.length - 1], median: factors[factors.length >> 1], factors,
           vectors, renderedSeconds: ((warmUp + r.rounds * calls) * AUDIO_QUANTUM) / rate };
}

self.onmessage = async (e) => {
  const { id, type } = e.data;
  try {
    if (type === 'render') {
      const wav = await render(e.data);
      self.postMessage({ id, wav }, [wav.buffer]);
    } else if (type === 'speed') {
      self.postMessage({ id, speed: await speed(e.data) });
    } else {
      throw new Error(`unknown request '${type}'`);
    }
  } catch (err) {
    self.postMessage({ id, error: String(err && err.message ? err.message : err) });
  }
};
