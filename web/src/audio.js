// The page's audio graph: one 'ostrelle-engine' node per engine (both may
// play at once), each through a short de-click fade into a bus, which feeds
// the speakers, the spectrogram's analyser and one analyser per channel for
// the level meter. The context runs at 48 kHz, the engines' own rate.

export const RATE = 48000;
const FADE_S = 0.015;  // de-click time constant when a sound stops

export class Audio {
  constructor(modules) {
    this.modules = modules;
    this.ctx = null;
    this.nodes = {};
    this.fades = {};
    this.playing = {};
    this.requests = new Map();
    this.nextId = 1;
  }

  // Made on the first user gesture (browsers start audio only after one),
  // once, however many callers wait for it.
  async open() {
    this.opening ??= this.build();
    const ctx = await this.opening;
    if (ctx.state !== 'running') await ctx.resume();
    return ctx;
  }

  async build() {
    const ctx = new AudioContext({ sampleRate: RATE, latencyHint: 'playback' });
    await ctx.audioWorklet.addModule(new URL('./worklet.js', import.meta.url));
    this.bus = ctx.createGain();
    this.bus.connect(ctx.destination);
    this.spectrum = ctx.createAnalyser();
    this.spectrum.fftSize = 4096;
    this.spectrum.smoothingTimeConstant = 0;
    this.bus.connect(this.spectrum);
    const split = ctx.createChannelSplitter(2);
    this.bus.connect(split);
    this.channels = [0, 1].map((c) => {
      const a = ctx.createAnalyser();
      a.fftSize = 2048;
      split.connect(a, c);
      return a;
    });
    this.ctx = ctx;
    return ctx;
  }

  node(name) {
    if (!this.nodes[name]) {
      const node = new AudioWorkletNode(this.ctx, 'ostrelle-engine', {
        numberOfInputs: 0,
        numberOfOutputs: 1,
        outputChannelCount: [2],
        processorOptions: { module: this.modules[name] },
      });
      node.onprocessorerror = () => console.error(`the ${name} engine stopped with an error`);
      node.port.onmessage = (e) => this.answer(e.data);
      const fade = this.ctx.createGain();
      node.connect(fade);
      fade.connect(this.bus);
      this.nodes[name] = node;
      this.fades[name] = fade;
    }
    return this.nodes[name];
  }

  // Starts an engine afresh at a sound, sound() giving { preset, settings,
  // layout } once the graph is ready (the page may change while it opens).
  async start(name, sound) {
    this.playing[name] = true;
    await this.open();
    if (!this.playing[name]) return;  // stopped while the graph opened
    const node = this.node(name);
    const fade = this.fades[name].gain;
    fade.cancelScheduledValues(this.ctx.currentTime);
    fade.setValueAtTime(1, this.ctx.currentTime);
    node.port.postMessage({ type: 'start', ...sound() });
  }

  stop(name) {
    if (!this.playing[name]) return;
    this.playing[name] = false;
    if (!this.nodes[name]) return;
    const fade = this.fades[name].gain;
    fade.setTargetAtTime(0, this.ctx.currentTime, FADE_S);
    setTimeout(() => {
      if (!this.playing[name]) this.nodes[name].port.postMessage({ type: 'stop' });
    }, 8 * FADE_S * 1000);
  }

  // A change for a running (or stopped) engine; nothing before it exists
  // (its start takes the page's state then).
  post(name, message) {
    if (this.nodes[name]) this.nodes[name].port.postMessage(message);
  }

  answer(m) {
    const resolve = this.requests.get(m.id);
    if (resolve) {
      this.requests.delete(m.id);
      resolve(m);
    }
  }

  // The engine's own parameter values, read on the audio thread:
  // { values, firstFrame, memoryBytes }.
  async read(name) {
    await this.open();
    const id = this.nextId++;
    return new Promise((resolve) => {
      this.requests.set(id, resolve);
      this.node(name).port.postMessage({ type: 'read', id });
    });
  }

  // Records an engine's output for `seconds` with a tap node: the tap is
  // armed first, then `then()` runs (to start the sound, say). Resolves to
  // { left, right, startFrame, missed }: sample k is the graph's frame
  // startFrame + k; missed counts frames of quanta the tap was not run for.
  async tap(name, seconds, then) {
    await this.open();
    const node = this.node(name);
    const tap = new AudioWorkletNode(this.ctx, 'ostrelle-tap', {
      numberOfInputs: 1,
      numberOfOutputs: 1,
      outputChannelCount: [1],
      channelCount: 2,
      channelCountMode: 'explicit',
      channelInterpretation: 'discrete',
      processorOptions: { frames: Math.round(seconds * this.ctx.sampleRate) },
    });
    const armed = new Promise((resolve) => {
      tap.port.onmessage = (e) => {
        if (e.data.type === 'armed') resolve();
        else recorded.resolve(e.data);
      };
    });
    const recorded = {};
    const done = new Promise((resolve) => { recorded.resolve = resolve; });
    node.connect(tap);
    tap.connect(this.ctx.destination);
    await armed;
    if (then) await then();
    const r = await done;
    node.disconnect(tap);
    tap.disconnect();
    return r;
  }
}
