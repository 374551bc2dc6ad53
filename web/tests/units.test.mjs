// The playground's parts without a browser: the engine modules against the
// native renderer (every factory preset, other rates and layouts), the WAV
// writer, values as text, addresses and the static server.

import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { request } from 'node:http';
import { join } from 'node:path';
import { describe, test } from 'node:test';

import { decodeAddress, encodeAddress } from '../src/address.js';
import { Engine, LAYOUTS, MODULE_FILES } from '../src/engine.js';
import { formatValue, parseValue, shortestFloat } from '../src/values.js';
import { floatWav } from '../src/wav.js';
import { serve } from '../serve.mjs';
import { DIST, firstDifference, nativePreset, nativeRender, wavSamples } from './harness.mjs';

const modules = Object.fromEntries(['wind', 'rain'].map((name) => [
  name, new WebAssembly.Module(readFileSync(join(DIST, MODULE_FILES[name])))]));
const fresh = (name) => Engine.createSync(modules[name]);
const infos = { wind: fresh('wind').info(), rain: fresh('rain').info() };

// A render as the worker makes it: [index, value] settings over a preset,
// 512-frame calls; simd false runs the portable kernels.
function render(name, { preset = 0, settings = [], layout = 'stereo', seconds, rate = 48000,
                        simd = true }) {
  const e = fresh(name);
  e.useSimd(simd);
  assert.equal(e.prepare(rate, preset, settings), 0);
  const { mask, channels } = LAYOUTS[layout];
  const frames = Math.round(seconds * rate);
  const out = new Float32Array(frames * channels);
  for (let done = 0; done < frames; done += 512) {
    const n = Math.min(512, frames - done);
    assert.ok(e.render(mask, n));
    out.set(e.output.subarray(0, n * channels), done * channels);
  }
  return floatWav(out, channels, rate);
}

// Native renders run with denormal numbers flushed to zero (the engines set
// the processor's flush-to-zero and denormals-are-zero modes); WebAssembly
// has no such mode and keeps them. Where a decay reaches denormal sizes (the
// near-silence between the clicks of the rain's "Geiger"), a sample a
// million million times below full scale may then differ in its last place:
// the native renderer run under valgrind, which ignores those modes, gives
// exactly the WebAssembly samples there. So a sample equals its native
// counterpart, or both are below 2^-80 (-481 dBFS) and within 2^-100 of each
// other. Returns the first other difference (-1 for none) and the count and
// largest size of the tiny ones.
function tinyDifferences(a, b) {
  assert.equal(a.length, b.length);
  let count = 0;
  let largest = 0;
  for (let i = 0; i < a.length; i++) {
    if (a[i] === b[i]) continue;
    const d = Math.abs(a[i] - b[i]);
    if (Math.max(Math.abs(a[i]), Math.abs(b[i])) >= 2 ** -80 || d > 2 ** -100)
      return { other: i, count, largest };
    count++;
    largest = Math.max(largest, d);
  }
  return { other: -1, count, largest };
}

const indexOf = (name, key) => infos[name].params.findIndex((p) => p.key === key);

describe('the engine modules', () => {
  for (const name of ['wind', 'rain']) {
    test(`${name}: every factory preset has the native values and renders the native samples`,
         (t) => {
      const e = fresh(name);
      e.init(48000);
      infos[name].presets.forEach((preset, i) => {
        assert.equal(e.loadFactory(i), 0);
        const values = e.values();
        const text = new Map(infos[name].params.filter((p) => p.index !== infos[name].gainIndex)
          .map((p) => [p.key, formatValue(p, values[p.index])]));
        assert.deepEqual(text, nativePreset(name, preset.name), preset.name);
        const web = wavSamples(render(name, { preset: i, seconds: 0.5 }));
        const native = wavSamples(nativeRender(name, ['--preset', preset.name, '--seconds', '0.5']));
        const d = tinyDifferences(web, native);
        assert.equal(d.other, -1, `${preset.name}: sample ${d.other} differs`);
        if (d.count) t.diagnostic(`${preset.name}: ${d.count} samples below 2^-80 differ, at most by ${d.largest}`);
      });
    });
  }

  test('other rates, layouts, lengths and settings render as ostrelle does, byte for byte', () => {
    const cases = [
      ['rain', 'Storm', 'mono', 44100, 1.234, { liquid_2_level: '0.5', rumble_hcut: '1234.5' }],
      ['wind', 'Blizzard_High', 'quad', 96000, 0.3, { backflow_shape: '3', global_gain: '0.25' }],
      ['wind', 'Sand_Storm', '5.1', 22050, 0.5, { wind_lfe_level: '0.2', squalls_shape: '2' }],
      ['rain', 'Silence', '5.1', 48000, 0.2, { rain_lfe_level: '1', liquid_drops_color: '10' }],
    ];
    for (const [name, preset, layout, rate, seconds, sets] of cases) {
      const settings = Object.entries(sets).map(([k, v]) => [indexOf(name, k), Number(v)]);
      const web = Buffer.from(render(name, {
        preset: infos[name].presets.findIndex((p) => p.name === preset), settings, layout, seconds,
        rate,
      }));
      const native = nativeRender(name, ['--preset', preset, '--layout', layout, '--rate', String(rate),
        '--seconds', String(seconds), ...Object.entries(sets).flatMap(([k, v]) => ['--set', `${k}=${v}`])]);
      assert.equal(firstDifference(wavSamples(web), wavSamples(native)), -1, `${name} ${preset} ${layout}`);
      assert.ok(web.equals(native), `${name} ${preset} ${layout}: the files' bytes differ`);
    }
  });

  test('run WebAssembly\'s SIMD from the start, and the portable kernels give the same samples',
       () => {
    for (const name of ['wind', 'rain']) {
      const e = fresh(name);
      assert.equal(e.vectors(), 'wasm-simd128');
      assert.equal(e.useSimd(false), 'portable');
      assert.equal(e.useSimd(true), 'wasm-simd128');
      // Every fifth preset in the layouts that join their voices' lanes
      // differently, at two rates.
      for (let preset = 0; preset < infos[name].presets.length; preset += 5) {
        for (const [layout, rate] of [['mono', 48000], ['stereo', 44100], ['5.1', 48000]]) {
          const sound = { preset, layout, rate, seconds: 0.25 };
          const at = firstDifference(wavSamples(render(name, sound)),
                                     wavSamples(render(name, { ...sound, simd: false })));
          assert.equal(at, -1, `${name} ${infos[name].presets[preset].name} ${layout} ${rate}`);
        }
      }
    }
  });

  test('import nothing, never grow their memory and refuse calls they cannot make', () => {
    for (const name of ['wind', 'rain']) {
      assert.deepEqual(WebAssembly.Module.imports(modules[name]), []);
      const e = fresh(name);
      const bytes = e.x.memory.buffer.byteLength;
      assert.equal(e.prepare(48000, 0, []), 0);
      for (let i = 0; i < 200; i++) e.render(LAYOUTS.stereo.mask, 128);
      e.loadFactory(3);
      e.info();
      assert.equal(e.x.memory.buffer.byteLength, bytes, name);
      assert.equal(e.render(0x637, 128), false, `${name}: seven channels`);
      assert.equal(e.render(LAYOUTS.stereo.mask, e.maxFrames + 1), false);
      assert.equal(e.loadFactory(infos[name].presets.length), -1);
      assert.equal(e.prepare(48000, infos[name].presets.length, []), -1);
      assert.equal(e.prepare(48000, 0, [[infos[name].params.length, 1]]), -1);
      assert.equal(e.prepare(48000, 0, Array(e.x.web_max_settings() + 1).fill([0, 1])), -1);
      assert.equal(e.prepare(0, 0, []), 10, `${name}: a rate of 0 is the engine's refusal`);
    }
  });
});

describe('values as text', () => {
  const rate = infos.rain.params[indexOf('rain', 'global_rate')];
  const hcut = infos.rain.params[indexOf('rain', 'rumble_hcut')];
  const shape = infos.wind.params[indexOf('wind', 'backflow_shape')];

  test('print in the shortest form that reads back as the same float', () => {
    // (Every value of every factory preset is also compared with the
    // renderer's text above.)
    const cases = [[0.1, '0.1'], [0.81200004, '0.81200004'], [1 / 3, '0.33333334'],
                   [14234.5, '14234.5'], [6e-8, '6e-8'], [20000, '20000'], [0, '0']];
    for (const [v, text] of cases) assert.equal(shortestFloat(Math.fround(v)), text);
    assert.equal(formatValue(shape, 10), '10');
  });

  test('read numbers in full within the range, choices by number or by name', () => {
    assert.deepEqual(parseValue(rate, '0.25'), { value: 0.25 });
    assert.deepEqual(parseValue(hcut, ' 1234.5678 '), { value: Math.fround(1234.5678) });
    assert.deepEqual(parseValue(hcut, '2e4'), { value: 20000 });
    assert.deepEqual(parseValue(shape, 'sea low'), { value: shape.choices.indexOf('Sea Low') });
    assert.deepEqual(parseValue(shape, '26'), { value: 26 });
    assert.match(parseValue(rate, '1.5').error, /global_rate: 1\.5 is out of range \(0\.\.1\)/);
    assert.match(parseValue(rate, '0.5x').error, /is not a number/);
    assert.match(parseValue(rate, '').error, /is not a number/);
    assert.match(parseValue(rate, 'NaN').error, /is not a number/);
    assert.match(parseValue(hcut, '1e40').error, /not a finite number/);
    assert.match(parseValue(hcut, '49.99').error, /out of range \(50\.\.20000\)/);
    assert.match(parseValue(shape, '2.5').error, /not a whole number/);
    assert.match(parseValue(shape, '27').error, /out of range/);
  });
});

describe('addresses', () => {
  test('hold a sound and give it back', () => {
    const p = (key) => infos.wind.params[indexOf('wind', key)];
    const sound = { engine: 'wind', preset: 'Blizzard_High', layout: 'mono',
                    changes: [[p('backflow_shape'), 3], [p('whistling_min_freq'), Math.fround(345.6)],
                              [p('global_gain'), 0.5]] };
    const text = encodeAddress(sound);
    assert.equal(text, 'engine=wind&preset=Blizzard_High&layout=mono&backflow_shape=3'
                       + '&whistling_min_freq=345.6&global_gain=0.5');
    const back = decodeAddress(`#${text}`, infos);
    assert.equal(back.engine, 'wind');
    assert.equal(infos.wind.presets[back.preset].name, 'Blizzard_High');
    assert.equal(back.layout, 'mono');
    assert.deepEqual(back.changes.map(([q, v]) => [q.key, v]),
                     sound.changes.map(([q, v]) => [q.key, v]));
    assert.deepEqual(back.problems, []);
    assert.equal(encodeAddress({ engine: 'rain', preset: 'Silence', layout: 'stereo', changes: [] }),
                 'engine=rain&preset=Silence');
  });

  test('leave out what they cannot hold and say so', () => {
    const a = decodeAddress('engine=rain&preset=storm&layout=7.1&rumble_level=2&bogus=1'
                            + '&shower_color=700', infos);
    assert.equal(a.engine, 'rain');
    assert.equal(infos.rain.presets[a.preset].name, 'Storm');
    assert.equal(a.layout, 'stereo');
    assert.deepEqual(a.changes.map(([q, v]) => [q.key, v]), [['shower_color', 700]]);
    assert.equal(a.problems.length, 3);
    const b = decodeAddress('engine=snow&preset=Storm', infos);
    assert.equal(b.engine, 'wind');
    assert.equal(b.preset, 0);
    assert.deepEqual(b.problems, ["unknown engine 'snow'", "unknown wind preset 'Storm'"]);
    assert.deepEqual(decodeAddress('', infos),
                     { engine: 'wind', preset: 0, layout: 'stereo', changes: [], problems: [] });
  });
});

describe('the static server', () => {
  test('serves the page\'s files with their types and nothing outside the folder', async () => {
    const { server, url } = await serve(DIST);
    try {
      const get = (path) => fetch(new URL(path, url));
      const page = await get('/');
      assert.equal(page.status, 200);
      assert.match(page.headers.get('content-type'), /^text\/html/);
      assert.match(await page.text(), /Ostrelle playground/);
      assert.equal((await get('/vantora.wasm')).headers.get('content-type'), 'application/wasm');
      assert.match((await get('/src/app.js')).headers.get('content-type'), /^text\/javascript/);
      assert.equal((await get('/nothing.js')).status, 404);
      // Paths sent as they stand (fetch would resolve the dots first).
      const raw = (path) => new Promise((resolve, reject) => {
        request(new URL(url), { path }, (res) => { res.resume(); resolve(res.statusCode); })
          .on('error', reject).end();
      });
      assert.equal(await raw('/../package.json'), 404);  // read as /package.json
      assert.equal(await raw('/src/%2e%2e/%2e%2e/serve.mjs'), 404);
      assert.equal(await raw('/..%2Fpackage.json'), 403);
      assert.equal(await raw('/src/..%2F..%2Fserve.mjs'), 403);
      assert.equal(await raw('/src/../index.html'), 200);
    } finally {
      server.close();
    }
  });
});
