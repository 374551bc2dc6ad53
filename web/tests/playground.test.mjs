// The playground in headless Chromium: what the page shows, what it plays
// and what it renders, checked against the native renderer.

import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, before, describe, test } from 'node:test';

import {
  OUT, firstDifference, nativeParams, nativePreset, nativeRender, openPage, rendererCpuSeconds,
  startBrowser, wavSamples,
} from './harness.mjs';

// The default preset and two others per engine, as the renders compare them.
const RENDERED = {
  wind: ['Silence', 'Blizzard_High', 'Castaway_Beach'],
  rain: ['Silence', 'Storm', 'Car_Low'],
};
const BANK_SIZES = { wind: 120, rain: 70 };

let session;
before(async () => { session = await startBrowser(); });
after(async () => {
  await session.close();
  assert.deepEqual(session.problems, [], 'the pages reported problems');
});

// Every control's shown value by key: numbers as text, choices as index.
function shownValues(page, engine) {
  return page.evaluate((engine) => {
    const out = {};
    for (const row of document.querySelectorAll(`#panel-${engine} .param`)) {
      const input = row.querySelector('.param-value') ?? row.querySelector('select');
      out[row.dataset.key] = input.value;
    }
    return out;
  }, engine);
}

// The engine's values on the audio thread, by key.
function liveValues(page, engine) {
  return page.evaluate(async (engine) => {
    const p = await window.playground;
    const r = await p.audio.read(engine);
    const params = p.models[engine].info.params;
    return { values: Object.fromEntries(params.map((q) => [q.key, r.values[q.index]])),
             memoryBytes: r.memoryBytes, firstFrame: r.firstFrame };
  }, engine);
}

// RMS in dBFS of `seconds` of an engine's output, recorded by a tap node.
function tapLevel(page, engine, seconds) {
  return page.evaluate(async ([engine, seconds]) => {
    const p = await window.playground;
    const r = await p.audio.tap(engine, seconds);
    let sum = 0;
    for (const ch of [r.left, r.right]) for (const x of ch) sum += x * x;
    return 10 * Math.log10(sum / (r.left.length * 2));
  }, [engine, seconds]);
}

async function chooseEngine(page, engine) {
  await page.click(`#tab-${engine}`);
}

async function choosePreset(page, engine, name) {
  await page.click(`#panel-${engine} button.preset[data-preset="${name}"]`);
}

async function download(page) {
  const [file] = await Promise.all([page.waitForEvent('download'), page.click('#download')]);
  const path = await file.path();
  return { name: file.suggestedFilename(), bytes: readFileSync(path) };
}

describe('the page', () => {
  test('shows every parameter of each table as a control and every preset by category', async () => {
    const page = await openPage(session);
    for (const engine of ['wind', 'rain']) {
      await chooseEngine(page, engine);
      const shown = await page.evaluate((engine) => {
        const panel = document.getElementById(`panel-${engine}`);
        return {
          visible: !panel.hidden,
          params: [...panel.querySelectorAll('.param')].map((row) => {
            const select = row.querySelector('select');
            return { key: row.dataset.key, group: row.closest('fieldset').querySelector('legend').textContent,
                     choices: select ? [...select.options].map((o) => o.textContent) : [] };
          }),
          categories: [...panel.querySelectorAll('.category summary')].map((s) => s.textContent),
          presets: panel.querySelectorAll('button.preset').length,
        };
      }, engine);
      assert.ok(shown.visible);
      const table = nativeParams(engine).filter((p) => p.key !== 'global_gain');
      assert.deepEqual(shown.params.map((p) => p.key), table.map((p) => p.key));
      for (const [i, p] of table.entries()) assert.deepEqual(shown.params[i].choices, p.choices, p.key);
      assert.ok(new Set(shown.params.map((p) => p.group)).size >= 5);
      assert.equal(shown.presets, BANK_SIZES[engine]);
      assert.equal(shown.categories[0], 'User (1)');
      assert.ok(!shown.categories.some((c) => c.startsWith('Empty')));
    }
    await page.close();
  });

  test('choosing a preset sets every control, and the engine, to the preset\'s values', async () => {
    const page = await openPage(session);
    for (const engine of ['wind', 'rain']) {
      await chooseEngine(page, engine);
      await page.click('#play');
      for (const name of [...RENDERED[engine].slice(1), 'Silence']) {
        await choosePreset(page, engine, name);
        const expected = nativePreset(engine, name);
        const shown = await shownValues(page, engine);
        assert.deepEqual(shown, Object.fromEntries(expected), `${engine} ${name}`);
        const live = await liveValues(page, engine);
        for (const [key, text] of expected)
          assert.equal(live.values[key], Math.fround(Number(text)), `${engine} ${name} ${key}`);
        assert.equal(live.values.global_gain, 1);
      }
      await page.click('#play');
    }
    await page.close();
  });

  test('moving a control changes the engine\'s parameter and the sound', async () => {
    const page = await openPage(session);
    // A voice level and the rain strength from their preset values to the
    // far end of their sliders.
    const moves = { wind: ['backflow_level', '1000', 1], rain: ['global_control', '1000', 1] };
    for (const engine of ['wind', 'rain']) {
      await chooseEngine(page, engine);
      await page.click('#play');
      await page.waitForTimeout(300);
      const before = await tapLevel(page, engine, 1);
      const [key, position, value] = moves[engine];
      await page.locator(`#panel-${engine} .param[data-key="${key}"] input[type="range"]`).fill(position);
      let live = await liveValues(page, engine);
      assert.equal(live.values[key], value, `${engine} ${key} read back`);
      const afterMove = await tapLevel(page, engine, 1);
      assert.ok(Math.abs(afterMove - before) > 3,
                `${engine}: ${key} moved the level from ${before.toFixed(1)} to ${afterMove.toFixed(1)} dBFS`);
      if (engine === 'wind') {
        await page.selectOption(`#p-wind-backflow_shape`, '0');
        live = await liveValues(page, engine);
        assert.equal(live.values.backflow_shape, 0);
      } else {
        // A number typed in full reads back exactly; one out of range is refused.
        const field = page.locator('#p-rain-rumble_hcut');
        await field.fill('1234.5678');
        await field.press('Enter');
        live = await liveValues(page, engine);
        assert.equal(live.values.rumble_hcut, Math.fround(1234.5678));
        await field.fill('50000');
        await field.press('Enter');
        assert.ok(await field.evaluate((e) => e.classList.contains('refused')));
        live = await liveValues(page, engine);
        assert.equal(live.values.rumble_hcut, Math.fround(1234.5678));
      }
      await page.click('#play');
    }
    await page.close();
  });

  test('the audio thread plays finite, audible sound, the same samples as a render, '
       + 'and allocates nothing', async () => {
    const page = await openPage(session, 'engine=rain&preset=Storm');
    for (const engine of ['wind', 'rain']) {
      await chooseEngine(page, engine);
      const r = await page.evaluate(async (engine) => {
        const p = await window.playground;
        const before = (await p.audio.open(), await p.audio.read(engine)).memoryBytes;
        const rec = await p.audio.tap(engine, 2.5, () => p.togglePlay());
        const live = await p.audio.read(engine);
        await p.togglePlay();
        const skip = live.firstFrame - rec.startFrame;
        const frames = 2 * 48000;
        const left = rec.left.subarray(skip, skip + frames);
        const right = rec.right.subarray(skip, skip + frames);
        let finite = true, peak = 0, sum = 0;
        for (const ch of [left, right]) {
          for (const x of ch) {
            finite &&= Number.isFinite(x);
            peak = Math.max(peak, Math.abs(x));
            sum += x * x;
          }
        }
        // The same sound rendered in the worker for as long.
        const wav = new Uint8Array(await p.renderWav(engine, 2, 'stereo'));
        const view = new DataView(wav.buffer);
        let differ = 0;
        for (let i = 0; i < frames; i++) {
          const at = 112 + 8 * i;
          if (view.getFloat32(at, true) !== left[i] || view.getFloat32(at + 4, true) !== right[i]) differ++;
        }
        return { skip, length: left.length, finite, peak, rms: 10 * Math.log10(sum / (2 * frames)),
                 differ, memoryBefore: before, memoryAfter: live.memoryBytes };
      }, engine);
      assert.ok(r.skip >= 0, `${engine}: the tap was armed before the engine started`);
      assert.equal(r.length, 96000);
      assert.ok(r.finite, `${engine}: every sample finite`);
      assert.ok(r.peak <= 1, `${engine}: peak ${r.peak}`);
      assert.ok(r.rms > -50, `${engine}: RMS ${r.rms.toFixed(1)} dBFS`);
      assert.equal(r.differ, 0, `${engine}: frames that differ from the render`);
      assert.equal(r.memoryAfter, r.memoryBefore, `${engine}: the module's memory grew`);
    }
    await page.close();
  });

  test('the address holds the engine, the preset and every change, and a link restores them',
       async () => {
    const page = await openPage(session);
    await chooseEngine(page, 'rain');
    await choosePreset(page, 'rain', 'Storm');
    await page.locator('#panel-rain .param[data-key="liquid_2_level"] input[type="range"]').fill('250');
    await page.locator('#gain').fill('0.5');
    await page.check('#mono');
    await page.waitForFunction(() => location.hash.includes('global_gain'));
    const hash = await page.evaluate(() => location.hash);
    const q = new URLSearchParams(hash.slice(1));
    assert.deepEqual([...q], [['engine', 'rain'], ['preset', 'Storm'], ['layout', 'mono'],
                              ['liquid_2_level', '0.25'], ['global_gain', '0.5']]);
    const shown = await shownValues(page, 'rain');
    const other = await openPage(session, hash.slice(1));
    assert.deepEqual(await shownValues(other, 'rain'), shown);
    assert.equal(await other.evaluate(() => document.getElementById('gain').value), '0.5');
    assert.ok(await other.evaluate(() => document.getElementById('mono').checked));
    assert.ok(await other.evaluate(() => !document.getElementById('panel-rain').hidden));
    // What an address cannot hold is left out and said, not a fault.
    const odd = await openPage(session, 'engine=wind&preset=Nowhere&backflow_level=7&nokey=1');
    const status = await odd.evaluate(() => document.getElementById('status').textContent);
    assert.match(status, /unknown wind preset 'Nowhere'/);
    assert.match(status, /backflow_level: 7 is out of range/);
    assert.match(status, /unknown wind parameter 'nokey'/);
    for (const p of [page, other, odd]) await p.close();
  });
});

describe('Download WAV', () => {
  for (const engine of ['wind', 'rain']) {
    test(`${engine}: three presets, stereo, 5 s, the same bytes as ostrelle render`, async () => {
      const page = await openPage(session, `engine=${engine}`);
      await page.fill('#seconds', '5');
      for (const name of RENDERED[engine]) {
        await choosePreset(page, engine, name);
        const file = await download(page);
        assert.equal(file.name, `${engine}-${name}.wav`);
        const native = nativeRender(engine, ['--preset', name, '--seconds', '5']);
        const [a, b] = [wavSamples(file.bytes), wavSamples(native)];
        assert.equal(a.length, 5 * 48000 * 2);
        assert.equal(firstDifference(a, b), -1, `${engine} ${name}: first differing sample`);
        assert.ok(file.bytes.equals(native), `${engine} ${name}: the files' bytes differ`);
      }
      await page.close();
    });
  }

  test('changed parameters, the master gain and mono as ostrelle --set and --layout', async () => {
    const sets = { rumble_level: '0.25', liquid_2_level: '0.3', shower_color: '777.5',
                   global_gain: '0.5' };
    const address = `engine=rain&preset=Storm&layout=mono&${new URLSearchParams(sets)}`;
    const page = await openPage(session, address);
    await page.fill('#seconds', '3.5');
    const file = await download(page);
    const native = nativeRender('rain', ['--preset', 'Storm', '--layout', 'mono', '--seconds', '3.5',
      ...Object.entries(sets).flatMap(([k, v]) => ['--set', `${k}=${v}`])]);
    assert.equal(firstDifference(wavSamples(file.bytes), wavSamples(native)), -1);
    assert.ok(file.bytes.equals(native));
    await page.close();
  });
});

describe('pictures and speed', () => {
  test('a screenshot of each engine playing', async () => {
    const page = await openPage(session);
    for (const [engine, preset] of [['wind', 'Blizzard_High'], ['rain', 'Storm']]) {
      await chooseEngine(page, engine);
      await choosePreset(page, engine, preset);
      await page.click('#play');
      await page.waitForTimeout(2500);
      const levels = await page.evaluate(async () => (await window.playground).pictures.meter.levels);
      assert.ok(levels.every((l) => l.rms > -60), `${engine}: the meter shows ${JSON.stringify(levels)}`);
      const path = join(OUT, `playground-${engine}.png`);
      await page.screenshot({ path });
      assert.ok(readFileSync(path).length > 10000);
      await page.click('#play');
    }
    await page.close();
  });

  // The default preset and the heavy one of each engine (those the native
  // benchmarks use), on WebAssembly's SIMD and on the portable kernels: the
  // best of the timed runs by the page's clock, and all the sound rendered
  // over the renderer's processor time, which the other programs of a
  // shared machine do not inflate.
  test('real-time factor of each engine, stereo, 48 kHz, as the audio thread runs it, '
       + 'with and without SIMD', async () => {
    const page = await openPage(session);
    const speed = { browser: session.browser.version(),
                    userAgent: await page.evaluate(() => navigator.userAgent) };
    for (const [engine, presets] of [['wind', ['Silence', 'Blizzard_High']],
                                     ['rain', ['Silence', 'Storm']]]) {
      await chooseEngine(page, engine);
      // A first run of each build, untimed: the browser compiles the hot
      // functions again at its optimising tier, on threads of the renderer.
      for (const simd of [true, false]) {
        await page.evaluate(async ([engine, simd]) =>
          (await window.playground).measureSpeed(engine, 4, 2, simd), [engine, simd]);
      }
      for (const preset of presets) {
        await choosePreset(page, engine, preset);
        for (const simd of [true, false]) {
          // Each the best of twelve runs of four seconds of sound (long
          // enough for the page's clock, which may count in steps of 0.1 ms).
          const before = await rendererCpuSeconds(session);
          const r = await page.evaluate(async ([engine, simd]) =>
            (await window.playground).measureSpeed(engine, 4, 12, simd), [engine, simd]);
          r.byProcessorTime = r.renderedSeconds / (await rendererCpuSeconds(session) - before);
          assert.equal(r.vectors, simd ? 'wasm-simd128' : 'portable');
          assert.ok(r.best > 10, `${engine} ${preset} ${r.vectors}: ${r.best}x`);
          speed[`${engine} ${preset} ${r.vectors}`] = r;
          console.log(`${engine} ${preset} ${r.vectors}: ${r.best.toFixed(0)}x real time by the `
                      + `clock (median ${r.median.toFixed(0)}x), ${r.byProcessorTime.toFixed(0)}x `
                      + 'by processor time');
        }
        // The SIMD kernels, a few times faster, stay ahead however the
        // shared machine slows single runs.
        const [on, off] = ['wasm-simd128', 'portable'].map((v) => speed[`${engine} ${preset} ${v}`]);
        assert.ok(on.byProcessorTime > 1.5 * off.byProcessorTime,
                  `${engine} ${preset}: SIMD ${on.byProcessorTime}x, portable ${off.byProcessorTime}x`);
      }
    }
    writeFileSync(join(OUT, 'speed.json'), `${JSON.stringify(speed, null, 2)}\n`);
    await page.close();
  });
});
