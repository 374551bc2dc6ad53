// The audio thread. 'ostrelle-engine' runs one engine instance inside the
// audio graph: the page starts and stops it and sends parameter and preset
// changes as messages. Everything it needs is made when it starts; a render
// quantum only calls the engine and copies its output, so nothing allocates
// there (the engine module itself has no allocator).
// 'ostrelle-tap' records what reaches its input for a given number of frames
// into buffers made beforehand, and hands them over once, at the end.

import { Engine, LAYOUTS } from './engine.js';

class EngineProcessor extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.engine = Engine.createSync(options.processorOptions.module);
    this.playing = false;
    this.mask = LAYOUTS.stereo.mask;
    this.firstFrame = -1;  // the graph's frame at which the last start began
    this.port.onmessage = (e) => this.receive(e.data);
  }

  receive(m) {
    switch (m.type) {
      case 'start':
        // The same set-up as a WAV render of these settings.
        this.mask = LAYOUTS[m.layout].mask;
        this.engine.prepare(sampleRate, m.preset, m.settings);
        this.playing = true;
        this.firstFrame = -1;
        break;
      case 'stop':
        this.playing = false;
        break;
      case 'set':
        this.engine.set(m.index, m.value);
        break;
      case 'preset':
        this.engine.loadFactory(m.preset);
        break;
      case 'layout':
        this.mask = LAYOUTS[m.layout].mask;
        break;
      case 'read':
        // The engine's own values, read back for the page (not while
        // rendering: messages run between quanta).
        this.port.postMessage({
          type: 'values', id: m.id, values: this.engine.values(), firstFrame: this.firstFrame,
          memoryBytes: this.engine.x.memory.buffer.byteLength,
        });
        break;
    }
  }

  process(inputs, outputs) {
    if (!this.playing) return true;  // the browser hands over zeroed outputs
    const out = outputs[0];
    const left = out[0];
    const right = out.length > 1 ? out[1] : out[0];
    const mono = this.mask === LAYOUTS.mono.mask;
    const o = this.engine.output;
    if (this.firstFrame < 0) this.firstFrame = currentFrame;
    for (let at = 0; at < left.length;) {
      const n = Math.min(left.length - at, this.engine.maxFrames);
      this.engine.render(this.mask, n);
      if (mono) {
        for (let i = 0; i < n; i++) left[at + i] = right[at + i] = o[i];
      } else {
        for (let i = 0; i < n; i++) {
          left[at + i] = o[2 * i];
          right[at + i] = o[2 * i + 1];
        }
      }
      at += n;
    }
    return true;
  }
}

class TapProcessor extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.frames = options.processorOptions.frames;
    this.left = new Float32Array(this.frames);
    this.right = new Float32Array(this.frames);
    this.startFrame = -1;
    this.missed = 0;  // frames of quanta the graph did not run this node for
    this.next = 0;
  }

  // Samples go where the graph's frame counter puts them, so a quantum the
  // browser skips for this node (while a new connection takes effect) leaves
  // a gap rather than shifting what follows.
  process(inputs) {
    if (this.startFrame < 0) {
      this.startFrame = currentFrame;
      this.port.postMessage({ type: 'armed', startFrame: currentFrame });
    }
    const at = currentFrame - this.startFrame;
    if (at > this.next) this.missed += at - this.next;
    // An input with nothing connected has no channels: silence.
    const input = inputs[0];
    const quantum = input.length > 0 ? input[0].length : 128;
    const n = Math.max(0, Math.min(this.frames - at, quantum));
    if (input.length > 0) {
      const l = input[0];
      const r = input.length > 1 ? input[1] : input[0];
      for (let i = 0; i < n; i++) {
        this.left[at + i] = l[i];
        this.right[at + i] = r[i];
      }
    }
    this.next = at + quantum;
    if (this.next < this.frames) return true;
    this.port.postMessage({ type: 'recorded', startFrame: this.startFrame, missed: this.missed,
                            left: this.left, right: this.right },
                          [this.left.buffer, this.right.buffer]);
    return false;
  }
}

registerProcessor('ostrelle-engine', EngineProcessor);
registerProcessor('ostrelle-tap', TapProcessor);
