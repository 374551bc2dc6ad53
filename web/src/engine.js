// One engine module (vantora.wasm or pluvessa.wasm) and its single instance,
// in natural units, as the page, the audio thread and the render worker use
// it. The module imports nothing and never grows its memory, so views made
// once on its buffer stay valid.

export const ENGINES = ['wind', 'rain'];
export const MODULE_FILES = { wind: 'vantora.wasm', rain: 'pluvessa.wasm' };

// Layout masks of the engines' render call, and the channels of each.
export const LAYOUTS = {
  mono: { mask: 0x80000, channels: 1 },
  stereo: { mask: 0x3, channels: 2 },
  quad: { mask: 0x33, channels: 4 },
  '5.1': { mask: 0x3f, channels: 6 },
};

export class Engine {
  constructor(instance) {
    this.x = instance.exports;
    this.x._initialize();
    this.paramCount = this.x.web_param_count();
    this.maxFrames = this.x.web_max_frames();
    this.output = new Float32Array(this.x.memory.buffer, this.x.web_output(),
                                   this.maxFrames * 6);
  }

  // On the page and in workers (asynchronous instantiation).
  static async create(module) {
    return new Engine(await WebAssembly.instantiate(module, {}));
  }

  // On the audio thread, where nothing may wait.
  static createSync(module) {
    return new Engine(new WebAssembly.Instance(module, {}));
  }

  // The NUL-terminated text at an address of the module's memory.
  text(at) {
    const bytes = new Uint8Array(this.x.memory.buffer);
    let end = at;
    while (bytes[end] !== 0) end++;
    return new TextDecoder().decode(bytes.subarray(at, end));
  }

  // The parameter table and the factory bank (see engine_module.cpp).
  info() {
    const at = this.x.web_info();
    if (!at) throw new Error('the engine tables do not fit the module\'s text buffer');
    return JSON.parse(this.text(at));
  }

  // The kernels on WebAssembly's SIMD (true, as a module starts) or on the
  // portable plain code (false): the same samples, at another speed.
  // Returns the name of the vector level that now runs.
  useSimd(on) {
    return this.text(this.x.web_use_simd(on ? 1 : 0));
  }

  // The name of the vector level the kernels run at.
  vectors() {
    return this.text(this.x.web_vectors());
  }

  init(rate) {
    return this.x.web_init(rate);
  }

  set(index, value) {
    this.x.web_set(index, value);
  }

  get(index) {
    return this.x.web_get(index);
  }

  // Every parameter's value, in index order.
  values() {
    const v = new Float32Array(this.paramCount);
    for (let i = 0; i < v.length; i++) v[i] = this.get(i);
    return v;
  }

  loadFactory(preset) {
    return this.x.web_load_factory(preset);
  }

  // A fresh instance at a factory preset (-1 for none) with settings
  // ([index, value] pairs) over it, exactly as the renderer sets one up.
  prepare(rate, preset, settings) {
    if (settings.length > this.x.web_max_settings()) return -1;
    const at = this.x.web_settings();
    const view = new DataView(this.x.memory.buffer);
    settings.forEach(([index, value], s) => {
      view.setInt32(at + 8 * s, index, true);
      view.setFloat32(at + 8 * s + 4, value, true);
    });
    return this.x.web_prepare(rate, preset, settings.length);
  }

  // Renders frames (at most maxFrames) of a layout mask into this.output,
  // interleaved. False if the engine refused the call.
  render(mask, frames) {
    return this.x.web_render(mask, frames) !== 0;
  }
}
