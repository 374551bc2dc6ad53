// The playground page: both engines, their factory presets and every
// parameter, played live on the audio thread, rendered to WAV files in a
// worker, the sound held in the page's address.

import { Audio, RATE } from './audio.js';
import { decodeAddress, encodeAddress } from './address.js';
import { ENGINES, Engine, MODULE_FILES } from './engine.js';
import { LevelMeter, Spectrogram } from './scope.js';
import { formatValue, parseValue, toDb } from './values.js';

const TITLES = { wind: 'Wind · Vantora', rain: 'Rain · Pluvessa' };
const SLIDER_STEPS = 1000;
const ADDRESS_DELAY_MS = 250;

const $ = (id) => document.getElementById(id);

function element(tag, attributes = {}, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attributes)) {
    if (k === 'text') e.textContent = v;
    else if (k === 'class') e.className = v;
    else e.setAttribute(k, v);
  }
  for (const c of children) e.append(c);
  return e;
}

// ---- The engines on this thread: their tables and the factory presets'
// values, read from an instance of each module.

class EngineModel {
  constructor(name, module, engine) {
    this.name = name;
    this.module = module;
    this.engine = engine;
    this.info = engine.info();
    this.gainIndex = this.info.gainIndex;
    engine.init(RATE);
    this.presetCache = new Map();
  }

  // Every parameter's value under preset i, the master gain at 1 (presets
  // leave it alone; a new instance has 1).
  presetValues(i) {
    if (!this.presetCache.has(i)) {
      if (this.engine.loadFactory(i) !== 0) throw new Error(`preset ${i} was refused`);
      const v = this.engine.values();
      v[this.gainIndex] = 1;
      this.presetCache.set(i, v);
    }
    return this.presetCache.get(i);
  }
}

// A sound: a preset and the values over it.
class Sound {
  constructor(model) {
    this.model = model;
    this.choose(0);
  }

  choose(preset) {
    const gain = this.values ? this.values[this.model.gainIndex] : 1;
    this.preset = preset;
    this.base = this.model.presetValues(preset);
    this.values = Float32Array.from(this.base);
    this.values[this.model.gainIndex] = gain;
  }

  changed(i) {
    return this.values[i] !== this.base[i];
  }

  // [param, value] of every parameter that differs from the preset.
  changes() {
    return this.model.info.params.filter((p) => this.changed(p.index))
      .map((p) => [p, this.values[p.index]]);
  }

  // [index, value] pairs for a set-up over the preset.
  settings() {
    return this.changes().map(([p, v]) => [p.index, v]);
  }
}

// ---- Controls built from the parameter table.

function isLogarithmic(p) {
  return p.unit === 'Hz' && p.min > 0 && p.max / p.min >= 8;
}

function sliderToValue(p, pos) {
  const x = pos / SLIDER_STEPS;
  const v = isLogarithmic(p) ? p.min * Math.pow(p.max / p.min, x) : p.min + x * (p.max - p.min);
  // A readable value: four significant digits on a log scale, the slider's
  // step on a linear one.
  const rounded = isLogarithmic(p) ? Number(v.toPrecision(4))
    : Number((Math.round((v - p.min) / ((p.max - p.min) / SLIDER_STEPS)) *
              ((p.max - p.min) / SLIDER_STEPS) + p.min).toPrecision(6));
  return Math.fround(Math.min(p.max, Math.max(p.min, rounded)));
}

function valueToSlider(p, v) {
  const x = isLogarithmic(p) ? Math.log(v / p.min) / Math.log(p.max / p.min)
    : (v - p.min) / (p.max - p.min);
  return Math.round(Math.min(1, Math.max(0, x)) * SLIDER_STEPS);
}

class Controls {
  constructor(container, model, onChange) {
    this.rows = new Map();
    this.model = model;
    const groups = new Map();
    for (const p of model.info.params) {
      if (p.index === model.gainIndex) continue;
      if (!groups.has(p.group)) groups.set(p.group, []);
      groups.get(p.group).push(p);
    }
    for (const [group, params] of groups) {
      const set = element('fieldset', { class: 'group' }, element('legend', { text: group }));
      for (const p of params) set.append(this.row(p, onChange));
      container.append(set);
    }
  }

  row(p, onChange) {
    const help = [p.description, p.note].filter(Boolean).join('\n\n');
    const label = element('label', { class: 'param-name', for: `p-${this.model.name}-${p.key}`,
                                     title: help, text: p.name });
    const key = element('code', { class: 'param-key', title: p.key, text: p.key });
    const row = element('div', { class: 'param', 'data-key': p.key }, label, key);
    const r = { row, param: p };
    if (p.choices.length) {
      const select = element('select', { id: `p-${this.model.name}-${p.key}`, 'data-key': p.key });
      p.choices.forEach((c, i) => select.append(element('option', { value: String(i), text: c })));
      select.addEventListener('change', () => onChange(p, Number(select.value)));
      row.append(select);
      r.select = select;
    } else {
      const slider = element('input', { type: 'range', min: '0', max: String(SLIDER_STEPS),
                                        step: '1', 'aria-label': `${p.name} (${p.key})` });
      const number = element('input', { type: 'text', inputmode: 'decimal', class: 'param-value',
                                        id: `p-${this.model.name}-${p.key}`, 'data-key': p.key });
      const unit = element('span', { class: 'param-unit', text: p.unit });
      slider.addEventListener('input', () => onChange(p, sliderToValue(p, Number(slider.value))));
      number.addEventListener('change', () => {
        const parsed = parseValue(p, number.value);
        number.classList.toggle('refused', Boolean(parsed.error));
        number.title = parsed.error ?? '';
        if (parsed.error) return;
        onChange(p, parsed.value);
      });
      row.append(slider, number, unit);
      Object.assign(r, { slider, number });
    }
    label.addEventListener('dblclick', () => onChange(p, null));
    this.rows.set(p.index, r);
    return row;
  }

  show(sound) {
    for (const [i, r] of this.rows) {
      const v = sound.values[i];
      if (r.select) {
        r.select.value = String(v);
      } else {
        r.slider.value = String(valueToSlider(r.param, v));
        if (document.activeElement !== r.number || !r.number.classList.contains('refused')) {
          r.number.value = formatValue(r.param, v);
          r.number.classList.remove('refused');
        }
      }
      r.row.classList.toggle('changed', sound.changed(i));
    }
  }
}

// ---- The preset browser: categories in bank order, each preset with its
// description.

class PresetBrowser {
  constructor(container, filter, model, onChoose) {
    this.items = [];
    const byCategory = new Map(model.info.categories.map((c) => [c.id, []]));
    model.info.presets.forEach((p, i) => byCategory.get(p.category)?.push([p, i]));
    for (const c of model.info.categories) {
      const presets = byCategory.get(c.id);
      if (!presets.length) continue;
      const list = element('ul', { class: 'preset-list' });
      for (const [p, i] of presets) {
        const button = element('button', { type: 'button', class: 'preset', 'data-preset': p.name,
                                           title: p.description, text: p.name.replaceAll('_', ' ') });
        button.addEventListener('click', () => onChoose(i));
        const item = element('li', {}, button, element('p', { class: 'preset-about',
                                                               text: p.description }));
        list.append(item);
        this.items.push({ item, button, index: i, text: `${p.name} ${p.description} ${c.name}`.toLowerCase() });
      }
      const details = element('details', { class: 'category', open: '' },
                              element('summary', { text: `${c.name} (${presets.length})` }), list);
      container.append(details);
    }
    filter.addEventListener('input', () => {
      const words = filter.value.toLowerCase().split(/\s+/).filter(Boolean);
      for (const it of this.items)
        it.item.hidden = !words.every((w) => it.text.includes(w));
    });
  }

  show(preset) {
    for (const it of this.items) {
      const on = it.index === preset;
      it.button.classList.toggle('chosen', on);
      it.button.setAttribute('aria-pressed', String(on));
    }
  }
}

// ---- The page.

class Playground {
  constructor(models) {
    this.models = models;
    this.sounds = Object.fromEntries(ENGINES.map((n) => [n, new Sound(models[n])]));
    this.layout = 'stereo';
    this.shown = ENGINES[0];
    this.audio = new Audio(Object.fromEntries(ENGINES.map((n) => [n, models[n].module])));
    this.worker = new Worker(new URL('./render-worker.js', import.meta.url), { type: 'module' });
    this.workerRequests = new Map();
    this.worker.onmessage = (e) => {
      const r = this.workerRequests.get(e.data.id);
      this.workerRequests.delete(e.data.id);
      if (e.data.error) r.reject(new Error(e.data.error));
      else r.resolve(e.data);
    };
    this.nextRequest = 1;
    this.build();
    this.applyAddress(location.hash);
    window.addEventListener('hashchange', () => {
      if (location.hash.replace(/^#/, '') !== this.address()) this.applyAddress(location.hash);
    });
  }

  build() {
    this.panels = {};
    for (const name of ENGINES) {
      const model = this.models[name];
      const tab = element('button', { type: 'button', role: 'tab', id: `tab-${name}`,
                                      'data-engine': name, text: TITLES[name] });
      tab.addEventListener('click', () => this.showEngine(name));
      $('engines').append(tab);
      const presets = element('div', { class: 'presets' });
      const controls = element('div', { class: 'controls' });
      const filter = element('input', { type: 'search', class: 'preset-filter',
                                        placeholder: 'Filter presets', 'aria-label': 'Filter presets' });
      const aside = element('aside', { class: 'browser' }, filter, presets);
      const about = element('div', { class: 'about' }, element('h2', { class: 'preset-name' }),
                            element('p', { class: 'preset-description' }));
      const editor = element('section', { class: 'editor' }, about, controls);
      const panel = element('div', { class: 'panel', id: `panel-${name}`, role: 'tabpanel' },
                            aside, editor);
      $('panels').append(panel);
      this.panels[name] = {
        tab, panel, about,
        controls: new Controls(controls, model, (p, v) => this.change(name, p, v)),
        browser: new PresetBrowser(presets, filter, model, (i) => this.choose(name, i)),
      };
    }
    $('play').addEventListener('click', () => this.togglePlay());
    $('gain').addEventListener('input', () => {
      const model = this.models[this.shown];
      this.change(this.shown, model.info.params[model.gainIndex],
                  Math.fround(Number($('gain').value)));
    });
    $('mono').addEventListener('change', () => this.setLayout($('mono').checked ? 'mono' : 'stereo'));
    $('download').addEventListener('click', () => this.download());
    $('share').addEventListener('click', () => this.share());
    $('speed').addEventListener('click', () => this.showSpeed());
  }

  // ---- State changes

  showEngine(name) {
    this.shown = name;
    for (const n of ENGINES) {
      const on = n === name;
      this.panels[n].panel.hidden = !on;
      this.panels[n].tab.setAttribute('aria-selected', String(on));
      this.panels[n].tab.classList.toggle('playing', Boolean(this.audio.playing[n]));
    }
    document.body.dataset.engine = name;
    this.refresh();
  }

  choose(name, preset) {
    const sound = this.sounds[name];
    sound.choose(preset);
    this.audio.post(name, { type: 'preset', preset });
    this.refresh();
  }

  // A new value for a parameter (null: back to the preset's value).
  change(name, param, value) {
    const sound = this.sounds[name];
    const v = value === null ? sound.base[param.index] : value;
    sound.values[param.index] = v;
    this.audio.post(name, { type: 'set', index: param.index, value: v });
    this.refresh();
  }

  setLayout(layout) {
    this.layout = layout;
    for (const n of ENGINES) this.audio.post(n, { type: 'layout', layout });
    this.refresh();
  }

  applyAddress(text) {
    const infos = Object.fromEntries(ENGINES.map((n) => [n, this.models[n].info]));
    const a = decodeAddress(text, infos);
    const sound = this.sounds[a.engine];
    sound.choose(a.preset);
    sound.values[this.models[a.engine].gainIndex] = 1;
    for (const [p, v] of a.changes) sound.values[p.index] = v;
    this.layout = a.layout;
    if (this.audio.playing[a.engine]) this.audio.start(a.engine, () => this.startMessage(a.engine));
    this.note(a.problems.length ? `Left out of the address: ${a.problems.join('; ')}` : '');
    this.showEngine(a.engine);
  }

  address() {
    const s = this.sounds[this.shown];
    return encodeAddress({ engine: this.shown, preset: this.models[this.shown].info.presets[s.preset].name,
                           layout: this.layout, changes: s.changes() });
  }

  // ---- Showing it

  refresh() {
    const name = this.shown;
    const sound = this.sounds[name];
    const model = this.models[name];
    const panel = this.panels[name];
    const preset = model.info.presets[sound.preset];
    panel.about.querySelector('.preset-name').textContent = preset.name.replaceAll('_', ' ');
    const changed = sound.changes().filter(([p]) => p.index !== model.gainIndex).length;
    panel.about.querySelector('.preset-description').textContent =
      preset.description + (changed ? ` (${changed} parameter${changed > 1 ? 's' : ''} changed)` : '');
    panel.controls.show(sound);
    panel.browser.show(sound.preset);
    const gain = sound.values[model.gainIndex];
    $('gain').value = String(gain);
    $('gain-db').textContent = gain > 0 ? `${toDb(gain).toFixed(1)} dB` : '-inf dB';
    $('mono').checked = this.layout === 'mono';
    const playing = Boolean(this.audio.playing[name]);
    $('play').textContent = playing ? `Stop ${name}` : `Play ${name}`;
    $('play').classList.toggle('playing', playing);
    for (const n of ENGINES) this.panels[n].tab.classList.toggle('playing', Boolean(this.audio.playing[n]));
    this.scheduleAddress();
  }

  scheduleAddress() {
    clearTimeout(this.addressTimer);
    this.addressTimer = setTimeout(() => {
      const text = this.address();
      if (location.hash.replace(/^#/, '') !== text) history.replaceState(null, '', `#${text}`);
    }, ADDRESS_DELAY_MS);
  }

  note(text) {
    $('status').textContent = text;
  }

  // ---- Sound out

  startMessage(name) {
    const s = this.sounds[name];
    return { preset: s.preset, settings: s.settings(), layout: this.layout };
  }

  async togglePlay() {
    const name = this.shown;
    if (this.audio.playing[name]) {
      this.audio.stop(name);
      this.refresh();
      return;
    }
    const started = this.audio.start(name, () => this.startMessage(name));
    this.refresh();
    await started;
    this.startPictures();
  }

  startPictures() {
    if (this.pictures) return;
    const spectrogram = new Spectrogram($('spectrogram'), this.audio.spectrum);
    const meter = new LevelMeter($('meter'), this.audio.channels);
    this.pictures = { spectrogram, meter };
    const frame = (now) => {
      spectrogram.draw();
      meter.draw(now);
      requestAnimationFrame(frame);
    };
    requestAnimationFrame(frame);
  }

  ask(message, transfer = []) {
    const id = this.nextRequest++;
    return new Promise((resolve, reject) => {
      this.workerRequests.set(id, { resolve, reject });
      this.worker.postMessage({ id, ...message }, transfer);
    });
  }

  // The current sound of an engine as WAV bytes, rendered in the worker.
  async renderWav(name, seconds, layout = this.layout) {
    const s = this.sounds[name];
    const r = await this.ask({ type: 'render', module: this.models[name].module, preset: s.preset,
                               settings: s.settings(), layout, seconds, rate: RATE });
    return r.wav;
  }

  async download() {
    const name = this.shown;
    const seconds = Number($('seconds').value);
    if (!(seconds > 0 && seconds <= 600)) {
      this.note('Download: the length must be above 0 and at most 600 seconds');
      return;
    }
    const button = $('download');
    button.disabled = true;
    this.note(`Rendering ${seconds} s of ${name}…`);
    try {
      const wav = await this.renderWav(name, seconds);
      const preset = this.models[name].info.presets[this.sounds[name].preset].name;
      const link = element('a', { download: `${name}-${preset}.wav`,
                                  href: URL.createObjectURL(new Blob([wav], { type: 'audio/wav' })) });
      document.body.append(link);
      link.click();
      link.remove();
      setTimeout(() => URL.revokeObjectURL(link.href), 60000);
      this.note(`Rendered ${seconds} s of ${name}, ${(wav.length / 1048576).toFixed(1)} MiB`);
    } catch (err) {
      this.note(`Download failed: ${err.message}`);
    } finally {
      button.disabled = false;
    }
  }

  async share() {
    this.scheduleAddress();
    const link = `${location.origin}${location.pathname}#${this.address()}`;
    try {
      await navigator.clipboard.writeText(link);
      this.note('Link copied');
    } catch {
      this.note(link);
    }
  }

  // Real-time factor of an engine's current sound, stereo, 48 kHz, 128-frame
  // calls as on the audio thread; simd false runs the portable kernels.
  async measureSpeed(name, seconds = 4, rounds = 5, simd = true) {
    const s = this.sounds[name];
    const r = await this.ask({ type: 'speed', module: this.models[name].module, preset: s.preset,
                               settings: s.settings(), seconds, rounds, simd });
    return r.speed;
  }

  async showSpeed() {
    $('speed').disabled = true;
    const parts = [];
    for (const n of ENGINES) {
      $('speed-result').textContent = `measuring ${n}…`;
      const r = await this.measureSpeed(n);
      parts.push(`${n} ${Math.round(r.best)}x`);
    }
    $('speed-result').textContent = `${parts.join(', ')} real time (stereo, 48 kHz, one core)`;
    $('speed').disabled = false;
  }
}

async function main() {
  const modules = {};
  const models = {};
  await Promise.all(ENGINES.map(async (name) => {
    const response = await fetch(new URL(`../${MODULE_FILES[name]}`, import.meta.url));
    if (!response.ok) throw new Error(`${MODULE_FILES[name]}: ${response.status}`);
    modules[name] = await WebAssembly.compile(await response.arrayBuffer());
    models[name] = new EngineModel(name, modules[name], await Engine.create(modules[name]));
  }));
  const page = new Playground(models);
  document.body.classList.add('ready');
  return page;
}

window.playground = main();
